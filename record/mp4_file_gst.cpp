// Mp4File's muxer: appsrc (H.264, avc) ! mp4mux (fragmented) ! fdsink on the
// file Create opened.  GLUT runs no GLib main loop: the bus is polled, and
// Finish waits for end-of-stream with a time limit.
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <cerrno>
#include <string>

#include "record/avi_file.h"
#include "record/mp4_file.h"

namespace {

constexpr GstClockTime kFinishLimit = 10 * GST_SECOND;

// The errno a muxer error stands for: a full disk is told apart.
int ErrorNumberOf(const GError* error) {
    if (error && error->domain == GST_RESOURCE_ERROR && error->code == GST_RESOURCE_ERROR_NO_SPACE_LEFT)
        return ENOSPC;
    return EIO;
}

void ReadError(GstMessage* message, std::string* reason, int* error_number) {
    GError* error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    *reason = error ? error->message : "the MP4 muxer failed";
    *error_number = ErrorNumberOf(error);
    g_clear_error(&error);
}

GstCaps* StreamCaps(const AviStreamFormat& format) {
    GstCaps* caps = gst_caps_new_simple(
        "video/x-h264", "stream-format", G_TYPE_STRING, "avc", "alignment", G_TYPE_STRING, "au", "width",
        G_TYPE_INT, int(format.width), "height", G_TYPE_INT, int(format.height), "framerate",
        GST_TYPE_FRACTION, int(format.frame_rate), 1, "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
    if (!format.setup.empty()) {
        GstBuffer* setup = gst_buffer_new_memdup(format.setup.data(), format.setup.size());
        gst_caps_set_simple(caps, "codec_data", GST_TYPE_BUFFER, setup, nullptr);
        gst_buffer_unref(setup);
    }
    return caps;
}

}  // namespace

struct Mp4File::Muxer {
    GstElement* pipeline = nullptr;
    GstElement* appsrc = nullptr;
    GstBus* bus = nullptr;

    ~Muxer() {
        if (pipeline) gst_element_set_state(pipeline, GST_STATE_NULL);
        if (bus) gst_object_unref(bus);
        if (pipeline) gst_object_unref(pipeline);
    }

    // False, with the reason, once the muxer or the disk has failed.
    bool Healthy(std::string* reason, int* error_number) {
        GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
        if (!message) return true;
        ReadError(message, reason, error_number);
        gst_message_unref(message);
        return false;
    }
};

bool Mp4File::Begin(const AviStreamFormat& format) {
    if (fd_ < 0 || muxer_ || failed_) return false;
    muxer_ = new Muxer;
    Muxer& m = *muxer_;
    m.pipeline = gst_pipeline_new("mp4-writer");
    m.appsrc = gst_element_factory_make("appsrc", nullptr);
    GstElement* mux = gst_element_factory_make("mp4mux", nullptr);
    GstElement* sink = gst_element_factory_make("fdsink", nullptr);
    if (!m.pipeline || !m.appsrc || !mux || !sink) {
        for (GstElement* element : {m.appsrc, mux, sink})
            if (element) gst_object_unref(gst_object_ref_sink(element));
        m.appsrc = nullptr;
        return Fail("the MP4 muxer (mp4mux) is not installed", 0);
    }
    gst_bin_add_many(GST_BIN(m.pipeline), m.appsrc, mux, sink, nullptr);
    GstCaps* caps = StreamCaps(format);
    g_object_set(m.appsrc, "caps", caps, "format", GST_FORMAT_TIME, "block", FALSE, "is-live", FALSE, nullptr);
    gst_caps_unref(caps);
    g_object_set(mux, "fragment-duration", guint(kMp4FragmentMs), nullptr);
    g_object_set(sink, "fd", fd_, "sync", FALSE, "async", FALSE, nullptr);
    m.bus = gst_element_get_bus(m.pipeline);
    // The video pad by name: left to itself the link may take the audio pad.
    if (!gst_element_link_pads(m.appsrc, "src", mux, "video_%u") || !gst_element_link(mux, sink))
        return Fail("the MP4 muxer does not take H.264", 0);
    if (gst_element_set_state(m.pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE ||
        !m.Healthy(&error_, &error_number_))
        return Fail("the MP4 muxer did not start", error_number_);
    return true;
}

bool Mp4File::Write(const EncodedFrame& frame) {
    if (!muxer_ || failed_) return false;
    std::string reason;
    int error_number = 0;
    if (!muxer_->Healthy(&reason, &error_number)) return Fail(reason, error_number);
    GstBuffer* buffer = gst_buffer_new_memdup(frame.data, frame.size);
    GST_BUFFER_PTS(buffer) = frame.pts_ns;
    GST_BUFFER_DTS(buffer) = frame.pts_ns;  // no reordered frames: baseline H.264
    GST_BUFFER_DURATION(buffer) = frame.duration_ns;
    if (!frame.key_frame) GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
    if (gst_app_src_push_buffer(GST_APP_SRC(muxer_->appsrc), buffer) != GST_FLOW_OK)
        return Fail("the MP4 muxer took no more frames", EIO);
    ++frames_;
    return true;
}

bool Mp4File::StopMuxer() {
    if (!muxer_) return true;
    Muxer* m = muxer_;
    muxer_ = nullptr;
    std::string reason;
    int error_number = 0;
    bool finished = m->Healthy(&reason, &error_number);
    if (finished) {
        // End of stream: the last fragment, the index and the duration.
        gst_app_src_end_of_stream(GST_APP_SRC(m->appsrc));
        GstMessage* message =
            gst_bus_timed_pop_filtered(m->bus, kFinishLimit, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (!message) {
            reason = "the MP4 file was not finished in time";
            error_number = EIO;
            finished = false;
        } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            ReadError(message, &reason, &error_number);
            finished = false;
        }
        if (message) gst_message_unref(message);
    }
    delete m;
    return finished || Fail(reason, error_number);
}
