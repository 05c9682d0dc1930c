// The web view's cost: what the frame routine pays per run with one stream
// client (the hand-over of a camera frame it already holds) against a plain
// copy of that frame and the 1 ms budget; the latency from a frame's
// hand-over to its JPEG's last byte at the client (median, p99); the CPU the
// server and the encoder take per stream client at 640x480 and 1280x720.
// Usage: web_bench [seconds-per-size]   (no display needed; run by bench/run)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "bench/camera_picture.h"
#include "web/web.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kFrameRate = 30;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double CpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

int FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    close(s);
    return ntohs(a.sin_port);
}

// One stream client reading as fast as the server sends: the arrival
// time of each part's end.
struct StreamReader {
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::vector<Clock::time_point> arrivals;
    double cpu_seconds = 0;

    void Run(int port) {
        const double cpu_start = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return;
        const char request[] = "GET /stream.mjpg HTTP/1.1\r\nHost: bench\r\n\r\n";
        if (write(s, request, sizeof request - 1) < 0) return;
        timeval timeout{0, 200000};
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        std::string seen;
        char buffer[65536];
        while (!stop) {
            const ssize_t n = read(s, buffer, sizeof buffer);
            if (n == 0) break;
            if (n < 0) continue;
            seen.append(buffer, size_t(n));
            // A part ends where the next part's boundary begins (or at its
            // closing CRLF: the JPEG's end marker and CRLF).
            size_t end;
            while ((end = seen.find("\xff\xd9\r\n")) != std::string::npos) {
                std::lock_guard<std::mutex> lock(mutex);
                arrivals.push_back(Clock::now());
                seen.erase(0, end + 4);
            }
        }
        close(s);
        cpu_seconds = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - cpu_start;
    }
};

struct Figures {
    double handover_mean_ms = 0, handover_max_ms = 0, copy_ms = 0;
    double latency_median_ms = 0, latency_p99_ms = 0;
    double server_cpu_percent = 0;  // of one core, server and encoder
    size_t parts = 0;
};

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

Figures Measure(int width, int height, double seconds) {
    Figures f;
    app.video_frame_rate = kFrameRate;
    WebSettings settings;
    settings.port = FreePort();
    settings.stream_width = 0;  // the picture's own size
    std::string problem;
    if (!StartWebServer(settings, &problem)) {
        std::fprintf(stderr, "web_bench: %s\n", problem.c_str());
        std::exit(1);
    }
    std::vector<std::vector<uint8_t>> frames(4, std::vector<uint8_t>(size_t(width) * height * 4));
    for (int i = 0; i < 4; ++i) AnimateCameraPicture(frames[i], width, height, i);
    std::vector<uint8_t> copy(frames[0].size());

    StreamReader reader;
    std::thread client([&] { reader.Run(settings.port); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    std::vector<Clock::time_point> handovers;
    std::vector<double> costs;
    const double cpu_start = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double main_cpu_start = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    const auto start = Clock::now();
    const int runs = int(seconds * kFrameRate);
    for (int n = 0; n < runs; ++n) {
        const uint32_t now = uint32_t(Ms(Clock::now() - start)) + 100000;
        const auto before = Clock::now();
        // What WebFrame does with the camera frame it already holds.
        if (WebWantsPicture(WebSource::kCamera, now)) {
            HandOverWebPicture(WebSource::kCamera, width, height, frames[n % 4].data());
            handovers.push_back(Clock::now());
        }
        costs.push_back(Ms(Clock::now() - before));
        std::this_thread::sleep_until(start + std::chrono::microseconds(int64_t((n + 1) * 1e6 / kFrameRate)));
    }
    const double wall = Ms(Clock::now() - start) / 1000;
    const double main_cpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - main_cpu_start;
    reader.stop = true;
    client.join();
    const double cpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu_start;
    StopWebServer();

    double total = 0;
    for (double c : costs) total += c;
    f.handover_mean_ms = total / double(costs.size());
    f.handover_max_ms = *std::max_element(costs.begin(), costs.end());
    const auto copy_start = Clock::now();
    for (int i = 0; i < 50; ++i) std::memcpy(copy.data(), frames[i % 4].data(), copy.size());
    f.copy_ms = Ms(Clock::now() - copy_start) / 50;

    // Each part is the newest frame handed over before it arrived.
    std::vector<double> latencies;
    for (const Clock::time_point& arrival : reader.arrivals) {
        auto it = std::upper_bound(handovers.begin(), handovers.end(), arrival);
        if (it != handovers.begin()) latencies.push_back(Ms(arrival - *(it - 1)));
    }
    f.parts = reader.arrivals.size();
    f.latency_median_ms = Percentile(latencies, 0.5);
    f.latency_p99_ms = Percentile(latencies, 0.99);
    f.server_cpu_percent = (cpu - main_cpu - reader.cpu_seconds) / wall * 100;
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5;
    std::printf("web view, one stream client at %.0f fps, JPEG quality %d:\n", kFrameRate, WebSettings{}.stream_quality);
    for (const auto& [w, h] : {std::pair{640, 480}, std::pair{1280, 720}}) {
        const Figures f = Measure(w, h, seconds);
        std::printf("  %dx%d: frame routine hand-over %.3f ms a run (max %.3f; %.2f x a frame copy, %.0f %% of "
                    "the 1 ms budget)\n",
                    w, h, f.handover_mean_ms, f.handover_max_ms, f.handover_mean_ms / f.copy_ms,
                    f.handover_mean_ms * 100);
        std::printf("  %dx%d: %zu pictures; hand-over to last byte at the client: median %.1f ms, p99 %.1f ms; "
                    "server and encoder %.1f %% of one core per stream client\n",
                    w, h, f.parts, f.latency_median_ms, f.latency_p99_ms, f.server_cpu_percent);
    }
    return 0;
}
