// Frame routine cost per run at 640x480 (its 20 ms pause switched off)
// against a bare loop that only uploads the frame, draws one textured quad
// and swaps.  Also the shader view and split screen, and the motion tint
// over the normal view: made anew and uploaded every run (it changes at
// most 10 times a second), against the same runs without it.
// Usage: frame_bench [seconds-per-case]   (needs DISPLAY; run by bench/run)
#include <GL/freeglut.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/app.h"
#include "bench/gl_timing.h"
#include "motion/motion.h"
#include "render/frame_loop.h"
#include "render/render.h"
#include "render/shader.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
std::vector<uint8_t> frames[2];

// A frame that changes every run, as a live camera's does.
void Upload(int slot, int run) {
    std::vector<uint8_t>& frame = frames[slot];
    frame[static_cast<size_t>(run % (kWidth * kHeight)) * 4] ^= 0xFF;
    glBindTexture(GL_TEXTURE_2D, render.texture_table[slot]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_BYTE, frame.data());
}


// One textured quad over the window: the least any live view must do.
struct BareLoop {
    GLuint texture = 0;
    BareLoop() {
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        std::vector<uint8_t> grey(static_cast<size_t>(kTextureSize) * kTextureSize * 4, 0x7F);
        glTexImage2D(GL_TEXTURE_2D, 0, 3, kTextureSize, kTextureSize, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                     grey.data());
    }
    void operator()(int run) const {
        const float s = static_cast<float>(kWidth) / kTextureSize;
        const float t = static_cast<float>(kHeight) / kTextureSize;
        frames[0][static_cast<size_t>(run % (kWidth * kHeight)) * 4] ^= 0xFF;
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_BYTE,
                        frames[0].data());
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glEnable(GL_TEXTURE_2D);
        glColor3f(1, 1, 1);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex3f(-128, -128, 0);
        glTexCoord2f(s, 0);
        glVertex3f(128, -128, 0);
        glTexCoord2f(s, t);
        glVertex3f(128, 128, 0);
        glTexCoord2f(0, t);
        glVertex3f(-128, 128, 0);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        glutSwapBuffers();
    }
};

struct Case {
    const char* name;
    std::function<void(int)> run;
    std::vector<double> rounds;
};

// One run of the frame routine in a view mode, with new camera frames
// uploaded as fetch frames does.
std::function<void(int)> FrameRoutineIn(ViewMode view_mode, bool panels) {
    return [view_mode, panels](int run) {
        app.view_mode = view_mode;
        for (int& on : app.window_on_off) on = panels ? 1 : 0;
        Upload(0, run);
        if (view_mode == kViewSplit) Upload(1, run);
        FrameRoutine();
    };
}

// The normal view with the tint of a person-sized region (15 x 48 cells of
// 4 pixels) moving across, made anew every run; `masked`: a quarter of the
// picture under a black mask too; `everything`: every cell tinted.
enum class Tint { kWalker, kMaskedWalker, kEverything };
std::function<void(int)> TintedNormalView(Tint tint) {
    return [tint](int run) {
        app.view_mode = kViewNormal;
        app.motion_tint_on = true;
        for (int& on : app.window_on_off) on = 1;
        const int grid_width = kWidth / 4, grid_height = kHeight / 4;
        motion.classic_change.assign(static_cast<size_t>(grid_width) * grid_height, kCellStill);
        for (int y = 10; y < 58; ++y)
            for (int x = 0; x < 15; ++x)
                motion.classic_change[static_cast<size_t>(y) * grid_width + (x + run) % grid_width] = kCellMoving;
        if (tint == Tint::kEverything) std::fill(motion.classic_change.begin(), motion.classic_change.end(), kCellMoving);
        ++motion.classic_change_generation;
        // The mask is set once per round of this case, as a user loads it once.
        if (tint == Tint::kMaskedWalker && !MotionMaskLoaded(motion.mask)) {
            motion.mask.image_width = 4, motion.mask.image_height = 4;
            motion.mask.image = {0, 255, 255, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0, 255, 255, 255};
            ++motion.mask.generation;
        } else if (tint != Tint::kMaskedWalker && MotionMaskLoaded(motion.mask)) {
            ClearMotionMask(&motion.mask);
        }
        Upload(0, run);
        FrameRoutine();
        app.motion_tint_on = false;
    };
}

double ResidentMiB() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    long kib = 0;
    while (status && std::fgets(line, sizeof line, status))
        if (std::strncmp(line, "VmRSS:", 6) == 0) kib = std::atol(line + 6);
    if (status) std::fclose(status);
    return kib / 1024.0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 6.0;
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(kWidth, kHeight);
    glutCreateWindow("frame_bench");
    glutDisplayFunc([] {});
    for (int i = 0; i < 20; ++i) glutMainLoopEvent();

    // The program runs in its data folder (model, masks, effect programs).
    const char* source = std::getenv("LUMORA_SOURCE_DIR");
    if (chdir((std::string(source ? source : ".") + "/data").c_str()) != 0) {
        std::perror("frame_bench: data folder");
        return 1;
    }
    for (auto& frame : frames) frame.assign(static_cast<size_t>(kWidth) * kHeight * 4, 0x50);
    app.video_width = kWidth;
    app.video_height = kHeight;
    app.video_frame_rate = 30;
    app.second_camera_enabled = true;
    app.frame_buffer[0] = frames[0].data();
    app.frame_buffer[1] = frames[1].data();
    frame_loop.sleep_milliseconds = 0;  // time the work, not the pause
    RenderingSetup();
    Reshape(kWidth, kHeight);
    if (!LoadShaderPrograms()) {
        std::fprintf(stderr, "frame_bench: no shader programs\n");
        return 1;
    }

    const BareLoop bare;
    std::vector<Case> cases = {
        {"bare loop (upload, one quad, swap)", std::ref(bare), {}},
        {"frame routine, normal view", FrameRoutineIn(kViewNormal, true), {}},
        {"frame routine, normal view, panels off", FrameRoutineIn(kViewNormal, false), {}},
        {"frame routine, shader view (none/none)", FrameRoutineIn(kViewShader, true), {}},
        {"frame routine, split screen (2 cameras)", FrameRoutineIn(kViewSplit, true), {}},
        {"normal view, tint of a walker", TintedNormalView(Tint::kWalker), {}},
        {"normal view, tint of a walker, mask on 1/4", TintedNormalView(Tint::kMaskedWalker), {}},
        {"normal view, every cell tinted", TintedNormalView(Tint::kEverything), {}},
    };
    // Rounds interleaved so that a busy machine slows every case alike.
    constexpr int kRounds = 5;
    for (int round = 0; round < kRounds; ++round)
        for (Case& c : cases) c.rounds.push_back(TimeGlRuns(seconds / kRounds / 2, c.run));

    const double base = Median(cases[0].rounds);
    std::printf("%-44s %8.2f ms/run\n", cases[0].name, base);
    for (size_t i = 1; i < cases.size(); ++i) {
        const double ms = Median(cases[i].rounds);
        std::printf("%-44s %8.2f ms/run  %.2fx bare%s\n", cases[i].name, ms, ms / base,
                    i == 1 ? " (goal <= 1.5x)" : "");
    }
    const double normal = Median(cases[1].rounds);
    for (size_t i = cases.size() - 3; i < cases.size(); ++i)
        std::printf("%-44s %8.2f ms/run over the normal view (goal <= 2 ms)\n", cases[i].name,
                    Median(cases[i].rounds) - normal);
    std::printf("(%dx%d, median of %d interleaved rounds, frame routine without its 20 ms pause)\n",
                kWidth, kHeight, kRounds);

    // The texture filter switch and the mask choice repeat the set-up.
    const double before = ResidentMiB();
    for (int i = 0; i < 10; ++i) {
        RenderingSetup();
        FrameRoutine();
    }
    std::printf("%-44s %+8.1f MiB  (%.1f -> %.1f)\n", "resident memory after 10 more set-ups",
                ResidentMiB() - before, before, ResidentMiB());
    return 0;
}
