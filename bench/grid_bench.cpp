// The shader view's effect grid alone at 640x480: drawn pair by pair in
// immediate mode (the wave parameter set before each pair) against the
// frame routine's vertex arrays, with the plain programs and with the Sobel
// pixel program; the per-frame wave computation alone; and one quad with the
// same programs, the least the view could cost.
// Usage: grid_bench [seconds-per-case]   (needs DISPLAY; run by bench/run)
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
#include "render/frame_loop.h"
#include "render/render.h"
#include "render/shader.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

// The wave parameter of the next vertices, one call per pair: the way the
// grid was drawn before vertex arrays.
void SetWaveParameter(float x, float y, float z) {
    const int location = WaveAttributeLocation();
    if (location >= 0) glVertexAttrib3f(static_cast<GLuint>(location), x, y, z);
}


void PairByPair() {
    for (int row = 0; row < kGridSize - 1; ++row) {
        glBegin(GL_TRIANGLE_STRIP);
        for (int column = 0; column < kGridSize; ++column) {
            SetWaveParameter(frame_loop.vertex_time, frame_loop.vertex_angle, frame_loop.swap_transition_value);
            for (int r : {row, row + 1}) {
                const float* v = render.effect_grid[r][column];
                glTexCoord2f(v[0] / 128 * frame_loop.texture_extent_s, v[1] / 128 * frame_loop.texture_extent_t);
                glVertex3f(v[0], v[1], v[2]);
            }
            StepWaveVertex();
        }
        StepSwapFadeRow();
        glEnd();
    }
}

void OneQuad() {
    const float s = frame_loop.texture_extent_s / 2, t = frame_loop.texture_extent_t / 2;
    SetWaveParameter(frame_loop.vertex_time, frame_loop.vertex_angle, frame_loop.swap_transition_value);
    glBegin(GL_QUADS);
    glTexCoord2f(s, t), glVertex3f(64, 64, 0);
    glTexCoord2f(-s, t), glVertex3f(-64, 64, 0);
    glTexCoord2f(-s, -t), glVertex3f(-64, -64, 0);
    glTexCoord2f(s, -t), glVertex3f(64, -64, 0);
    glEnd();
}

// One picture: clear, parameters, programs on, the grid, programs off, swap.
std::function<void()> Picture(void (*grid)()) {
    return [grid] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glBindTexture(GL_TEXTURE_2D, render.texture_table[0]);
        glLoadIdentity();
        SetEffectParameters();
        BeginShaderDrawing();
        grid();
        EndShaderDrawing();
        glutSwapBuffers();
    };
}

struct Case {
    std::string name;
    int pixel;
    std::function<void()> run;
    std::vector<double> rounds;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 4.0;
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(kWidth, kHeight);
    glutCreateWindow("grid_bench");
    glutDisplayFunc([] {});
    for (int i = 0; i < 20; ++i) glutMainLoopEvent();
    const char* source = std::getenv("LUMORA_SOURCE_DIR");
    if (chdir((std::string(source ? source : ".") + "/data").c_str()) != 0) {
        std::perror("grid_bench: data folder");
        return 1;
    }
    app.video_width = kWidth;
    app.video_height = kHeight;
    std::vector<uint8_t> frame(static_cast<size_t>(kWidth) * kHeight * 4, 0x50);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_CULL_FACE);
    CreateTextures();
    FillEffectGrid();
    Reshape(kWidth, kHeight);
    glBindTexture(GL_TEXTURE_2D, render.texture_table[0]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_BYTE, frame.data());
    UpdateTextureExtents();
    UpdateShaderRatios();

    std::vector<float> wave(static_cast<size_t>(kGridVertexCount) * 3);
    std::vector<Case> cases;
    for (int pixel : {0, 15}) {
        const std::string suffix = pixel == 0 ? " (none/none)" : " (none/edges_sobel)";
        cases.push_back({"grid pair by pair, immediate mode" + suffix, pixel, Picture(PairByPair), {}});
        cases.push_back({"grid from vertex arrays" + suffix, pixel, Picture(DrawEffectGrid), {}});
        cases.push_back({"one quad, same programs" + suffix, pixel, Picture(OneQuad), {}});
    }
    cases.push_back({"wave values alone (no GL)", 0, [&wave] { ComputeGridWave(wave.data()); }, {}});
    constexpr int kRounds = 5;
    for (int round = 0; round < kRounds; ++round)
        for (Case& c : cases) {
            app.vertex_program_index = 0;
            app.pixel_program_index = c.pixel;
            if (!LoadShaderPrograms() || ShaderProgramsMissing()) {
                std::fprintf(stderr, "grid_bench: %s\n", render.cg_error_text);
                return 1;
            }
            c.rounds.push_back(TimeGlRuns(seconds / kRounds / static_cast<double>(cases.size()) * 4,
                                          [&c](int) { c.run(); }));
        }
    for (const Case& c : cases) {
        const auto [low, high] = std::minmax_element(c.rounds.begin(), c.rounds.end());
        std::printf("%-52s %7.3f ms  (best %.3f, worst %.3f)\n", c.name.c_str(), Median(c.rounds), *low, *high);
    }
    std::printf("(%dx%d, median of %d interleaved rounds, with clear and swap)\n", kWidth, kHeight, kRounds);

    // How far one quad's picture is from the grid's, on a detailed frame.
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
    glBindTexture(GL_TEXTURE_2D, render.texture_table[0]);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_BYTE, frame.data());
    for (int pixel : {0, 15}) {
        app.vertex_program_index = 0;
        app.pixel_program_index = pixel;
        LoadShaderPrograms();
        std::vector<uint8_t> pictures[2];
        void (*draws[2])() = {DrawEffectGrid, OneQuad};
        for (int k = 0; k < 2; ++k) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glBindTexture(GL_TEXTURE_2D, render.texture_table[0]);
            glLoadIdentity();
            SetEffectParameters();
            BeginShaderDrawing();
            draws[k]();
            EndShaderDrawing();
            pictures[k].resize(static_cast<size_t>(kWidth) * kHeight * 4);
            glReadBuffer(GL_BACK);
            glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pictures[k].data());
            glutSwapBuffers();
        }
        int differing = 0, worst = 0;
        for (size_t i = 0; i < pictures[0].size(); i += 4) {
            int d = 0;
            for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(pictures[0][i + c] - pictures[1][i + c]));
            differing += d > 0;
            worst = std::max(worst, d);
        }
        std::printf("one quad against the grid, pixel program %d: %d of %d pixels differ, by at most %d\n", pixel,
                    differing, kWidth * kHeight, worst);
    }
    return 0;
}
