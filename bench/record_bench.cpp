// Recording cost: the AVI writer per frame for each offered encoder at
// 640x480 (and raw/MJPEG at 1920x1080), the window read-back at 1920x1080,
// the frame routine at 640x480 with and without normal recording (MJPEG), and
// the bytes per second of AVI/MJPEG against MP4/H.264 for one 640x480 clip.
// Usage: record_bench [frames-per-case]   (needs DISPLAY; run by bench/run)
#include <GL/freeglut.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app.h"
#include "platform/encoder_chooser.h"
#include "record/avi_generator.h"
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

// A picture that changes every frame like a camera's: a gradient with a
// moving bar and some noise.
void Animate(std::vector<uint8_t>& frame, int width, int height, int n) {
    uint32_t noise = 12345u + n;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &frame[(size_t(y) * width + x) * 4];
            noise = noise * 1664525u + 1013904223u;
            const bool bar = ((x + n * 8) % width) < width / 10;
            p[0] = uint8_t(bar ? 240 : x * 255 / width);
            p[1] = uint8_t(y * 255 / height);
            p[2] = uint8_t((noise >> 24) & 0x1F) + 80;
            p[3] = 255;
        }
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
    for (int i = 0; i < 8; ++i) Animate(pictures[i], width, height, i);
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
        Animate(camera, app.video_width, app.video_height, runs);
        app.frame_buffer[0] = camera.data();
        FrameRoutine();
        ++runs;
    } while (Seconds(start) < seconds);
    return Seconds(start) * 1000 / runs;
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
    Animate(camera, 640, 480, 0);
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

    Window(1920, 1080);
    const int w = glutGet(GLUT_WINDOW_WIDTH) / 4 * 4, h = glutGet(GLUT_WINDOW_HEIGHT) / 4 * 4;
    std::printf("window read-back %dx%d: %.2f ms per frame\n", w, h, ReadBackCost(w, h, frames / 3));
    Window(640, 480);
    Reshape(640, 480);

    if (!shaders) std::printf("(no shader programs loaded)\n");
    const double plain = FrameRoutineCost(camera, 3);
    app.clock_day = 1, app.clock_month = 1, app.clock_year = 2000;
    g_encoder = "mjpeg";
    SetRecordMode(kRecordNormal);
    const double paced = FrameRoutineCost(camera, 3);
    record.clock_ms = OneFramePerCall;  // every run owes one frame
    const double every = FrameRoutineCost(camera, 3);
    record.clock_ms = nullptr;
    app.record_mode = kRecordOff;  // closed below without the notice box
    record.avi_generator.Close();
    record.file_open = false;
    std::printf("frame routine 640x480 (no pause): %.2f ms; recording normal MJPEG: %.2f ms "
                "(real-time pacing), %.2f ms (a frame written every run)\n",
                plain, paced, every);
    std::printf("(goal: recording MJPEG keeps the display at the camera's 30 fps: "
                "run + 20 ms pause <= 33 ms)\n");
    std::system((std::string("rm -rf ") + scratch).c_str());
    return 0;
}
