// The AviGenerator's pipeline, for encoded streams:
//   appsrc (BGRx, bottom row first) ! videoconvert ! caps (I420) !
//   videoflip ! encoder ! encoded caps ! appsink
// and for uncompressed frames, stored bottom row first as AVI expects:
//   appsrc ! appsink
// The appsink hands every encoded frame to the AviFile on the streaming
// thread.  GLUT runs no GLib main loop, so the bus is polled: a pipeline
// error ends the recording instead of blocking the frame loop, and Close
// waits for end-of-stream with a time limit.
#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/encoder_chooser.h"
#include "platform/paths.h"
#include "record/avi_file.h"
#include "record/avi_generator.h"

namespace {

// Frames queued in the pipeline before WriteFrame waits for the encoder.
constexpr guint64 kQueuedFrames = 3;
// Longest wait for one frame to be taken, and for the file to be finished.
constexpr gint64 kStallLimitUs = 10 * G_USEC_PER_SEC;
constexpr GstClockTime kCloseLimit = 10 * GST_SECOND;
// The smallest frame side every encoder takes (sizes are multiples of 4).
constexpr int kMinFrameSide = 4;

struct EncoderEntry {
    const char* id;
    const char* label;
    const char* element;      // nullptr: frames are stored as they are
    const char* fed_caps;     // what the encoder is fed
    const char* coded_caps;   // what the encoder hands to the file
    uint32_t codec;           // the AVI stream's four-character code
    uint16_t bit_count;       // bits per pixel the AVI header declares
    int max_side;             // the encoder's largest frame side (0: none)
};

// Motion JPEG is full range by definition (JFIF): it is fed full-range
// 4:2:0, or every decoder shows black at 16 and white at 235.  H.264 and
// MPEG-4 flag limited range, which decoders expand back.
// The largest sides are the encoders' own: libjpeg 65500, x264 16384,
// MPEG-4 Part 2's 13-bit size fields 8191.
const EncoderEntry kEncoders[] = {
    {"raw", "Full Frames (Uncompressed)", nullptr, "video/x-raw,format=BGRx", nullptr, 0, 32, 0},
    {"mjpeg", "Motion JPEG", "jpegenc", "video/x-raw,format=I420,colorimetry=1:4:0:0", "image/jpeg",
     MakeFourCc("MJPG"), 24, 65500},
    {"h264", "H.264", "x264enc", "video/x-raw,format=I420",
     "video/x-h264,profile=baseline,stream-format=byte-stream,alignment=au", MakeFourCc("H264"), 24, 16384},
    {"mpeg4", "MPEG-4 Part 2", "avenc_mpeg4", "video/x-raw,format=I420",
     "video/mpeg,mpegversion=4,systemstream=false", MakeFourCc("FMP4"), 24, 8191},
};

bool EnsureGstreamer() { return gst_is_initialized() || gst_init_check(nullptr, nullptr, nullptr); }

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

// Why `entry` cannot take width x height frames, or "" when it can.
std::string FrameSizeRefusal(const EncoderEntry& entry, int width, int height) {
    char text[256] = "";
    if (entry.max_side > 0 && (width > entry.max_side || height > entry.max_side)) {
        std::snprintf(text, sizeof text,
                      " %s takes frames of at most %d x %d pixels; this recording is %d x %d. "
                      "Choose another compressor.",
                      entry.label, entry.max_side, entry.max_side, width, height);
    } else if (!entry.element && uint64_t(width) * uint64_t(height) * 4 > kAviMaxFrameBytes) {
        std::snprintf(text, sizeof text,
                      " %s takes frames of less than 2 GiB; a %d x %d frame takes %llu MiB. "
                      "Choose a compressor.",
                      entry.label, width, height,
                      static_cast<unsigned long long>(uint64_t(width) * height * 4 >> 20));
    }
    return text;
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
    AviFile file;      // written by the streaming thread while the pipeline runs
    AviStreamFormat format;
    GstElement* pipeline = nullptr;
    GstElement* appsrc = nullptr;
    GstBus* bus = nullptr;
    bool started = false;  // set to PLAYING
    bool failed = false;   // an error ended the stream
    guint64 frame_bytes = 0;

    ~Pipeline() {
        Stop();
        if (bus) gst_object_unref(bus);
        if (pipeline) gst_object_unref(pipeline);
    }

    // Joins the streaming threads: the file is the caller's alone after it.
    void Stop() {
        if (pipeline) gst_element_set_state(pipeline, GST_STATE_NULL);
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

    // Streaming thread: one encoded frame into the file.  The first brings
    // the codec's set-up data (MPEG-4's header) with its caps.
    bool Store(GstSample* sample) {
        if (!file.HasBegun()) {
            if (const GstCaps* caps = gst_sample_get_caps(sample)) {
                const GValue* setup = gst_structure_get_value(gst_caps_get_structure(caps, 0), "codec_data");
                if (setup && GST_VALUE_HOLDS_BUFFER(setup)) {
                    GstBuffer* data = gst_value_get_buffer(setup);
                    format.setup.resize(gst_buffer_get_size(data));
                    gst_buffer_extract(data, 0, format.setup.data(), format.setup.size());
                }
            }
            if (!file.Begin(format)) return false;
        }
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_READ)) return false;
        const bool key_frame = !GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
        const bool stored = file.WriteFrame(map.data, map.size, key_frame);
        gst_buffer_unmap(buffer, &map);
        return stored;
    }

    static GstFlowReturn OnSample(GstAppSink* sink, gpointer data) {
        auto* self = static_cast<Pipeline*>(data);
        GstSample* sample = gst_app_sink_pull_sample(sink);
        if (!sample) return GST_FLOW_EOS;
        const bool stored = self->Store(sample);
        gst_sample_unref(sample);
        if (stored) return GST_FLOW_OK;
        // The disk is full or the file is gone: the bus carries the reason.
        const std::string reason =
            self->file.Error().empty() ? "the frame could not be stored" : self->file.Error();
        GError* error = g_error_new(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_WRITE, "%s", reason.c_str());
        gst_element_post_message(GST_ELEMENT(sink), gst_message_new_error(GST_OBJECT(sink), error, nullptr));
        g_error_free(error);
        return GST_FLOW_ERROR;
    }
};

bool AviGenerator::ChooseCompressor() {
    m_bCompressorChosen = false;
    // Without GStreamer Open fails on its own, with its own text.
    if (!EnsureGstreamer()) return true;
    const std::vector<EncoderOption> offered = InstalledEncoders();
    if (!ChooseEncoder(offered, &m_compressor)) return false;
    m_bCompressorChosen = true;
    return true;
}

int32_t AviGenerator::Open() {
    m_sLastError = "Ok";
    m_nFramesStored = 0;

    // Video for Windows wanted 1.10 or later; any GStreamer 1.x passes.
    if ((LibraryVersion() >> 16) < 0x010A) {
        m_sLastError = "Version of Video for Windows too old. Come on, join the 21th century!";
        return 1;
    }

    char szBuffer[1024];
    std::snprintf(szBuffer, sizeof szBuffer, "AVI Engine failed to initialize. Check filename %s.",
                  m_sFileName.c_str());
    if (!EnsureGstreamer()) return Fail(szBuffer, AviOpenStep::CreateFile, kRegErrClassNotRegistered);

    // Create (or replace) the file now, so a missing folder or a read-only
    // place fails here and not inside the pipeline.
    m_pAVIFile = new Pipeline;
    Pipeline& p = *m_pAVIFile;
    p.path = NativePath(m_sFileName.c_str());
    if (!p.file.Create(p.path)) {
        const int error = p.file.ErrorNumber();
        std::fprintf(stderr, "AVI writer: %s: %s\n", p.path.c_str(), p.file.Error().c_str());
        delete m_pAVIFile;
        m_pAVIFile = nullptr;
        return Fail(szBuffer, AviOpenStep::CreateFile, error == ENOMEM ? kAviErrMemory : kAviErrFileOpen);
    }

    // The stream: BGRx frames of the header's size at m_nFrameRate.
    const int width = m_bitmapHeader.biWidth, height = m_bitmapHeader.biHeight;
    const guint64 frame_bytes = guint64(width > 0 ? width : 0) * guint64(height > 0 ? height : 0) * 4;
    const char* stream_failed = "AVI Stream creation failed. Check Bitmap info.";
    if (m_bitmapHeader.biBitCount != 32 || m_bitmapHeader.biCompression != 0 || width < kMinFrameSide ||
        height < kMinFrameSide || m_bitmapHeader.biSizeImage < frame_bytes || m_nFrameRate == 0)
        return Fail(stream_failed, AviOpenStep::CreateStream, kAviErrBadFormat);
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

    // The user picks the compressor, unless ChooseCompressor has asked.
    if (!m_bCompressorChosen && !ChooseCompressor()) return 1;
    m_bCompressorChosen = false;
    const EncoderEntry* entry = FindEncoder(m_compressor.id);

    const char* compressed_failed = "AVI Compressed Stream creation failed.";
    if (entry) {
        const std::string refusal = FrameSizeRefusal(*entry, width, height);
        if (!refusal.empty())
            return Fail((compressed_failed + refusal).c_str(), AviOpenStep::CompressedStream,
                        kAviErrBadFormat);
    }
    GstElement* convert = nullptr;
    GstElement* fed_filter = nullptr;
    GstElement* flip = nullptr;
    GstElement* encoder = nullptr;
    GstElement* coded_filter = nullptr;
    if (entry && entry->element) {
        convert = gst_element_factory_make("videoconvert", nullptr);
        fed_filter = gst_element_factory_make("capsfilter", nullptr);
        flip = gst_element_factory_make("videoflip", nullptr);
        encoder = gst_element_factory_make(entry->element, nullptr);
        coded_filter = gst_element_factory_make("capsfilter", nullptr);
    }
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    const bool all_made =
        entry && sink && (!entry->element || (convert && fed_filter && flip && encoder && coded_filter));
    for (GstElement* element : {convert, fed_filter, flip, encoder, coded_filter, sink}) {
        if (!element) continue;
        if (all_made)
            p.Add(element);
        else
            gst_object_unref(gst_object_ref_sink(element));
    }
    if (!all_made) return Fail(compressed_failed, AviOpenStep::CompressedStream, kAviErrNoCompressor);

    GstCaps* sink_caps = gst_caps_from_string(entry->element ? entry->coded_caps : entry->fed_caps);
    g_object_set(sink, "caps", sink_caps, "sync", FALSE, "async", FALSE, "enable-last-sample", FALSE,
                 nullptr);
    gst_caps_unref(sink_caps);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = Pipeline::OnSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, &p, nullptr);

    bool linked;
    if (encoder) {
        GstCaps* fed_caps = gst_caps_from_string(entry->fed_caps);
        g_object_set(fed_filter, "caps", fed_caps, nullptr);
        gst_caps_unref(fed_caps);
        GstCaps* coded_caps = gst_caps_from_string(entry->coded_caps);
        g_object_set(coded_filter, "caps", coded_caps, nullptr);
        gst_caps_unref(coded_caps);
        ConfigureEncoder(encoder, *entry, m_compressor.quality, m_nFrameRate);
        // Frames arrive bottom row first; encoders want the top row first.
        // Flipped after the conversion: fewer bytes to move in 4:2:0.
        gst_util_set_object_arg(G_OBJECT(flip), "method", "vertical-flip");
        linked = gst_element_link_many(p.appsrc, convert, fed_filter, flip, encoder, coded_filter, sink,
                                       nullptr);
    } else {
        // Uncompressed AVI frames are bottom row first, as they arrive.
        linked = gst_element_link(p.appsrc, sink);
    }
    if (!linked) return Fail(compressed_failed, AviOpenStep::CompressedStream, kAviErrUnsupported);
    m_pStreamCompressed = encoder ? encoder : sink;
    p.format.width = width;
    p.format.height = height;
    p.format.frame_rate = m_nFrameRate;
    p.format.codec = entry->codec;
    p.format.bit_count = entry->bit_count;

    // Setting the format: the pipeline starts here.
    p.started = true;
    if (gst_element_set_state(p.pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE || !p.Healthy()) {
        p.failed = true;
        m_pStreamCompressed = nullptr;
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
    m_bCompressorChosen = false;
    Pipeline* p = m_pAVIFile;
    if (!p) return;
    if (p->started && p->Healthy()) {
        // End of stream: every frame the encoder still holds reaches the file.
        gst_app_src_end_of_stream(GST_APP_SRC(p->appsrc));
        GstMessage* message = gst_bus_timed_pop_filtered(p->bus, kCloseLimit,
                                                         GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (!message)
            std::fprintf(stderr, "AVI writer: %s: not finished in time\n", p->path.c_str());
        else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
            p->ReportError(message);
        if (message) gst_message_unref(message);
    }
    p->Stop();
    if (!p->file.Finish())
        std::fprintf(stderr, "AVI writer: %s: %s\n", p->path.c_str(), p->file.Error().c_str());
    m_nFramesStored = static_cast<int64_t>(p->file.Frames());
    // A file without a frame is no recording: players cannot open it.
    if (m_nFramesStored == 0) RemoveWrittenFile(p->path);
    delete p;
    m_pAVIFile = nullptr;
}
