// The cameras the system has now, as GStreamer's device monitor lists them
// (devices of class "Video/Source", from any device provider: V4L2,
// PipeWire, libcamera, ...), and the name that picks one of them out.
//
// A camera's name, what device="..." in a description file holds, is the
// first of its properties that names that one device (kIdentityKeys: the
// V4L2 provider's device path, PipeWire's, ...), else its display name.  A
// device="..." is answered by a camera whose name, any identity property or
// display name it equals, so a file written on one machine's provider still
// finds the camera by its display name under another.
//
// The watch keeps one monitor running for the program's life, so that
// cameras plugged in or out while it runs come into the list
// (camera_list_gst.cpp holds it; GLUT's thread polls it between frames).
#pragma once

#include <string>
#include <vector>

#include "capture/camera_identity.h"
#include "capture/camera_modes.h"

struct ListedCamera {
    std::string display_name;  // for menus and messages
    std::string name;          // for device="..."
    std::vector<CameraMode> modes;
};

// The camera's name out of its properties and display name.
std::string CameraName(const DeviceProperties& properties, const std::string& display_name);
// Whether device="wanted" means this camera.
bool CameraAnswersTo(const std::string& wanted, const DeviceProperties& properties,
                     const std::string& display_name);

// The GStreamer side (camera_list_gst.cpp).
typedef struct _GstDevice GstDevice;
bool DeviceAnswersTo(GstDevice* device, const std::string& name);
// The cameras now, in the monitor's order (the order camera="N" counts in).
std::vector<ListedCamera> ListCameras();
// Starts the watch (GStreamer already set up by the capture devices).
void StartCameraWatch();
// Whether a camera came, went or changed since the last call.
bool CameraListChanged();
