// The frame routine's pictures, read back from a real GL window: normal view,
// zoom with pan and its navigator, split screen, reshape, repeated set-ups.
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/window.h"
#include "record/record.h"
#include "render/frame_loop.h"
#include "render/render.h"
#include "render/shader.h"
#include "render/view.h"
#include "support/state_guard.h"
#include "support/gl_window.h"
#include "support/test_support.h"

namespace {

struct Rgb {
    int r, g, b;
};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
// Four vertical bands of the test frame, left to right.
constexpr Rgb kBands[4] = {{230, 40, 40}, {40, 200, 60}, {50, 60, 220}, {240, 220, 30}};
constexpr Rgb kSecond{200, 90, 210};

bool Near(Rgb a, Rgb b, int tolerance = 8) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

std::string Text(Rgb c) {
    // snprintf: GCC 12's -Wrestrict misfires on the chain of string additions.
    char text[48];
    std::snprintf(text, sizeof text, "(%d,%d,%d)", c.r, c.g, c.b);
    return text;
}

// A camera frame as the capture layer delivers it: blue, green, red, x.
std::vector<uint8_t> MakeFrame(int width, int height, const Rgb* bands, int band_count) {
    std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb c = bands[x * band_count / width];
            uint8_t* p = &frame[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = static_cast<uint8_t>(c.b);
            p[1] = static_cast<uint8_t>(c.g);
            p[2] = static_cast<uint8_t>(c.r);
            p[3] = 0xFF;
        }
    return frame;
}

class RenderTest : public ::testing::Test {
protected:
    static constexpr int kVideoWidth = 320, kVideoHeight = 240;

    void SetUp() override {
        saved_dir_ = getcwd(nullptr, 0);
        ASSERT_EQ(chdir((SourceDir() + "/data").c_str()), 0);
        frame_loop = FrameLoopState{};
        app.video_width = kVideoWidth;
        app.video_height = kVideoHeight;
        app.video_frame_rate = 30;
        for (int& on : app.window_on_off) on = 0;
        // The window the program opens: the camera's size and shape.
        UseTestWindow(kVideoWidth, kVideoHeight);
    }
    void TearDown() override {
        DeleteTextures();
        ASSERT_EQ(chdir(saved_dir_), 0);
        std::free(saved_dir_);
    }

    // Set-up and reshape as at start-up, then the frames uploaded by hand.
    void StartRendering(int width = kVideoWidth, int height = kVideoHeight) {
        UseTestWindow(width, height);
        RenderingSetup();
        Reshape(width, height);
        frame0_ = MakeFrame(kVideoWidth, kVideoHeight, kBands, 4);
        Upload(0, frame0_);
        app.frame_buffer[0] = frame0_.data();
        if (app.second_camera_enabled) {
            frame1_ = MakeFrame(kVideoWidth, kVideoHeight, &kSecond, 1);
            Upload(1, frame1_);
            app.frame_buffer[1] = frame1_.data();
        }
    }

    void Upload(int slot, const std::vector<uint8_t>& frame) {
        glBindTexture(GL_TEXTURE_2D, render.texture_table[slot]);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kVideoWidth, kVideoHeight, GL_BGRA,
                        GL_UNSIGNED_BYTE, frame.data());
    }

    // One run of the frame routine, read back before the swap.
    void Render() {
        RenderFrame();
        glFinish();
        width_ = app.window_width;
        height_ = app.window_height;
        pixels_.assign(static_cast<size_t>(width_) * height_ * 3, 0);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, pixels_.data());
    }

    // Window pixels, all but the folded info panel's lamp, for which
    // off(x, y, pixel) holds.
    template <typename Off>
    int CountPixelsOffFrame(Off off) const {
        int count = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                if (x < 24 && y < 24) continue;
                const uint8_t* p = &pixels_[(static_cast<size_t>(y) * width_ + x) * 3];
                count += off(x, y, Rgb{p[0], p[1], p[2]});
            }
        return count;
    }

    // The pixel under overlay position (x, y) in -128..128 units.
    Rgb At(float x, float y) const {
        int px = static_cast<int>((x + 128) / 256 * width_);
        int py = static_cast<int>((y + 128) / 256 * height_);
        px = std::min(std::max(px, 0), width_ - 1);
        py = std::min(std::max(py, 0), height_ - 1);
        const uint8_t* p = &pixels_[(static_cast<size_t>(py) * width_ + px) * 3];
        return {p[0], p[1], p[2]};
    }

    // True if some pixel within `radius` pixels of (x, y) has exactly `c`.
    bool FoundNear(float x, float y, Rgb c, int radius = 2) const {
        const int cx = static_cast<int>((x + 128) / 256 * width_);
        const int cy = static_cast<int>((y + 128) / 256 * height_);
        for (int py = cy - radius; py <= cy + radius; ++py)
            for (int px = cx - radius; px <= cx + radius; ++px) {
                if (px < 0 || py < 0 || px >= width_ || py >= height_) continue;
                const uint8_t* p = &pixels_[(static_cast<size_t>(py) * width_ + px) * 3];
                if (Near({p[0], p[1], p[2]}, c, 30)) return true;
            }
        return false;
    }

    void ExpectBandsAcross(float y, const Rgb (&expected)[4]) {
        const float centres[4] = {-96, -32, 32, 96};
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(Near(At(centres[i], y), expected[i]))
                << "x " << centres[i] << " y " << y << ": " << Text(At(centres[i], y))
                << " expected " << Text(expected[i]);
    }

    ProgramStateGuard state_{ProgramStateGuard::kFresh};
    char* saved_dir_ = nullptr;
    std::vector<uint8_t> frame0_, frame1_, pixels_;
    int width_ = 0, height_ = 0;
};

TEST_F(RenderTest, NormalViewFillsTheWholeWindowWithTheFrame) {
    const Rgb solid[1] = {{30, 160, 220}};
    StartRendering();
    frame0_ = MakeFrame(kVideoWidth, kVideoHeight, solid, 1);
    Upload(0, frame0_);
    Render();
    EXPECT_EQ(CountPixelsOffFrame([&](int, int, Rgb got) { return !Near(got, solid[0]); }), 0);
    EXPECT_FALSE(app.zoom_on);
}

// Shown pixel for pixel, the window holds exactly the camera's pixels (as
// linear filtering drew them before, at a higher cost): a frame of noise,
// where any blend of neighbours would show.  The camera's own filter is put
// back for the navigator and the effects.
TEST_F(RenderTest, PixelForPixelPictureIsTheCamerasPixels) {
    StartRendering();
    uint32_t seed = 12345;
    for (uint8_t& byte : frame0_) byte = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
    Upload(0, frame0_);
    ASSERT_TRUE(PictureShownPixelForPixel());
    Render();
    EXPECT_EQ(CountPixelsOffFrame([&](int x, int y, Rgb got) {
                  const uint8_t* bgrx = &frame0_[(static_cast<size_t>(y) * kVideoWidth + x) * 4];
                  return got.r != bgrx[2] || got.g != bgrx[1] || got.b != bgrx[0];
              }),
              0);
    GLint filter = 0;
    glBindTexture(GL_TEXTURE_2D, render.texture_table[kSlotPrimaryCamera]);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, static_cast<GLint>(app.texture_filter));
    app.zoom_scale = 2;
    EXPECT_FALSE(PictureShownPixelForPixel());
}

TEST_F(RenderTest, BandsKeepTheirOrderAndTheFrameIsUpright) {
    StartRendering();
    // Mark the bottom rows of the frame (stored first) in black.
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < kVideoWidth * 4; ++x) frame0_[y * kVideoWidth * 4 + x] = 0;
    Upload(0, frame0_);
    Render();
    ExpectBandsAcross(0, kBands);
    ExpectBandsAcross(100, kBands);
    EXPECT_TRUE(Near(At(0, -124), kBlack)) << Text(At(0, -124));
}

TEST_F(RenderTest, ZoomTwoWithPanSixteenShiftsThePictureLeftBy128Units) {
    StartRendering();
    ZoomStep(true);
    app.zoom_pan_x = 16;
    Render();
    // The frame spans -384..128 now: the window shows its right half, each
    // band twice as wide.
    ExpectBandsAcross(-60, {kBands[2], kBands[2], kBands[3], kBands[3]});
    EXPECT_TRUE(app.zoom_on);  // the navigator does not reset a running zoom
}

TEST_F(RenderTest, NavigatorShowsWholeFrameAndTheVisibleRegion) {
    StartRendering();
    ZoomStep(true);
    app.zoom_pan_x = 16;
    Render();
    // The small picture fills (-120, 56)..(-56, 120), band by band.
    const float small_centres[4] = {-112, -96, -80, -64};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(Near(At(small_centres[i], 62), kBands[i]))
            << i << ": " << Text(At(small_centres[i], 62));
    // Blue frame around it.
    EXPECT_TRUE(FoundNear(-88, 120, kBlue));
    EXPECT_TRUE(FoundNear(-120, 88, kBlue));
    EXPECT_TRUE(FoundNear(-56, 60, kBlue));
    // Red square of half-size 16 centred on (16 - 88, 88).
    EXPECT_TRUE(FoundNear(-72, 104, kRed));
    EXPECT_TRUE(FoundNear(-72, 72, kRed));
    EXPECT_TRUE(FoundNear(-88, 88, kRed));
    EXPECT_TRUE(FoundNear(-56, 96, kRed));
    EXPECT_FALSE(FoundNear(-104, 88, kRed, 1));
    // Unzoomed: no navigator, the frame's first band is back in the corner.
    ResetZoom();
    Render();
    EXPECT_TRUE(Near(At(-112, 62), kBands[0])) << Text(At(-112, 62));
    EXPECT_TRUE(Near(At(-64, 112), kBands[1])) << Text(At(-64, 112));
}

TEST_F(RenderTest, SplitScreenShowsBothCamerasInTheMiddleHalf) {
    app.second_camera_enabled = true;
    app.view_mode = kViewSplit;
    StartRendering();
    Render();
    // Left half: camera 0 squeezed to half the width; right half: camera 1.
    EXPECT_TRUE(Near(At(-112, 0), kBands[0])) << Text(At(-112, 0));
    EXPECT_TRUE(Near(At(-16, 40), kBands[3])) << Text(At(-16, 40));
    EXPECT_TRUE(Near(At(16, -40), kSecond)) << Text(At(16, -40));
    EXPECT_TRUE(Near(At(112, 0), kSecond)) << Text(At(112, 0));
    for (float x : {-100.0f, 0.0f, 100.0f}) {
        EXPECT_TRUE(Near(At(x, 100), kBlack)) << x << Text(At(x, 100));
        EXPECT_TRUE(Near(At(x, -100), kBlack)) << x << Text(At(x, -100));
    }
    // The same camera as partner fills both halves with it.
    app.split_partner_camera = 0;
    Render();
    EXPECT_TRUE(Near(At(16 + 8, 0), kBands[0])) << Text(At(24, 0));
    EXPECT_TRUE(Near(At(112, 0), kBands[3])) << Text(At(112, 0));
}

TEST_F(RenderTest, SplitScreenWithoutSecondCameraDrawsNoPicture) {
    app.view_mode = kViewSplit;
    StartRendering();
    EXPECT_EQ(render.texture_table[1], 0u);
    Render();
    for (float x : {-100.0f, -20.0f, 20.0f, 100.0f}) EXPECT_TRUE(Near(At(x, 0), kBlack)) << x;
}

// Window pixels (y up) that are not black: the first and last of a row or a
// column.
struct Lit {
    int first = -1, last = -1;
};

class PictureShapeTest : public RenderTest {
protected:
    bool Black(int px, int py) const {
        const uint8_t* p = &pixels_[(static_cast<size_t>(py) * width_ + px) * 3];
        return p[0] < 16 && p[1] < 16 && p[2] < 16;
    }
    // Along a row (dy 0) or a column (dx 0) from (px, py), counted from there.
    Lit LitLine(int px, int py, int dx, int dy) const {
        Lit lit;
        for (int i = 0; px < width_ && py < height_; ++i, px += dx, py += dy) {
            if (Black(px, py)) continue;
            if (lit.first < 0) lit.first = i;
            lit.last = i;
        }
        return lit;
    }
    Lit LitRow(int py) const { return LitLine(0, py, 1, 0); }
    Lit LitColumn(int px) const { return LitLine(px, 0, 0, 1); }
    // The colour at a fraction (0..1) across and up the picture rectangle.
    Rgb InPicture(const PictureRect& r, float fx, float fy) const {
        const int px = r.x + static_cast<int>(fx * r.width), py = r.y + static_cast<int>(fy * r.height);
        const uint8_t* p = &pixels_[(static_cast<size_t>(py) * width_ + px) * 3];
        return {p[0], p[1], p[2]};
    }
    // Edges measured through the middle of the picture are the rectangle's.
    void ExpectPictureAt(const PictureRect& r, const char* what) {
        SCOPED_TRACE(what);
        const Lit row = LitRow(r.y + r.height / 2), column = LitColumn(r.x + r.width / 2);
        EXPECT_EQ(row.first, r.x);
        EXPECT_EQ(row.last, r.x + r.width - 1);
        EXPECT_EQ(column.first, r.y);
        EXPECT_EQ(column.last, r.y + r.height - 1);
    }
};

// A window of another shape than the camera's: the picture keeps the
// camera's shape in the middle, black bars beside or above and below it, in
// every view; the overlay (the info lamp) still reaches the window's corner.
TEST_F(PictureShapeTest, PictureKeepsTheCameraShapeBetweenBlackBarsInEveryView) {
    app.second_camera_enabled = true;
    const struct { int width, height; } kWindows[] = {{320, 160}, {200, 300}, {331, 157}, {157, 331}};
    for (const auto window : kWindows) {
        SCOPED_TRACE(std::to_string(window.width) + "x" + std::to_string(window.height));
        StartRendering(window.width, window.height);
        const PictureRect r = CurrentPictureRect();
        ASSERT_EQ(r, FitPicture(window.width, window.height, kVideoWidth, kVideoHeight));
        ASSERT_TRUE(r.width < window.width || r.height < window.height);

        app.view_mode = kViewNormal;
        Render();
        ExpectPictureAt(r, "normal view");
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(Near(InPicture(r, (i + 0.5f) / 4, 0.5f), kBands[i])) << i;
        // The lamp, drawn over the whole window, in the bottom-left corner
        // whether a bar or the picture is there.
        EXPECT_TRUE(FoundNear(-124, -124, {255, 0, 0}, 3));

        ZoomStep(true);  // twice as large, panned: still only inside the rectangle
        app.zoom_pan_x = 16;
        Render();
        ExpectPictureAt(r, "zoomed");
        EXPECT_TRUE(Near(InPicture(r, 0.3f, 0.5f), kBands[2])) << Text(InPicture(r, 0.3f, 0.5f));
        ResetZoom();

        app.view_mode = kViewSwap;
        Render();
        ExpectPictureAt(r, "image swap");

        ASSERT_TRUE(LoadShaderPrograms());
        app.view_mode = kViewShader;
        Render();
        ExpectPictureAt(r, "shader view");
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(Near(InPicture(r, (i + 0.5f) / 4, 0.5f), kBands[i])) << i;

        // Split screen: the layout of the camera-sized window, fit as a
        // whole: the cameras side by side in the middle half of the height.
        app.view_mode = kViewSplit;
        Render();
        const Lit row = LitRow(r.y + r.height / 2);
        EXPECT_EQ(row.first, r.x);
        EXPECT_EQ(row.last, r.x + r.width - 1);
        const Lit column = LitColumn(r.x + r.width / 4);
        EXPECT_NEAR(column.first, r.y + r.height / 4, 1);
        EXPECT_NEAR(column.last, r.y + 3 * r.height / 4 - 1, 1);
        EXPECT_TRUE(Near(InPicture(r, 0.05f, 0.5f), kBands[0]));
        EXPECT_TRUE(Near(InPicture(r, 0.95f, 0.5f), kSecond));
    }
    ReleaseShaderPrograms();
}

TEST_F(RenderTest, ShaderViewGridWithPlainProgramsShowsTheWholeFrame) {
    StartRendering();
    ASSERT_TRUE(LoadShaderPrograms());
    ASSERT_FALSE(ShaderProgramsMissing());
    app.view_mode = kViewShader;
    Render();
    ExpectBandsAcross(-100, kBands);
    ExpectBandsAcross(0, kBands);
    ExpectBandsAcross(100, kBands);
    // One wave step per vertex pair: 129 x 128 of them.
    EXPECT_NEAR(frame_loop.vertex_time, 129 * 128 * 0.00001f, 1e-4);
    ReleaseShaderPrograms();
}

TEST_F(RenderTest, ImageSwapViewDrawsLikeNormal) {
    app.view_mode = kViewSwap;
    StartRendering();
    Render();
    ExpectBandsAcross(30, kBands);
}

// The live texture names among the first few thousand.
std::set<GLuint> LiveTextures() {
    std::set<GLuint> live;
    for (GLuint name = 1; name < 4096; ++name)
        if (glIsTexture(name)) live.insert(name);
    return live;
}

TEST_F(RenderTest, RepeatedSetUpsReleaseTheirTextures) {
    app.second_camera_enabled = true;
    StartRendering();
    std::vector<GLuint> old_names(render.texture_table, render.texture_table + kTextureCount);
    const size_t live_after_first = LiveTextures().size();
    for (int run = 0; run < 3; ++run) RenderingSetup();
    const std::set<GLuint> now(render.texture_table, render.texture_table + kTextureCount);
    for (GLuint name : old_names) {
        if (name != 0 && !now.count(name)) {
            EXPECT_FALSE(glIsTexture(name)) << name;
        }
    }
    EXPECT_EQ(LiveTextures().size(), live_after_first);
    // Camera textures come back grey: the last frame is gone until the next.
    for (int slot : {kSlotPrimaryCamera, kSlotSecondaryCamera}) {
        ASSERT_NE(render.texture_table[slot], 0u) << slot;
        EXPECT_TRUE(glIsTexture(render.texture_table[slot])) << slot;
    }
    // The history and the model pass's textures wait for their effect.
    for (int slot : {kSlotHistoryFirst, kSlotHistoryLast, kSlotModelScene, kSlotModelShadow})
        EXPECT_EQ(render.texture_table[slot], 0u) << slot;
    Reshape(256, 256);
    Render();
    EXPECT_TRUE(Near(At(0, 0), {0x7F, 0x7F, 0x7F}, 2)) << Text(At(0, 0));
    DeleteTextures();
    for (GLuint name : render.texture_table) EXPECT_EQ(name, 0u);
}

// The frame history lives while a history program is chosen, the model
// pass's textures while the model effect is; the normal view has neither,
// and no texture is left behind by the changes.
TEST_F(RenderTest, EffectTexturesLiveOnlyWhileTheirEffectIsChosen) {
    StartRendering();
    const size_t live_normal = LiveTextures().size();
    auto made = [](int slot) { return render.texture_table[slot] != 0 && glIsTexture(render.texture_table[slot]); };
    app.view_mode = kViewShader;
    for (int round = 0; round < 2; ++round) {
        app.pixel_program_index = kPixelMotionBlur;
        Render();
        for (int slot = kSlotHistoryFirst; slot <= kSlotHistoryLast; ++slot) EXPECT_TRUE(made(slot)) << slot;
        EXPECT_FALSE(made(kSlotModelScene));
        app.pixel_program_index = kPixelModels;
        Render();
        EXPECT_TRUE(made(kSlotModelScene) && made(kSlotModelShadow));
        EXPECT_FALSE(made(kSlotHistoryFirst));
        app.view_mode = kViewNormal;
        Render();
        EXPECT_EQ(LiveTextures().size(), live_normal) << "round " << round;
        app.view_mode = kViewShader;
    }
}

TEST_F(RenderTest, NoFrameYetDrawsGreyAndKeepsHistoryStill) {
    StartRendering();
    app.frame_buffer[0] = nullptr;
    app.view_mode = kViewShader;
    app.pixel_program_index = 10;
    // Shots and the camera recording asked for before any frame: nothing to
    // write yet, and nothing may read the missing frame.
    const std::string empty_dir = MakeTempDir("lumora-render");
    ASSERT_EQ(chdir(empty_dir.c_str()), 0);
    record.screenshot_pending = true;
    app.motion_shot_pending = true;
    app.motion_recording = true;
    Render();  // the history step waits for a frame
    EXPECT_EQ(frame_loop.history_slot, 1);
    app.motion_recording = false;
    app.frame_buffer[0] = frame0_.data();
    Render();
    Render();
    EXPECT_EQ(frame_loop.history_slot, 3);
    // History slot 4 now holds the frame: read it back from the texture.
    glBindTexture(GL_TEXTURE_2D, render.texture_table[4]);
    std::vector<uint8_t> image(static_cast<size_t>(kTextureSize) * kTextureSize * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, image.data());
    const uint8_t* p = &image[(10 * kTextureSize + 10) * 3];
    EXPECT_TRUE(Near({p[0], p[1], p[2]}, kBands[0], 0));
    const uint8_t* grey = &image[(10 * kTextureSize + 1000) * 3];
    EXPECT_TRUE(Near({grey[0], grey[1], grey[2]}, {0x7F, 0x7F, 0x7F}, 0));
}

// A 24-bit BMP file with its rows padded to four bytes, as BMP files are.
void WriteBmp(const std::string& path, int width, int height, const std::vector<Rgb>& pixels) {
    const int row = (width * 3 + 3) / 4 * 4;
    std::vector<uint8_t> file(54 + static_cast<size_t>(row) * height, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    file[26] = 1;
    file[28] = 24;
    put32(34, static_cast<uint32_t>(row * height));
    for (int y = 0; y < height; ++y)  // bottom row first
        for (int x = 0; x < width; ++x) {
            const Rgb& c = pixels[static_cast<size_t>(y) * width + x];
            uint8_t* p = &file[54 + static_cast<size_t>(y) * row + x * 3];
            p[0] = static_cast<uint8_t>(c.b);
            p[1] = static_cast<uint8_t>(c.g);
            p[2] = static_cast<uint8_t>(c.r);
        }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                static_cast<std::streamsize>(file.size()));
}

TEST_F(RenderTest, MaskOfOddWidthLoadsRowByRowAndAMissingOneKeepsTheSlot) {
    StartRendering();
    const std::string dir = MakeTempDir("lumora-mask");
    ASSERT_EQ(system(("mkdir -p " + dir + "/bmp").c_str()), 0);
    std::vector<Rgb> pixels;
    for (int i = 0; i < 5 * 3; ++i) pixels.push_back({i * 10, 255 - i * 10, i * 3});
    WriteBmp(dir + "/bmp/mask2.bmp", 5, 3, pixels);
    ASSERT_EQ(chdir(dir.c_str()), 0);

    // As on the very first set-up, before the unpack alignment is set to 1.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    LoadMaskTexture(1, kSlotMask);
    ASSERT_NE(render.texture_table[kSlotMask], 0u);
    glBindTexture(GL_TEXTURE_2D, render.texture_table[kSlotMask]);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(width, 5);
    EXPECT_EQ(height, 3);
    std::vector<uint8_t> texels(5 * 3 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    for (int i = 0; i < 15; ++i)
        EXPECT_TRUE(Near({texels[i * 3], texels[i * 3 + 1], texels[i * 3 + 2]}, pixels[i], 0))
            << "texel " << i;

    const GLuint loaded = render.texture_table[kSlotMask];
    LoadMaskTexture(0, kSlotMask);  // bmp/mask1.bmp is missing here
    LoadMaskTexture(9, kSlotMask);  // no such table entry
    LoadMaskTexture(-1, kSlotMask);
    EXPECT_EQ(render.texture_table[kSlotMask], loaded);
    EXPECT_TRUE(glIsTexture(loaded));
}

}  // namespace
