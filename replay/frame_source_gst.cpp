// lumora-replay's decoder: uridecodebin (video streams only) ! videoconvert
// ! videoflip (bottom row first, as the capture delivers) ! BGRx ! appsink,
// pulled as fast as it decodes.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstring>
#include <vector>

#include "replay/replay.h"

namespace {

constexpr const char* kPipeline =
    "uridecodebin name=source caps=video/x-raw expose-all-streams=false ! videoconvert ! "
    "videoflip video-direction=vert ! video/x-raw,format=BGRx ! appsink name=sink sync=false";

// The bus's error, if one came, as "text (details)".
bool TakeBusError(GstElement* pipeline, std::string* error) {
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    gst_object_unref(bus);
    if (!message) return false;
    GError* gerror = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &gerror, &debug);
    *error = gerror ? gerror->message : "unknown error";
    g_clear_error(&gerror);
    g_free(debug);
    gst_message_unref(message);
    return true;
}

// Hands one sample's picture on, rows packed.
void HandSample(GstSample* sample, FrameHandler frame, void* context, std::vector<uint8_t>& packed) {
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) return;
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return;
    const int width = GST_VIDEO_INFO_WIDTH(&info), height = GST_VIDEO_INFO_HEIGHT(&info);
    const size_t row = static_cast<size_t>(width) * 4, stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
    packed.resize(row * height);
    for (int y = 0; y < height; ++y) std::memcpy(&packed[y * row], map.data + y * stride, row);
    gst_buffer_unmap(buffer, &map);
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    const double seconds = GST_CLOCK_TIME_IS_VALID(pts) ? static_cast<double>(pts) / GST_SECOND : 0.0;
    frame(context, packed.data(), width, height, seconds);
}

// Pulls every frame; the count, or -1 with *error set.  An error never
// reaches the sink as the end of the stream, so the bus is asked between
// short waits.
long PullFrames(GstElement* pipeline, FrameHandler frame, void* context, std::string* error) {
    constexpr GstClockTime kWait = 100 * GST_MSECOND;
    GstAppSink* sink = GST_APP_SINK(gst_bin_get_by_name(GST_BIN(pipeline), "sink"));
    std::vector<uint8_t> packed;
    long count = 0;
    bool failed = false;
    while (!(failed = TakeBusError(pipeline, error)) && !gst_app_sink_is_eos(sink)) {
        GstSample* sample = gst_app_sink_try_pull_sample(sink, kWait);
        if (!sample) continue;
        HandSample(sample, frame, context, packed);
        gst_sample_unref(sample);
        ++count;
    }
    gst_object_unref(sink);
    return failed ? -1 : count;
}

}  // namespace

bool DecodeVideoFile(const std::string& path, FrameHandler frame, void* context, std::string* error) {
    if (!g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR)) {
        *error = "no such file";
        return false;
    }
    gst_init(nullptr, nullptr);
    GError* gerror = nullptr;
    GstElement* pipeline = gst_parse_launch(kPipeline, &gerror);
    if (!pipeline) {
        *error = std::string("GStreamer cannot decode files here: ") + (gerror ? gerror->message : "");
        g_clear_error(&gerror);
        return false;
    }
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "source");
    gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
    g_object_set(source, "uri", uri, nullptr);
    g_free(uri);
    gst_object_unref(source);

    long count = -1;
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        if (!TakeBusError(pipeline, error)) *error = "the pipeline did not start";
    } else {
        count = PullFrames(pipeline, frame, context, error);
        if (count == 0) *error = "no video in it";
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return count > 0;
}
