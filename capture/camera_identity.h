// Camera identity: which camera a device is, so that a camera that was
// unplugged is known again when it comes back, whatever its place in the
// list of cameras by then (a place moves when other cameras come and go).
//
// A camera is told by the device properties that survive unplugging, most
// telling first: its serial number, then the port it sits in.  The first of
// these that both devices have decides (a camera moved to another port is
// still known by its serial number); when they share none, the display name
// and the kind of device (which provider made it) must both match.  Among
// several cameras that match (two of one model whose serial numbers are the
// model's name), the one that agrees on more properties is taken.  Numbers
// handed out afresh at every appearance (the device node, PipeWire's
// object.serial and object.id) say nothing about the camera and are never
// used.
//
// Plain logic; the GStreamer side reads the identity out of a device and
// watches the system's cameras (camera_identity_gst.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// A device's string properties, key and value.
using DeviceProperties = std::vector<std::pair<std::string, std::string>>;

// What a device says of itself (capture/camera_device_gst.h reads it).
struct DeviceFacts {
    std::string display_name;
    std::string kind;  // the device's type name, e.g. "GstV4l2Device"
    DeviceProperties properties;
};

struct CameraIdentity {
    struct Property {
        int trait = 0;  // index into the traits below (kCameraTraits)
        std::string value;
    };
    std::vector<Property> properties;  // those the device has, by trait
    std::string display_name;
    std::string kind;  // the device's type name, e.g. "GstV4l2Device"

    bool Empty() const { return properties.empty() && display_name.empty() && kind.empty(); }
};

// One thing that tells cameras apart and the property names providers give
// it under (V4L2's and PipeWire's names differ), most telling trait first.
struct CameraTrait {
    const char* name;                // for messages
    std::vector<const char*> keys;   // device property names
};
const std::vector<CameraTrait>& CameraTraits();

// Adds `key`=`value` of a device to `identity` when the key names a trait
// (the first key of a trait that a device has wins).
void AddCameraProperty(CameraIdentity* identity, const std::string& key, const std::string& value);
CameraIdentity IdentityOf(const DeviceFacts& device);

bool SameCamera(const CameraIdentity& a, const CameraIdentity& b);
// The index in `present` of the camera `wanted` is, the best match first;
// -1 when none matches.
int FindCameraIn(const CameraIdentity& wanted, const std::vector<CameraIdentity>& present);

// "serial number AB12, port usb-0000:00:14.0-1" or "\"HD Webcam\"": for the log.
std::string DescribeCameraIdentity(const CameraIdentity& identity);

// The GStreamer side (camera_identity_gst.cpp).
typedef struct _GstDevice GstDevice;

// One camera followed among the system's cameras, from one thread (its
// source's supervisor), by the news of the program's camera monitor
// (capture/camera_device_gst.h); without news (no provider watches) only
// Find tells.
class CameraMonitor {
public:
    CameraMonitor();

    enum Event { kNothing, kCameraAdded, kCameraRemoved };
    // Whether the camera `identity` (there when the monitor was made) came
    // or went since the last call; other cameras' comings and goings are
    // passed over.  Never waits.
    Event Poll(const CameraIdentity& identity);
    // The camera `identity` among those there now (a reference the caller
    // drops), with its index in the list; nullptr when it is not there.
    GstDevice* Find(const CameraIdentity& identity, int* index);

private:
    uint64_t news_seen_ = 0;
    bool present_ = true;
};
