// One motion measurement (copy the frame, count differing pixels against the
// last snapshot) at 640x480, 1280x720 and 1920x1080, against a plain memcpy
// of one frame of the same size.  Median of many runs; the frames alternate
// as a live camera's do, and each run sees a different frame than the last.
// Then one analysis of the robust detector at 640x480 and 1920x1080 on
// noisy frames with a moving box, against a memcpy in the same run.
// Usage: motion_bench [runs-per-size]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/app.h"
#include "motion/motion.h"
#include "motion/robust_detector.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename F>
double MedianMicroseconds(int runs, F&& one_run) {
    std::vector<double> times;
    times.reserve(runs);
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        one_run(i);
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[runs / 2];
}

// Frames of a noisy wall with a dark box moving across, BGRx.
std::vector<std::vector<uint8_t>> NoisyFrames(int w, int h, int count) {
    std::vector<std::vector<uint8_t>> frames(count, std::vector<uint8_t>(static_cast<size_t>(w) * h * 4));
    uint32_t state = 7;
    for (int f = 0; f < count; ++f)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                state ^= state << 13, state ^= state >> 17, state ^= state << 5;
                const bool box = x / (w / 16) == f && y > h / 3 && y < h / 2;
                const int level = (box ? 40 : 140 + (x * 60) / w) + static_cast<int>(state % 9) - 4;
                uint8_t* p = &frames[f][(static_cast<size_t>(y) * w + x) * 4];
                p[0] = p[1] = p[2] = static_cast<uint8_t>(level);
                p[3] = 255;
            }
    return frames;
}

void RobustAnalysis(int runs) {
    std::printf("%-10s %12s %12s %8s %14s\n", "size", "robust us", "memcpy us", "ratio", "at 10/s");
    const RobustSettings settings;
    for (auto [w, h] : {std::pair{640, 480}, std::pair{1920, 1080}}) {
        const auto frames = NoisyFrames(w, h, 16);
        std::vector<uint8_t> target(frames[0].size());
        RobustDetector detector;
        double seconds = 0;
        auto analyse = [&](int i) {
            seconds += settings.analysis_period;  // every call is due
            RobustStep(detector, settings, frames[i % 16].data(), w, h, seconds, 0.18f, nullptr, 0);
        };
        for (int i = 0; i < 20; ++i) analyse(i);  // reference and noise settled
        const double robust = MedianMicroseconds(runs, analyse);
        const double copy = MedianMicroseconds(runs, [&](int i) {
            std::memcpy(target.data(), frames[i % 16].data(), target.size());
        });
        const double share = robust / 1e6 / settings.analysis_period * 100;
        std::printf("%4dx%-5d %12.1f %12.1f %8.2f %7.2f %% core\n", w, h, robust, copy, robust / copy, share);
    }
    std::printf("(robust: one analysis of a frame; it analyses at most 10 a second)\n");
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 200;
    app.motion_shot_on = app.motion_alarm_on = app.motion_record_on = false;
    std::printf("%-10s %12s %12s %8s\n", "size", "measure us", "memcpy us", "ratio");
    const int sizes[][2] = {{640, 480}, {1280, 720}, {1920, 1080}};
    for (const auto& size : sizes) {
        const int w = size[0], h = size[1];
        const size_t bytes = static_cast<size_t>(w) * h * 4;
        // Two camera frames that differ in a tenth of their pixels.
        std::vector<uint8_t> frames[2] = {std::vector<uint8_t>(bytes), std::vector<uint8_t>(bytes)};
        for (size_t i = 0; i < bytes; ++i) {
            frames[0][i] = static_cast<uint8_t>(i * 7);
            frames[1][i] = static_cast<uint8_t>(i * 7 + ((i / 4) % 10 == 0));
        }
        std::vector<uint8_t> target(bytes);
        MeasureMotion(w, h, frames[1].data());  // primes and sizes the snapshots

        const double measure = MedianMicroseconds(runs, [&](int i) {
            MeasureMotion(w, h, frames[i % 2].data());
        });
        const double copy = MedianMicroseconds(runs, [&](int i) {
            std::memcpy(target.data(), frames[i % 2].data(), bytes);
        });
        if (app.pcd < 2.0f || app.pcd > 3.0f) std::printf("unexpected pcd %f\n", app.pcd);
        std::printf("%4dx%-5d %12.1f %12.1f %8.2f\n", w, h, measure, copy, measure / copy);
    }
    RobustAnalysis(runs);
    return 0;
}
