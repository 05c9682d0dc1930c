/* Fake cameras for the tests: a GStreamer plugin whose device provider lists
 * cameras of class "Video/Source", so that a program looking for cameras with
 * a GstDeviceMonitor finds them as it would find real ones.
 *
 * Each camera is a live videotestsrc behind a capsfilter that offers only the
 * camera's modes (kModes below, in every format of kFormats): a mode that is
 * not listed cannot be had, as with a real camera.  The first mode is the
 * camera's own, the one it gives when nothing is asked.
 *
 * The cameras come from the environment variable LUMORA_FAKE_CAMERAS: one
 * entry per camera, separated by ';', each a list of settings separated by
 * spaces:
 *   pattern=NAME   the videotestsrc pattern (its nick: smpte, ball, ...)
 *   color=0xRRGGBB a solid colour (pattern solid-color)
 *   delay=MS       every start delivers its first frame MS milliseconds late
 * e.g. "color=0x2080e0 delay=5000; pattern=ball".  Unset, there are two
 * cameras (smpte bars and a ball); set but empty, there is none.
 *
 * Tests make GStreamer find the plugin with GST_PLUGIN_PATH (and keep the
 * system's plugin registry untouched with a private GST_REGISTRY file).
 * A camera is added by an entry in the variable; a mode by a line in kModes.
 * The list is read again at every probe; the base class serves start() and
 * stop() from the probe, so a provider that adds and removes cameras while a
 * monitor runs only needs start() and gst_device_provider_device_add/remove. */
#include <gst/gst.h>
#include <stdlib.h>
#include <string.h>

#define CAMERAS_VARIABLE "LUMORA_FAKE_CAMERAS"
#define DEFAULT_CAMERAS "pattern=smpte; pattern=ball"

typedef struct {
    int width, height, fps;
} FakeMode;

static const FakeMode kModes[] = {
    {640, 480, 30},
    {640, 480, 15},
    {1280, 720, 30},
    {1280, 720, 15},
};

static const char *const kFormats[] = {"BGRx", "YUY2", "I420"};

typedef struct {
    char pattern[32];
    guint32 color; /* 0xAARRGGBB */
    guint delay_ms;
} CameraSettings;

/* ---- the modes ---------------------------------------------------------- */

static GstCaps *camera_modes(void) {
    GstCaps *caps = gst_caps_new_empty();
    GValue formats = G_VALUE_INIT;
    gst_value_list_init(&formats, G_N_ELEMENTS(kFormats));
    for (guint i = 0; i < G_N_ELEMENTS(kFormats); ++i) {
        GValue format = G_VALUE_INIT;
        g_value_init(&format, G_TYPE_STRING);
        g_value_set_static_string(&format, kFormats[i]);
        gst_value_list_append_and_take_value(&formats, &format);
    }
    for (guint i = 0; i < G_N_ELEMENTS(kModes); ++i) {
        GstStructure *mode = gst_structure_new("video/x-raw", "width", G_TYPE_INT, kModes[i].width,
                                               "height", G_TYPE_INT, kModes[i].height,
                                               "framerate", GST_TYPE_FRACTION, kModes[i].fps, 1,
                                               NULL);
        gst_structure_set_value(mode, "format", &formats);
        gst_caps_append_structure(caps, mode);
    }
    g_value_unset(&formats);
    return caps;
}

/* ---- late first frames -------------------------------------------------- */

typedef struct {
    gint64 delay_us;
    gint64 first_buffer_us; /* 0 until the first buffer of this start */
} LateStart;

/* Drops the buffers of the first `delay` of every start.  Dropping, unlike
 * sleeping in the streaming thread, never holds up a state change. */
static GstPadProbeReturn hold_first_frames(GstPad *pad, GstPadProbeInfo *info, gpointer data) {
    (void)pad;
    LateStart *late = data;
    if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_STREAM_START)
            late->first_buffer_us = 0;
        return GST_PAD_PROBE_OK;
    }
    gint64 now = g_get_monotonic_time();
    if (late->first_buffer_us == 0) late->first_buffer_us = now;
    return now - late->first_buffer_us < late->delay_us ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}

/* ---- the camera element ------------------------------------------------- */

/* videotestsrc (live, the camera's pattern) ! capsfilter (the camera's modes),
 * in a bin with one source pad. */
static GstElement *make_camera_element(const CameraSettings *camera, const gchar *name) {
    GstElement *bin = gst_bin_new(name);
    GstElement *source = gst_element_factory_make("videotestsrc", NULL);
    GstElement *modes = gst_element_factory_make("capsfilter", NULL);
    if (!source || !modes) {
        if (source) gst_object_unref(source);
        if (modes) gst_object_unref(modes);
        gst_object_unref(bin);
        return NULL;
    }
    g_object_set(source, "is-live", TRUE, NULL);
    gst_util_set_object_arg(G_OBJECT(source), "pattern", camera->pattern);
    g_object_set(source, "foreground-color", camera->color, NULL);
    GstCaps *caps = camera_modes();
    g_object_set(modes, "caps", caps, NULL);
    gst_caps_unref(caps);
    gst_bin_add_many(GST_BIN(bin), source, modes, NULL);
    gst_element_link(source, modes);

    if (camera->delay_ms > 0) {
        LateStart *late = g_new0(LateStart, 1);
        late->delay_us = (gint64)camera->delay_ms * 1000;
        GstPad *pad = gst_element_get_static_pad(source, "src");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
                          hold_first_frames, late, g_free);
        gst_object_unref(pad);
    }
    GstPad *inner = gst_element_get_static_pad(modes, "src");
    gst_element_add_pad(bin, gst_ghost_pad_new("src", inner));
    gst_object_unref(inner);
    return bin;
}

/* ---- the device --------------------------------------------------------- */

#define LUMORA_TYPE_FAKE_CAMERA (lumora_fake_camera_get_type())
G_DECLARE_FINAL_TYPE(LumoraFakeCamera, lumora_fake_camera, LUMORA, FAKE_CAMERA, GstDevice)

struct _LumoraFakeCamera {
    GstDevice parent;
    CameraSettings settings;
};

G_DEFINE_TYPE(LumoraFakeCamera, lumora_fake_camera, GST_TYPE_DEVICE)

static GstElement *lumora_fake_camera_create_element(GstDevice *device, const gchar *name) {
    return make_camera_element(&LUMORA_FAKE_CAMERA(device)->settings, name);
}

static void lumora_fake_camera_class_init(LumoraFakeCameraClass *klass) {
    GST_DEVICE_CLASS(klass)->create_element = lumora_fake_camera_create_element;
}

static void lumora_fake_camera_init(LumoraFakeCamera *camera) { (void)camera; }

static GstDevice *new_camera(int index, const CameraSettings *settings) {
    gchar *name = g_strdup_printf("Lumora Fake Camera %d", index);
    GstCaps *caps = camera_modes();
    GstStructure *properties = gst_structure_new("lumora-fake-camera", "camera.index", G_TYPE_INT,
                                                 index, "camera.pattern", G_TYPE_STRING,
                                                 settings->pattern, NULL);
    LumoraFakeCamera *camera =
        g_object_new(LUMORA_TYPE_FAKE_CAMERA, "display-name", name, "device-class",
                     "Video/Source", "caps", caps, "properties", properties, NULL);
    camera->settings = *settings;
    gst_structure_free(properties);
    gst_caps_unref(caps);
    g_free(name);
    return GST_DEVICE(camera);
}

/* ---- the settings ------------------------------------------------------- */

/* One entry of LUMORA_FAKE_CAMERAS; unknown settings are reported and left out. */
static CameraSettings read_camera(const char *entry) {
    CameraSettings camera = {"smpte", 0xffffffff, 0};
    gchar **settings = g_strsplit_set(entry, " \t", -1);
    for (gchar **setting = settings; *setting; ++setting) {
        if (**setting == '\0') continue;
        const char *value = strchr(*setting, '=');
        if (!value) {
            g_warning("fake camera: setting \"%s\" has no value", *setting);
            continue;
        }
        ++value;
        if (g_str_has_prefix(*setting, "pattern=")) {
            g_strlcpy(camera.pattern, value, sizeof camera.pattern);
        } else if (g_str_has_prefix(*setting, "color=")) {
            camera.color = 0xff000000u | (guint32)strtoul(value, NULL, 0);
            g_strlcpy(camera.pattern, "solid-color", sizeof camera.pattern);
        } else if (g_str_has_prefix(*setting, "delay=")) {
            camera.delay_ms = (guint)strtoul(value, NULL, 10);
        } else {
            g_warning("fake camera: unknown setting \"%s\"", *setting);
        }
    }
    g_strfreev(settings);
    return camera;
}

static GList *list_cameras(void) {
    const char *variable = g_getenv(CAMERAS_VARIABLE);
    gchar **entries = g_strsplit(variable ? variable : DEFAULT_CAMERAS, ";", -1);
    GList *cameras = NULL;
    int index = 0;
    for (gchar **entry = entries; *entry; ++entry) {
        g_strstrip(*entry);
        if (**entry == '\0') continue;
        CameraSettings settings = read_camera(*entry);
        cameras = g_list_append(cameras, new_camera(index++, &settings));
    }
    g_strfreev(entries);
    return cameras;
}

/* ---- the provider ------------------------------------------------------- */

#define LUMORA_TYPE_FAKE_CAMERA_PROVIDER (lumora_fake_camera_provider_get_type())
G_DECLARE_FINAL_TYPE(LumoraFakeCameraProvider, lumora_fake_camera_provider, LUMORA,
                     FAKE_CAMERA_PROVIDER, GstDeviceProvider)

struct _LumoraFakeCameraProvider {
    GstDeviceProvider parent;
};

G_DEFINE_TYPE(LumoraFakeCameraProvider, lumora_fake_camera_provider, GST_TYPE_DEVICE_PROVIDER)

static GList *lumora_fake_camera_provider_probe(GstDeviceProvider *provider) {
    (void)provider;
    return list_cameras();
}

static void lumora_fake_camera_provider_class_init(LumoraFakeCameraProviderClass *klass) {
    GstDeviceProviderClass *provider_class = GST_DEVICE_PROVIDER_CLASS(klass);
    provider_class->probe = lumora_fake_camera_provider_probe;
    gst_device_provider_class_set_static_metadata(provider_class, "Lumora fake cameras",
                                                  "Video/Source",
                                                  "Test-pattern cameras for Lumora's tests",
                                                  "Lumora");
}

static void lumora_fake_camera_provider_init(LumoraFakeCameraProvider *provider) {
    (void)provider;
}

static gboolean plugin_init(GstPlugin *plugin) {
    return gst_device_provider_register(plugin, "lumorafakecameras", GST_RANK_PRIMARY,
                                        LUMORA_TYPE_FAKE_CAMERA_PROVIDER);
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, lumorafakecamera,
                  "Fake cameras for Lumora's tests", plugin_init, "1.0", GST_LICENSE_UNKNOWN,
                  "lumora-tests", "lumora")
