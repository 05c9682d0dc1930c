// The AviGenerator's pipeline:
//   appsrc (BGRx, bottom row first) ! videoconvert ! caps (BGRx or I420) !
//   videoflip ! [encoder ! encoded caps] ! avimux.video_0 ! filesink
// GLUT runs no GLib main loop, so the bus is polled: a pipeline error ends
// the recording instead of blocking the frame loop, and Close waits for
// end-of-stream with a time limit.
#include <fcntl.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/encoder_chooser.h"
#include "platform/paths.h"
#include "record/avi_generator.h"

namespace {

// Frames queued in the pipeline before WriteFrame waits for the encoder.
constexpr guint64 kQueuedFrames = 3;
// Longest wait for one frame to be taken, and for the file to be finished.
constexpr gint64 kStallLimitUs = 10 * G_USEC_PER_SEC;
constexpr GstClockTime kCloseLimit = 10 * GST_SECOND;

struct EncoderEntry {
    const char* id;
    const char* label;
    const char* element;      // nullptr: frames are stored as they are
    const char* raw_format;   // what the encoder is fed
    const char* coded_caps;   // what avimux is fed
};

const EncoderEntry kEncoders[] = {
    {"raw", "Full Frames (Uncompressed)", nullptr, "BGRx", nullptr},
    {"mjpeg", "Motion JPEG", "jpegenc", "I420", "image/jpeg"},
    {"h264", "H.264", "x264enc", "I420",
     "video/x-h264,profile=baseline,stream-format=byte-stream,alignment=au"},
    {"mpeg4", "MPEG-4 Part 2", "avenc_mpeg4", "I420", "video/mpeg,mpegversion=4,systemstream=false"},
};

bool ElementInstalled(const char* name) {
    GstElementFactory* factory = gst_element_factory_find(name);
    if (!factory) return false;
    gst_object_unref(factory);
    return true;
}

std::vector<EncoderOption> InstalledEncoders() {
    std::vector<EncoderOption> offered;
    for (const EncoderEntry& entry : kEncoders)
        if (!entry.element || ElementInstalled(entry.element))
            offered.push_back({entry.id, entry.label, entry.element != nullptr});
    return offered;
}

const EncoderEntry* FindEncoder(const std::string& id) {
    for (const EncoderEntry& entry : kEncoders)
        if (id == entry.id) return &entry;
    return nullptr;
}

// Quality 1..100 mapped onto each encoder's own scale.
void ConfigureEncoder(GstElement* encoder, const EncoderEntry& entry, int quality, guint frame_rate) {
    const std::string id = entry.id;
    if (id == "mjpeg") {
        g_object_set(encoder, "quality", quality, nullptr);
    } else if (id == "h264") {
        gst_util_set_object_arg(G_OBJECT(encoder), "speed-preset", "ultrafast");
        gst_util_set_object_arg(G_OBJECT(encoder), "tune", "zerolatency");
        gst_util_set_object_arg(G_OBJECT(encoder), "pass", "qual");
        g_object_set(encoder, "quantizer", guint(50 - quality * 40 / 100), "key-int-max",
                     guint(frame_rate), nullptr);
    } else if (id == "mpeg4") {
        gst_util_set_object_arg(G_OBJECT(encoder), "pass", "quant");
        g_object_set(encoder, "quantizer", gfloat(2 + (100 - quality) * 29.0 / 99.0), "gop-size",
                     gint(frame_rate), nullptr);
    }
}

guint32 LibraryVersion() {
    guint major = 0, minor = 0, micro = 0, nano = 0;
    gst_version(&major, &minor, &micro, &nano);
    return ((major & 0xFF) << 24) | ((minor & 0xFF) << 16);
}

}  // namespace

struct AviGenerator::Pipeline {
    std::string path;  // the file, as opened
    GstElement* pipeline = nullptr;
    GstElement* appsrc = nullptr;
    GstBus* bus = nullptr;
    bool started = false;    // set to PLAYING: avimux owns the file
    bool failed = false;     // an error ended the stream
    guint64 frame_bytes = 0;

    ~Pipeline() {
        if (bus) gst_object_unref(bus);
        if (pipeline) {
            gst_element_set_state(pipeline, GST_STATE_NULL);
            gst_object_unref(pipeline);
        }
    }

    // Takes pending errors off the bus; false once the stream has failed.
    bool Healthy() {
        while (!failed) {
            GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
            if (!message) break;
            ReportError(message);
            gst_message_unref(message);
        }
        return !failed;
    }

    void ReportError(GstMessage* message) {
        GError* error = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(message, &error, &debug);
        std::fprintf(stderr, "AVI writer: %s: %s\n", path.c_str(), error ? error->message : "error");
        g_clear_error(&error);
        g_free(debug);
        failed = true;
    }

    bool Add(GstElement* element) {
        if (!element) return false;
        gst_bin_add(GST_BIN(pipeline), element);
        return true;
    }
};

int32_t AviGenerator::Open() {
    m_sLastError = "Ok";

    // Video for Windows wanted 1.10 or later; any GStreamer 1.x passes.
    if ((LibraryVersion() >> 16) < 0x010A) {
        m_sLastError = "Version of Video for Windows too old. Come on, join the 21th century!";
        return 1;
    }

    char szBuffer[1024];
    std::snprintf(szBuffer, sizeof szBuffer, "AVI Engine failed to initialize. Check filename %s.",
                  m_sFileName.c_str());
    if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr))
        return Fail(szBuffer, AviOpenStep::CreateFile, kRegErrClassNotRegistered);

    // Create (or replace) the file now, so a missing folder or a read-only
    // place fails here and not inside the pipeline.
    const std::string path = NativePath(m_sFileName.c_str());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        std::fprintf(stderr, "AVI writer: cannot create %s: %s\n", path.c_str(), std::strerror(error));
        return Fail(szBuffer, AviOpenStep::CreateFile, error == ENOMEM ? kAviErrMemory : kAviErrFileOpen);
    }
    ::close(fd);
    m_pAVIFile = new Pipeline;
    m_pAVIFile->path = path;

    // The stream: BGRx frames of the header's size at m_nFrameRate.
    const int width = m_bitmapHeader.biWidth, height = m_bitmapHeader.biHeight;
    const guint64 frame_bytes = guint64(width > 0 ? width : 0) * guint64(height > 0 ? height : 0) * 4;
    const char* stream_failed = "AVI Stream creation failed. Check Bitmap info.";
    if (m_bitmapHeader.biBitCount != 32 || m_bitmapHeader.biCompression != 0 || width < 16 ||
        height < 16 || width > 4096 || height > 4096 || m_bitmapHeader.biSizeImage < frame_bytes ||
        m_nFrameRate == 0)
        return Fail(stream_failed, AviOpenStep::CreateStream, kAviErrBadFormat);
    Pipeline& p = *m_pAVIFile;
    p.frame_bytes = frame_bytes;
    p.pipeline = gst_pipeline_new("avi-writer");
    p.appsrc = gst_element_factory_make("appsrc", nullptr);
    if (!p.pipeline || !p.Add(p.appsrc))
        return Fail(stream_failed, AviOpenStep::CreateStream, kAviErrUnsupported);
    GstCaps* raw_caps = gst_caps_new_simple(
        "video/x-raw", "format", G_TYPE_STRING, "BGRx", "width", G_TYPE_INT, width, "height", G_TYPE_INT,
        height, "framerate", GST_TYPE_FRACTION, int(m_nFrameRate), 1, "pixel-aspect-ratio",
        GST_TYPE_FRACTION, 1, 1, nullptr);
    g_object_set(p.appsrc, "caps", raw_caps, "format", GST_FORMAT_TIME, "block", FALSE, "is-live", FALSE,
                 nullptr);
    gst_caps_unref(raw_caps);
    p.bus = gst_element_get_bus(p.pipeline);
    m_pStream = p.appsrc;

    // The user picks the compressor.
    const std::vector<EncoderOption> offered = InstalledEncoders();
    EncoderChoice choice;
    if (!ChooseEncoder(offered, &choice)) return 1;
    const EncoderEntry* entry = FindEncoder(choice.id);

    // Frames arrive bottom row first; GStreamer and avimux want top row first.
    const char* compressed_failed = "AVI Compressed Stream creation failed.";
    GstElement* flip = gst_element_factory_make("videoflip", nullptr);
    GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
    GstElement* raw_filter = gst_element_factory_make("capsfilter", nullptr);
    GstElement* encoder = entry && entry->element ? gst_element_factory_make(entry->element, nullptr) : nullptr;
    GstElement* coded_filter = gst_element_factory_make("capsfilter", nullptr);
    GstElement* mux = gst_element_factory_make("avimux", nullptr);
    GstElement* sink = gst_element_factory_make("filesink", nullptr);
    const bool all_made = entry && flip && convert && raw_filter && coded_filter && mux && sink &&
                          (encoder || !entry->element);
    for (GstElement* element : {flip, convert, raw_filter, encoder, coded_filter, mux, sink}) {
        if (!element) continue;
        if (all_made)
            p.Add(element);
        else
            gst_object_unref(gst_object_ref_sink(element));
    }
    if (!all_made) return Fail(compressed_failed, AviOpenStep::CompressedStream, kAviErrNoCompressor);

    gst_util_set_object_arg(G_OBJECT(flip), "method", "vertical-flip");
    GstCaps* fed_caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, entry->raw_format, nullptr);
    g_object_set(raw_filter, "caps", fed_caps, nullptr);
    gst_caps_unref(fed_caps);
    GstCaps* coded_caps = gst_caps_from_string(entry->coded_caps ? entry->coded_caps : "video/x-raw,format=BGRx");
    g_object_set(coded_filter, "caps", coded_caps, nullptr);
    gst_caps_unref(coded_caps);
    if (encoder) ConfigureEncoder(encoder, *entry, choice.quality, m_nFrameRate);
    // Unbuffered: what avimux has written survives a killed process.
    g_object_set(sink, "location", p.path.c_str(), "sync", FALSE, "async", FALSE, nullptr);
    gst_util_set_object_arg(G_OBJECT(sink), "buffer-mode", "unbuffered");

    // Flipped after the conversion: fewer bytes to move in 4:2:0.
    bool linked = gst_element_link_many(p.appsrc, convert, raw_filter, flip, nullptr);
    linked = linked && (encoder ? gst_element_link_many(flip, encoder, coded_filter, nullptr)
                                : gst_element_link(flip, coded_filter));
    // The video request pad, so the stream can never land on an audio pad.
    GstPad* mux_pad = gst_element_request_pad_simple(mux, "video_%u");
    GstPad* coded_pad = gst_element_get_static_pad(coded_filter, "src");
    linked = linked && mux_pad && gst_pad_link(coded_pad, mux_pad) == GST_PAD_LINK_OK;
    if (coded_pad) gst_object_unref(coded_pad);
    if (mux_pad) gst_object_unref(mux_pad);
    linked = linked && gst_element_link(mux, sink);
    if (!linked) return Fail(compressed_failed, AviOpenStep::CompressedStream, kAviErrUnsupported);
    m_pStreamCompressed = encoder ? encoder : mux;

    // Setting the format: the pipeline starts and owns the file from here.
    p.started = true;
    if (gst_element_set_state(p.pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE || !p.Healthy()) {
        p.failed = true;
        m_sLastError = "AVI Compressed Stream format setting failed.";
        return static_cast<int32_t>(kAviErrBadFormat);
    }

    m_nFrameIndex = 0;
    return 0;
}

int32_t AviGenerator::WriteFrame(const uint8_t* pixels) {
    Pipeline* p = m_pAVIFile;
    const int32_t index = m_nFrameIndex++;
    if (!m_pStreamCompressed || !p || !p->Healthy()) return static_cast<int32_t>(kAviErrFileWrite);

    // The caller reuses its buffer at once while the pipeline works on its
    // own thread: the frame is copied into a buffer the pipeline owns.
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, p->frame_bytes, nullptr);
    if (!buffer) return static_cast<int32_t>(kAviErrMemory);
    gst_buffer_fill(buffer, 0, pixels, p->frame_bytes);
    GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(guint64(index), GST_SECOND, m_nFrameRate);
    GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(1, GST_SECOND, m_nFrameRate);
    if (gst_app_src_push_buffer(GST_APP_SRC(p->appsrc), buffer) != GST_FLOW_OK) {
        p->failed = true;
        return static_cast<int32_t>(kAviErrFileWrite);
    }

    // Never drop a frame: wait for the encoder, but never forever.
    const gint64 give_up = g_get_monotonic_time() + kStallLimitUs;
    while (gst_app_src_get_current_level_bytes(GST_APP_SRC(p->appsrc)) > kQueuedFrames * p->frame_bytes) {
        if (!p->Healthy()) return static_cast<int32_t>(kAviErrFileWrite);
        if (g_get_monotonic_time() > give_up) {
            std::fprintf(stderr, "AVI writer: %s: the pipeline stopped taking frames\n", p->path.c_str());
            p->failed = true;
            return static_cast<int32_t>(kAviErrFileWrite);
        }
        g_usleep(500);
    }
    return 0;
}

void AviGenerator::Close() {
    m_pStream = nullptr;
    m_pStreamCompressed = nullptr;
    if (Pipeline* p = m_pAVIFile) {
        if (p->started && p->Healthy()) {
            // End of stream lets avimux write its index and final header.
            gst_app_src_end_of_stream(GST_APP_SRC(p->appsrc));
            GstMessage* message = gst_bus_timed_pop_filtered(
                p->bus, kCloseLimit, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
            if (!message)
                std::fprintf(stderr, "AVI writer: %s: not finished in time\n", p->path.c_str());
            else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
                p->ReportError(message);
            if (message) gst_message_unref(message);
        }
        const bool never_started = !p->started;
        const std::string path = p->path;
        delete p;
        m_pAVIFile = nullptr;
        // The empty file made by a recording that never started is no AVI.
        if (never_started) ::unlink(path.c_str());
    }
}
