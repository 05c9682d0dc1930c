// The cameras out of GStreamer's device monitor, and the watch over them.
#include <gst/gst.h>

#include <cstdio>

#include "capture/camera_device_gst.h"
#include "capture/camera_list.h"

namespace {

// Owned here: StartCameraWatch makes it once, and it lives as long as the
// program (the providers' own threads end with the process).
struct CameraWatch {
    GstDeviceMonitor* monitor = nullptr;
    GstBus* bus = nullptr;
} g_watch;

ListedCamera Listed(GstDevice* device) {
    const DeviceFacts facts = ReadDeviceFacts(device);
    ListedCamera camera;
    camera.display_name = facts.display_name;
    camera.name = CameraName(facts.properties, facts.display_name);
    GstCaps* caps = gst_device_get_caps(device);
    camera.modes = CameraModesOfCaps(caps);
    if (caps) gst_caps_unref(caps);
    return camera;
}

}  // namespace

bool DeviceAnswersTo(GstDevice* device, const std::string& name) {
    const DeviceFacts facts = ReadDeviceFacts(device);
    return CameraAnswersTo(name, facts.properties, facts.display_name);
}

std::vector<ListedCamera> ListCameras() {
    std::vector<ListedCamera> cameras;
    if (!gst_is_initialized()) return cameras;
    // The running watch knows the list; without it the providers are asked.
    GstDeviceMonitor* monitor = g_watch.monitor
                                    ? GST_DEVICE_MONITOR(gst_object_ref(g_watch.monitor))
                                    : NewCameraMonitor();
    GList* devices = gst_device_monitor_get_devices(monitor);
    for (GList* item = devices; item; item = item->next) cameras.push_back(Listed(GST_DEVICE(item->data)));
    g_list_free_full(devices, gst_object_unref);
    gst_object_unref(monitor);
    return cameras;
}

void StartCameraWatch() {
    if (g_watch.monitor || !gst_is_initialized()) return;
    g_watch.monitor = NewCameraMonitor();
    g_watch.bus = gst_device_monitor_get_bus(g_watch.monitor);
    // Not started (no provider can watch): the list is what the providers
    // say when asked, without news of changes.
    if (!gst_device_monitor_start(g_watch.monitor))
        std::fprintf(stderr, "capture: cameras plugged in later are not noticed\n");
}

bool CameraListChanged() {
    if (!g_watch.bus) return false;
    bool changed = false;
    while (GstMessage* message = gst_bus_pop(g_watch.bus)) {
        const GstMessageType type = GST_MESSAGE_TYPE(message);
        changed |= type == GST_MESSAGE_DEVICE_ADDED || type == GST_MESSAGE_DEVICE_REMOVED ||
                   type == GST_MESSAGE_DEVICE_CHANGED;
        gst_message_unref(message);
    }
    return changed;
}
