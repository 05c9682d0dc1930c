// Overlay pass cost per frame at 640x480: the time panel and DrawOverlay with
// everything shown (full screen, all panels and buttons, info panel unfolded)
// against an empty frame, and the parts on their own.
// Usage: overlay_bench [seconds-per-case]   (needs DISPLAY; run by bench/run)
#include <GL/freeglut.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

#include "app/app.h"
#include "console/console.h"
#include "overlay/overlay.h"
#include "overlay/text.h"
#include "render/frame_loop.h"
#include "render/render.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

struct Cost {
    double wall_ms, cpu_ms;  // per frame; cpu: all threads of the process
};

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Cost per frame of `draw` (cleared, drawn, swapped): the best of five rounds
// of about `seconds` / 5, since other work on the machine shows up as noise
// in a software renderer.
Cost TimeFrames(double seconds, const std::function<void()>& draw) {
    using Clock = std::chrono::steady_clock;
    auto frame = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw();
        glutSwapBuffers();
    };
    for (int i = 0; i < 5; ++i) frame();
    Cost best{1e9, 1e9};
    for (int round = 0; round < 5; ++round) {
        glFinish();
        const auto start = Clock::now();
        const double cpu_start = CpuSeconds();
        int frames = 0;
        double elapsed = 0;
        do {
            for (int i = 0; i < 5; ++i, ++frames) frame();
            glFinish();
            elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        } while (elapsed < seconds / 5);
        best.wall_ms = std::min(best.wall_ms, elapsed * 1000 / frames);
        best.cpu_ms = std::min(best.cpu_ms, (CpuSeconds() - cpu_start) * 1000 / frames);
        glutMainLoopEvent();
    }
    return best;
}

void Report(const char* name, Cost cost, Cost base) {
    std::printf("%-40s %8.3f ms wall %8.3f ms cpu per frame\n", name, cost.wall_ms - base.wall_ms,
                cost.cpu_ms - base.cpu_ms);
}

void ShowEverything() {
    app.full_screen = true;
    app.motion_shot_on = true;
    app.record_mode = kRecordNormal;
    app.pcd_change = 0.25f;
    app.clock_year = 2004;
    std::snprintf(frame_loop.fps_text, sizeof frame_loop.fps_text, "30/30");
    for (int i = 0; i < kConsoleLines; ++i)
        std::snprintf(console.lines[i], kConsoleLineLength, "line %i: some console output text", i);
    for (int i = 0; i < 60; ++i) overlay.pcd_history[i] = static_cast<float>(i % 45);
    overlay.pcd_history_cursor = 40;
    overlay.info_panel_open = true;
    while (!overlay.info_panel_ready) StepInfoPanel();
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(kWidth, kHeight);
    glutCreateWindow("overlay_bench");
    glutDisplayFunc([] {});
    for (int i = 0; i < 5; ++i) glutMainLoopEvent();
    Reshape(kWidth, kHeight);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_CULL_FACE);
    BuildOverlayLists();
    ShowEverything();

    const Cost empty = TimeFrames(seconds, [] {});
    const Cost full = TimeFrames(seconds, [] {
        DrawTimePanel();
        DrawOverlay();
    });
    std::printf("%-40s %8.3f ms wall %8.3f ms cpu per frame\n", "empty frame (clear + swap)",
                empty.wall_ms, empty.cpu_ms);
    std::printf("costs over the empty frame:\n");
    Report("full overlay, everything shown", full, empty);

    const struct {
        const char* name;
        void (*draw)();
    } parts[] = {
        {"time panel", [] { DrawTimePanel(); }},
        {"console window", [] {
             DrawConsoleWindow(10, 96, 96, -48, -48, 0.8f, 0.8f, 1, 0, 0, 1, 0.5f, console.input);
         }},
        {"statistics graph (bars)", [] {
             DrawStatisticsGraph(0, 60, 50, 60, 70, 0.8f, 0.8f, 1, 0, 0, 1, 0.5f, 0.25f, 0.18f);
         }},
        {"motion meter", [] {
             DrawMotionMeter(10, 50, 40, 70, 0.8f, 0.8f, 1, 0, 0, 1, 0.5f, 0.25f, 0.18f);
         }},
        {"thirteen buttons", [] {
             app.window_on_off[0] = app.window_on_off[1] = app.window_on_off[3] = 0;
             overlay.info_panel_ready = false;
             DrawOverlay();
             app.window_on_off[0] = app.window_on_off[1] = app.window_on_off[3] = 1;
             overlay.info_panel_ready = true;
         }},
        {"stroke text, 25 lines of 33 characters", [] {
             glPushMatrix();
             glScalef(0.025f, 0.025f, 0);
             for (int k = 0; k < kConsoleLines; ++k) DrawStrokeText(0, 150.0f * k, "%s", console.lines[k]);
             glPopMatrix();
         }},
        {"same with glutStrokeCharacter per char", [] {
             glPushMatrix();
             glScalef(0.025f, 0.025f, 0);
             for (int k = 0; k < kConsoleLines; ++k) {
                 glPushMatrix();
                 glTranslatef(0, 150.0f * k, 0);
                 for (const char* c = console.lines[k]; *c; ++c) glutStrokeCharacter(GLUT_STROKE_ROMAN, *c);
                 glPopMatrix();
             }
             glPopMatrix();
         }},
        {"one backplate", [] { DrawBackplate(10, 40, 25, 80, -120, 0.8f, 0.8f, 1, 0, 0, 1, 0.5f); }},
    };
    for (const auto& part : parts)
        Report(part.name, TimeFrames(seconds, part.draw), empty);
    return 0;
}
