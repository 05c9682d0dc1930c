// The AviGenerator's pipeline, for encoded streams:
//   appsrc (BGRx, bottom row first) ! videoconvert ! caps (I420) !
//   videoflip ! encoder ! encoded caps ! appsink
// and for uncompressed frames, stored bottom row first as AVI expects:
//   appsrc ! appsink
// The appsink hands every encoded frame to the file (AviFile, or Mp4File for
// the MP4 container) on the streaming thread.  GLUT runs no GLib main loop, so the bus is polled: a pipeline
// error ends the recording instead of blocking the frame loop, and Close
// waits for end-of-stream with a time limit.
#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/encoder_chooser.h"
#include "platform/paths.h"
#include "record/avi_file.h"
#include "record/avi_generator.h"
#include "record/mp4_file.h"
#include "record/precapture.h"

namespace {

// Frames queued in the pipeline before WriteFrame waits for the encoder.
constexpr guint64 kQueuedFrames = 3;
// Longest wait for one frame to be taken, and for the file to be finished.
constexpr gint64 kStallLimitUs = 10 * G_USEC_PER_SEC;
constexpr GstClockTime kCloseLimit = 10 * GST_SECOND;

bool EnsureGstreamer() { return gst_is_initialized() || gst_init_check(nullptr, nullptr, nullptr); }

bool ElementInstalled(const char* name) {
    GstElementFactory* factory = gst_element_factory_find(name);
    if (!factory) return false;
    gst_object_unref(factory);
    return true;
}

void SetCaps(GstElement* element, const char* caps_text) {
    GstCaps* caps = gst_caps_from_string(caps_text);
    g_object_set(element, "caps", caps, nullptr);
    gst_caps_unref(caps);
}

void ConfigureEncoder(GstElement* encoder, const EncoderEntry& entry, int quality, guint frame_rate) {
    switch (entry.family) {
        case EncoderFamily::kMjpeg:
            g_object_set(encoder, "quality", quality, nullptr);
            break;
        case EncoderFamily::kH264:
            gst_util_set_object_arg(G_OBJECT(encoder), "speed-preset", "ultrafast");
            gst_util_set_object_arg(G_OBJECT(encoder), "tune", "zerolatency");
            gst_util_set_object_arg(G_OBJECT(encoder), "pass", "qual");
            g_object_set(encoder, "quantizer", guint(H264Quantizer(quality)), "key-int-max", frame_rate,
                         nullptr);
            break;
        case EncoderFamily::kMpeg4:
            gst_util_set_object_arg(G_OBJECT(encoder), "pass", "quant");
            g_object_set(encoder, "quantizer", gfloat(Mpeg4Quantizer(quality)), "gop-size",
                         gint(frame_rate), nullptr);
            break;
        case EncoderFamily::kRaw: break;
    }
}

// The elements after appsrc: conversion, flip, encoder and caps for an
// encoder; the sink alone for frames stored as they are.
struct EncoderChain {
    GstElement* convert = nullptr;
    GstElement* fed_filter = nullptr;
    GstElement* flip = nullptr;
    GstElement* encoder = nullptr;
    GstElement* coded_filter = nullptr;
    GstElement* sink = nullptr;

    // False, with nothing kept, when an element cannot be made.
    bool Make(const EncoderEntry& entry) {
        if (entry.element) {
            convert = gst_element_factory_make("videoconvert", nullptr);
            fed_filter = gst_element_factory_make("capsfilter", nullptr);
            flip = gst_element_factory_make("videoflip", nullptr);
            encoder = gst_element_factory_make(entry.element, nullptr);
            coded_filter = gst_element_factory_make("capsfilter", nullptr);
        }
        sink = gst_element_factory_make("appsink", nullptr);
        if (sink && (!entry.element || (convert && fed_filter && flip && encoder && coded_filter)))
            return true;
        for (GstElement* element : {convert, fed_filter, flip, encoder, coded_filter, sink})
            if (element) gst_object_unref(gst_object_ref_sink(element));
        *this = EncoderChain{};
        return false;
    }
};

}  // namespace

struct AviGenerator::Pipeline {
    std::string path;                   // the file, as opened
    std::unique_ptr<StoredStream> file;  // written by the streaming thread while the pipeline runs
    AviStreamFormat format;
    GstElement* pipeline = nullptr;
    GstElement* appsrc = nullptr;
    GstBus* bus = nullptr;
    bool started = false;  // set to PLAYING
    bool failed = false;   // an error ended the stream
    guint64 frame_bytes = 0;
    GstClockTime frame_ns = 0;   // one frame at the stream's rate
    uint64_t file_frames = 0;    // frames handed to the file (streaming thread)

    // Pre-capture.  The frame loop decides per frame whether it goes to the
    // file; the encoder's thread learns it from the frame's time.
    bool precapture = false;
    bool routed_to_file = false;  // the last route pushed (frame loop only)
    mutable std::mutex lock;      // guards what follows
    PrecaptureRing ring;
    std::deque<std::pair<GstClockTime, bool>> routes;  // (from this time on, to the file)

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

    void AddChain(const EncoderChain& chain) {
        for (GstElement* element : {chain.convert, chain.fed_filter, chain.flip, chain.encoder,
                                    chain.coded_filter, chain.sink})
            Add(element);
    }

    // The sink takes what reaches the file and hands it to Store.
    void ConfigureSink(GstElement* sink, const EncoderEntry& entry, VideoContainer container) {
        SetCaps(sink, StoredCaps(entry, container));
        g_object_set(sink, "sync", FALSE, "async", FALSE, "enable-last-sample", FALSE, nullptr);
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = OnSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
    }

    bool LinkChain(const EncoderChain& c, const EncoderEntry& entry, const EncoderChoice& choice,
                   guint frame_rate) {
        // Uncompressed AVI frames are bottom row first, as they arrive.
        if (!c.encoder) return gst_element_link(appsrc, c.sink);
        SetCaps(c.fed_filter, entry.fed_caps);
        SetCaps(c.coded_filter, StoredCaps(entry, choice.container));
        const int quality = choice.quality;
        ConfigureEncoder(c.encoder, entry, quality, frame_rate);
        // Frames arrive bottom row first; encoders want the top row first.
        // Flipped after the conversion: fewer bytes to move in 4:2:0.
        gst_util_set_object_arg(G_OBJECT(c.flip), "method", "vertical-flip");
        return gst_element_link_many(appsrc, c.convert, c.fed_filter, c.flip, c.encoder, c.coded_filter,
                                     c.sink, nullptr);
    }

    // Frame loop: frames from `pts` on go to the file or to the ring.
    void Route(GstClockTime pts, bool to_file) {
        if (to_file == routed_to_file) return;
        routed_to_file = to_file;
        std::lock_guard<std::mutex> hold(lock);
        routes.emplace_back(pts, to_file);
    }

    // Streaming thread, under the lock: where the frame at `pts` goes.
    bool RoutedToFile(GstClockTime pts) {
        while (routes.size() > 1 && routes[1].first <= pts) routes.pop_front();
        return !routes.empty() && routes.front().first <= pts && routes.front().second;
    }

    // The codec's set-up data (MPEG-4's header, H.264's parameter sets for
    // MP4) comes with the first sample's caps.
    void ReadSetup(GstSample* sample) {
        const GstCaps* caps = gst_sample_get_caps(sample);
        if (!caps) return;
        const GValue* setup = gst_structure_get_value(gst_caps_get_structure(caps, 0), "codec_data");
        if (!setup || !GST_VALUE_HOLDS_BUFFER(setup)) return;
        GstBuffer* data = gst_value_get_buffer(setup);
        format.setup.resize(gst_buffer_get_size(data));
        gst_buffer_extract(data, 0, format.setup.data(), format.setup.size());
    }

    // One frame into the file, timed by its place in the file: the file
    // plays on at the stream's rate across a pre-capture's joint.
    bool ToFile(EncodedFrame frame) {
        if (!file->HasBegun() && !file->Begin(format)) return false;
        frame.pts_ns = file_frames * frame_ns;
        frame.duration_ns = frame_ns;
        ++file_frames;
        return file->Write(frame);
    }

    // With pre-capture the frame goes to the ring, or to the file after
    // what the ring holds (all older than it).
    bool Deliver(const EncodedFrame& frame) {
        if (!precapture) return ToFile(frame);
        std::lock_guard<std::mutex> hold(lock);
        if (!RoutedToFile(frame.pts_ns)) {
            ring.Push(frame.data, frame.size, frame.pts_ns, frame.duration_ns, frame.key_frame);
            return true;
        }
        for (const PrecaptureFrame& held : ring.Drain()) {
            EncodedFrame earlier;
            earlier.data = held.bytes.data();
            earlier.size = held.bytes.size();
            earlier.key_frame = held.key_frame;
            if (!ToFile(earlier)) return false;
        }
        return ToFile(frame);
    }

    // Streaming thread: one encoded frame.
    bool Store(GstSample* sample) {
        if (!setup_read) {
            ReadSetup(sample);
            setup_read = true;
        }
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_READ)) return false;
        EncodedFrame frame;
        frame.data = map.data;
        frame.size = map.size;
        frame.key_frame = !GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
        frame.pts_ns = GST_BUFFER_PTS_IS_VALID(buffer) ? GST_BUFFER_PTS(buffer) : 0;
        frame.duration_ns = GST_BUFFER_DURATION_IS_VALID(buffer) ? GST_BUFFER_DURATION(buffer) : 0;
        const bool stored = Deliver(frame);
        gst_buffer_unmap(buffer, &map);
        return stored;
    }
    bool setup_read = false;

    static GstFlowReturn OnSample(GstAppSink* sink, gpointer data) {
        auto* self = static_cast<Pipeline*>(data);
        GstSample* sample = gst_app_sink_pull_sample(sink);
        if (!sample) return GST_FLOW_EOS;
        const bool stored = self->Store(sample);
        gst_sample_unref(sample);
        if (stored) return GST_FLOW_OK;
        // The disk is full or the file is gone: the bus carries the reason.
        const std::string reason =
            self->file->Error().empty() ? "the frame could not be stored" : self->file->Error();
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
    if (!ChooseEncoder(OfferedEncoders(ElementInstalled), &m_compressor)) return false;
    m_bCompressorChosen = true;
    return true;
}

int32_t AviGenerator::Open() {
    m_sLastError = "Ok";
    m_nFramesStored = 0;
    // The user picks the compressor, unless ChooseCompressor has asked; its
    // container decides the file's kind and extension.
    if (!m_bCompressorChosen && !ChooseCompressor()) return kAviOpenCancelled;
    m_bCompressorChosen = false;
    m_sFileName = WithContainerExtension(m_sFileName, m_compressor.container);
    if (const int32_t status = CreateOutputFile()) return status;
    if (const int32_t status = CreateSourceStream()) return status;
    if (const int32_t status = CreateCompressedStream()) return status;
    if (const int32_t status = StartStream()) return status;
    m_nFrameIndex = 0;
    return 0;
}

// Creates (or replaces) the file first, so a missing folder or a read-only
// place fails here and not inside the pipeline.
int32_t AviGenerator::CreateOutputFile() {
    if (!EnsureGstreamer()) return FailCreateFile(kRegErrClassNotRegistered);
    m_pAVIFile = new Pipeline;
    Pipeline& p = *m_pAVIFile;
    p.path = NativePath(m_sFileName.c_str());
    if (m_compressor.container == VideoContainer::kMp4)
        p.file = std::make_unique<Mp4File>();
    else
        p.file = std::make_unique<AviFile>();
    if (p.file->Create(p.path)) return 0;
    const int error = p.file->ErrorNumber();
    std::fprintf(stderr, "AVI writer: %s: %s\n", p.path.c_str(), p.file->Error().c_str());
    delete m_pAVIFile;
    m_pAVIFile = nullptr;
    return FailCreateFile(FileCreationError(error));
}

// The stream: BGRx frames of the header's size at m_nFrameRate.
int32_t AviGenerator::CreateSourceStream() {
    Pipeline& p = *m_pAVIFile;
    if (!FrameHeaderUsable(m_bitmapHeader, m_nFrameRate)) return FailStream(kAviErrBadFormat);
    p.frame_bytes = FrameBytes(m_bitmapHeader);
    p.frame_ns = gst_util_uint64_scale(1, GST_SECOND, m_nFrameRate);
    p.precapture = m_nPrecaptureNs > 0;
    p.ring.SetLimits(m_nPrecaptureNs, kPrecaptureBudgetBytes);
    p.pipeline = gst_pipeline_new("avi-writer");
    p.appsrc = gst_element_factory_make("appsrc", nullptr);
    if (!p.pipeline || !p.Add(p.appsrc)) return FailStream(kAviErrUnsupported);
    GstCaps* raw_caps = gst_caps_new_simple(
        "video/x-raw", "format", G_TYPE_STRING, "BGRx", "width", G_TYPE_INT, int(m_bitmapHeader.biWidth),
        "height", G_TYPE_INT, int(m_bitmapHeader.biHeight), "framerate", GST_TYPE_FRACTION,
        int(m_nFrameRate), 1, "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
    g_object_set(p.appsrc, "caps", raw_caps, "format", GST_FORMAT_TIME, "block", FALSE, "is-live", FALSE,
                 nullptr);
    gst_caps_unref(raw_caps);
    p.bus = gst_element_get_bus(p.pipeline);
    m_pStream = p.appsrc;
    return 0;
}

// The chosen compressor's chain, from appsrc to the sink that feeds the file.
int32_t AviGenerator::CreateCompressedStream() {
    Pipeline& p = *m_pAVIFile;
    const int width = m_bitmapHeader.biWidth, height = m_bitmapHeader.biHeight;
    const EncoderEntry* entry = FindEncoder(m_compressor.id);
    if (!entry) return FailCompressedStream(kAviErrNoCompressor);
    const std::string refusal = FrameSizeRefusal(*entry, width, height);
    if (!refusal.empty()) return FailCompressedStream(kAviErrBadFormat, refusal);
    EncoderChain chain;
    if (!chain.Make(*entry)) return FailCompressedStream(kAviErrNoCompressor);
    p.AddChain(chain);
    p.ConfigureSink(chain.sink, *entry, m_compressor.container);
    if (!p.LinkChain(chain, *entry, m_compressor, m_nFrameRate))
        return FailCompressedStream(kAviErrUnsupported);
    m_pStreamCompressed = chain.encoder ? chain.encoder : chain.sink;
    p.format = StreamFormat(*entry, width, height, m_nFrameRate);
    return 0;
}

// Setting the format: the pipeline starts here.
int32_t AviGenerator::StartStream() {
    Pipeline& p = *m_pAVIFile;
    p.started = true;
    if (gst_element_set_state(p.pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE && p.Healthy())
        return 0;
    p.failed = true;
    m_pStreamCompressed = nullptr;
    m_sLastError = "AVI Compressed Stream format setting failed.";
    return static_cast<int32_t>(kAviErrBadFormat);
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
    const GstClockTime pts = gst_util_uint64_scale(guint64(index), GST_SECOND, m_nFrameRate);
    if (p->precapture) p->Route(pts, m_bFeedFile);
    GST_BUFFER_PTS(buffer) = pts;
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

uint64_t AviGenerator::PrecaptureBytes() const {
    if (!m_pAVIFile) return 0;
    std::lock_guard<std::mutex> hold(m_pAVIFile->lock);
    return m_pAVIFile->ring.Bytes();
}

uint64_t AviGenerator::PrecaptureHeldNs() const {
    if (!m_pAVIFile) return 0;
    std::lock_guard<std::mutex> hold(m_pAVIFile->lock);
    return m_pAVIFile->ring.HeldNs();
}

bool AviGenerator::PrecaptureCutShort() const {
    if (!m_pAVIFile) return false;
    std::lock_guard<std::mutex> hold(m_pAVIFile->lock);
    return m_pAVIFile->ring.CutShort();
}

void AviGenerator::Close() {
    m_bFeedFile = false;
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
    if (!p->file->Finish())
        std::fprintf(stderr, "AVI writer: %s: %s\n", p->path.c_str(), p->file->Error().c_str());
    m_nFramesStored = static_cast<int64_t>(p->file->Frames());
    // A file without a frame is no recording: players cannot open it.
    if (m_nFramesStored == 0) RemoveWrittenFile(p->path);
    delete p;
    m_pAVIFile = nullptr;
}
