// The running program's CPU share (all its threads, % of one core) in the
// normal view with a live 640x480 moving test pattern as its camera, with
// the classic and with the robust motion detector (chosen through the
// settings file), in alternating rounds so that a busy machine weighs on
// both alike.  The classic measure runs once a second and costs about
// 0.1 ms, so its program is the baseline the robust detector adds to.
// Usage: motion_cpu_bench [seconds-per-round]   (needs DISPLAY, LUMORA_BIN,
// LUMORA_SOURCE_DIR; run by bench/run)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kRounds = 3;
constexpr double kSettleSeconds = 4;

// utime + stime of the process, in seconds.
double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t after_name = text.rfind(')');
    if (after_name == std::string::npos) return 0;
    std::istringstream fields(text.substr(after_name + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i == 14 || i == 15) ticks += std::atol(field.c_str());
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void Stop(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// One run of the program with `detector` (0 classic, 1 robust): its CPU
// share over `seconds` after it settled.
double ProgramCpu(const std::string& bin, const std::string& dir, int detector, double seconds) {
    std::ofstream(dir + "/config/Korvane/Lumora.conf") << "[main]\nmotion_detector=" << detector << "\n";
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir((dir + "/data").c_str()) != 0) _exit(127);
        if (!std::freopen((dir + "/lumora.log").c_str(), "a", stdout)) _exit(127);
        dup2(fileno(stdout), fileno(stderr));
        execl(bin.c_str(), bin.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(kSettleSeconds));
    const double cpu = CpuSeconds(pid);
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double share = 100.0 * (CpuSeconds(pid) - cpu) / wall;
    Stop(pid);
    return share;
}

std::string PrepareFolder(const char* source) {
    char dir_template[] = "/tmp/lumora-motion-cpu-XXXXXX";
    const std::string dir = mkdtemp(dir_template);
    const std::string data = dir + "/data";
    if (std::system(("cp -r '" + std::string(source) + "/data' '" + data + "' && mkdir -p '" + dir +
                     "/config/Korvane'").c_str()) != 0)
        return "";
    std::ofstream(data + "/dsvl/device1.xml")
        << "<capture><source pipeline=\"videotestsrc is-live=true pattern=ball "
           "! video/x-raw,width=640,height=480,framerate=30/1\"/></capture>\n";
    std::ofstream(data + "/dsvl/device2.xml")
        << "<capture><source pipeline=\"v4l2src device=/dev/lumora-no-such-camera\"/></capture>\n";
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    return dir;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 12.0;
    const char* bin = std::getenv("LUMORA_BIN");
    const char* source = std::getenv("LUMORA_SOURCE_DIR");
    if (!bin || !source) {
        std::fprintf(stderr, "motion_cpu_bench: set LUMORA_BIN and LUMORA_SOURCE_DIR\n");
        return 1;
    }
    const std::string dir = PrepareFolder(source);
    if (dir.empty()) return 1;
    double sum[2] = {0, 0};
    for (int round = 0; round < kRounds; ++round)
        for (int detector : {0, 1}) sum[detector] += ProgramCpu(bin, dir, detector, seconds);
    const double classic = sum[0] / kRounds, robust = sum[1] / kRounds;
    std::printf("%-44s %8.1f %% of one core\n", "program, normal view, classic detector", classic);
    std::printf("%-44s %8.1f %% of one core\n", "program, normal view, robust detector", robust);
    std::printf("%-44s %+8.1f %% of one core\n", "added by the robust detector", robust - classic);
    std::printf("(640x480 moving pattern at 30 fps, %d rounds of %.0f s each)\n", kRounds, seconds);
    std::system(("rm -rf '" + dir + "'").c_str());
    return 0;
}
