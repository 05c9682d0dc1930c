// Camera identities out of GStreamer devices, and one camera followed
// through the news of the program's camera monitor.
#include <gst/gst.h>

#include "capture/camera_device_gst.h"
#include "capture/camera_identity.h"

CameraMonitor::CameraMonitor() : news_seen_(CameraNewsCount()) {}

CameraMonitor::Event CameraMonitor::Poll(const CameraIdentity& identity) {
    const uint64_t news = CameraNewsCount();
    if (news == news_seen_) return kNothing;
    news_seen_ = news;
    int index = -1;
    GstDevice* device = Find(identity, &index);
    const bool present = device != nullptr;
    if (device) gst_object_unref(device);
    if (present == present_) return kNothing;
    present_ = present;
    return present ? kCameraAdded : kCameraRemoved;
}

GstDevice* CameraMonitor::Find(const CameraIdentity& identity, int* index) {
    GList* devices = gst_device_monitor_get_devices(CameraDevices());
    std::vector<CameraIdentity> present;
    for (GList* item = devices; item; item = item->next)
        present.push_back(IdentityOf(ReadDeviceFacts(GST_DEVICE(item->data))));
    *index = FindCameraIn(identity, present);
    GstDevice* device = nullptr;
    if (*index >= 0) device = GST_DEVICE(gst_object_ref(g_list_nth_data(devices, *index)));
    g_list_free_full(devices, gst_object_unref);
    return device;
}
