// Reading GStreamer devices for the capture edge, and the one camera monitor.
#include "capture/camera_device_gst.h"

#include <atomic>

namespace {

gboolean AddStringProperty(GQuark field, const GValue* value, gpointer data) {
    if (G_VALUE_HOLDS_STRING(value) && g_value_get_string(value))
        static_cast<DeviceProperties*>(data)->emplace_back(g_quark_to_string(field),
                                                           g_value_get_string(value));
    return TRUE;
}

// Owned here, made by the first CameraDevices and kept for the program's
// life (the providers' threads end with the process).
struct CameraWatch {
    GstDeviceMonitor* monitor = nullptr;
    bool watched = false;
    std::atomic<uint64_t> news{0};

    CameraWatch() : monitor(gst_device_monitor_new()) {
        gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
        GstBus* bus = gst_device_monitor_get_bus(monitor);
        gst_bus_set_sync_handler(bus, CountNews, this, nullptr);
        gst_object_unref(bus);
        watched = gst_device_monitor_start(monitor);
    }

    // Runs on the provider's thread: the message itself is not kept.
    static GstBusSyncReply CountNews(GstBus*, GstMessage* message, gpointer data) {
        const GstMessageType type = GST_MESSAGE_TYPE(message);
        if (type == GST_MESSAGE_DEVICE_ADDED || type == GST_MESSAGE_DEVICE_REMOVED ||
            type == GST_MESSAGE_DEVICE_CHANGED)
            static_cast<CameraWatch*>(data)->news.fetch_add(1);
        return GST_BUS_DROP;
    }
};

CameraWatch& Watch() {
    static CameraWatch* watch = new CameraWatch;  // never destroyed: see above
    return *watch;
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

GstDeviceMonitor* CameraDevices() { return Watch().monitor; }
bool CameraDevicesWatched() { return Watch().watched; }
uint64_t CameraNewsCount() { return Watch().news.load(); }
