// Reading GStreamer devices for the capture edge.
#include "capture/camera_device_gst.h"

namespace {

gboolean AddStringProperty(GQuark field, const GValue* value, gpointer data) {
    if (G_VALUE_HOLDS_STRING(value) && g_value_get_string(value))
        static_cast<DeviceProperties*>(data)->emplace_back(g_quark_to_string(field),
                                                           g_value_get_string(value));
    return TRUE;
}

}  // namespace

DeviceFacts ReadDeviceFacts(GstDevice* device) {
    DeviceFacts facts;
    gchar* name = gst_device_get_display_name(device);
    facts.display_name = name ? name : "";
    g_free(name);
    facts.kind = G_OBJECT_TYPE_NAME(device);
    if (GstStructure* structure = gst_device_get_properties(device)) {
        gst_structure_foreach(structure, AddStringProperty, &facts.properties);
        gst_structure_free(structure);
    }
    return facts;
}

GstDeviceMonitor* NewCameraMonitor() {
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    return monitor;
}
