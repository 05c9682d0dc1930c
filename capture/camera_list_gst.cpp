// The cameras out of GStreamer's device monitor, and the watch over them.
#include <gst/gst.h>

#include <cstdio>

#include "capture/camera_device_gst.h"
#include "capture/camera_list.h"

namespace {

// The camera news the menus have seen; GLUT's thread alone reads it.
uint64_t g_news_seen = 0;

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
    GList* devices = gst_device_monitor_get_devices(CameraDevices());
    for (GList* item = devices; item; item = item->next) cameras.push_back(Listed(GST_DEVICE(item->data)));
    g_list_free_full(devices, gst_object_unref);
    return cameras;
}

void StartCameraWatch() {
    if (!gst_is_initialized()) return;
    // Not watched: the list is what the providers say when asked, without
    // news of changes.
    if (!CameraDevicesWatched()) std::fprintf(stderr, "capture: cameras plugged in later are not noticed\n");
    g_news_seen = CameraNewsCount();
}

bool CameraListChanged() {
    if (!gst_is_initialized()) return false;
    const uint64_t news = CameraNewsCount();
    const bool changed = news != g_news_seen;
    g_news_seen = news;
    return changed;
}
