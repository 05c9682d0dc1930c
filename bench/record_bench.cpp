// Recording cost: the AVI writer per frame for each offered encoder at
// 640x480 (and raw/MJPEG at 1920x1080), the window read-back at 1920x1080,
// the frame routine at 640x480 with and without normal recording (MJPEG), and
// the bytes per second of AVI/MJPEG against MP4/H.264 for one 640x480 clip,
// the pre-capture ring's memory for 10 s at 640x480 and 1920x1080, and the
// frame routine with the ring running (motion record on, no event) against
// without it.
// Usage: record_bench [frames-per-case]   (needs DISPLAY; run by bench/run)
#include <GL/freeglut.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "bench/camera_picture.h"
#include "platform/encoder_chooser.h"
#include "record/avi_generator.h"
#include "record/precapture.h"
#include "record/record.h"
#include "render/frame_loop.h"
#include "render/render.h"
#include "render/shader.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string g_encoder = "mjpeg";
VideoContainer g_container = VideoContainer::kAvi;

bool Choose(const std::vector<EncoderOption>& offered, EncoderChoice* choice) {
    if (FindEncoderOption(offered, g_encoder) < 0) return false;
    choice->id = g_encoder;
    choice->quality = 85;
    choice->container = g_container;
    return true;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

struct WriterRun {
    double ms_per_frame = -1;  // the file finished (Close waits for the encoder) included
    uint64_t file_bytes = 0;
};

// Writes `frames` frames of the same clip (eight pictures in turn).
WriterRun WriteClip(const std::string& encoder, VideoContainer container, int width, int height, int frames) {
    g_encoder = encoder;
    g_container = container;
    std::vector<std::vector<uint8_t>> pictures(8, std::vector<uint8_t>(size_t(width) * height * 4));
    for (int i = 0; i < 8; ++i) AnimateCameraPicture(pictures[i], width, height, i);
    const BitmapInfoHeader header = FrameHeader(width, height);
    AviGenerator writer;
    writer.SetFrameRate(kRecordFrameRate);
    writer.SetHeader(&header);
    writer.SetOutputName(("capture/record/bench_" + encoder + ContainerExtension(container)).c_str());
    WriterRun run;
    if (writer.Open() != 0) {
        writer.Close();
        return run;
    }
    const auto start = Clock::now();
    for (int i = 0; i < frames; ++i) writer.WriteFrame(pictures[i % 8].data());
    writer.Close();
    run.ms_per_frame = Seconds(start) * 1000 / frames;
    struct stat info;
    if (stat(writer.GetFileName().c_str(), &info) == 0) run.file_bytes = uint64_t(info.st_size);
    return run;
}

double WriterCost(const std::string& encoder, int width, int height, int frames) {
    return WriteClip(encoder, VideoContainer::kAvi, width, height, frames).ms_per_frame;
}

// File bytes per second of recording (15 frames a second) for one clip.
void PrintFileRates(int frames) {
    std::printf("file size, 640x480 at %u fps, the same %d-frame clip, quality 85:\n", kRecordFrameRate, frames);
    const struct {
        const char* encoder;
        VideoContainer container;
    } kCases[] = {{"mjpeg", VideoContainer::kAvi}, {"h264", VideoContainer::kAvi}, {"h264", VideoContainer::kMp4}};
    for (const auto& c : kCases) {
        const WriterRun run = WriteClip(c.encoder, c.container, 640, 480, frames);
        const double seconds = double(frames) / kRecordFrameRate;
        std::printf("  %s/%-6s %8.0f KiB/s  (%.2f ms per frame)\n", ContainerLabel(c.container), c.encoder,
                    run.file_bytes / seconds / 1024, run.ms_per_frame);
    }
}

double ReadBackCost(int width, int height, int frames) {
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    const auto start = Clock::now();
    for (int i = 0; i < frames; ++i) {
        glClearColor(float(i % 7) / 7, 0.3f, 0.6f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        ReadWindowPixels(width, height, width, pixels.data());
    }
    return Seconds(start) * 1000 / frames;
}

uint32_t g_fake_ms = 0;
uint32_t OneFramePerCall() { return g_fake_ms += 1000 / kRecordFrameRate + 1; }

// Frame routine runs (no 20 ms pause) over about `seconds`.
double FrameRoutineCost(std::vector<uint8_t>& camera, double seconds) {
    int runs = 0;
    const auto start = Clock::now();
    do {
        AnimateCameraPicture(camera, app.video_width, app.video_height, runs);
        app.frame_buffer[0] = camera.data();
        FrameRoutine();
        ++runs;
    } while (Seconds(start) < seconds);
    return Seconds(start) * 1000 / runs;
}

// The ring's bytes once 11 s of changing frames (every one its own picture)
// have been encoded with 10 s before the event asked.
struct RingFigure {
    uint64_t bytes = 0;
    double seconds = 0;
};

RingFigure PrecaptureMemory(const std::string& encoder, int width, int height) {
    g_encoder = encoder;
    g_container = VideoContainer::kAvi;
    const BitmapInfoHeader header = FrameHeader(width, height);
    AviGenerator writer;
    writer.SetFrameRate(kRecordFrameRate);
    writer.SetHeader(&header);
    writer.SetOutputName("capture/record/bench_precapture.avi");
    writer.SetPrecapture(10 * kNsPerSecond);
    if (writer.Open() != 0) {
        writer.Close();
        return {};
    }
    std::vector<uint8_t> picture(size_t(width) * height * 4);
    const int frames = 11 * int(kRecordFrameRate);
    for (int i = 0; i < frames; ++i) {
        AnimateCameraPicture(picture, width, height, i);
        writer.WriteFrame(picture.data());
    }
    // The encoder's last frames reach the ring shortly after.
    for (int wait = 0; wait < 100 && writer.PrecaptureHeldNs() < 10 * kNsPerSecond; ++wait) usleep(10000);
    usleep(100000);
    const RingFigure figure{writer.PrecaptureBytes(), double(writer.PrecaptureHeldNs()) / kNsPerSecond};
    writer.Close();
    return figure;
}

void PrintPrecaptureMemory() {
    std::printf("pre-capture ring, 10 s at %u fps (budget %llu MiB):\n", kRecordFrameRate,
                static_cast<unsigned long long>(kPrecaptureBudgetBytes >> 20));
    for (const char* encoder : {"mjpeg", "h264", "raw"})
        for (const auto& [width, height] : {std::pair{640, 480}, std::pair{1920, 1080}}) {
            const RingFigure ring = PrecaptureMemory(encoder, width, height);
            std::printf("  %-6s %4dx%-4d %7.1f MiB holding %.1f s\n", encoder, width, height,
                        double(ring.bytes) / (1 << 20), ring.seconds);
        }
}

struct PacedCosts {
    double paced = 0;  // real-time pacing
    double every = 0;  // a frame written every run
};

// The frame routine while `start` has begun a recording; the recording is
// closed after without its notice box.
PacedCosts CostsWhileRecording(std::vector<uint8_t>& camera, void (*start)()) {
    start();
    PacedCosts costs;
    costs.paced = FrameRoutineCost(camera, 3);
    record.clock_ms = OneFramePerCall;  // every run owes one frame
    costs.every = FrameRoutineCost(camera, 3);
    record.clock_ms = nullptr;
    app.record_mode = kRecordOff;
    app.motion_record_on = false;
    record.avi_generator.Close();
    record.file_open = false;
    return costs;
}

void Window(int width, int height) {
    glutReshapeWindow(width, height);
    for (int i = 0; i < 50; ++i) glutMainLoopEvent();
    glutSwapBuffers();
    glViewport(0, 0, width, height);
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 150;
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(640, 480);
    glutCreateWindow("record_bench");
    glutDisplayFunc([] {});
    for (int i = 0; i < 20; ++i) glutMainLoopEvent();
    SetEncoderChooser(Choose);
    unsetenv("LUMORA_ENCODER");

    const char* source = std::getenv("LUMORA_SOURCE_DIR");
    if (chdir((std::string(source ? source : ".") + "/data").c_str()) != 0) {
        std::perror("record_bench: data folder");
        return 1;
    }
    app.video_width = 640;
    app.video_height = 480;
    app.video_frame_rate = 30;
    std::vector<uint8_t> camera(640 * 480 * 4);
    AnimateCameraPicture(camera, 640, 480, 0);
    app.frame_buffer[0] = camera.data();
    frame_loop.sleep_milliseconds = 0;
    RenderingSetup();
    Reshape(640, 480);
    const bool shaders = LoadShaderPrograms();

    // Files go to a scratch folder, not into the data folder.
    char scratch[] = "/tmp/record-bench-XXXXXX";
    if (!mkdtemp(scratch) || chdir(scratch) != 0) return 1;
    std::system("mkdir -p capture/record capture/screenshot");

    std::printf("AVI writer, ms per frame (file finished included), %d frames:\n", frames);
    for (const char* encoder : {"raw", "mjpeg", "h264", "mpeg4"}) {
        const double ms = WriterCost(encoder, 640, 480, frames);
        if (ms < 0)
            std::printf("  %-6s 640x480    not offered\n", encoder);
        else
            std::printf("  %-6s 640x480   %7.2f ms  (%4.0f fps)\n", encoder, ms, 1000 / ms);
    }
    for (const char* encoder : {"raw", "mjpeg", "h264"}) {
        const double ms = WriterCost(encoder, 1920, 1080, frames / 3);
        std::printf("  %-6s 1920x1080 %7.2f ms  (%4.0f fps)\n", encoder, ms, 1000 / ms);
    }

    PrintFileRates(frames);
    PrintPrecaptureMemory();

    Window(1920, 1080);
    const int w = glutGet(GLUT_WINDOW_WIDTH) / 4 * 4, h = glutGet(GLUT_WINDOW_HEIGHT) / 4 * 4;
    std::printf("window read-back %dx%d: %.2f ms per frame\n", w, h, ReadBackCost(w, h, frames / 3));
    Window(640, 480);
    Reshape(640, 480);

    if (!shaders) std::printf("(no shader programs loaded)\n");
    const double plain = FrameRoutineCost(camera, 3);
    app.clock_day = 1, app.clock_month = 1, app.clock_year = 2000;
    g_encoder = "mjpeg";
    const PacedCosts normal = CostsWhileRecording(camera, [] { SetRecordMode(kRecordNormal); });
    std::printf("frame routine 640x480 (no pause): %.2f ms; recording normal MJPEG: %.2f ms "
                "(real-time pacing), %.2f ms (a frame written every run)\n",
                plain, normal.paced, normal.every);
    std::printf("(goal: recording MJPEG keeps the display at the camera's 30 fps: "
                "run + 20 ms pause <= 33 ms)\n");

    // Motion record armed with 5 s before the event and no event: the ring
    // takes every frame the stream is owed.
    app.precapture_seconds = 5;
    const double unarmed = FrameRoutineCost(camera, 3);
    const PacedCosts armed = CostsWhileRecording(camera, SetMotionRecord);
    std::printf("frame routine 640x480 (no pause), same run: %.2f ms without the pre-capture ring, "
                "%.2f ms with it (MJPEG, real-time pacing; ratio %.2f), %.2f ms (a frame every run)\n",
                unarmed, armed.paced, armed.paced / unarmed, armed.every);
    std::system((std::string("rm -rf ") + scratch).c_str());
    return 0;
}
