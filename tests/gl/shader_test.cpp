// The effect programs in a real GL window (Xvfb, Mesa): every shipped program
// compiles and links, failures are reported per side while the other side
// still runs, reloads leak nothing, and none/none draws the normal view.
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "render/frame_loop.h"
#include "render/render.h"
#include "render/shader.h"
#include "render/shader_gl.h"
#include "support/gl_window.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWindowWidth = 320, kWindowHeight = 240;
constexpr int kVideoWidth = 64, kVideoHeight = 48;

struct Rgb {
    int r, g, b;
};

// A frame of distinct colours: any flip, shift or scale shows.
Rgb TestTexel(int x, int y) { return {x * 4, y * 5, (x * 7 + y * 13) % 256}; }

class ShaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { original_dir_ = fs::current_path(); }
    static void TearDownTestSuite() { ReleaseShaderPrograms(); }

    void SetUp() override {
        UseTestWindow(kWindowWidth, kWindowHeight);
        fs::current_path(SourceDir() + "/data");
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_CULL_FACE);
        Reshape(kWindowWidth, kWindowHeight);
        app = Application{};
        app.video_width = kVideoWidth;
        app.video_height = kVideoHeight;
        app.window_width = kWindowWidth;
        app.window_height = kWindowHeight;
        frame_loop = FrameLoopState{};
        UpdateTextureExtents();
        UpdateShaderRatios();
        FillEffectGrid();
        MakeTextures();
        SetProfileProbe(nullptr);
    }

    void TearDown() override {
        glDeleteTextures(kTextureCount, render.texture_table);
        for (GLuint& name : render.texture_table) name = 0;
        fs::current_path(original_dir_);
    }

    // Every slot as the set-up makes it: 2048 square, grey, nearest filter.
    void MakeTextures() {
        std::vector<uint8_t> grey(2048 * 2048 * 4, 0x7F);
        glGenTextures(kTextureCount, render.texture_table);
        for (GLuint name : render.texture_table) {
            glBindTexture(GL_TEXTURE_2D, name);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
            glTexImage2D(GL_TEXTURE_2D, 0, 3, 2048, 2048, 0, GL_BGRA, GL_UNSIGNED_BYTE, grey.data());
        }
        std::vector<uint8_t> frame(kVideoWidth * kVideoHeight * 4);
        for (int y = 0; y < kVideoHeight; ++y)
            for (int x = 0; x < kVideoWidth; ++x) {
                const Rgb c = TestTexel(x, y);
                uint8_t* p = &frame[(y * kVideoWidth + x) * 4];
                p[0] = c.b, p[1] = c.g, p[2] = c.r, p[3] = 0;
            }
        UploadFrame(0, frame.data());
    }

    static void UploadFrame(int slot, const uint8_t* bgra) {
        glBindTexture(GL_TEXTURE_2D, render.texture_table[slot]);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kVideoWidth, kVideoHeight, GL_BGRA, GL_UNSIGNED_BYTE,
                        bgra);
    }

    static void UploadFlatFrame(int slot, Rgb c) {
        std::vector<uint8_t> frame(kVideoWidth * kVideoHeight * 4);
        for (size_t i = 0; i < frame.size(); i += 4)
            frame[i] = c.b, frame[i + 1] = c.g, frame[i + 2] = c.r, frame[i + 3] = 0;
        UploadFrame(slot, frame.data());
    }

    static void Clear() {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glBindTexture(GL_TEXTURE_2D, render.texture_table[app.current_camera]);
        glLoadIdentity();
    }

    // The shader view's picture: the frame routine's effect grid (or `draw`).
    static std::vector<uint8_t> DrawShaderView(void (*draw)() = DrawEffectGrid) {
        Clear();
        EXPECT_TRUE(SetEffectParameters());
        BeginShaderDrawing();
        glPushMatrix();
        draw();
        glPopMatrix();
        EndShaderDrawing();
        return ReadWindow();
    }

    static std::vector<uint8_t> ReadWindow() {
        std::vector<uint8_t> pixels(kWindowWidth * kWindowHeight * 3);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, kWindowWidth, kWindowHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    static Rgb PixelAt(const std::vector<uint8_t>& pixels, int x, int y) {
        const uint8_t* p = &pixels[(y * kWindowWidth + x) * 3];
        return {p[0], p[1], p[2]};
    }

    // Pixels that do not show the whole frame stretched over the window, as
    // the unzoomed normal view does: five pixels a texel each way.
    static int PixelsOffTheWholeFrame(const std::vector<uint8_t>& pixels) {
        int off = 0;
        for (int y = 0; y < kWindowHeight; ++y)
            for (int x = 0; x < kWindowWidth; ++x) {
                const Rgb want = TestTexel(x / 5, y / 5), got = PixelAt(pixels, x, y);
                off += std::abs(got.r - want.r) > 2 || std::abs(got.g - want.g) > 2 || std::abs(got.b - want.b) > 2;
            }
        return off;
    }

    static int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
        int worst = 0;
        for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
        return worst;
    }

    static void Load(int vertex, int pixel) {
        app.vertex_program_index = vertex;
        app.pixel_program_index = pixel;
        ASSERT_TRUE(LoadShaderPrograms());
    }

    // A copy of data/cg in a temporary folder, made the working directory.
    static std::string UseCopyOfPrograms() {
        const std::string dir = MakeTempDir("lumora-cg");
        fs::copy(SourceDir() + "/data/cg", dir + "/cg", fs::copy_options::recursive);
        fs::current_path(dir);
        return dir;
    }

    static void WriteFile(const std::string& path, const char* text) { std::ofstream(path) << text; }

    static fs::path original_dir_;
};

fs::path ShaderTest::original_dir_;

#define EXPECT_RGB_NEAR(actual, r_, g_, b_, tolerance) \
    do {                                                \
        const Rgb a_ = (actual);                        \
        EXPECT_NEAR(a_.r, r_, tolerance);               \
        EXPECT_NEAR(a_.g, g_, tolerance);               \
        EXPECT_NEAR(a_.b, b_, tolerance);               \
    } while (0)

TEST_F(ShaderTest, EveryShippedProgramCompilesAndLinks) {
    std::string failures;
    for (int v = 0; v < kVertexProgramCount; ++v) {
        render.cg_error_text[0] = '\0';
        Load(v, 0);
        if (ShaderProgramsMissing()) failures += std::string(kVertexProgramFiles[v]) + ": " + render.cg_error_text + "\n";
    }
    for (int p = 0; p < kPixelProgramCount; ++p) {
        render.cg_error_text[0] = '\0';
        Load(0, p);
        if (ShaderProgramsMissing()) failures += std::string(kPixelProgramFiles[p]) + ": " + render.cg_error_text + "\n";
        EXPECT_NE(shader_state.program, 0u);
    }
    EXPECT_EQ(failures, "");
    // Every effect program draws without a GL error.
    for (int v = 0; v < kVertexProgramCount; ++v)
        for (int p = 0; p < kPixelProgramCount; p += 5) {
            Load(v, p);
            DrawShaderView();
            EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << kVertexProgramFiles[v] << " " << kPixelProgramFiles[p];
        }
}

TEST_F(ShaderTest, NoneNoneDrawsExactlyTheNormalView) {
    Load(0, 0);
    EXPECT_FALSE(ShaderProgramsMissing());
    const auto shaded = DrawShaderView();
    EXPECT_EQ(PixelsOffTheWholeFrame(shaded), 0);
    // Upright and unzoomed: the window's corners show the frame's corners.
    const Rgb bottom_left = TestTexel(0, 0), top_right = TestTexel(kVideoWidth - 1, kVideoHeight - 1);
    EXPECT_RGB_NEAR(PixelAt(shaded, 1, 1), bottom_left.r, bottom_left.g, bottom_left.b, 0);
    EXPECT_RGB_NEAR(PixelAt(shaded, kWindowWidth - 2, kWindowHeight - 2), top_right.r, top_right.g,
                    top_right.b, 0);
}

// The frame routine's grid (vertex arrays) with the wave programs during a
// swap fade: one frame moves the counters on by 128 rows of 129 pairs, the
// fade passes its peak and switches the camera, the wave reaches the program
// (the picture is not the plain frame), and the same start draws the same
// picture again.
TEST_F(ShaderTest, VertexArrayGridFeedsTheWaveAndStepsTheCounters) {
    app.second_camera_enabled = true;
    for (int vertex : {1, 5, 0}) {
        SCOPED_TRACE(kVertexProgramFiles[vertex]);
        Load(vertex, 0);
        ASSERT_FALSE(ShaderProgramsMissing());
        std::vector<uint8_t> pictures[2];
        for (auto& picture : pictures) {
            frame_loop.vertex_time = 2.5f;
            frame_loop.vertex_angle = 1.2f;
            frame_loop.swap_transition_value = 95;  // the peak within the frame
            frame_loop.swap_transition_step = 0.1f;
            frame_loop.swap_transition_running = true;
            app.current_camera = 0;
            picture = DrawShaderView();
            EXPECT_EQ(app.current_camera, 1);
            EXPECT_NEAR(frame_loop.vertex_time, 2.5f + 128 * 129 * 0.00001f, 1e-3);
            EXPECT_NEAR(frame_loop.vertex_angle, 1.2f + 128 * 129 * 0.00001f, 1e-3);
            EXPECT_NEAR(frame_loop.swap_transition_value, 92.4f, 1e-3);  // 51 rows up, 77 down
            EXPECT_LT(frame_loop.swap_transition_step, 0);
            EXPECT_TRUE(frame_loop.swap_transition_running);
        }
        EXPECT_EQ(MaxDifference(pictures[0], pictures[1]), 0);
        if (vertex == 0)
            EXPECT_EQ(PixelsOffTheWholeFrame(pictures[0]), 0);
        else
            EXPECT_GT(PixelsOffTheWholeFrame(pictures[0]), 1000);
    }
}

// With the pass-through vertex program one quad draws the grid's picture:
// every pixel program over a frame of distinct texels (and distinct history
// frames), read back over both, with the nearest and the linear filter, at
// 1x and zoomed.  On Mesa llvmpipe the largest difference found is one step
// of one channel, in 5 of the 16.6 million channel values compared (the
// rasteriser's rounding of the interpolated texture coordinate).
TEST_F(ShaderTest, PassThroughQuadDrawsTheGridsPicture) {
    for (int slot = kSlotHistoryFirst; slot <= kSlotHistoryLast; ++slot)
        UploadFlatFrame(slot, {40 * slot, 90, 220 - 30 * slot});
    int worst = 0;
    size_t differing = 0;
    for (GLint filter : {GL_NEAREST, GL_LINEAR})
        for (float zoom : {1.0f, 4.0f})
            for (int p = 0; p < kPixelProgramCount; ++p) {
                for (GLuint name : render.texture_table) {
                    glBindTexture(GL_TEXTURE_2D, name);
                    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
                    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
                }
                app.zoom_on = zoom > 1;
                app.zoom_scale = zoom;
                app.zoom_pan_x = zoom > 1 ? 3 : 0;
                Load(kVertexNone, p);
                ASSERT_FALSE(EffectNeedsGrid());
                const auto grid = DrawShaderView(DrawEffectGrid);
                const auto quad = DrawShaderView(DrawEffectQuad);
                const int difference = MaxDifference(grid, quad);
                for (size_t i = 0; i < grid.size(); ++i) differing += grid[i] != quad[i];
                EXPECT_LE(difference, 1) << kPixelProgramFiles[p] << " filter " << filter << " zoom " << zoom;
                worst = std::max(worst, difference);
            }
    std::printf("grid against quad: largest channel difference %d, %zu channel values differ\n", worst,
                differing);
    // The grid stays wherever the vertex program moves the picture, and for
    // the wire-frame view.
    Load(1, 0);
    EXPECT_TRUE(EffectNeedsGrid());
    Load(kVertexNone, 0);
    app.polygon_mode = GL_LINE;
    EXPECT_TRUE(EffectNeedsGrid());
}

// 4x zoom shows a quarter of the frame each way, 20 pixels a texel; a pan
// of (8, -5) moves it by (128, -80) units: texels 32..47 across, 21..33 up.
TEST_F(ShaderTest, NoneNoneFollowsZoomAndPanLikeTheNormalView) {
    Load(0, 0);
    app.zoom_on = true;
    app.zoom_scale = 4;
    app.zoom_pan_x = 8;
    app.zoom_pan_y = -5;
    app.zoom_shift_x = 0.00390625f;  // as eight and minus five pan steps leave them
    app.zoom_shift_y = -0.0018310546875f;
    const auto zoomed = DrawShaderView();
    const struct { int x, y, texel_x, texel_y; } kSamples[] = {
        {10, 15, 32, 22}, {170, 135, 40, 28}, {310, 235, 47, 33}};
    for (const auto& sample : kSamples) {
        const Rgb want = TestTexel(sample.texel_x, sample.texel_y);
        EXPECT_RGB_NEAR(PixelAt(zoomed, sample.x, sample.y), want.r, want.g, want.b, 2);
    }

    // After a zoom reset the shift is kept but the picture is unzoomed.
    app.zoom_on = false;
    app.zoom_scale = 1;
    app.zoom_pan_x = app.zoom_pan_y = 0;
    EXPECT_EQ(PixelsOffTheWholeFrame(DrawShaderView()), 0);
}

TEST_F(ShaderTest, ColourProgramsGiveTheExpectedColours) {
    UploadFlatFrame(0, {200, 100, 50});
    const int cx = kWindowWidth / 2, cy = kWindowHeight / 2;
    Load(0, 2);  // rgb_inverter
    EXPECT_RGB_NEAR(PixelAt(DrawShaderView(), cx, cy), 55, 155, 205, 1);
    Load(0, 3);  // rgb_grayscale: 0.299 R + 0.587 G + 0.114 B
    EXPECT_RGB_NEAR(PixelAt(DrawShaderView(), cx, cy), 124, 124, 124, 1);
    Load(0, 15);  // edges_sobel: a flat picture has no edges
    EXPECT_RGB_NEAR(PixelAt(DrawShaderView(), cx, cy), 0, 0, 0, 1);
    Load(0, 1);  // rgb_gamma at 0 leaves the picture unchanged
    EXPECT_RGB_NEAR(PixelAt(DrawShaderView(), cx, cy), 200, 100, 50, 1);
    render.shader_gamma = 1;  // brighter
    const Rgb brighter = PixelAt(DrawShaderView(), cx, cy);
    render.shader_gamma = 0;
    EXPECT_GT(brighter.g, 150);
}

TEST_F(ShaderTest, SobelFindsAStepButNotThePictureBorder) {
    std::vector<uint8_t> frame(kVideoWidth * kVideoHeight * 4, 0);
    for (int y = 0; y < kVideoHeight; ++y)
        for (int x = kVideoWidth / 2; x < kVideoWidth; ++x)
            std::fill_n(&frame[(y * kVideoWidth + x) * 4], 3, uint8_t(255));
    UploadFrame(0, frame.data());
    Load(0, 15);
    const auto picture = DrawShaderView();
    const int cy = kWindowHeight / 2;
    EXPECT_GT(PixelAt(picture, kWindowWidth / 2, cy).r, 200);      // the step
    EXPECT_LT(PixelAt(picture, kWindowWidth / 4, cy).r, 10);       // flat black
    EXPECT_LT(PixelAt(picture, 3 * kWindowWidth / 4, cy).r, 10);   // flat white
    EXPECT_LT(PixelAt(picture, 1, cy).r, 10);                      // the picture's edges
    EXPECT_LT(PixelAt(picture, kWindowWidth - 2, cy).r, 10);
    EXPECT_LT(PixelAt(picture, kWindowWidth / 4, kWindowHeight - 2).r, 10);
}

TEST_F(ShaderTest, ChromaKeyShowsCameraOneOrTheMask) {
    UploadFlatFrame(0, {30, 220, 40});   // green screen
    UploadFlatFrame(1, {0, 0, 255});     // camera 1: blue
    const uint8_t red_mask[4 * 4 * 3] = {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0,
                                         255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0,
                                         255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0};
    glBindTexture(GL_TEXTURE_2D, render.texture_table[3]);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, red_mask);
    const int cx = kWindowWidth / 2, cy = kWindowHeight / 2;
    Load(0, 13);
    EXPECT_RGB_NEAR(PixelAt(DrawShaderView(), cx, cy), 0, 0, 255, 1);
    // One camera: slot 1 has no texture, the mask shows instead.
    glDeleteTextures(1, &render.texture_table[1]);
    render.texture_table[1] = 0;
    EXPECT_RGB_NEAR(PixelAt(DrawShaderView(), cx, cy), 255, 0, 0, 1);
    // A picture without green stays as it is.
    UploadFlatFrame(0, {200, 100, 50});
    EXPECT_RGB_NEAR(PixelAt(DrawShaderView(), cx, cy), 200, 100, 50, 1);
}

TEST_F(ShaderTest, MotionProgramsReadTheHistoryTextures) {
    UploadFlatFrame(0, {200, 200, 200});
    for (int slot : {4, 5, 6}) UploadFlatFrame(slot, {200, 200, 200});
    const int cx = kWindowWidth / 2, cy = kWindowHeight / 2;
    Load(0, 11);  // motion: still picture -> black
    EXPECT_RGB_NEAR(PixelAt(DrawShaderView(), cx, cy), 0, 0, 0, 1);
    for (int slot : {4, 5, 6}) UploadFlatFrame(slot, {20, 20, 20});
    EXPECT_RGB_NEAR(PixelAt(DrawShaderView(), cx, cy), 200, 200, 200, 1);
    Load(0, 10);  // motion_blur: 0.4 now + 0.2 each earlier frame
    EXPECT_RGB_NEAR(PixelAt(DrawShaderView(), cx, cy), 92, 92, 92, 2);
}

TEST_F(ShaderTest, ModelProgramKeysOutTheBlueClearColour) {
    UploadFlatFrame(0, {200, 100, 50});
    std::vector<uint8_t> scene(2048 * 2048 * 4), shadow(2048 * 2048 * 4, 0xFF);
    for (int y = 0; y < kWindowHeight; ++y)
        for (int x = 0; x < kWindowWidth; ++x) {
            uint8_t* p = &scene[(y * 2048 + x) * 4];
            const bool model = x < kWindowWidth / 2;
            p[0] = model ? 0 : 255, p[1] = model ? 255 : 0, p[2] = 0;  // BGRA: green model on blue
            if (y < kWindowHeight / 2) shadow[(y * 2048 + x) * 4 + 0] = shadow[(y * 2048 + x) * 4 + 1] =
                                           shadow[(y * 2048 + x) * 4 + 2] = 128;
        }
    for (auto [slot, pixels] : {std::pair{7, &scene}, std::pair{2, &shadow}}) {
        glBindTexture(GL_TEXTURE_2D, render.texture_table[slot]);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 2048, 2048, GL_BGRA, GL_UNSIGNED_BYTE, pixels->data());
    }
    Load(0, 16);
    const auto picture = DrawShaderView();
    EXPECT_RGB_NEAR(PixelAt(picture, 10, 10), 0, 255, 0, 1);                       // the model
    EXPECT_RGB_NEAR(PixelAt(picture, kWindowWidth - 10, kWindowHeight - 10), 200, 100, 50, 1);  // video
    EXPECT_RGB_NEAR(PixelAt(picture, kWindowWidth - 10, 10), 100, 50, 25, 2);     // in shadow
}

TEST_F(ShaderTest, BrokenVertexProgramIsReportedWhileThePixelProgramRuns) {
    const std::string dir = UseCopyOfPrograms();
    WriteFile("cg/vertex/tmp.cg", "#version 120\nvoid main() { this is not glsl }\n");
    UploadFlatFrame(0, {200, 100, 50});
    Load(8, 2);
    EXPECT_TRUE(ShaderProgramsMissing());
    EXPECT_EQ(std::string(render.cg_error_text).rfind("VERTEX: ", 0), 0u) << render.cg_error_text;
    EXPECT_GT(std::strlen(render.cg_error_text), 10u);
    EXPECT_EQ(shader_state.vertex_shader, 0u);
    // The inverter still runs, on a picture that fills the window.
    const auto picture = DrawShaderView();
    EXPECT_RGB_NEAR(PixelAt(picture, kWindowWidth / 2, kWindowHeight / 2), 55, 155, 205, 1);
    EXPECT_RGB_NEAR(PixelAt(picture, 1, 1), 55, 155, 205, 1);

    // A missing file is reported the same way.
    fs::remove("cg/vertex/tmp.cg");
    Load(8, 0);
    EXPECT_TRUE(ShaderProgramsMissing());
    EXPECT_NE(std::string(render.cg_error_text).find("VERTEX: "), std::string::npos);
    EXPECT_NE(std::string(render.cg_error_text).find("cg/vertex/tmp.cg"), std::string::npos);

    // A good load clears the condition; the text stays as it was.
    Load(0, 0);
    EXPECT_FALSE(ShaderProgramsMissing());
    EXPECT_EQ(std::string(render.cg_error_text).rfind("VERTEX: ", 0), 0u);
    fs::remove_all(dir);
}

TEST_F(ShaderTest, BrokenPixelProgramIsReportedWhileTheVertexProgramRuns) {
    const std::string dir = UseCopyOfPrograms();
    WriteFile("cg/pixel/tmp.cg", "#version 120\nvoid main() { gl_FragColor = undefined_thing; }\n");
    // A vertex program that only links with a partner giving its varying.
    WriteFile("cg/vertex/tmp.cg",
              "#version 120\nuniform mat4 ModelViewProj;\nattribute vec3 IN_wave;\n"
              "void main() { gl_TexCoord[0] = vec4(0.0); gl_Position = ModelViewProj * "
              "vec4(gl_Vertex.xy * 2.0 + IN_wave.xy, 0.0, 1.0); }\n");
    Load(8, 17);
    EXPECT_TRUE(ShaderProgramsMissing());
    EXPECT_EQ(std::string(render.cg_error_text).rfind("PIXEL: ", 0), 0u) << render.cg_error_text;
    EXPECT_NE(shader_state.vertex_shader, 0u);
    ASSERT_NE(shader_state.program, 0u);
    GLuint attached[4];
    GLsizei count = 0;
    glGetAttachedShaders(shader_state.program, 4, &count, attached);
    EXPECT_TRUE(std::find(attached, attached + count, shader_state.vertex_shader) != attached + count);
    EXPECT_EQ(shader_state.wave, GLint(kWaveAttribLocation));
    // The vertex program draws: every pixel shows texel (0, 0).
    const Rgb c = TestTexel(0, 0);
    EXPECT_RGB_NEAR(PixelAt(DrawShaderView(), kWindowWidth / 2, kWindowHeight / 2), c.r, c.g, c.b, 0);
    fs::remove_all(dir);
}

// The whole frame routine: a missing vertex program is named in red while
// the pixel program still colours the picture.
TEST_F(ShaderTest, FrameRoutineShowsTheNoticeAndStillRunsThePixelProgram) {
    const std::string dir = UseCopyOfPrograms();
    fs::remove("cg/vertex/tmp.cg");
    fs::copy(SourceDir() + "/data/bmp", dir + "/bmp", fs::copy_options::recursive);
    fs::copy(SourceDir() + "/data/mdl", dir + "/mdl", fs::copy_options::recursive);
    for (int& on : app.window_on_off) on = 0;
    app.view_mode = kViewShader;
    RenderingSetup();
    Reshape(kWindowWidth, kWindowHeight);
    UploadFlatFrame(0, {200, 100, 50});
    Load(8, 2);
    ASSERT_TRUE(ShaderProgramsMissing());
    RenderFrame();
    const auto picture = ReadWindow();
    EXPECT_RGB_NEAR(PixelAt(picture, kWindowWidth / 2, kWindowHeight / 2), 55, 155, 205, 1);
    // Red text in the left part of the rows around a third of the height.
    int red = 0;
    for (int y : {kWindowHeight / 3, kWindowHeight - kWindowHeight / 3})
        for (int dy = -15; dy <= 15; ++dy)
            for (int x = 0; x < kWindowWidth / 2; ++x) {
                const Rgb c = PixelAt(picture, x, y + dy);
                red += c.r > 200 && c.g < 60 && c.b < 60;
            }
    EXPECT_GT(red, 30);
    EXPECT_NE(std::string(render.cg_error_text).find("VERTEX: "), std::string::npos);
    ReleaseShaderPrograms();
    fs::current_path(original_dir_);
    fs::remove_all(dir);
}

TEST_F(ShaderTest, UnknownParameterNamesAreHarmless) {
    Load(0, 0);  // declares few of the names
    while (glGetError() != GL_NO_ERROR) {
    }
    for (int i = 0; i < 3; ++i) DrawShaderView();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(shader_state.scalar[0], -1);  // "gamma" is not in none.cg
    // The wave attribute is never put on location 0 (that would emit a vertex).
    Load(1, 0);
    EXPECT_EQ(shader_state.wave, GLint(kWaveAttribLocation));
    DrawShaderView();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ShaderTest, BeginAndEndLeaveUnitZeroActiveWithTheCamera) {
    Load(0, 13);
    SetEffectParameters();
    BeginShaderDrawing();
    GLint unit = 0, bound = 0, program = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(unit, GL_TEXTURE0);
    EXPECT_EQ(GLuint(bound), render.texture_table[0]);
    glActiveTexture(GL_TEXTURE6);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), render.texture_table[1]);  // "Texture7": camera 1
    glActiveTexture(GL_TEXTURE0);
    EndShaderDrawing();
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(unit, GL_TEXTURE0);
    EXPECT_EQ(program, 0);
}

TEST_F(ShaderTest, HundredsOfReloadsLeaveNoProgramsBehind) {
    GLuint highest = 0;
    for (int i = 0; i < 300; ++i) {
        Load(i % kVertexProgramCount, i % kPixelProgramCount);
        for (GLuint name : {shader_state.program, shader_state.vertex_shader, shader_state.pixel_shader,
                            shader_state.fallback_vertex, shader_state.fallback_pixel})
            highest = std::max(highest, name);
    }
    ReleaseShaderPrograms();
    int alive = 0;
    for (GLuint name = 1; name <= highest + 8; ++name) alive += glIsProgram(name) || glIsShader(name);
    EXPECT_EQ(alive, 0);
}

TEST_F(ShaderTest, NoProfileShowsTheErrorBoxAndKeepsThePrograms) {
    ASSERT_TRUE(VertexProfileSupported());
    ASSERT_TRUE(PixelProfileSupported());
    Load(0, 2);
    const GLuint program = shader_state.program;
    ScriptedDialogs dialogs;
    SetProfileProbe([](const char* stage) { return std::strcmp(stage, "GL_ARB_vertex_shader") != 0; });
    EXPECT_FALSE(LoadShaderPrograms());
    SetProfileProbe([](const char* stage) { return std::strcmp(stage, "GL_ARB_fragment_shader") != 0; });
    EXPECT_FALSE(LoadShaderPrograms());
    SetProfileProbe(nullptr);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "Failed to initialize vertex shader! Hardware doesn't support any of the required "
              "vertex shading extensions!");
    EXPECT_EQ(dialogs.boxes[1].text,
              "Failed to initialize pixel shader! Hardware doesn't support any of the pixel "
              "shading extensions!");
    for (const auto& box : dialogs.boxes) {
        EXPECT_EQ(box.caption, "ERROR");
        EXPECT_EQ(box.icon, MsgIcon::Warning);
        EXPECT_EQ(box.buttons, MsgButtons::Ok);
    }
    // The programs of the earlier load stay in use.
    EXPECT_EQ(shader_state.program, program);
    EXPECT_TRUE(glIsProgram(program));
}

}  // namespace
