// Capture costs: one fetch copy (checkout, copy into our buffer, check-in)
// at 640x480 and 1920x1080 against a plain memcpy of the same frame; the
// decode cost of a Motion JPEG frame at 1280x720 and 1920x1080 with each
// decoder (alone, and with the conversion that follows it); the CPU share of
// a live 640x480 30 fps source, alone and with the holder threads and a
// 50 Hz fetch loop as the program runs it; and the program's frame routine
// (FetchFrames with its texture upload) with pipelines, and with a raw and a
// Motion JPEG camera of the same size (the fake cameras of tests/, so their
// CPU share holds their own drawing and encoding too), with the frames per
// second the routine gets from each.  The GL parts need a display.
// Usage: capture_bench [runs]
#include <GL/freeglut.h>
#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/app.h"
#include "capture/camera_modes.h"
#include "capture/capture.h"
#include "capture/video_source.h"
#include "render/render.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename F>
double MedianMicroseconds(int runs, F&& one_run) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        one_run();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[runs / 2];
}

// A description file of one source with these attributes.
std::string WriteSource(const std::string& path, const std::string& attributes) {
    std::ofstream(path) << "<capture><source " << attributes << "/></capture>\n";
    return path;
}

std::string WriteDescription(const std::string& path, const std::string& pipeline) {
    return WriteSource(path, "pipeline=\"" + pipeline + "\"");
}

std::string TestPattern(int width, int height, bool live) {
    return std::string("videotestsrc pattern=ball") + (live ? " is-live=true" : "") +
           " ! video/x-raw,width=" + std::to_string(width) + ",height=" + std::to_string(height) +
           ",framerate=30/1";
}

double CpuSeconds() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// Share of one core the process uses while `work` runs for `seconds`.
template <typename F>
double CpuShare(double seconds, F&& work) {
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    work(start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds)));
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    return 100.0 * (CpuSeconds() - cpu) / wall;
}

void BenchFetchCopy(const std::string& dir, int runs) {
    std::printf("%-10s %14s %12s %8s\n", "size", "fetch copy us", "memcpy us", "ratio");
    const int sizes[][2] = {{640, 480}, {1920, 1080}};
    for (const auto& size : sizes) {
        const int w = size[0], h = size[1];
        const size_t bytes = static_cast<size_t>(w) * h * 4;
        VideoSource source;
        std::string path = WriteDescription(dir + "/copy.xml", TestPattern(w, h, false));
        if (source.BuildGraphFromXMLFile(path.c_str()) < 0 || source.EnableMemoryBuffer(3) < 0 ||
            source.Run() < 0) {
            std::printf("%dx%d: source does not start\n", w, h);
            continue;
        }
        source.WaitForNextSample(2000);
        std::vector<uint8_t> own(bytes), plain(bytes, 7);
        const double fetch = MedianMicroseconds(runs, [&] {
            MemoryBufferHandle handle;
            uint8_t* pixels;
            if (source.CheckoutMemoryBuffer(&handle, &pixels) < 0) return;
            std::memcpy(own.data(), pixels, bytes);
            source.CheckinMemoryBuffer(handle);
        });
        const double copy = MedianMicroseconds(runs, [&] { std::memcpy(own.data(), plain.data(), bytes); });
        std::printf("%4dx%-5d %14.1f %12.1f %8.2f\n", w, h, fetch, copy, fetch / copy);
        source.Stop();
    }
}

void BenchSourceAlone(const std::string& dir) {
    VideoSource source;
    std::string path = WriteDescription(dir + "/live.xml", TestPattern(640, 480, true));
    if (source.BuildGraphFromXMLFile(path.c_str()) < 0 || source.EnableMemoryBuffer(3) < 0 ||
        source.Run() < 0)
        return;
    const double share =
        CpuShare(5.0, [](Clock::time_point end) { std::this_thread::sleep_until(end); });
    std::printf("live 640x480@30 source alone: %.1f %% of one core\n", share);
    source.Stop();
}

// ---- Motion JPEG decoding ----

// A scene a camera might film: videotestsrc settings (and what follows it),
// with W and H standing for the frame size.
struct Scene {
    const char* name;
    const char* source;
};

// Flat bars; many edges; fine detail, about the largest 1920x1080 frame a
// USB 2 camera can send 30 times a second (some 1.1 MB).
constexpr Scene kScenes[] = {
    {"bars", "pattern=smpte"},
    {"pinwheel", "pattern=pinwheel"},
    {"detail", "pattern=snow ! video/x-raw,width=W/8,height=H/8 ! videoscale"},
};

std::string SceneSource(const Scene& scene, int width, int height) {
    std::string text = scene.source;
    for (auto [mark, value] : {std::pair{"W/8", width / 8}, {"H/8", height / 8}})
        if (size_t at = text.find(mark); at != std::string::npos)
            text.replace(at, 3, std::to_string(value));
    return text;
}

// `count` frames of the scene, encoded as a camera's Motion JPEG (quality
// 85), their caps marked parsed as a camera's are once jpegparse saw them.
std::vector<GstSample*> EncodedFrames(const Scene& scene, int width, int height, int count) {
    const std::string text = "videotestsrc num-buffers=" + std::to_string(count) + " " +
                             SceneSource(scene, width, height) +
                             " ! video/x-raw,format=BGRx,width=" + std::to_string(width) +
                             ",height=" + std::to_string(height) +
                             ",framerate=30/1 ! jpegenc quality=85 ! image/jpeg,parsed=true ! "
                             "appsink name=out sync=false";
    GstElement* pipeline = gst_parse_launch(text.c_str(), nullptr);
    std::vector<GstSample*> frames;
    if (!pipeline) return frames;
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    while (GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink)))
        frames.push_back(sample);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return frames;
}

struct DecodeCost {
    double wall_ms = 0, cpu_ms = 0;  // per frame; 0 when the chain failed
};

// Feeds `total` frames (the encoded ones in turn) through appsrc ! `chain` !
// fakesink as fast as they go; the time and CPU per frame.
DecodeCost DecodeCostOf(const std::vector<GstSample*>& frames, const std::string& chain,
                        int total) {
    const std::string text = "appsrc name=in format=time ! " + chain + " ! fakesink sync=false";
    GstElement* pipeline = gst_parse_launch(text.c_str(), nullptr);
    if (!pipeline) return {};
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "in");
    g_object_set(source, "caps", gst_sample_get_caps(frames[0]), nullptr);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    for (int i = 0; i < total; ++i) {
        GstBuffer* buffer = gst_buffer_copy(gst_sample_get_buffer(frames[i % frames.size()]));
        GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(i, GST_SECOND, 30);
        gst_app_src_push_buffer(GST_APP_SRC(source), buffer);
    }
    gst_app_src_end_of_stream(GST_APP_SRC(source));
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(
        bus, 120 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    DecodeCost cost;
    if (end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS) {
        cost.wall_ms =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count() / total;
        cost.cpu_ms = (CpuSeconds() - cpu) * 1000 / total;
    }
    if (end) gst_message_unref(end);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(source);
    gst_object_unref(pipeline);
    return cost;
}

// What follows a decoder in the program (video_source.cpp's tail up to the sink).
constexpr char kBenchConversion[] =
    "videoscale ! videoconvert ! video/x-raw,format=BGRx";

// Decode cost per frame of each Motion JPEG decoder at the HD sizes.
void BenchMjpegDecoding() {
    constexpr int kFrames = 120;
    std::printf("\n%-10s %-9s %6s %-12s %10s %10s %18s\n", "size", "scene", "KiB", "decoder",
                "decode ms", "cpu ms", "with conversion ms");
    const int sizes[][2] = {{1280, 720}, {1920, 1080}};
    for (const auto& size : sizes)
        for (const Scene& scene : kScenes) {
            std::vector<GstSample*> frames = EncodedFrames(scene, size[0], size[1], 30);
            if (frames.empty()) continue;
            const double kib = gst_buffer_get_size(gst_sample_get_buffer(frames[0])) / 1024.0;
            for (const char* decoder : {"jpegdec", "avdec_mjpeg"}) {
                const DecodeCost alone = DecodeCostOf(frames, decoder, kFrames);
                const DecodeCost converted =
                    DecodeCostOf(frames, std::string(decoder) + " ! " + kBenchConversion, kFrames);
                std::printf("%4dx%-5d %-9s %6.0f %-12s %10.2f %10.2f %18.2f\n", size[0], size[1],
                            scene.name, kib, decoder, alone.wall_ms, alone.cpu_ms,
                            converted.wall_ms);
            }
            for (GstSample* frame : frames) gst_sample_unref(frame);
        }
}

// ---- the program's frame fetch ----

// One source the program fetches from: a pipeline or a fake camera.
struct FetchCase {
    const char* label;
    std::string source;  // the <source> attributes
    int width, height;
};

std::vector<FetchCase> FetchCases() {
    auto camera = [](int index, int width, int height) {
        return "camera=\"" + std::to_string(index) + "\" width=\"" + std::to_string(width) +
               "\" height=\"" + std::to_string(height) + "\" framerate=\"30\"";
    };
    auto pattern = [](int width, int height) {
        return "pipeline=\"" + TestPattern(width, height, true) + "\"";
    };
    return {{"pattern", pattern(640, 480), 640, 480},
            {"pattern", pattern(1920, 1080), 1920, 1080},
            {"raw camera", camera(0, 1280, 720), 1280, 720},
            {"MJPEG camera", camera(1, 1280, 720), 1280, 720},
            {"raw camera", camera(0, 1920, 1080), 1920, 1080},
            {"MJPEG camera", camera(1, 1920, 1080), 1920, 1080}};
}

// Over `seconds` of the program's loop (FetchFrames with upload, then the
// frame routine's 20 ms pause): the CPU share and the new frames per second.
void MeasureFetchLoop(double seconds, double* cpu_share, double* fps) {
    int frames = 0;
    *cpu_share = CpuShare(seconds, [&](Clock::time_point end) {
        int64_t last = capture.fetched_stamp[0];
        while (Clock::now() < end) {
            UploadCameraFrames(FetchFrames());
            glFinish();
            if (capture.fetched_stamp[0] != last) ++frames;
            last = capture.fetched_stamp[0];
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    *fps = frames / seconds;
}

// Median time of one FetchFrames with upload of a new frame.
double MedianFetchMicroseconds() {
    std::vector<double> times;
    for (int i = 0; i < 60; ++i) {
        capture.video_source[0]->WaitForNextSample(200);
        const auto start = Clock::now();
        UploadCameraFrames(FetchFrames());
        glFinish();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + 30, times.end());
    return times[30];
}

bool BenchFetchCase(const std::string& dir, const FetchCase& fetch) {
    const std::string folder = dir + "/fetch";
    std::filesystem::create_directories(folder + "/dsvl");
    WriteSource(folder + "/dsvl/device1.xml", fetch.source);
    WriteDescription(folder + "/dsvl/device2.xml", "nosuchelement");
    if (chdir(folder.c_str()) != 0) return false;
    app = Application{};
    if (!OpenCaptureDevices(kDeviceFiles)) {
        std::printf("%-13s %4dx%-5d does not open\n", fetch.label, fetch.width, fetch.height);
        return true;
    }
    glGenTextures(1, &render.texture_table[0]);
    glBindTexture(GL_TEXTURE_2D, render.texture_table[0]);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kTextureSize, kTextureSize, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, nullptr);
    const double fetch_us = MedianFetchMicroseconds();
    double share = 0, fps = 0;
    MeasureFetchLoop(5.0, &share, &fps);
    std::printf("%-13s %4dx%-5d %14.1f %12.1f %10.1f\n", fetch.label, fetch.width, fetch.height,
                fetch_us, share, fps);
    glDeleteTextures(1, &render.texture_table[0]);
    CloseCaptureDevices();
    return true;
}

// The program's way: OpenCaptureDevices (holder threads), FetchFrames into
// a 2048x2048 texture.  Returns false without a display.
bool BenchProgramFetch(const std::string& dir) {
    if (!std::getenv("DISPLAY")) return false;
    int argc = 1;
    char name[] = "capture_bench";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(640, 480);
    glutCreateWindow("capture_bench");
    std::printf(
        "\nthe program's fetch loop (FetchFrames with upload, 20 ms pause), live sources at 30 "
        "fps\n");
    std::printf("%-13s %-10s %14s %12s %10s\n", "source", "size", "new frame us", "cpu % core",
                "frames/s");
    for (const FetchCase& fetch : FetchCases())
        if (!BenchFetchCase(dir, fetch)) return false;
    return true;
}

// The fake cameras of the tests stand in for a raw and a Motion JPEG camera;
// set before GStreamer starts.  A private registry leaves the user's alone.
void UseFakeCameras(const std::string& dir) {
    setenv("GST_PLUGIN_PATH", LUMORA_FAKE_CAMERA_PLUGINS, 1);
    setenv("GST_REGISTRY", (dir + "/gst-registry.bin").c_str(), 1);
    setenv("LUMORA_FAKE_CAMERAS", "kind=raw pattern=smpte; kind=mjpeg pattern=smpte", 1);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 300;
    char pattern[] = "/tmp/capture-bench-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    UseFakeCameras(dir);
    gst_init(nullptr, nullptr);
    BenchFetchCopy(dir, runs);
    BenchMjpegDecoding();
    BenchSourceAlone(dir);
    if (!BenchProgramFetch(dir)) std::printf("(no display: FetchFrames figures skipped)\n");
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return 0;
}
