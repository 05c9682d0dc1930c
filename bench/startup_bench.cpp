// Start-up to first camera frame on screen, and resident memory after 10 s,
// of the real program with a live 640x480 test pattern as its camera.
// Usage: startup_bench   (needs DISPLAY, LUMORA_BIN, LUMORA_SOURCE_DIR; run by bench/run)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
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

namespace {

using Clock = std::chrono::steady_clock;

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

Window FindWindowNamed(Display* display, const char* name) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* title = nullptr;
        if (XFetchName(display, children[i], &title) && title) {
            if (std::string(title) == name) found = children[i];
            XFree(title);
        }
    }
    if (children) XFree(children);
    return found;
}

// True when the window's pixel (x, y) is within a few steps of rgb.
bool PixelIs(Display* display, Window window, int x, int y, unsigned long rgb) {
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return false;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    for (int shift : {0, 8, 16}) {
        const int a = static_cast<int>((pixel >> shift) & 0xFF);
        const int b = static_cast<int>((rgb >> shift) & 0xFF);
        if (std::abs(a - b) > 8) return false;
    }
    return true;
}

long StatusKiB(pid_t pid, const char* field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
    return -1;
}

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

}  // namespace

int main() {
    const char* bin = std::getenv("LUMORA_BIN");
    const char* source = std::getenv("LUMORA_SOURCE_DIR");
    if (!bin || !source) {
        std::fprintf(stderr, "startup_bench: set LUMORA_BIN and LUMORA_SOURCE_DIR\n");
        return 1;
    }
    char dir_template[] = "/tmp/lumora-startup-XXXXXX";
    const std::string dir = mkdtemp(dir_template);
    const std::string data = dir + "/data";
    if (std::system(("cp -r '" + std::string(source) + "/data' '" + data + "'").c_str()) != 0) return 1;
    std::ofstream(data + "/dsvl/device1.xml")
        << "<capture><source pipeline=\"videotestsrc is-live=true pattern=solid-color "
           "foreground-color=0xFFE02080 ! video/x-raw,width=640,height=480,framerate=30/1\"/>"
           "</capture>\n";
    std::ofstream(data + "/dsvl/device2.xml")
        << "<capture><source pipeline=\"v4l2src device=/dev/lumora-no-such-camera\"/></capture>\n";
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "startup_bench: no display\n");
        return 1;
    }
    XSetErrorHandler(IgnoreXError);

    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(data.c_str()) != 0) _exit(127);
        if (!std::freopen((dir + "/lumora.log").c_str(), "w", stdout)) _exit(127);
        dup2(fileno(stdout), fileno(stderr));
        execl(bin, bin, static_cast<char*>(nullptr));
        _exit(127);
    }

    double window_at = -1, frame_at = -1;
    Window window = 0;
    while (Seconds(start) < 10 && frame_at < 0) {
        if (!window) {
            window = FindWindowNamed(display, "Lumora");
            if (window) window_at = Seconds(start);
        } else if (PixelIs(display, window, 70, 52, 0xE02080)) {
            frame_at = Seconds(start);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    while (Seconds(start) < 10) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const long rss = StatusKiB(pid, "VmRSS:");
    const long peak = StatusKiB(pid, "VmHWM:");

    kill(pid, SIGTERM);
    int status = 0;
    const auto stop = Clock::now();
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Seconds(stop) > 10) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    XCloseDisplay(display);

    std::printf("%-44s %8.3f s\n", "start to window", window_at);
    std::printf("%-44s %8.3f s  (goal <= 1.5 s)\n", "start to first camera frame on screen", frame_at);
    std::printf("%-44s %8.1f MiB  (goal <= 300 MiB; peak %.1f MiB)\n", "resident memory after 10 s",
                rss / 1024.0, peak / 1024.0);
    std::printf("%-44s %8s\n", "exit on SIGTERM",
                WIFEXITED(status) ? std::to_string(WEXITSTATUS(status)).c_str() : "killed");
    if (frame_at < 0) {
        std::fprintf(stderr, "startup_bench: no camera frame seen; program output:\n");
        std::system(("tail -n 20 '" + dir + "/lumora.log' >&2").c_str());
    }
    std::system(("rm -rf '" + dir + "'").c_str());
    return frame_at < 0 ? 1 : 0;
}
