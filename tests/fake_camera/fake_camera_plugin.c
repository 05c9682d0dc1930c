/* Fake cameras for the tests: a GStreamer plugin whose device provider lists
 * cameras of class "Video/Source", so that a program looking for cameras with
 * a GstDeviceMonitor finds them as it would find real ones.
 *
 * Each camera is a live videotestsrc behind a capsfilter that offers only the
 * camera's modes (the mode table of its kind below; raw modes in every format
 * of kFormats): a mode that is not listed cannot be had, as with a real
 * camera.  The first mode is the camera's own, the one it gives when nothing
 * is asked.  A camera whose modes are compressed encodes the pattern (jpegenc,
 * x264enc); which encoder, if any, is decided when it starts, from the caps
 * the element after it accepts, so one camera serves raw and compressed
 * modes as a real webcam does.
 *
 * The cameras come from the environment variable LUMORA_FAKE_CAMERAS: one
 * entry per camera, separated by ';', each a list of settings separated by
 * spaces:
 *   pattern=NAME   the videotestsrc pattern (its nick: smpte, ball, ...)
 *   color=0xRRGGBB a solid colour (pattern solid-color)
 *   delay=MS       every start delivers its first frame MS milliseconds late
 *   kind=NAME      the modes: raw (the default), mjpeg (Motion JPEG only, HD),
 *                  webcam (raw, HD only at low rates, and Motion JPEG),
 *                  h264 (H.264 only), h265 (H.265 only, which Lumora does
 *                  not decode: the camera is only ever listed)
 *   corrupt=N      every N-th compressed frame is garbled (its header zeroed)
 *   plug=PATH      the camera is plugged in while the file PATH exists: removing
 *                  the file unplugs it (a watching provider removes its device,
 *                  and its running element fails as a V4L2 camera's does),
 *                  creating the file again plugs it back in
 * e.g. "color=0x2080e0 delay=5000; pattern=ball kind=mjpeg".  Unset, there are two
 * cameras (smpte bars and a ball); set but empty, there is none.
 *
 * A camera is listed as "Lumora Fake Camera N", N its index among the cameras
 * plugged in when it was found; its serial number (property device.serial,
 * "lumora-fake-E", E its entry's place in the variable) stays the same
 * wherever it is listed, as a real camera's does.
 *
 * Tests make GStreamer find the plugin with GST_PLUGIN_PATH (and keep the
 * system's plugin registry untouched with a private GST_REGISTRY file).
 * A camera is added by an entry in the variable; a mode by a line in a table
 * of kModes.
 * The list is read again at every probe.  A started provider (a running device
 * monitor) reads it once and then looks at the plug files every 50 ms, adding
 * and removing devices as they come and go. */
#include <gst/gst.h>
#include <stdlib.h>
#include <string.h>

#define CAMERAS_VARIABLE "LUMORA_FAKE_CAMERAS"
#define DEFAULT_CAMERAS "pattern=smpte; pattern=ball"

#define RAW "video/x-raw"
#define MJPEG "image/jpeg"
#define H264 "video/x-h264"
#define H265 "video/x-h265"

typedef struct {
    const char *media;
    int width, height, fps;
} FakeMode;

typedef struct {
    const char *name;
    const FakeMode *modes;
    guint count;
} CameraKind;

static const FakeMode kRawModes[] = {
    {RAW, 640, 480, 30}, {RAW, 640, 480, 15},  {RAW, 1280, 720, 30},
    {RAW, 1280, 720, 15}, {RAW, 1920, 1080, 30},
};
static const FakeMode kMjpegModes[] = {{MJPEG, 1280, 720, 30}, {MJPEG, 1920, 1080, 30}};
/* Like most USB webcams: raw HD only at low rates (the bus cannot carry
 * more), Motion JPEG at full rate. */
static const FakeMode kWebcamModes[] = {
    {RAW, 640, 480, 30},   {RAW, 1280, 720, 10},   {RAW, 1920, 1080, 5},
    {MJPEG, 640, 480, 30}, {MJPEG, 1280, 720, 30}, {MJPEG, 1920, 1080, 30},
};
static const FakeMode kH264Modes[] = {{H264, 640, 480, 30}, {H264, 1280, 720, 30}};
static const FakeMode kH265Modes[] = {{H265, 1280, 720, 30}};

#define KIND(name, table) {name, table, G_N_ELEMENTS(table)}
static const CameraKind kKinds[] = {
    KIND("raw", kRawModes),   KIND("mjpeg", kMjpegModes), KIND("webcam", kWebcamModes),
    KIND("h264", kH264Modes), KIND("h265", kH265Modes),
};

static const char *const kFormats[] = {"BGRx", "YUY2", "I420"};

typedef struct {
    char pattern[32];
    guint32 color; /* 0xAARRGGBB */
    guint delay_ms;
    const CameraKind *kind;
    guint corrupt_every; /* 0: no frame is garbled */
    char plug[256];      /* empty: always plugged in */
} CameraSettings;

static gboolean plugged_in(const CameraSettings *camera) {
    return camera->plug[0] == '\0' || g_file_test(camera->plug, G_FILE_TEST_EXISTS);
}

/* ---- the modes ---------------------------------------------------------- */

static void set_raw_formats(GstStructure *mode) {
    GValue formats = G_VALUE_INIT;
    gst_value_list_init(&formats, G_N_ELEMENTS(kFormats));
    for (guint i = 0; i < G_N_ELEMENTS(kFormats); ++i) {
        GValue format = G_VALUE_INIT;
        g_value_init(&format, G_TYPE_STRING);
        g_value_set_static_string(&format, kFormats[i]);
        gst_value_list_append_and_take_value(&formats, &format);
    }
    gst_structure_take_value(mode, "format", &formats);
}

static GstCaps *camera_modes(const CameraKind *kind) {
    GstCaps *caps = gst_caps_new_empty();
    for (guint i = 0; i < kind->count; ++i) {
        const FakeMode *m = &kind->modes[i];
        GstStructure *mode = gst_structure_new(m->media, "width", G_TYPE_INT, m->width, "height",
                                               G_TYPE_INT, m->height, "framerate",
                                               GST_TYPE_FRACTION, m->fps, 1, NULL);
        if (strcmp(m->media, RAW) == 0)
            set_raw_formats(mode);
        else if (strcmp(m->media, MJPEG) != 0)  /* as V4L2 cameras give H.264 */
            gst_structure_set(mode, "stream-format", G_TYPE_STRING, "byte-stream", "alignment",
                              G_TYPE_STRING, "au", NULL);
        gst_caps_append_structure(caps, mode);
    }
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

/* ---- garbled frames ----------------------------------------------------- */

typedef struct {
    guint every;
    guint count;
} Corruption;

/* Zeroes the start of every `every`-th frame: a JPEG without its start
 * marker, which no decoder takes for a picture. */
static GstPadProbeReturn garble_frames(GstPad *pad, GstPadProbeInfo *info, gpointer data) {
    (void)pad;
    Corruption *corruption = data;
    if (++corruption->count % corruption->every != 0) return GST_PAD_PROBE_OK;
    GstBuffer *buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    GstMapInfo map;
    if (gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
        memset(map.data, 0, MIN(map.size, 64));
        gst_buffer_unmap(buffer, &map);
    }
    return GST_PAD_PROBE_OK;
}

/* ---- unplugging -------------------------------------------------------- */

#define PLUG_CHECK_US (50 * 1000)

typedef struct {
    GstElement *camera; /* the bin, whose streaming ends before it goes */
    const char *plug;   /* in the bin's settings */
    gint64 checked_us;
    gboolean gone;
} Unplugging;

/* Once the plug file is gone: one error on the bus, as a V4L2 camera's read
 * fails when it is pulled out, and no frame after it. */
static GstPadProbeReturn fail_when_unplugged(GstPad *pad, GstPadProbeInfo *info, gpointer data) {
    (void)pad;
    (void)info;
    Unplugging *unplugging = data;
    gint64 now = g_get_monotonic_time();
    if (!unplugging->gone && now - unplugging->checked_us >= PLUG_CHECK_US) {
        unplugging->checked_us = now;
        if (!g_file_test(unplugging->plug, G_FILE_TEST_EXISTS)) {
            unplugging->gone = TRUE;
            GST_ELEMENT_ERROR(unplugging->camera, RESOURCE, READ, ("The camera was unplugged."),
                              ("%s is gone", unplugging->plug));
        }
    }
    return unplugging->gone ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}

static void watch_plug_of(GstElement *camera, GstElement *source, const char *plug) {
    Unplugging *unplugging = g_new0(Unplugging, 1);
    unplugging->camera = camera;
    unplugging->plug = plug;
    GstPad *pad = gst_element_get_static_pad(source, "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, fail_when_unplugged, unplugging, g_free);
    gst_object_unref(pad);
}

/* ---- the camera element ------------------------------------------------- */

/* A bin of videotestsrc (live, the camera's pattern) and a capsfilter (the
 * camera's modes) whose source pad is the bin's.  The two are joined when
 * the bin starts: directly for a raw mode, through an encoder for a
 * compressed one. */
#define LUMORA_TYPE_FAKE_CAMERA_SOURCE (lumora_fake_camera_source_get_type())
G_DECLARE_FINAL_TYPE(LumoraFakeCameraSource, lumora_fake_camera_source, LUMORA,
                     FAKE_CAMERA_SOURCE, GstBin)

struct _LumoraFakeCameraSource {
    GstBin parent;
    CameraSettings settings;
    GstElement *source, *modes; /* owned by the bin */
    gboolean joined;            /* once joined, restarts keep the encoder */
};

G_DEFINE_TYPE(LumoraFakeCameraSource, lumora_fake_camera_source, GST_TYPE_BIN)

/* The encoder of a compressed media type, set for a camera's low latency.
 * jpegenc takes I420 as if it were full-range, which shifts the colours;
 * from RGB it converts as a camera does. */
static GstElement *make_encoder(const char *media) {
    if (strcmp(media, MJPEG) == 0)
        return gst_parse_bin_from_description("capsfilter caps=video/x-raw,format=BGRx ! jpegenc",
                                              TRUE, NULL);
    GstElement *encoder =
        gst_element_factory_make(strcmp(media, H264) == 0 ? "x264enc" : "x265enc", NULL);
    if (encoder) {
        gst_util_set_object_arg(G_OBJECT(encoder), "tune", "zerolatency");
        gst_util_set_object_arg(G_OBJECT(encoder), "speed-preset", "ultrafast");
    }
    return encoder;
}

/* The media type the element after the camera asked for. */
static gchar *asked_media(LumoraFakeCameraSource *self) {
    GstCaps *offered = NULL;
    g_object_get(self->modes, "caps", &offered, NULL);
    GstPad *pad = gst_element_get_static_pad(GST_ELEMENT(self), "src");
    GstCaps *asked = gst_pad_peer_query_caps(pad, offered);
    gst_object_unref(pad);
    gst_caps_unref(offered);
    gchar *media = gst_caps_is_empty(asked)
                       ? NULL
                       : g_strdup(gst_structure_get_name(gst_caps_get_structure(asked, 0)));
    gst_caps_unref(asked);
    return media;
}

static gboolean join_source(LumoraFakeCameraSource *self) {
    gchar *media = asked_media(self);
    if (!media || strcmp(media, RAW) == 0) {
        g_free(media);
        return gst_element_link(self->source, self->modes);
    }
    GstElement *encoder = make_encoder(media);
    if (!encoder) {
        GST_ELEMENT_ERROR(self, CORE, MISSING_PLUGIN, ("no encoder for %s installed", media), (NULL));
        g_free(media);
        return FALSE;
    }
    g_free(media);
    gst_bin_add(GST_BIN(self), encoder);
    gst_element_set_state(encoder, GST_STATE_READY);
    if (self->settings.corrupt_every > 0) {
        Corruption *corruption = g_new0(Corruption, 1);
        corruption->every = self->settings.corrupt_every;
        GstPad *pad = gst_element_get_static_pad(encoder, "src");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, garble_frames, corruption, g_free);
        gst_object_unref(pad);
    }
    return gst_element_link_many(self->source, encoder, self->modes, NULL);
}

static GstStateChangeReturn lumora_fake_camera_source_change_state(GstElement *element,
                                                                   GstStateChange transition) {
    LumoraFakeCameraSource *self = LUMORA_FAKE_CAMERA_SOURCE(element);
    if (transition == GST_STATE_CHANGE_READY_TO_PAUSED && !plugged_in(&self->settings)) {
        GST_ELEMENT_ERROR(self, RESOURCE, OPEN_READ, ("The camera is not plugged in."),
                          ("%s does not exist", self->settings.plug));
        return GST_STATE_CHANGE_FAILURE;
    }
    if (transition == GST_STATE_CHANGE_READY_TO_PAUSED && !self->joined) {
        if (!join_source(self)) return GST_STATE_CHANGE_FAILURE;
        self->joined = TRUE;
    }
    return GST_ELEMENT_CLASS(lumora_fake_camera_source_parent_class)
        ->change_state(element, transition);
}

static void lumora_fake_camera_source_class_init(LumoraFakeCameraSourceClass *klass) {
    GST_ELEMENT_CLASS(klass)->change_state = lumora_fake_camera_source_change_state;
}

static void lumora_fake_camera_source_init(LumoraFakeCameraSource *self) { (void)self; }

static void hold_first_frames_of(GstElement *source, guint delay_ms) {
    LateStart *late = g_new0(LateStart, 1);
    late->delay_us = (gint64)delay_ms * 1000;
    GstPad *pad = gst_element_get_static_pad(source, "src");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
                      hold_first_frames, late, g_free);
    gst_object_unref(pad);
}

static GstElement *make_camera_element(const CameraSettings *camera, const gchar *name) {
    GstElement *source = gst_element_factory_make("videotestsrc", NULL);
    GstElement *modes = gst_element_factory_make("capsfilter", NULL);
    if (!source || !modes) {
        if (source) gst_object_unref(source);
        if (modes) gst_object_unref(modes);
        return NULL;
    }
    LumoraFakeCameraSource *self =
        g_object_new(LUMORA_TYPE_FAKE_CAMERA_SOURCE, "name", name, NULL);
    self->settings = *camera;
    self->source = source;
    self->modes = modes;
    g_object_set(source, "is-live", TRUE, NULL);
    gst_util_set_object_arg(G_OBJECT(source), "pattern", camera->pattern);
    g_object_set(source, "foreground-color", camera->color, NULL);
    GstCaps *caps = camera_modes(camera->kind);
    g_object_set(modes, "caps", caps, NULL);
    gst_caps_unref(caps);
    gst_bin_add_many(GST_BIN(self), source, modes, NULL);
    if (camera->delay_ms > 0) hold_first_frames_of(source, camera->delay_ms);
    if (camera->plug[0] != '\0') watch_plug_of(GST_ELEMENT(self), source, self->settings.plug);
    GstPad *inner = gst_element_get_static_pad(modes, "src");
    gst_element_add_pad(GST_ELEMENT(self), gst_ghost_pad_new("src", inner));
    gst_object_unref(inner);
    return GST_ELEMENT(self);
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

/* Camera `index` in the list, from entry `entry` of the variable. */
static GstDevice *new_camera(int index, int entry, const CameraSettings *settings) {
    gchar *name = g_strdup_printf("Lumora Fake Camera %d", index);
    gchar *serial = g_strdup_printf("lumora-fake-%d", entry);
    GstCaps *caps = camera_modes(settings->kind);
    GstStructure *properties = gst_structure_new(
        "lumora-fake-camera", "camera.index", G_TYPE_INT, index, "camera.pattern", G_TYPE_STRING,
        settings->pattern, "camera.kind", G_TYPE_STRING, settings->kind->name, "device.serial",
        G_TYPE_STRING, serial, NULL);
    g_free(serial);
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

static const CameraKind *find_kind(const char *name) {
    for (guint i = 0; i < G_N_ELEMENTS(kKinds); ++i)
        if (strcmp(kKinds[i].name, name) == 0) return &kKinds[i];
    g_warning("fake camera: unknown kind \"%s\"", name);
    return &kKinds[0];
}

/* One entry of LUMORA_FAKE_CAMERAS; unknown settings are reported and left out. */
static CameraSettings read_camera(const char *entry) {
    CameraSettings camera = {"smpte", 0xffffffff, 0, &kKinds[0], 0, ""};
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
        } else if (g_str_has_prefix(*setting, "kind=")) {
            camera.kind = find_kind(value);
        } else if (g_str_has_prefix(*setting, "corrupt=")) {
            camera.corrupt_every = (guint)strtoul(value, NULL, 10);
        } else if (g_str_has_prefix(*setting, "plug=")) {
            g_strlcpy(camera.plug, value, sizeof camera.plug);
        } else {
            g_warning("fake camera: unknown setting \"%s\"", *setting);
        }
    }
    g_strfreev(settings);
    return camera;
}

/* The cameras of the variable, plugged in or not; *count of them. */
static CameraSettings *read_cameras(guint *count) {
    const char *variable = g_getenv(CAMERAS_VARIABLE);
    gchar **entries = g_strsplit(variable ? variable : DEFAULT_CAMERAS, ";", -1);
    CameraSettings *cameras = g_new0(CameraSettings, g_strv_length(entries) + 1);
    *count = 0;
    for (gchar **entry = entries; *entry; ++entry) {
        g_strstrip(*entry);
        if (**entry != '\0') cameras[(*count)++] = read_camera(*entry);
    }
    g_strfreev(entries);
    return cameras;
}

/* The index camera `entry` has among those plugged in now. */
static int plugged_index(const CameraSettings *cameras, guint entry) {
    int index = 0;
    for (guint i = 0; i < entry; ++i) index += plugged_in(&cameras[i]);
    return index;
}

static GList *list_cameras(void) {
    guint count = 0;
    CameraSettings *cameras = read_cameras(&count);
    GList *devices = NULL;
    for (guint i = 0; i < count; ++i)
        if (plugged_in(&cameras[i]))
            devices = g_list_append(devices,
                                    new_camera(plugged_index(cameras, i), (int)i, &cameras[i]));
    g_free(cameras);
    return devices;
}

/* ---- the provider ------------------------------------------------------- */

#define LUMORA_TYPE_FAKE_CAMERA_PROVIDER (lumora_fake_camera_provider_get_type())
G_DECLARE_FINAL_TYPE(LumoraFakeCameraProvider, lumora_fake_camera_provider, LUMORA,
                     FAKE_CAMERA_PROVIDER, GstDeviceProvider)

struct _LumoraFakeCameraProvider {
    GstDeviceProvider parent;
    /* While started: the cameras of the variable, the device of each that
     * is plugged in (a reference of ours, else NULL), the plug watcher. */
    CameraSettings *cameras;
    GstDevice **devices;
    guint count;
    GThread *watcher;
    gint watching;
};

G_DEFINE_TYPE(LumoraFakeCameraProvider, lumora_fake_camera_provider, GST_TYPE_DEVICE_PROVIDER)

static GList *lumora_fake_camera_provider_probe(GstDeviceProvider *provider) {
    (void)provider;
    return list_cameras();
}

/* Adds the devices of cameras plugged in since the last look and removes
 * those of cameras pulled out. */
static void follow_plugs(LumoraFakeCameraProvider *self) {
    GstDeviceProvider *provider = GST_DEVICE_PROVIDER(self);
    for (guint i = 0; i < self->count; ++i) {
        gboolean plugged = plugged_in(&self->cameras[i]);
        if (plugged && !self->devices[i]) {
            self->devices[i] = gst_object_ref_sink(
                new_camera(plugged_index(self->cameras, i), (int)i, &self->cameras[i]));
            gst_device_provider_device_add(provider, self->devices[i]);
        } else if (!plugged && self->devices[i]) {
            gst_device_provider_device_remove(provider, self->devices[i]);
            gst_clear_object(&self->devices[i]);
        }
    }
}

static gpointer watch_plugs(gpointer data) {
    LumoraFakeCameraProvider *self = data;
    while (g_atomic_int_get(&self->watching)) {
        g_usleep(PLUG_CHECK_US);
        follow_plugs(self);
    }
    return NULL;
}

static gboolean lumora_fake_camera_provider_start(GstDeviceProvider *provider) {
    LumoraFakeCameraProvider *self = LUMORA_FAKE_CAMERA_PROVIDER(provider);
    self->cameras = read_cameras(&self->count);
    self->devices = g_new0(GstDevice *, self->count);
    follow_plugs(self);
    g_atomic_int_set(&self->watching, 1);
    self->watcher = g_thread_new("fake-camera-plugs", watch_plugs, self);
    return TRUE;
}

/* The base class unparents the devices it lists after this. */
static void lumora_fake_camera_provider_stop(GstDeviceProvider *provider) {
    LumoraFakeCameraProvider *self = LUMORA_FAKE_CAMERA_PROVIDER(provider);
    g_atomic_int_set(&self->watching, 0);
    g_thread_join(self->watcher);
    self->watcher = NULL;
    for (guint i = 0; i < self->count; ++i) gst_clear_object(&self->devices[i]);
    g_clear_pointer(&self->devices, g_free);
    g_clear_pointer(&self->cameras, g_free);
    self->count = 0;
}

static void lumora_fake_camera_provider_class_init(LumoraFakeCameraProviderClass *klass) {
    GstDeviceProviderClass *provider_class = GST_DEVICE_PROVIDER_CLASS(klass);
    provider_class->probe = lumora_fake_camera_provider_probe;
    provider_class->start = lumora_fake_camera_provider_start;
    provider_class->stop = lumora_fake_camera_provider_stop;
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
