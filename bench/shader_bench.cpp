// Cost of each effect program: the frame routine (without its 20 ms pause)
// at 640x480 in shader view with every pixel program (vertex none) and every
// vertex program (pixel none), against the normal view.  A camera at 30
// frames per second leaves 33 ms per frame, 20 of them for the pause.
// Usage: shader_bench [seconds-per-case]   (needs DISPLAY; run by bench/run)
#include <GL/freeglut.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app.h"
#include "render/frame_loop.h"
#include "render/render.h"
#include "render/shader.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
std::vector<uint8_t> camera_frame;

// Median milliseconds per frame-routine run over three timed rounds.
double MillisecondsPerFrame(double seconds) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> rounds;
    int run = 0;
    for (int round = 0; round < 3; ++round) {
        const auto start = Clock::now();
        int frames = 0;
        double elapsed = 0;
        while (elapsed < seconds / 3) {
            camera_frame[static_cast<size_t>(run++ % (kWidth * kHeight)) * 4] ^= 0xFF;
            glBindTexture(GL_TEXTURE_2D, render.texture_table[0]);
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_BYTE,
                            camera_frame.data());
            FrameRoutine();
            glFinish();
            ++frames;
            elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        }
        rounds.push_back(elapsed * 1000 / frames);
        glutMainLoopEvent();
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[1];
}

double ShaderCase(int vertex, int pixel, double seconds) {
    app.view_mode = kViewShader;
    app.vertex_program_index = vertex;
    app.pixel_program_index = pixel;
    if (!LoadShaderPrograms() || ShaderProgramsMissing()) {
        std::fprintf(stderr, "shader_bench: %s\n", render.cg_error_text);
        std::exit(1);
    }
    return MillisecondsPerFrame(seconds);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.5;
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(kWidth, kHeight);
    glutCreateWindow("shader_bench");
    glutDisplayFunc([] {});
    for (int i = 0; i < 20; ++i) glutMainLoopEvent();
    const char* source = std::getenv("LUMORA_SOURCE_DIR");
    if (chdir((std::string(source ? source : ".") + "/data").c_str()) != 0) {
        std::perror("shader_bench: data folder");
        return 1;
    }

    app.video_width = kWidth;
    app.video_height = kHeight;
    app.video_frame_rate = 30;
    camera_frame.assign(static_cast<size_t>(kWidth) * kHeight * 4, 0x50);
    app.frame_buffer[0] = camera_frame.data();
    frame_loop.sleep_milliseconds = 0;
    // The set-up without the model: the model pass (pixel program 16) is left out.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_CULL_FACE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    CreateTextures();
    FillEffectGrid();
    Reshape(kWidth, kHeight);

    // Each case against a normal-view run timed right before it: a busy
    // machine slows both alike.
    auto report = [&](const std::string& name, int vertex, int pixel) {
        app.view_mode = kViewNormal;
        const double normal = MillisecondsPerFrame(seconds / 2);
        const double ms = ShaderCase(vertex, pixel, seconds);
        std::printf("%-46s %7.2f ms/run  normal %6.2f  %.2fx  %s\n", name.c_str(), ms, normal, ms / normal,
                    ms + 20 <= 1000.0 / 30 ? "holds 30 fps" : "below 30 fps");
    };
    for (int pixel = 0; pixel < kPixelProgramCount; ++pixel) {
        if (pixel == 16) continue;
        report(std::string("shader view, none + ") + kPixelProgramFiles[pixel], 0, pixel);
    }
    for (int vertex = 1; vertex < kVertexProgramCount; ++vertex)
        report(std::string("shader view, ") + kVertexProgramFiles[vertex] + " + none", vertex, 0);
    std::printf("(%dx%d, median of 3 rounds, frame routine without its 20 ms pause)\n", kWidth, kHeight);
    return 0;
}
