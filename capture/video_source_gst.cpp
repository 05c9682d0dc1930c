// VideoSource on GStreamer: <source> ! videoscale ! videoconvert !
// capsfilter (BGRx, size fixed once known) ! appsink.
// A camera is the element its device provider makes, held to the mode
// chosen from the modes the device lists (capture/camera_modes.h); a
// compressed mode goes through a queue and a decoder first.
//
// The appsink's new-sample callback (streaming thread, no main loop needed)
// keeps the newest sample; checkouts take a reference to it and map it, so a
// checked-out frame stays intact however many frames arrive meanwhile.  A
// supervisor thread watches the bus while running and restarts a source that
// failed or ended; for a camera it also watches the system's cameras, and
// opens the camera anew (a new element from its device) when it is back.
// The probe that checks a source delivers (TryStart) stops it again: frames
// are handed out from Run() on.
#include "capture/video_source.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/camera_device_gst.h"
#include "capture/camera_identity.h"
#include "capture/camera_list.h"
#include "capture/device_description.h"

namespace {

constexpr unsigned kMaxCheckouts = 8;
constexpr int kMaxReaders = 8;
constexpr gint64 kProbeTimeoutUs = 8 * G_USEC_PER_SEC;
constexpr GstClockTime kBusPollNs = 100 * GST_MSECOND;
// What the bus is watched for: failures, and the decoder's word of frames
// it could not decode (a frame a decoder drops is told as a QoS message;
// some decoders also warn).
constexpr GstMessageType kWatchedMessages =
    GstMessageType(GST_MESSAGE_ERROR | GST_MESSAGE_EOS | GST_MESSAGE_WARNING | GST_MESSAGE_QOS);

// The text of an error or warning message.
std::string TakeErrorText(GstMessage* message) {
    GError* error = nullptr;
    gchar* debug = nullptr;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_WARNING)
        gst_message_parse_warning(message, &error, &debug);
    else
        gst_message_parse_error(message, &error, &debug);
    std::string text = error ? error->message : "unknown error";
    g_clear_error(&error);
    g_free(debug);
    return text;
}

// The error a pipeline that would not play left on its bus; empty if none.
std::string PopStartError(GstBus* bus) {
    GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    if (!message) return {};
    std::string text = TakeErrorText(message);
    gst_message_unref(message);
    return text;
}

// False with the reason when GStreamer cannot start (then no graph can be built).
bool EnsureGstreamer(std::string* error) {
    static std::once_flag once;
    static bool ready = false;
    static std::string reason;
    std::call_once(once, [] {
        GError* gerror = nullptr;
        ready = gst_init_check(nullptr, nullptr, &gerror);
        if (!ready) reason = std::string("GStreamer cannot start: ") +
                             (gerror ? gerror->message : "unknown error");
        g_clear_error(&gerror);
    });
    *error = reason;
    return ready;
}

// A decoder stops the stream after some undecodable frames in a row unless
// told otherwise; a camera's damaged frames are skipped instead.
void NeverFailOnBadFrames(const GValue* item, gpointer) {
    GObject* element = G_OBJECT(g_value_get_object(item));
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(element), "max-errors"))
        g_object_set(element, "max-errors", -1, nullptr);
}

}  // namespace

struct VideoSource::Impl {
    struct Checkout {
        bool used = false;
        GstSample* sample = nullptr;
        GstMapInfo map{};
    };
    struct Reader {
        std::thread::id id;
        uint64_t serial = 0;
    };

    std::string file;  // description file, for messages
    DeviceDescription description;
    int started_source = -1;  // index into description.sources, -1 before a build
    std::string camera_name;  // of the camera source being tried
    CameraIdentity camera_identity;  // of the camera opened, to know it again
    std::string failure;      // why the last build or Run failed, one line per reason
    // The camera being tried: whether it listed its modes, the format of the
    // chosen one, and its decoder chain (a bin the pipeline owns; null for
    // a raw mode).
    bool modes_listed = false;
    CameraFormat mode_format = CameraFormat::kRaw;
    GstElement* decoder = nullptr;
    std::string decoder_name;
    bool bad_frame_told = false;  // one notice of undecodable frames per build
    GstElement* pipeline = nullptr;
    GstElement* sink = nullptr;
    GstElement* fit = nullptr;
    GstBus* bus = nullptr;
    int width = 0, height = 0, fps_num = 0, fps_den = 1;

    std::mutex mutex;  // guards everything below
    std::condition_variable frame_ready;
    GstSample* latest = nullptr;
    uint64_t latest_serial = 0;
    int64_t latest_stamp = 0;
    int expect_width = 0, expect_height = 0;  // 0 while probing
    unsigned max_checkouts = 0;
    std::array<Checkout, kMaxCheckouts> checkouts;
    std::array<Reader, kMaxReaders> readers;
    bool released = true;  // no graph yet: waits fail at once

    std::thread supervisor;
    std::atomic<bool> supervising{false};
    std::atomic<int> retry_ms{3000};
    std::atomic<bool> lost{false};
    bool reopen_failure_told = false;  // once per loss: a camera may refuse every retry

    // Streaming thread: keep the newest sample of the agreed size.
    static GstFlowReturn OnNewSample(GstAppSink* appsink, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        GstSample* sample = gst_app_sink_pull_sample(appsink);
        if (!sample) return GST_FLOW_OK;
        GstVideoInfo info;
        GstCaps* caps = gst_sample_get_caps(sample);
        if (!caps || !gst_video_info_from_caps(&info, caps) || !gst_sample_get_buffer(sample)) {
            gst_sample_unref(sample);
            return GST_FLOW_OK;
        }
        GstSample* old = nullptr;
        {
            std::lock_guard<std::mutex> lock(self->mutex);
            bool fits = self->expect_width == 0 ||
                        (GST_VIDEO_INFO_WIDTH(&info) == self->expect_width &&
                         GST_VIDEO_INFO_HEIGHT(&info) == self->expect_height);
            if (fits && !self->released) {
                old = self->latest;
                self->latest = sample;
                sample = nullptr;
                ++self->latest_serial;
                self->latest_stamp = std::max<int64_t>(g_get_monotonic_time(), self->latest_stamp + 1);
            }
        }
        if (sample) gst_sample_unref(sample);
        if (old) gst_sample_unref(old);
        self->frame_ready.notify_all();
        return GST_FLOW_OK;
    }

    Reader* FindReader(bool add) {
        std::thread::id me = std::this_thread::get_id();
        for (Reader& reader : readers)
            if (reader.id == me) return &reader;
        if (!add) return nullptr;
        for (Reader& reader : readers)
            if (reader.id == std::thread::id()) {
                reader.id = me;
                return &reader;
            }
        return nullptr;
    }

    // The camera of a camera source among those the system finds, by its
    // index or its name (a reference); names it.
    GstDevice* FindCamera(const CaptureSourceSpec& source, std::string* error) {
        GList* devices = gst_device_monitor_get_devices(CameraDevices());
        guint count = g_list_length(devices);
        GstDevice* device = nullptr;
        GList* found = g_list_nth(devices, static_cast<guint>(source.camera_index));
        if (!source.device.empty())
            for (found = devices; found && !DeviceAnswersTo(GST_DEVICE(found->data), source.device);)
                found = found->next;
        if (found) {
            device = GST_DEVICE(gst_object_ref(found->data));
            camera_identity = IdentityOf(ReadDeviceFacts(device));
            camera_name = camera_identity.display_name;
        }
        g_list_free_full(devices, gst_object_unref);
        if (!device) *error = MissingCameraText(source, count);
        return device;
    }

    // The mode to open `device` in.  A device that lists no modes is asked
    // for what the source asks; the link then tells whether it has it.
    bool ChooseDeviceMode(GstDevice* device, const CaptureSourceSpec& source, ModeChoice* choice,
                          std::string* error) {
        GstCaps* caps = gst_device_get_caps(device);
        const std::vector<CameraMode> modes = CameraModesOfCaps(caps);
        if (caps) gst_caps_unref(caps);
        modes_listed = !modes.empty();
        if (!modes_listed) {
            *choice = ChoiceWithoutModes(CameraModeAsk(source));
            return true;
        }
        return ChooseCameraMode(modes, CameraModeAsk(source), InstalledDecoders(), choice, error);
    }

    // queue ! decoder of `format`, added to `bin`; returns the queue.  The
    // queue lets the camera's thread capture while a frame decodes; it
    // drops the oldest frame when decoding falls behind.  A frame that does
    // not decode is dropped (told on the bus), never fatal.
    GstElement* AddDecoder(GstElement* bin, CameraFormat format, std::string* error) {
        const char* chain = InstalledDecoder(format);
        GstElement* queue = gst_element_factory_make("queue", nullptr);
        GstElement* made = chain ? gst_parse_bin_from_description(chain, TRUE, nullptr) : nullptr;
        if (!queue || !made) {
            *error = std::string("no ") + CameraFormatName(format) + " decoder is installed";
            if (queue) gst_object_unref(queue);
            if (made) gst_object_unref(made);
            return nullptr;
        }
        g_object_set(queue, "max-size-buffers", 2u, "max-size-bytes", 0u, "max-size-time",
                     guint64{0}, nullptr);
        gst_util_set_object_arg(G_OBJECT(queue), "leaky", "downstream");
        GstIterator* elements = gst_bin_iterate_elements(GST_BIN(made));
        gst_iterator_foreach(elements, NeverFailOnBadFrames, nullptr);
        gst_iterator_free(elements);
        gst_bin_add_many(GST_BIN(bin), queue, made, nullptr);
        gst_element_link(queue, made);
        decoder = made;
        decoder_name = chain;
        return queue;
    }

    // Links camera (held to `choice`) to `tail`, through a decoder when the
    // mode is compressed.
    bool LinkCamera(GstElement* pipeline, GstElement* camera, GstElement* tail,
                    const ModeChoice& choice, const CaptureSourceSpec& source, std::string* error) {
        GstElement* next = tail;
        if (choice.format != CameraFormat::kRaw) {
            next = AddDecoder(pipeline, choice.format, error);
            if (!next || !gst_element_link(decoder, tail)) {
                if (next) *error = "the decoder does not link to the conversion";
                return false;
            }
        }
        GstCaps* caps = gst_caps_from_string(ModeChoiceCaps(choice).c_str());
        const bool linked = gst_element_link_filtered(camera, next, caps);
        gst_caps_unref(caps);
        if (!linked)
            *error = modes_listed ? "the camera does not link in the mode " + ModeChoiceCaps(choice)
                                  : CameraLinkFailure(CameraCapsText(source));
        return linked;
    }

    GstElement* MakeCameraPipeline(const CaptureSourceSpec& source, std::string* error) {
        GstDevice* device = FindCamera(source, error);
        if (!device) return nullptr;
        GstElement* made = MakeCameraPipelineOf(device, source, error);
        gst_object_unref(device);
        return made;
    }

    // `device` ! capsfilter (the chosen mode) [! queue ! decoder] ! conversion.
    // The mode is held at the camera itself, so the camera has to offer it.
    GstElement* MakeCameraPipelineOf(GstDevice* device, const CaptureSourceSpec& source,
                                     std::string* error) {
        ModeChoice choice;
        GstElement* camera = nullptr;
        if (ChooseDeviceMode(device, source, &choice, error)) {
            camera = gst_device_create_element(device, nullptr);
            if (!camera) *error = "the camera's element cannot be made";
        }
        if (!camera) return nullptr;
        GError* gerror = nullptr;
        GstElement* tail = gst_parse_bin_from_description(kConversionTail, TRUE, &gerror);
        if (!tail) {
            *error = gerror ? gerror->message : "cannot build the conversion";
            g_clear_error(&gerror);
            gst_object_unref(camera);
            return nullptr;
        }
        GstElement* pipeline = gst_pipeline_new(nullptr);
        gst_bin_add_many(GST_BIN(pipeline), camera, tail, nullptr);
        if (!LinkCamera(pipeline, camera, tail, choice, source, error)) {
            gst_object_unref(pipeline);
            decoder = nullptr;  // went with the pipeline
            return nullptr;
        }
        mode_format = choice.format;
        return pipeline;
    }

    GstElement* MakePipeline(const CaptureSourceSpec& source, std::string* error) {
        if (source.kind == CaptureSourceSpec::kCamera) return MakeCameraPipeline(source, error);
        GError* gerror = nullptr;
        GstElement* pipeline = gst_parse_launch(PipelineText(source).c_str(), &gerror);
        if (gerror) {  // a pipeline may come back together with a recoverable error
            *error = gerror->message;
            g_clear_error(&gerror);
            if (pipeline) gst_object_unref(pipeline);
            return nullptr;
        }
        return pipeline;
    }

    void DropPipeline() {
        ReleasePipeline();
        std::lock_guard<std::mutex> lock(mutex);
        if (latest) gst_sample_unref(latest);
        latest = nullptr;
        expect_width = expect_height = 0;
    }

    // Stops and lets go of the pipeline; its last frame stays.
    void ReleasePipeline() {
        if (pipeline) gst_element_set_state(pipeline, GST_STATE_NULL);
        if (sink) gst_object_unref(sink);
        if (fit) gst_object_unref(fit);
        if (bus) gst_object_unref(bus);
        if (pipeline) gst_object_unref(pipeline);
        pipeline = sink = fit = decoder = nullptr;
        bus = nullptr;
        decoder_name.clear();
    }

    // A frame the decoder dropped or warned about: one that did not decode
    // (the warning's text, if any, in `text`).  Other warnings are of no
    // concern here.
    bool UndecodedFrame(GstMessage* message, std::string* text) {
        if (!decoder || !gst_object_has_as_ancestor(GST_MESSAGE_SRC(message), GST_OBJECT(decoder)))
            return false;
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_WARNING) *text = TakeErrorText(message);
        return GST_MESSAGE_TYPE(message) == GST_MESSAGE_WARNING ||
               GST_MESSAGE_TYPE(message) == GST_MESSAGE_QOS;
    }

    // Neither an error nor the end: a message Supervise and AwaitFrame go on after.
    static bool Passing(GstMessage* message) {
        return GST_MESSAGE_TYPE(message) == GST_MESSAGE_WARNING ||
               GST_MESSAGE_TYPE(message) == GST_MESSAGE_QOS;
    }

    // Waits for a frame newer than `after`, or for an error or the end of the
    // stream on the bus.  Fills `info` from the frame; a variable frame rate
    // is given as the highest rate when the caps tell it.
    bool AwaitFrame(uint64_t after, GstVideoInfo* info, std::string* error) {
        bool undecoded = false;  // a frame did not decode
        std::string detail;
        gint64 deadline = g_get_monotonic_time() + kProbeTimeoutUs;
        while (g_get_monotonic_time() < deadline) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                if (frame_ready.wait_for(lock, std::chrono::milliseconds(20),
                                         [&] { return latest && latest_serial > after; })) {
                    GstCaps* caps = gst_sample_get_caps(latest);
                    if (!gst_video_info_from_caps(info, caps)) break;
                    int num = 0, den = 1;
                    if (GST_VIDEO_INFO_FPS_N(info) == 0 &&
                        gst_structure_get_fraction(gst_caps_get_structure(caps, 0),
                                                   "max-framerate", &num, &den)) {
                        GST_VIDEO_INFO_FPS_N(info) = num;
                        GST_VIDEO_INFO_FPS_D(info) = den;
                    }
                    return true;
                }
            }
            GstMessage* message = gst_bus_pop_filtered(bus, kWatchedMessages);
            if (!message) continue;
            const bool passing = Passing(message);
            if (!passing)
                *error = GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS ? "ended before the first frame"
                                                                      : TakeErrorText(message);
            undecoded |= UndecodedFrame(message, &detail);
            gst_message_unref(message);
            if (!passing) return false;
        }
        *error = "no usable frame within 8 seconds";
        if (undecoded) *error += " (the camera's frames do not decode)";
        return false;
    }

    void FixFrameSize(int fixed_width, int fixed_height) {
        GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "width",
                                            G_TYPE_INT, fixed_width, "height", G_TYPE_INT,
                                            fixed_height, nullptr);
        g_object_set(fit, "caps", caps, nullptr);
        gst_caps_unref(caps);
    }

    // A description's pipeline afresh, held to the frame size and not
    // started.  Its dynamic pads (decodebin's) are linked by the parser once,
    // when they first appear: a pipeline that went to NULL would come back
    // with new pads left unlinked, so a restart starts a new one.
    bool RebuildPipeline(const CaptureSourceSpec& source, std::string* error) {
        ReleasePipeline();
        pipeline = MakePipeline(source, error);
        if (!pipeline || !HookPipeline(error)) return false;
        FixFrameSize(width, height);
        return true;
    }

    // Makes the pipeline of `source` and starts it.
    bool StartPipeline(const CaptureSourceSpec& source, std::string* error) {
        pipeline = MakePipeline(source, error);
        return pipeline && HookPipeline(error) && Play(error);
    }

    // Finds the sink and size filter of `pipeline` and hooks the sink.
    bool HookPipeline(std::string* error) {
        sink = gst_bin_get_by_name(GST_BIN(pipeline), kSinkName);
        fit = gst_bin_get_by_name(GST_BIN(pipeline), kFitName);
        bus = gst_element_get_bus(pipeline);
        if (!sink || !fit) {
            *error = "the description must not name its elements lumora_sink or lumora_fit";
            return false;
        }
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = OnNewSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
        return true;
    }

    bool Play(std::string* error) {
        if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
            const std::string text = PopStartError(bus);
            *error = text.empty() ? "cannot start" : text;
            return false;
        }
        return true;
    }

    // Holds the source to the size of the frame in `info`, scaled down
    // first if too big (then `info` becomes that of a frame of the new size).
    bool HoldFrameSize(GstVideoInfo* info, std::string* error) {
        int fitted_width = GST_VIDEO_INFO_WIDTH(info), fitted_height = GST_VIDEO_INFO_HEIGHT(info);
        bool scaled = FitFrameSize(&fitted_width, &fitted_height);
        if (scaled)
            std::fprintf(stderr, "capture: %s: frames of %dx%d are scaled down to %dx%d to fit\n",
                         file.c_str(), GST_VIDEO_INFO_WIDTH(info), GST_VIDEO_INFO_HEIGHT(info),
                         fitted_width, fitted_height);
        uint64_t serial;
        {
            std::lock_guard<std::mutex> lock(mutex);
            expect_width = fitted_width;
            expect_height = fitted_height;
            serial = latest_serial;
            if (scaled && latest) {  // the frame in hand has the old size
                gst_sample_unref(latest);
                latest = nullptr;
            }
        }
        FixFrameSize(fitted_width, fitted_height);
        if (scaled && !AwaitFrame(serial, info, error)) return false;
        width = fitted_width;
        height = fitted_height;
        return true;
    }

    // Starts one source and keeps it if a frame arrives; the size is then
    // fixed so that restarts keep it.
    bool TryStart(const CaptureSourceSpec& source, std::string* error) {
        if (!StartPipeline(source, error)) return false;
        GstVideoInfo info;
        if (!AwaitFrame(0, &info, error) || !HoldFrameSize(&info, error)) return false;
        fps_num = GST_VIDEO_INFO_FPS_N(&info);
        fps_den = std::max(1, GST_VIDEO_INFO_FPS_D(&info));
        // Frames count from Run() on, which starts the source afresh: until
        // then the camera is free, the probe's frame is not handed out as if
        // it were the first one, and a source that sends a single frame and
        // ends sends it again.  (Going to NULL also flushes the bus.)
        if (source.kind == CaptureSourceSpec::kCamera)
            gst_element_set_state(pipeline, GST_STATE_NULL);
        else if (!RebuildPipeline(source, error))
            return false;
        std::lock_guard<std::mutex> lock(mutex);
        if (latest) gst_sample_unref(latest);
        latest = nullptr;
        return true;
    }

    // One reason why the build or start failed: on stderr and kept for the box.
    void Fail(const std::string& reason) {
        std::fprintf(stderr, "capture: %s: %s\n", file.c_str(), reason.c_str());
        if (!failure.empty()) failure += '\n';
        failure += file + ": " + reason;
    }

    void ReportStart(size_t index) {
        const CaptureSourceSpec& source = description.sources[index];
        std::string what = DescribeSource(source, index);
        if (source.kind == CaptureSourceSpec::kCamera && !camera_name.empty())
            what += " " + camera_name;
        std::string decoded;
        if (decoder)
            decoded =
                std::string(", ") + CameraFormatName(mode_format) + " decoded by " + decoder_name;
        std::fprintf(stderr, "capture: %s: %s: %dx%d at %g fps%s\n", file.c_str(), what.c_str(),
                     width, height, static_cast<double>(fps_num) / fps_den, decoded.c_str());
    }

    // The first undecodable frame of a build is told; the rest, which a
    // damaged camera or cable may send by the thousand, are skipped quietly.
    void TellUndecodedFrame(const std::string& text) {
        if (bad_frame_told) return;
        bad_frame_told = true;
        std::fprintf(stderr, "capture: %s: %s\n", file.c_str(),
                     UndecodedFrameNotice(decoder_name, text).c_str());
    }

    bool WatchesCamera() const {
        return started_source >= 0 &&
               description.sources[static_cast<size_t>(started_source)].kind ==
                   CaptureSourceSpec::kCamera;
    }

    // The lost camera, back as `device`, in place of the dead pipeline: the
    // mode chosen as at the build, the frame size held as before.  The dead
    // pipeline stays when the new one cannot be made.
    bool ReopenCamera(GstDevice* device, std::string* error) {
        GstElement* old_decoder = decoder;
        const std::string old_decoder_name = decoder_name;
        decoder = nullptr;
        GstElement* fresh =
            MakeCameraPipelineOf(device, description.sources[static_cast<size_t>(started_source)],
                                 error);
        if (!fresh) {
            decoder = old_decoder;
            decoder_name = old_decoder_name;
            return false;
        }
        GstElement* new_decoder = decoder;
        const std::string new_decoder_name = decoder_name;
        ReleasePipeline();
        pipeline = fresh;
        decoder = new_decoder;
        decoder_name = new_decoder_name;
        if (!HookPipeline(error)) return false;
        FixFrameSize(width, height);
        return Play(error);
    }

    // A lost pipeline source, started again as a new pipeline; when that
    // cannot be made, the next retry tries again.
    void RestartPipelineSource() {
        std::string error;
        const CaptureSourceSpec& source = description.sources[static_cast<size_t>(started_source)];
        if (!RebuildPipeline(source, &error) || !Play(&error))
            std::fprintf(stderr, "capture: %s: cannot start again: %s\n", file.c_str(), error.c_str());
    }

    // Reopens the lost camera if it is there again.
    void LookForCamera(CameraMonitor& cameras) {
        int index = -1;
        GstDevice* device = cameras.Find(camera_identity, &index);
        if (!device) return;
        std::string error;
        if (ReopenCamera(device, &error)) {
            camera_name = ReadDeviceFacts(device).display_name;
            std::fprintf(stderr, "capture: %s: %s\n", file.c_str(),
                         ReturnedCameraNotice(camera_name, index).c_str());
        } else if (!reopen_failure_told) {
            reopen_failure_told = true;
            std::fprintf(stderr, "capture: %s: the camera is back but does not open: %s\n",
                         file.c_str(), error.c_str());
        }
        gst_object_unref(device);
    }

    // The watching monitor knows more of a camera than the probe of the
    // build (udev's serial number, say): the camera is known by that.
    void LearnCameraIdentity(CameraMonitor& cameras) {
        int index = -1;
        if (GstDevice* device = cameras.Find(camera_identity, &index)) {
            camera_identity = IdentityOf(ReadDeviceFacts(device));
            gst_object_unref(device);
        }
    }

    // The next failure of the source, waiting up to one poll for it: the
    // reason, empty when there was none.  Undecodable frames are told here.
    std::string NextFailure() {
        GstMessage* message = gst_bus_timed_pop_filtered(bus, kBusPollNs, kWatchedMessages);
        if (!message) return {};
        std::string reason;
        if (Passing(message)) {
            std::string detail;
            if (UndecodedFrame(message, &detail)) TellUndecodedFrame(detail);
        } else {
            reason = GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS ? "the stream ended"
                                                                  : TakeErrorText(message);
        }
        gst_message_unref(message);
        return reason;
    }

    // What the providers say of the camera: unplugged is a failure (some
    // elements say nothing when their camera goes), plugged in again
    // shortens the wait for the next retry.
    void HearCameras(CameraMonitor& cameras, SourceWatch* watch, std::string* reason) {
        switch (cameras.Poll(camera_identity)) {
            case CameraMonitor::kCameraRemoved:
                if (reason->empty()) *reason = "the camera was unplugged";
                break;
            case CameraMonitor::kCameraAdded:
                watch->RetryNow(g_get_monotonic_time());
                break;
            case CameraMonitor::kNothing:
                break;
        }
    }

    void TellLoss(const std::string& reason, bool camera) {
        const std::string text =
            camera ? LostCameraNotice(reason, DescribeCameraIdentity(camera_identity))
                   : LostSourceNotice(reason, retry_ms);
        std::fprintf(stderr, "capture: %s: %s\n", file.c_str(), text.c_str());
    }

    void Act(SourceWatch::Action action, const std::string& reason, CameraMonitor* cameras) {
        switch (action) {
            case SourceWatch::kLose:
                lost = true;
                reopen_failure_told = false;
                TellLoss(reason, cameras != nullptr);
                gst_element_set_state(pipeline, GST_STATE_NULL);
                break;
            case SourceWatch::kStop:
                gst_element_set_state(pipeline, GST_STATE_NULL);
                break;
            case SourceWatch::kRecover:
                lost = false;
                std::fprintf(stderr, "capture: %s: frames arrive again\n", file.c_str());
                break;
            case SourceWatch::kRestart:
                if (cameras) {
                    LookForCamera(*cameras);
                } else {
                    RestartPipelineSource();
                }
                break;
            case SourceWatch::kWait:
                break;
        }
    }

    void Supervise() {
        SourceWatch watch;
        std::unique_ptr<CameraMonitor> cameras;
        if (WatchesCamera()) {
            cameras = std::make_unique<CameraMonitor>();
            LearnCameraIdentity(*cameras);
        }
        while (supervising) {
            std::string reason = NextFailure();
            if (cameras) HearCameras(*cameras, &watch, &reason);
            uint64_t serial;
            {
                std::lock_guard<std::mutex> lock(mutex);
                serial = latest_serial;
            }
            const SourceWatch::Action action =
                watch.Poll(!reason.empty(), serial, g_get_monotonic_time(), retry_ms);
            Act(action, reason, cameras.get());
        }
    }
};

VideoSource::VideoSource() : impl_(new Impl) {}

VideoSource::~VideoSource() {
    ReleaseGraph();
    delete impl_;
}

int VideoSource::BuildGraphFromXMLFile(const char* path) {
    Impl& s = *impl_;
    if (s.pipeline) ReleaseGraph();
    s.file = path ? path : "";
    s.failure.clear();
    s.started_source = -1;
    s.bad_frame_told = false;
    s.lost = false;
    s.camera_identity = CameraIdentity{};
    s.description = DeviceDescription{};
    std::string error;
    if (!EnsureGstreamer(&error) ||
        !LoadDeviceDescription(s.file.c_str(), &s.description, &error)) {
        s.Fail(error);
        return -1;
    }
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.released = false;
    }
    const std::vector<CaptureSourceSpec>& sources = s.description.sources;
    for (size_t i = 0; i < sources.size(); ++i) {
        error.clear();
        s.camera_name.clear();
        s.mode_format = CameraFormat::kRaw;
        s.modes_listed = false;
        if (s.TryStart(sources[i], &error)) {
            s.started_source = static_cast<int>(i);
            s.ReportStart(i);
            return 0;
        }
        s.Fail(DescribeSource(sources[i], i) + ": " + error);
        s.DropPipeline();
    }
    s.Fail("no source could be started");
    return -1;
}

const char* VideoSource::FailureReason() const { return impl_->failure.c_str(); }

int VideoSource::StartedSource() const { return impl_->started_source; }

std::string VideoSource::CameraStandInNotice() const {
    const Impl& s = *impl_;
    if (s.started_source < 0) return {};
    return StandInNotice(s.description, static_cast<size_t>(s.started_source));
}

int VideoSource::GetCurrentMediaFormat(long* width, long* height, double* frame_rate) {
    const Impl& s = *impl_;
    if (!s.pipeline) return -1;
    if (width) *width = s.width;
    if (height) *height = s.height;
    if (frame_rate) *frame_rate = static_cast<double>(s.fps_num) / s.fps_den;
    return 0;
}

int VideoSource::EnableMemoryBuffer(unsigned max_concurrent_checkouts) {
    if (!impl_->pipeline || max_concurrent_checkouts == 0 || max_concurrent_checkouts > kMaxCheckouts)
        return -1;
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->max_checkouts = max_concurrent_checkouts;
    return 0;
}

int VideoSource::Run() {
    Impl& s = *impl_;
    if (!s.pipeline) return -1;
    if (gst_element_set_state(s.pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        const std::string text = PopStartError(s.bus);
        s.Fail(text.empty() ? "cannot start" : "cannot start: " + text);
        return -1;
    }
    if (!s.supervising.exchange(true)) s.supervisor = std::thread([&s] { s.Supervise(); });
    return 0;
}

int VideoSource::WaitForNextSample(long timeout_ms) {
    Impl& s = *impl_;
    std::unique_lock<std::mutex> lock(s.mutex);
    Impl::Reader* reader = s.FindReader(false);
    uint64_t seen = reader ? reader->serial : 0;
    // Nothing is ready before the first frame of Run().
    auto ready = [&] { return s.released || (s.latest && s.latest_serial > seen); };
    if (timeout_ms < 0)
        s.frame_ready.wait(lock, ready);
    else
        s.frame_ready.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready);
    return !s.released && s.latest && s.latest_serial > seen ? 0 : -1;
}

int VideoSource::CheckoutMemoryBuffer(MemoryBufferHandle* handle, uint8_t** pixels,
                                      unsigned* width, unsigned* height, int64_t* timestamp) {
    Impl& s = *impl_;
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.latest || s.released) return -1;
    for (unsigned i = 0; i < s.max_checkouts; ++i) {
        Impl::Checkout& slot = s.checkouts[i];
        if (slot.used) continue;
        GstBuffer* buffer = gst_sample_get_buffer(s.latest);
        size_t frame_bytes = static_cast<size_t>(s.expect_width) * s.expect_height * 4;
        if (!gst_buffer_map(buffer, &slot.map, GST_MAP_READ)) return -1;
        if (slot.map.size < frame_bytes) {
            gst_buffer_unmap(buffer, &slot.map);
            return -1;
        }
        slot.used = true;
        slot.sample = gst_sample_ref(s.latest);
        if (Impl::Reader* reader = s.FindReader(true)) reader->serial = s.latest_serial;
        if (handle) *handle = static_cast<MemoryBufferHandle>(i);
        if (pixels) *pixels = slot.map.data;
        if (width) *width = static_cast<unsigned>(s.expect_width);
        if (height) *height = static_cast<unsigned>(s.expect_height);
        if (timestamp) *timestamp = s.latest_stamp;
        return 0;
    }
    return -1;  // every allowed holder already holds a frame
}

int VideoSource::CheckinMemoryBuffer(MemoryBufferHandle handle) {
    Impl& s = *impl_;
    GstSample* sample;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (handle < 0 || handle >= static_cast<int>(kMaxCheckouts) || !s.checkouts[handle].used)
            return -1;
        Impl::Checkout& slot = s.checkouts[handle];
        gst_buffer_unmap(gst_sample_get_buffer(slot.sample), &slot.map);
        sample = slot.sample;
        slot = Impl::Checkout{};
    }
    gst_sample_unref(sample);
    return 0;
}

int64_t VideoSource::GetCurrentTimestamp() {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->latest_stamp;
}

void VideoSource::SetRetryInterval(int milliseconds) { impl_->retry_ms = std::max(1, milliseconds); }

bool VideoSource::Lost() const { return impl_->lost; }

int VideoSource::Stop() {
    Impl& s = *impl_;
    if (!s.pipeline) return -1;
    if (s.supervising.exchange(false)) s.supervisor.join();
    gst_element_set_state(s.pipeline, GST_STATE_NULL);
    return 0;
}

int VideoSource::ReleaseGraph() {
    Impl& s = *impl_;
    if (!s.pipeline) return -1;
    Stop();
    // Waiters wake up with a negative result; frames still checked out are
    // given back here, a later check-in of them is refused.
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.released = true;
        for (Impl::Checkout& slot : s.checkouts)
            if (slot.used) {
                gst_buffer_unmap(gst_sample_get_buffer(slot.sample), &slot.map);
                gst_sample_unref(slot.sample);
                slot = Impl::Checkout{};
            }
    }
    s.frame_ready.notify_all();
    s.DropPipeline();
    return 0;
}
