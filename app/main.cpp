// Lumora: live camera picture with effects, motion detection and recording.
// Start-up in its fixed order; every failing step ends with an "Error" box.
#include <GL/freeglut.h>

#include <csignal>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

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
#include "render/render.h"
#include "render/shader.h"
#include "sound/sound_player.h"
#include "web/web.h"

namespace {

// With LUMORA_FRAME_STATS set, the frame routine's run times (less the time
// spent in dialogs) are reported on standard error at exit.
struct FrameStats {
    bool enabled = false;
    uint64_t runs = 0, slow_runs = 0;
    uint32_t longest_ms = 0;
};

// Owned by main: the window and the statistics switch are set once at
// start-up, the exit request by the signal handler.
struct MainState {
    volatile std::sig_atomic_t exit_requested = 0;
    int window = 0;
    FrameStats frame_stats;
} g_main;

void ReportFrameStats() {
    std::fprintf(stderr, "frame stats: %llu runs, longest %u ms, %llu over 200 ms\n",
                 static_cast<unsigned long long>(g_main.frame_stats.runs), g_main.frame_stats.longest_ms,
                 static_cast<unsigned long long>(g_main.frame_stats.slow_runs));
}

// The exit status when the data cannot be found or is incomplete.
constexpr int kNoDataStatus = 1;

void OnTerminationSignal(int) { g_main.exit_requested = 1; }

// `reason`, when given, goes on the lines below the message.
int Fail(const char* message, const char* reason = nullptr) {
    std::string text = message;
    if (reason && *reason) text = text + "\n" + reason;
    ShowMessageBox(text.c_str(), "Error", MsgIcon::Error);
    return -1;
}

// Signals are noted here and acted on between frames, on the GLUT thread.
void Frame() {
    if (g_main.exit_requested) ExitSequence();
    // The idle callback runs with whatever window GLUT made current last,
    // which is a popup menu's while one is open.
    glutSetWindow(g_main.window);
    ServeCameraMenus();
    if (!g_main.frame_stats.enabled) {
        FrameRoutine();
        return;
    }
    const uint32_t start = GetTickCount();
    const uint64_t dialogs = DialogMilliseconds();
    FrameRoutine();
    const uint32_t took = GetTickCount() - start - static_cast<uint32_t>(DialogMilliseconds() - dialogs);
    g_main.frame_stats.runs += 1;
    g_main.frame_stats.slow_runs += took > 200;
    g_main.frame_stats.longest_ms = std::max(g_main.frame_stats.longest_ms, took);
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

    if (!OpenCaptureDevices(locations.device_files))
        return Fail("Cannot initialize capture graph.", CaptureFailureReason());
    if (app.second_camera_enabled) app.view_mode = kViewSplit;

    glutInitWindowPosition(app.gl_win_pos_x, app.gl_win_pos_y);
    // A camera larger than the screen gets a window that fits, shape kept.
    const WindowSize window = CameraWindowSize();
    glutInitWindowSize(window.width, window.height);
    g_main.window = glutCreateWindow("Lumora");
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);

    RenderingSetup();
    if (!LoadShaderPrograms()) return Fail("Cannot initialize Cg.");
    StartCameraMenus();
    BuildMenus();

    InitSoundPlayer();
    app.alarm_sound = LoadSound(app.alarm_file);
    LoadSavedMotionMask();

    glutDisplayFunc(Frame);
    glutReshapeFunc(Reshape);
    glutKeyboardFunc(OnKey);
    glutMouseFunc(OnMouseButton);
    glutSpecialFunc(OnSpecialKey);
    glutIdleFunc(Frame);
    glutCloseFunc(OnWindowClose);
    std::signal(SIGINT, OnTerminationSignal);
    std::signal(SIGTERM, OnTerminationSignal);

    if (std::getenv("LUMORA_FRAME_STATS")) {
        g_main.frame_stats.enabled = true;
        std::atexit(ReportFrameStats);
    }
    StartWebAtLaunch();
    glutMainLoop();
    return 0;
}
