// Lumora: live camera picture with effects, motion detection and recording.
// Start-up in its fixed order; every failing step ends with an "Error" box.
#include <GL/freeglut.h>

#include <csignal>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/lifecycle.h"
#include "app/locations.h"
#include "app/options.h"
#include "app/settings.h"
#include "app/window.h"
#include "capture/capture.h"
#include "console/console.h"
#include "input/camera_menu.h"
#include "input/input.h"
#include "input/menus.h"
#include "motion/motion.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/folders.h"
#include "render/frame_loop.h"
#include "render/frame_pacing.h"
#include "render/render.h"
#include "render/shader.h"
#include "sound/sound_player.h"
#include "web/web.h"

namespace {

// With LUMORA_FRAME_STATS set, the frame routine's run times (less the time
// spent in dialogs) are reported on standard error at exit, with the rate of
// drawn frames and the latency of each new camera frame: from its arrival at
// the capture edge to the swap that shows it.
struct FrameStats {
    bool enabled = false;
    uint64_t runs = 0, slow_runs = 0, idle_runs = 0;
    uint32_t longest_ms = 0;
    int64_t first_drawn_us = 0, last_drawn_us = 0;
    int64_t shown_stamp = 0;  // arrival time of the newest frame shown
    std::vector<uint32_t> latency_us;
};

// Where the start's time goes: milliseconds from main's entry to each step
// (0: not reached), told with the statistics.
enum StartStep { kStepDisplay, kStepCapture, kStepWindow, kStepEffects, kStepSound, kStepFirstFrame, kStepCount };
constexpr const char* kStartStepNames[kStepCount] = {"display and data", "capture open", "window",
                                                     "rendering and effects", "menus and sound",
                                                     "first camera frame on screen"};
struct StartTimes {
    int64_t entry_us = 0;
    double ms[kStepCount] = {};
};

// Owned by main: the window and the statistics switch are set once at
// start-up, the exit request by the signal handler.
struct MainState {
    volatile std::sig_atomic_t exit_requested = 0;
    volatile std::sig_atomic_t stats_requested = 0;  // SIGUSR1: report and start again
    int window = 0;
    bool menus_in_use = false;  // as of the last run: a menu closing may have changed anything
    FrameStats frame_stats;
    StartTimes start;
} g_main;

double Percentile(const std::vector<uint32_t>& sorted, int percent) {
    if (sorted.empty()) return 0;
    return sorted[std::min(sorted.size() - 1, sorted.size() * percent / 100)] / 1000.0;
}

void NoteStartStep(StartStep step) {
    if (g_main.start.ms[step] == 0)
        g_main.start.ms[step] = (MonotonicMicroseconds() - g_main.start.entry_us) / 1000.0;
}

void ReportStartTimes() {
    std::fprintf(stderr, "start (ms from main):");
    for (int step = 0; step < kStepCount; ++step)
        std::fprintf(stderr, "%s %s %.0f", step ? "," : "", kStartStepNames[step], g_main.start.ms[step]);
    std::fprintf(stderr, "\n");
}

void ReportFrameStats() {
    FrameStats& stats = g_main.frame_stats;
    std::fprintf(stderr, "frame stats: %llu runs, longest %u ms, %llu over 200 ms\n",
                 static_cast<unsigned long long>(stats.runs), stats.longest_ms,
                 static_cast<unsigned long long>(stats.slow_runs));
    const double seconds = (stats.last_drawn_us - stats.first_drawn_us) / 1e6;
    std::sort(stats.latency_us.begin(), stats.latency_us.end());
    std::fprintf(stderr,
                 "frame pacing: %.2f drawn per second over %.1f s, %llu runs without drawing; "
                 "latency median %.2f ms, p99 %.2f ms over %zu frames\n",
                 seconds > 0 ? (stats.runs - 1) / seconds : 0.0, seconds,
                 static_cast<unsigned long long>(stats.idle_runs), Percentile(stats.latency_us, 50),
                 Percentile(stats.latency_us, 99), stats.latency_us.size());
}

// After a drawn run: the rate's span and, when the shown camera's frame is
// new, how long it took from its arrival to this swap.
void CountDrawnRun(uint32_t took) {
    FrameStats& stats = g_main.frame_stats;
    const int64_t now = MonotonicMicroseconds();
    if (stats.runs == 0) stats.first_drawn_us = now;
    stats.last_drawn_us = now;
    stats.runs += 1;
    stats.slow_runs += took > 200;
    stats.longest_ms = std::max(stats.longest_ms, took);
    const int64_t stamp = FetchedFrameStamp(app.current_camera);
    if (stamp != 0 && stamp != stats.shown_stamp && now >= stamp)
        stats.latency_us.push_back(static_cast<uint32_t>(std::min<int64_t>(now - stamp, UINT32_MAX)));
    stats.shown_stamp = stamp;
    if (stamp != 0 && g_main.start.ms[kStepFirstFrame] == 0) {
        NoteStartStep(kStepFirstFrame);
        ReportStartTimes();
    }
}

// The exit status when the data cannot be found or is incomplete.
constexpr int kNoDataStatus = 1;

void OnTerminationSignal(int) { g_main.exit_requested = 1; }

// A benchmark measures one stretch of the run: SIGUSR1 reports the
// statistics so far and starts them afresh.
void OnStatsSignal(int) { g_main.stats_requested = 1; }

void ReportAndRestartFrameStats() {
    g_main.stats_requested = 0;
    ReportFrameStats();
    g_main.frame_stats = FrameStats{};
    g_main.frame_stats.enabled = true;
}

// `reason`, when given, goes on the lines below the message.
int Fail(const char* message, const char* reason = nullptr) {
    std::string text = message;
    if (reason && *reason) text = text + "\n" + reason;
    ShowMessageBox(text.c_str(), "Error", MsgIcon::Error);
    return -1;
}

// Signals are noted here and acted on between frames, on the GLUT thread.
// A run draws only when something may have changed; its pause ends at the
// next camera frame (render/frame_pacing.h).
void Frame() {
    if (g_main.exit_requested) ExitSequence();
    if (g_main.stats_requested) ReportAndRestartFrameStats();
    // The idle callback runs with whatever window GLUT made current last,
    // which is a popup menu's while one is open.
    glutSetWindow(g_main.window);
    ServeCameraMenus();
    ServeMenus();
    if (MenusInUse() != g_main.menus_in_use) RequestRedraw();
    g_main.menus_in_use = MenusInUse();
    const uint32_t start = GetTickCount();
    const uint64_t dialogs = DialogMilliseconds();
    const bool drew = DrawFrameIfDue();
    const uint32_t took = GetTickCount() - start - static_cast<uint32_t>(DialogMilliseconds() - dialogs);
    if (g_main.frame_stats.enabled) {
        if (drew)
            CountDrawnRun(took);
        else
            g_main.frame_stats.idle_runs += 1;
    }
    PauseFrameLoop(took);
}

// GLUT asks for a picture (expose, resize, a posted redisplay): it is drawn.
void OnDisplay() {
    RequestRedraw();
    Frame();
}

void OnReshape(int width, int height) {
    Reshape(width, height);
    RequestRedraw();
}

void OnTypedKey(unsigned char key, int x, int y) {
    OnKey(key, x, y);
    RequestRedraw();
}

void OnTypedSpecialKey(int key, int x, int y) {
    OnSpecialKey(key, x, y);
    RequestRedraw();
}

void OnClick(int button, int state, int x, int y) {
    OnMouseButton(button, state, x, y);
    RequestRedraw();
}

void OnWindowClose() { ExitSequence(); }

// --help and --version answer without a display; a refused argument ends
// with status 2.  -1: go on and run.
int AnswerCommandLine(int argc, char** argv) {
    const Options options = ParseOptions(argc, argv);
    switch (options.action) {
        case OptionsAction::kRun: return -1;
        case OptionsAction::kHelp: std::fputs(UsageText().c_str(), stdout); return 0;
        case OptionsAction::kVersion: std::printf("%s\n", kVersionLine); return 0;
        case OptionsAction::kSetWebPassword: return SetWebPasswordFromInput();
        case OptionsAction::kRefuse: break;
    }
    std::fprintf(stderr, "lumora: %s\n%s", options.error.c_str(), UsageText().c_str());
    return 2;
}

// Finds the data and enters its folder.  Without it Lumora cannot run: an
// "Error" box says what is missing and where it was looked for.
bool SettleLocations() {
    const LocationPlan plan = PlanLocations(GatherLocationFacts());
    std::string problem = plan.problem;
    if (plan.runnable && ApplyLocations(plan, &problem)) {
        for (const std::string& file : plan.lacking)
            std::fprintf(stderr, "lumora: %s/%s is missing; Lumora runs without it\n",
                         plan.state.data_folder.c_str(), file.c_str());
        return true;
    }
    ShowMessageBox(problem.c_str(), "Error", MsgIcon::Error);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    g_main.start.entry_us = MonotonicMicroseconds();
    if (const int status = AnswerCommandLine(argc, argv); status >= 0) return status;
    LoadSettings();
    LoadWebSettings();
    ConsoleStartup();

    glutInit(&argc, argv);
    // GTK answers every box from here on, the first start-up failure's too.
    if (InitGtkDialogs(&argc, &argv)) SetDialogBackend(&kGtkDialogBackend);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    if (!glutGet(GLUT_DISPLAY_MODE_POSSIBLE)) return Fail("Display mode not supported.");
    if (!SettleLocations()) return kNoDataStatus;
    NoteStartStep(kStepDisplay);

    if (!OpenCaptureDevices(locations.device_files))
        return Fail("Cannot initialize capture graph.", CaptureFailureReason());
    if (app.second_camera_enabled) app.view_mode = kViewSplit;
    NoteStartStep(kStepCapture);

    glutInitWindowPosition(app.gl_win_pos_x, app.gl_win_pos_y);
    // A camera larger than the screen gets a window that fits, shape kept.
    const WindowSize window = CameraWindowSize();
    glutInitWindowSize(window.width, window.height);
    g_main.window = glutCreateWindow("Lumora");
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    NoteStartStep(kStepWindow);

    RenderingSetup();
    if (!ShaderProfilesSupported()) return Fail("Cannot initialize Cg.");
    NoteStartStep(kStepEffects);
    StartCameraMenus();
    StartMenus();

    InitSoundPlayer();
    app.alarm_sound = LoadSound(app.alarm_file);
    LoadSavedMotionMask();
    NoteStartStep(kStepSound);

    glutDisplayFunc(OnDisplay);
    glutReshapeFunc(OnReshape);
    glutKeyboardFunc(OnTypedKey);
    glutMouseFunc(OnClick);
    glutSpecialFunc(OnTypedSpecialKey);
    glutIdleFunc(Frame);
    glutCloseFunc(OnWindowClose);
    std::signal(SIGINT, OnTerminationSignal);
    std::signal(SIGTERM, OnTerminationSignal);

    if (std::getenv("LUMORA_FRAME_STATS")) {
        g_main.frame_stats.enabled = true;
        std::atexit(ReportFrameStats);
        std::signal(SIGUSR1, OnStatsSignal);
    }
    StartWebAtLaunch();
    glutMainLoop();
    return 0;
}
