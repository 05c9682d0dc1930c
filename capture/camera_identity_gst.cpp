// Camera identities out of GStreamer devices, and the device monitor that
// tells of cameras coming and going.
#include <gst/gst.h>

#include "capture/camera_device_gst.h"
#include "capture/camera_identity.h"

namespace {

// The device a DEVICE_ADDED or DEVICE_REMOVED message is about (a reference).
GstDevice* DeviceOfMessage(GstMessage* message) {
    GstDevice* device = nullptr;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_ADDED)
        gst_message_parse_device_added(message, &device);
    else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_REMOVED)
        gst_message_parse_device_removed(message, &device);
    return device;
}

}  // namespace

CameraMonitor::CameraMonitor() : monitor_(NewCameraMonitor()) {
    // Without a provider that watches, Find asks the providers every time.
    started_ = gst_device_monitor_start(monitor_);
}

CameraMonitor::~CameraMonitor() {
    if (started_) gst_device_monitor_stop(monitor_);
    gst_object_unref(monitor_);
}

CameraMonitor::Event CameraMonitor::Poll(const CameraIdentity& identity) {
    if (!started_) return kNothing;
    GstBus* bus = gst_device_monitor_get_bus(monitor_);
    Event event = kNothing;
    while (event == kNothing) {
        GstMessage* message = gst_bus_pop_filtered(
            bus, GstMessageType(GST_MESSAGE_DEVICE_ADDED | GST_MESSAGE_DEVICE_REMOVED));
        if (!message) break;
        if (GstDevice* device = DeviceOfMessage(message)) {
            if (SameCamera(identity, IdentityOf(ReadDeviceFacts(device))))
                event = GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_ADDED ? kCameraAdded
                                                                             : kCameraRemoved;
            gst_object_unref(device);
        }
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    return event;
}

GstDevice* CameraMonitor::Find(const CameraIdentity& identity, int* index) {
    GList* devices = gst_device_monitor_get_devices(monitor_);
    std::vector<CameraIdentity> present;
    for (GList* item = devices; item; item = item->next)
        present.push_back(IdentityOf(ReadDeviceFacts(GST_DEVICE(item->data))));
    *index = FindCameraIn(identity, present);
    GstDevice* device = nullptr;
    if (*index >= 0) device = GST_DEVICE(gst_object_ref(g_list_nth_data(devices, *index)));
    g_list_free_full(devices, gst_object_unref);
    return device;
}
