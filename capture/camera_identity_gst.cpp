// Camera identities out of GStreamer devices, and the device monitor that
// tells of cameras coming and going.
#include <gst/gst.h>

#include "capture/camera_identity.h"

namespace {

gboolean AddProperty(GQuark field, const GValue* value, gpointer data) {
    if (G_VALUE_HOLDS_STRING(value)) {
        const char* text = g_value_get_string(value);
        AddCameraProperty(static_cast<CameraIdentity*>(data), g_quark_to_string(field),
                          text ? text : "");
    }
    return TRUE;
}

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

CameraIdentity IdentityOfDevice(GstDevice* device) {
    CameraIdentity identity;
    gchar* name = gst_device_get_display_name(device);
    identity.display_name = name ? name : "";
    g_free(name);
    identity.kind = G_OBJECT_TYPE_NAME(device);
    if (GstStructure* properties = gst_device_get_properties(device)) {
        gst_structure_foreach(properties, AddProperty, &identity);
        gst_structure_free(properties);
    }
    return identity;
}

CameraMonitor::CameraMonitor() : monitor_(gst_device_monitor_new()) {
    gst_device_monitor_add_filter(monitor_, "Video/Source", nullptr);
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
            if (SameCamera(identity, IdentityOfDevice(device)))
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
        present.push_back(IdentityOfDevice(GST_DEVICE(item->data)));
    *index = FindCameraIn(identity, present);
    GstDevice* device = nullptr;
    if (*index >= 0) device = GST_DEVICE(gst_object_ref(g_list_nth_data(devices, *index)));
    g_list_free_full(devices, gst_object_unref);
    return device;
}
