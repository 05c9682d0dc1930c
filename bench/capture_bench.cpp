// Capture costs: one fetch copy (checkout, copy into our buffer, check-in)
// at 640x480 and 1920x1080 against a plain memcpy of the same frame; the
// whole FetchFrames with its texture upload per new frame; and the CPU share
// of a live 640x480 30 fps source, alone and with the holder threads and a
// 50 Hz fetch loop as the program runs it.  The GL parts need a display.
// Usage: capture_bench [runs]
#include <GL/freeglut.h>
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
#include <vector>

#include "app/app.h"
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

std::string WriteDescription(const std::string& path, const std::string& pipeline) {
    std::ofstream(path) << "<capture><source pipeline=\"" << pipeline << "\"/></capture>\n";
    return path;
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

    const int sizes[][2] = {{640, 480}, {1920, 1080}};
    for (const auto& size : sizes) {
        const int w = size[0], h = size[1];
        std::string folder = dir + "/" + std::to_string(w);
        mkdir(folder.c_str(), 0755);
        mkdir((folder + "/dsvl").c_str(), 0755);
        WriteDescription(folder + "/dsvl/device1.xml", TestPattern(w, h, true));
        WriteDescription(folder + "/dsvl/device2.xml", "nosuchelement");
        if (chdir(folder.c_str()) != 0) return false;
        app = Application{};
        if (!OpenCaptureDevices(kDeviceFiles)) return false;
        glGenTextures(1, &render.texture_table[0]);
        glBindTexture(GL_TEXTURE_2D, render.texture_table[0]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kTextureSize, kTextureSize, 0, GL_BGRA,
                     GL_UNSIGNED_BYTE, nullptr);

        // One FetchFrames per new frame, timed alone.
        std::vector<double> times;
        for (int i = 0; i < 60; ++i) {
            capture.video_source[0]->WaitForNextSample(200);
            const auto start = Clock::now();
            UploadCameraFrames(FetchFrames());
            glFinish();
            times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
        std::nth_element(times.begin(), times.begin() + 30, times.end());
        std::printf("FetchFrames with upload, new %dx%d frame: %.1f us (median)\n", w, h, times[30]);

        if (w == 640) {
            const double share = CpuShare(5.0, [](Clock::time_point end) {
                while (Clock::now() < end) {
                    UploadCameraFrames(FetchFrames());
                    glFinish();
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
            });
            std::printf("live 640x480@30 with holder threads and 50 Hz FetchFrames: %.1f %% of one core\n",
                        share);
        }
        glDeleteTextures(1, &render.texture_table[0]);
        CloseCaptureDevices();
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 300;
    char pattern[] = "/tmp/capture-bench-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    BenchFetchCopy(dir, runs);
    BenchSourceAlone(dir);
    if (!BenchProgramFetch(dir)) std::printf("(no display: FetchFrames figures skipped)\n");
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return 0;
}
