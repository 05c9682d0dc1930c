// Model-to-texture pass cost per frame at 640x480: the whole pass, and its
// parts (one lit model draw, one unlit draw, one read-back with upload, the
// spheres);
// then the frame routine in shader view with pixel program 16 against the
// same view with program 0.  Goal: the camera's 30 frames per second.
// Usage: model_bench [seconds-per-case]   (needs DISPLAY; run by bench/run)
#include <GL/freeglut.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/app.h"
#include "bench/gl_timing.h"
#include "model/model.h"
#include "render/frame_loop.h"
#include "render/model_pass.h"
#include "render/render.h"
#include "render/shader.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;


void ModelPass() {
    glLoadIdentity();
    ModelToTexturePass(kWidth, kHeight, scene_buffer, shadow_buffer, app.model_position_mode);
}

void Draw(bool lit) {
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (lit) glEnable(GL_TEXTURE_2D);
    DrawModelInstance(1, 1, 1, 0, -64, 0, -90, 0, -90, 0, lit, 0.8f);
    glDisable(GL_TEXTURE_2D);
}

void ReadBackOnce() {
    glReadPixels(0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_BYTE, scene_buffer);
    glBindTexture(GL_TEXTURE_2D, render.texture_table[7]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_BYTE, scene_buffer);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(kWidth, kHeight);
    glutCreateWindow("model_bench");
    glutDisplayFunc([] {});
    for (int i = 0; i < 20; ++i) glutMainLoopEvent();
    const char* source = std::getenv("LUMORA_SOURCE_DIR");
    if (chdir((std::string(source ? source : ".") + "/data").c_str()) != 0) {
        std::perror("model_bench: data folder");
        return 1;
    }
    static std::vector<uint8_t> frame(static_cast<size_t>(kWidth) * kHeight * 4, 0x50);
    app.video_width = kWidth;
    app.video_height = kHeight;
    app.video_frame_rate = 30;
    app.frame_buffer[0] = frame.data();
    frame_loop.sleep_milliseconds = 0;
    RenderingSetup();
    Reshape(kWidth, kHeight);

    struct Case {
        const char* name;
        std::function<void()> run;
    };
    std::vector<Case> cases = {
        {"model pass (4 draws, 2 read-backs)", ModelPass},
        {"  one lit model draw", [] { Draw(true); }},
        {"  one unlit model draw", [] { Draw(false); }},
        {"  one 640x480 read-back + upload", ReadBackOnce},
        {"  five solid spheres (25 x 25), one clear", [] {
             glLoadIdentity();
             glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
             glEnable(GL_LIGHTING);
             for (int i = 0; i < 5; ++i) glutSolidSphere(10, 25, 25);
             glDisable(GL_LIGHTING);
         }},
        {"model pass, position mode (floor, marker)", [] {
             app.model_position_mode = true;
             ModelPass();
             app.model_position_mode = false;
         }},
    };
    const bool shaders = [] {
        app.view_mode = kViewShader;
        app.pixel_program_index = 16;
        return LoadShaderPrograms();
    }();
    if (shaders) {
        cases.push_back({"frame routine, shader view, program 16", [] {
                             app.pixel_program_index = 16;
                             FrameRoutine();
                         }});
        cases.push_back({"frame routine, shader view, no model pass", [] {
                             app.pixel_program_index = 0;
                             FrameRoutine();
                         }});
    }
    for (const Case& c : cases) {
        const double ms = TimeGlRuns(seconds, [&c](int) { c.run(); });
        std::printf("%-44s %8.2f ms/run  (%.0f runs/s)\n", c.name, ms, 1000 / ms);
    }
    if (!shaders) std::printf("(shader programs not available: frame routine cases skipped)\n");
    std::printf("(%dx%d, frame routine without its 20 ms pause; 30 fps needs <= 33 ms with the pause)\n", kWidth,
                kHeight);
    return 0;
}
