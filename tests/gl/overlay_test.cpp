// The overlay and the text routes in a real GL window (Xvfb, Mesa), with the
// program's projection, depth test and face culling: plates cover the pixels
// they should with the blended colours, fills follow the state, full-screen
// elements stay away in a window, and the bitmap glyph tables draw exactly
// what freeglut's fonts draw.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "console/console.h"
#include "overlay/overlay.h"
#include "overlay/text.h"
#include "render/frame_loop.h"
#include "render/render.h"
#include "support/state_guard.h"
#include "support/test_support.h"

namespace {

constexpr int kSize = 512;  // square window: one overlay unit is two pixels

struct Pixel {
    int r, g, b;
};

std::ostream& operator<<(std::ostream& out, const Pixel& p) {
    return out << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

class OverlayTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!glutGet(GLUT_INIT_STATE)) {
            int argc = 1;
            char name[] = "overlay_test";
            char* argv[] = {name, nullptr};
            glutInit(&argc, argv);
        }
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutInitWindowSize(kSize, kSize);
        window_ = glutCreateWindow("overlay_test");
        glutDisplayFunc([] {});
        for (int i = 0; i < 5; ++i) glutMainLoopEvent();
    }
    static void TearDownTestSuite() {
        glutDestroyWindow(window_);
        glutMainLoopEvent();
    }

    void SetUp() override {
        glutSetWindow(window_);
        overlay = OverlayState{};
        console = ConsoleState{};
        frame_loop = FrameLoopState{};

        // The program's GL state and projection (rendering set-up and reshape).
        Reshape(kSize, kSize);
        glShadeModel(GL_SMOOTH);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_CULL_FACE);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        BuildOverlayLists();
        Clear(0, 0, 0);
    }

    static void Clear(float r, float g, float b) {
        glClearColor(r, g, b, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    static void Grab() {
        glFinish();
        glReadBuffer(GL_BACK);
        pixels_.resize(kSize * kSize * 3);
        glReadPixels(0, 0, kSize, kSize, GL_RGB, GL_UNSIGNED_BYTE, pixels_.data());
    }
    // Window pixel, origin bottom-left.
    static Pixel At(int x, int y) {
        const unsigned char* p = &pixels_[(static_cast<size_t>(y) * kSize + x) * 3];
        return {p[0], p[1], p[2]};
    }
    // The pixel under an overlay position.
    static Pixel AtUnits(float ux, float uy) {
        return At(static_cast<int>(std::floor((ux + 128) * kSize / 256)),
                  static_cast<int>(std::floor((uy + 128) * kSize / 256)));
    }
    // Pixels in an overlay-unit box that differ from the background.
    static int CountNot(Pixel background, float x0, float y0, float x1, float y1) {
        int n = 0;
        for (int y = static_cast<int>((y0 + 128) * 2); y < static_cast<int>((y1 + 128) * 2); ++y)
            for (int x = static_cast<int>((x0 + 128) * 2); x < static_cast<int>((x1 + 128) * 2); ++x) {
                const Pixel p = At(x, y);
                n += p.r != background.r || p.g != background.g || p.b != background.b;
            }
        return n;
    }
    static int CountColor(Pixel want, float x0, float y0, float x1, float y1) {
        int n = 0;
        for (int y = static_cast<int>((y0 + 128) * 2); y < static_cast<int>((y1 + 128) * 2); ++y)
            for (int x = static_cast<int>((x0 + 128) * 2); x < static_cast<int>((x1 + 128) * 2); ++x) {
                const Pixel p = At(x, y);
                n += std::abs(p.r - want.r) <= 3 && std::abs(p.g - want.g) <= 3 &&
                     std::abs(p.b - want.b) <= 3;
            }
        return n;
    }

    static int window_;
    static std::vector<unsigned char> pixels_;
    ProgramStateGuard state_{ProgramStateGuard::kFresh};
};

int OverlayTest::window_ = 0;
std::vector<unsigned char> OverlayTest::pixels_;

::testing::AssertionResult Near(Pixel got, Pixel want, int tolerance = 3) {
    if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
        std::abs(got.b - want.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << got << ", want " << want;
}

const Pixel kBlack{0, 0, 0};
const Pixel kPureRed{255, 0, 0};
const Pixel kPureGreen{0, 255, 0};
// The default plate fill (0.8, 0.8, 1.0) at alpha 0.5 over black: once over
// the border, twice over the content area.
const Pixel kPlateOnce{102, 102, 127};
const Pixel kPlateTwice{153, 153, 191};

TEST_F(OverlayTest, BackplateCoversItsAreaWithBlendedColours) {
    // Content [-20, 20] x [-20, 5]; border and corners 5 units (radius 10 plate units).
    DrawBackplate(10, 40, 25, -20, -20, 0.8f, 0.8f, 1.0f, 0, 0, 1, 0.5f);
    Grab();
    EXPECT_TRUE(Near(AtUnits(0, -10), kPlateTwice));
    EXPECT_TRUE(Near(AtUnits(-19.5f, -19.5f), kPlateTwice));
    EXPECT_TRUE(Near(AtUnits(-22.5f, -10), kPlateOnce));   // left border
    EXPECT_TRUE(Near(AtUnits(22.5f, -10), kPlateOnce));    // right border
    EXPECT_TRUE(Near(AtUnits(0, -22.5f), kPlateOnce));     // bottom border
    EXPECT_TRUE(Near(AtUnits(-0.25f, 7.5f), {0, 0, 127}, 6));  // title strip centre: border colour
    EXPECT_TRUE(Near(AtUnits(-19.75f, 7.5f), kPlateOnce, 6));  // title strip ends: fill
    EXPECT_TRUE(Near(AtUnits(23, 8), kPlateOnce));         // inside the rounded corner
    EXPECT_TRUE(Near(AtUnits(-23, -23), kPlateOnce));
    EXPECT_TRUE(Near(AtUnits(24.5f, 9.5f), kBlack));       // outside the corner's arc
    EXPECT_TRUE(Near(AtUnits(-24.5f, -24.5f), kBlack));
    EXPECT_TRUE(Near(AtUnits(-26, -10), kBlack));
    EXPECT_TRUE(Near(AtUnits(0, 11), kBlack));
    EXPECT_TRUE(Near(AtUnits(0, -26), kBlack));
    GLboolean blend = GL_TRUE;
    glGetBooleanv(GL_BLEND, &blend);
    EXPECT_FALSE(blend);
}

TEST_F(OverlayTest, ButtonFillFollowsViewModeAndState) {
    // The right end of the content area, below the label's baseline.
    auto fill_of = [](float x, float y) { return AtUnits(x + 14.5f, y + 0.25f); };
    app.view_mode = kViewSplit;
    DrawButton(2, 15, 3, 0, 0, 0.8f, 0.8f, 1.0f, 0, 0, 1, 0.5f, kViewSplit, "Splitscreen");
    DrawButton(2, 15, 3, 0, -20, 0.8f, 0.8f, 1.0f, 0, 0, 1, 0.5f, kViewSwap, "Image Swap");
    DrawButton(2, 15, 3, 0, -40, 1, 0, 0, 0, 0, 1, 0.5f, -1, "Record");
    Grab();
    EXPECT_TRUE(Near(fill_of(0, 0), {0, 191, 0}));
    EXPECT_TRUE(Near(fill_of(0, -20), kPlateTwice));
    EXPECT_TRUE(Near(fill_of(0, -40), {191, 0, 0}));
    // The label is black stroke text inside the button.
    EXPECT_GT(CountColor(kBlack, 0, 1, 12, 3), 20);
    EXPECT_GT(CountColor(kBlack, 0, -19, 12, -17), 20);

    // Through the overlay pass, at the table's positions.
    Clear(0, 0, 0);
    app.full_screen = true;
    app.view_mode = kViewNormal;
    app.motion_shot_on = true;
    app.record_mode = kRecordScreen;
    app.window_on_off[0] = app.window_on_off[1] = app.window_on_off[3] = 0;
    DrawOverlay();
    Grab();
    EXPECT_TRUE(Near(fill_of(110, 11), {0, 191, 0}));      // Motion Shot on
    EXPECT_TRUE(Near(fill_of(110, 4), {191, 0, 0}));       // Motion Alarm off
    EXPECT_TRUE(Near(fill_of(110, -52), {0, 191, 0}));     // Normal, the view mode
    EXPECT_TRUE(Near(fill_of(110, -59), kPlateTwice));     // Shader
    EXPECT_TRUE(Near(fill_of(110, -31), {0, 191, 0}));     // Screen Record
    EXPECT_TRUE(Near(fill_of(110, -17), {191, 0, 0}));     // Record
    EXPECT_TRUE(Near(fill_of(110, 32), {191, 191, 0}));    // Stats Mode 0: yellow
    EXPECT_TRUE(Near(fill_of(110, 25), kPlateTwice));      // Zoom (0x), available
    app.view_mode = kViewSplit;
    Clear(0, 0, 0);
    DrawOverlay();
    Grab();
    EXPECT_TRUE(Near(fill_of(110, 25), {96, 96, 96}));     // Zoom disabled: grey
}

TEST_F(OverlayTest, FullScreenOnlyElementsAbsentInAWindow) {
    app.stats_mode = 0;
    app.full_screen = false;
    DrawOverlay();
    Grab();
    EXPECT_EQ(CountNot(kBlack, 100, -80, 128, 40), 0) << "a button was drawn";
    EXPECT_EQ(CountNot(kBlack, 60, 70, 120, 120), 0) << "the graph was drawn";
    EXPECT_GT(CountNot(kBlack, 40, 70, 50, 120), 0) << "the motion meter is missing";

    app.full_screen = true;
    Clear(0, 0, 0);
    DrawOverlay();
    Grab();
    EXPECT_GT(CountNot(kBlack, 100, -80, 128, 40), 1000);
    EXPECT_GT(CountNot(kBlack, 60, 70, 120, 120), 1000);

    app.stats_mode = 2;  // neither the graph nor the "Stats Mode" button
    Clear(0, 0, 0);
    DrawOverlay();
    Grab();
    EXPECT_EQ(CountNot(kBlack, 61, 70, 120, 120), 0);
    EXPECT_EQ(CountNot(kBlack, 109, 31, 126, 36), 0);
    EXPECT_GT(CountNot(kBlack, 109, 24, 126, 29), 0);  // the zoom button still is
}

TEST_F(OverlayTest, MotionMeterBarsAndLevel) {
    // 0.7 against 0.18: the red bar clamped to the full 50, over the green level.
    DrawMotionMeter(10, 50, 40, 70, 0.8f, 0.8f, 1.0f, 0, 0, 1, 0.5f, 0.7f, 0.18f);
    Grab();
    for (float y : {71.0f, 85.0f, 95.0f, 115.0f, 119.0f}) EXPECT_TRUE(Near(AtUnits(45, y), kPureRed)) << y;
    EXPECT_TRUE(Near(AtUnits(45, 122), {0, 0, 127}, 6));  // above the bar: the title strip
    // Scale labels 0.0 to 0.5 to the left: black strokes next to the plate.
    EXPECT_GT(CountColor(kBlack, 36, 69, 40, 125), 0);

    // 0.05 against 0.18: red to 5, green from 5 to 18, then the plate.
    Clear(0, 0, 0);
    DrawMotionMeter(10, 50, 40, 70, 0.8f, 0.8f, 1.0f, 0, 0, 1, 0.5f, 0.05f, 0.18f);
    Grab();
    EXPECT_TRUE(Near(AtUnits(45, 72.5f), kPureRed));
    EXPECT_TRUE(Near(AtUnits(45, 76), kPureGreen));
    EXPECT_TRUE(Near(AtUnits(45, 87.5f), kPureGreen));
    EXPECT_TRUE(Near(AtUnits(45, 88.5f), kPlateTwice));
    EXPECT_GT(CountColor(kBlack, 41, 79.5f, 49, 80.5f), 10);  // a grid line every 10 units
    EXPECT_EQ(CountColor(kBlack, 41, 81, 49, 89), 0);
}

TEST_F(OverlayTest, StatisticsGraphTracesTheHistory) {
    // Cursor 0: no red in either style.
    for (int style : {0, 1}) {
        Clear(0, 0, 0);
        overlay.pcd_history_cursor = 0;
        DrawStatisticsGraph(style, 60, 50, 0, 0, 0.8f, 0.8f, 1.0f, 0, 0, 1, 0.5f, 0.3f, 0.18f);
        Grab();
        EXPECT_EQ(CountColor({255, 0, 0}, 0, 0, 60, 50), 0) << style;
        EXPECT_GT(CountColor(kPureGreen, 0, 0, 60, 50), 0) << style;
        EXPECT_EQ(overlay.pcd_history_length, 60);
        EXPECT_FLOAT_EQ(overlay.pcd_history[0], 30);
    }
    // Style 0 draws bar i with the height of slot i + 1.
    Clear(0, 0, 0);
    overlay.pcd_history[1] = 40;
    overlay.pcd_history[2] = 10;
    overlay.pcd_history_cursor = 3;
    DrawStatisticsGraph(0, 60, 50, 0, 0, 0.8f, 0.8f, 1.0f, 0, 0, 1, 0.5f, 0.25f, 0.18f);
    Grab();
    EXPECT_FLOAT_EQ(overlay.pcd_history[3], 25);
    // A grid line every unit: count colours per column instead of single pixels.
    EXPECT_GT(CountColor(kPureRed, 0, 30, 1, 40), 5);     // bar 0: 40 high
    EXPECT_EQ(CountColor(kPureRed, 0, 40.5f, 1, 50), 0);
    EXPECT_GT(CountColor(kPureRed, 1, 2, 2, 10), 5);      // bar 1: 10 high
    EXPECT_GT(CountColor(kPureGreen, 1, 11, 2, 18), 5);   // then the level
    EXPECT_GT(CountColor(kPureRed, 2, 19, 3, 25), 5);     // bar 2: 25, the live slot
    EXPECT_EQ(CountColor(kPureRed, 3, 0, 60, 50), 0);     // nothing past the cursor
    EXPECT_GT(CountColor(kPureGreen, 10, 0, 11, 18), 5);
    EXPECT_GT(CountColor(kPlateTwice, 10, 19, 11, 50), 5);
    // The caption below the plate.
    EXPECT_GT(CountColor(kBlack, 0, -5, 40, -3), 10);
}

TEST_F(OverlayTest, InfoPanelLampAndText) {
    // Folded: only the lamp, red while no motion action is armed.
    app.window_on_off[3] = 0;  // the console would overlap the unfolded panel
    DrawOverlay();
    Grab();
    EXPECT_TRUE(Near(AtUnits(-120.5f, -120.5f), kPureRed));
    EXPECT_EQ(CountNot(kBlack, -110, -110, -40, -45), 0);
    app.motion_alarm_on = true;
    overlay.info_panel_open = true;
    while (!overlay.info_panel_ready) StepInfoPanel();
    Clear(0, 0, 0);
    DrawOverlay();
    Grab();
    EXPECT_TRUE(Near(AtUnits(-120.5f, -120.5f), kPureGreen));
    // Unfolded to 102 x 78 (overlay units): the lamps at its corners.
    EXPECT_TRUE(Near(AtUnits(-120 + 102 + 1.5f, -120 + 78 + 1.5f), kPureGreen));
    EXPECT_TRUE(Near(AtUnits(-120 + 102 + 3.5f, -120 + 78 + 3.5f), kBlack));
    EXPECT_TRUE(Near(AtUnits(-90, -100), kPlateTwice, 80));
    // Text lines: "Cg Vertex Shader" at the top (y -47), the grey stars, a green line.
    EXPECT_GT(CountColor(kBlack, -120, -48, -90, -44), 20);
    EXPECT_GT(CountColor({0, 255, 0}, -120, -83, -100, -78), 5);  // "Motion Alarm: ON"
}

TEST_F(OverlayTest, TimePanelFpsColour) {
    app.clock_hour = 9;
    app.clock_minute = 5;
    app.clock_second = 3;
    std::snprintf(frame_loop.fps_text, sizeof frame_loop.fps_text, "14/30");
    for (const auto& [fps, colour] : {std::pair{14, kPureRed}, {15, Pixel{255, 255, 0}},
                                      {30, kPureGreen}}) {
        frame_loop.fps_value = fps;
        Clear(0, 0, 0);
        DrawTimePanel();
        Grab();
        // "FPS:" sits at y = -120 + 9 - 7.5 = -118.5 .. -113, left of x 100.
        EXPECT_GT(CountColor(colour, 81, -119, 100, -112), 15) << fps;
        EXPECT_GT(CountColor(kBlack, 81, -104, 100, -98), 15) << fps;  // the clock, black
    }
    app.window_on_off[2] = 0;
    Clear(0, 0, 0);
    DrawTimePanel();
    Grab();
    EXPECT_EQ(CountNot(kBlack, 70, -128, 128, -80), 0);
}

TEST_F(OverlayTest, ConsoleWindowShowsLinesAndBlinkingBar) {
    std::snprintf(console.lines[0], kConsoleLineLength, "%%s %%n not a format");
    std::memset(console.lines[24], 'W', kConsoleLineLength);  // unterminated, full width
    std::snprintf(console.input, sizeof console.input, "hello");
    console.blink_state = true;
    DrawConsoleWindow(10, 96, 96, -48, -48, 0.8f, 0.8f, 1.0f, 0, 0, 1, 0.5f, console.input);
    Grab();
    EXPECT_GT(CountColor(kBlack, -48, -47, 0, -44), 20);   // line 0 at the bottom
    EXPECT_GT(CountColor(kBlack, -48, 43, 40, 47), 50);    // line 24 at the top
    EXPECT_TRUE(Near(AtUnits(0, -10), kPlateTwice));
    const int with_bar = CountColor(kBlack, -48, -62, 0, -58);
    console.blink_state = false;
    Clear(0, 0, 0);
    DrawConsoleWindow(10, 96, 96, -48, -48, 0.8f, 0.8f, 1.0f, 0, 0, 1, 0.5f, console.input);
    Grab();
    const int without_bar = CountColor(kBlack, -48, -62, 0, -58);
    EXPECT_GT(without_bar, 20);
    EXPECT_GT(with_bar, without_bar);
    EXPECT_TRUE(Near(AtUnits(30, -60), kPlateTwice));  // the input field below
    EXPECT_TRUE(Near(AtUnits(30, -51), kPlateOnce));   // the console's lower border
}

// ---- bitmap text ----------------------------------------------------------

// The raster position in window coordinates.
float RasterX() {
    GLfloat pos[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
    return pos[0];
}

TEST_F(OverlayTest, BitmapTextIsUntexturedAndRestoresState) {
    // A red texture bound and enabled: textured text would come out black.
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    const unsigned char red[4 * 3] = {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, red);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glEnable(GL_TEXTURE_2D);
    GLdouble projection_before[16], modelview_before[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection_before);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview_before);

    Clear(1, 1, 1);
    BeginTextPass(kSize, kSize);
    glColor3f(0, 0, 1);
    DrawBitmapString(10, 40, 3, "AB");
    EXPECT_FLOAT_EQ(RasterX(), 10 + 17);
    glColor3f(0, 0, 1);
    DrawBitmapString(100, 40, 3, "\t\n\xE9");
    EXPECT_FLOAT_EQ(RasterX(), 100 + 3 * 5);  // three asterisks of font 3
    EndTextPass();
    Grab();

    // The glyphs start one pixel right of x 10 (x origin -1), their box
    // reaches 3 rows below the baseline (y origin 3).
    const int base = kSize - 40;
    int blue_inside = 0, other_ink = 0, blue_asterisks = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const Pixel p = At(x, y);
            if (p.r == 255 && p.g == 255 && p.b == 255) continue;
            const bool blue = p.r == 0 && p.g == 0 && p.b == 255;
            if (blue && x >= 11 && x < 28 && y >= base - 3 && y < base + 12)
                ++blue_inside;
            else if (blue && x >= 101 && x < 116 && y >= base - 3 && y < base + 12)
                ++blue_asterisks;
            else
                ++other_ink;
        }
    EXPECT_GT(blue_inside, 30);
    EXPECT_GT(blue_asterisks, 6);
    EXPECT_EQ(other_ink, 0);

    GLboolean texturing = GL_FALSE;
    glGetBooleanv(GL_TEXTURE_2D, &texturing);
    EXPECT_TRUE(texturing);
    GLboolean depth = GL_FALSE;
    glGetBooleanv(GL_DEPTH_TEST, &depth);
    EXPECT_TRUE(depth);
    GLint alignment = 0, mode = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLdouble projection_after[16], modelview_after[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection_after);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview_after);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(projection_after[i], projection_before[i]);
        EXPECT_EQ(modelview_after[i], modelview_before[i]);
    }
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &texture);
}

// Our glyph tables against freeglut's own fonts: every printable character of
// every font lands on the same pixels, shifted by our x origin.
TEST_F(OverlayTest, BitmapGlyphsMatchFreeglutFonts) {
    void* const glut_fonts[kBitmapFontCount] = {
        GLUT_BITMAP_8_BY_13,      GLUT_BITMAP_9_BY_15,      GLUT_BITMAP_HELVETICA_10,
        GLUT_BITMAP_HELVETICA_12, GLUT_BITMAP_HELVETICA_18, GLUT_BITMAP_TIMES_ROMAN_10,
        GLUT_BITMAP_TIMES_ROMAN_24};
    std::string line;
    for (int c = 32; c <= 126; ++c) line += static_cast<char>(c);
    const std::string parts[3] = {line.substr(0, 32), line.substr(32, 32), line.substr(64)};

    for (int f = 0; f < kBitmapFontCount; ++f) {
        const int shift = -static_cast<int>(GetBitmapFont(f)->x_origin);
        for (const std::string& part : parts) {
            Clear(0, 0, 0);
            BeginTextPass(kSize, kSize);
            glColor3f(1, 1, 1);
            DrawBitmapString(4, 40, f, part.c_str());
            glColor3f(1, 1, 1);
            glRasterPos2f(4 + shift, 100);
            for (char c : part) glutBitmapCharacter(glut_fonts[f], c);
            EndTextPass();
            Grab();
            int ink = 0, mismatches = 0;
            for (int dy = -10; dy < 30; ++dy)
                for (int x = 0; x < kSize; ++x) {
                    const bool ours = At(x, kSize - 40 - dy).r > 127;
                    const bool theirs = At(x, kSize - 100 - dy).r > 127;
                    ink += ours;
                    mismatches += ours != theirs;
                }
            EXPECT_GT(ink, 100) << "font " << f;
            EXPECT_EQ(mismatches, 0) << "font " << f << " text " << part;
        }
    }
}

TEST_F(OverlayTest, StrokeTextLeavesTheMatrixAndIsCut) {
    GLdouble before[16], after[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, before);
    glColor3f(1, 1, 1);
    glPushMatrix();
    glScalef(1.0f / 60, 1.0f / 60, 0);
    const std::string long_text(400, 'M');
    DrawStrokeText(0, 0, "%s", long_text.c_str());  // cut to 199 characters
    glPopMatrix();
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], before[i]);
    Grab();
    EXPECT_GT(CountNot(kBlack, 0, 0, 10, 2), 10);
}

// Our batched strokes put the same lines on the screen as freeglut's own
// glutStrokeCharacter, at several sizes and with smoothing as the panels use.
TEST_F(OverlayTest, StrokeTextDrawsWhatGlutDraws) {
    const char* text = "MODE: 0 PCD: 0.250 of 0.180 {gjy|~} 09:05:03 Zoom (4x)";
    for (const auto& [scale, smooth] : {std::pair{0.05f, false}, {0.025f, true}, {1.0f / 60, false}}) {
        std::vector<unsigned char> ours, theirs;
        for (int pass = 0; pass < 2; ++pass) {
            Clear(0, 0, 0);
            if (smooth) glEnable(GL_LINE_SMOOTH);
            glColor3f(1, 1, 1);
            glPushMatrix();
            glTranslatef(-120, 3, 0);
            glScalef(scale, scale, 0);
            if (pass == 0) {
                DrawStrokeText(0, 0, "%s", text);
            } else {
                for (const char* c = text; *c; ++c) glutStrokeCharacter(GLUT_STROKE_ROMAN, *c);
            }
            glPopMatrix();
            glDisable(GL_LINE_SMOOTH);
            Grab();
            (pass == 0 ? ours : theirs) = pixels_;
        }
        int lit = 0, different = 0;
        for (size_t i = 0; i < ours.size(); i += 3) {
            lit += ours[i] > 127;
            different += std::abs(ours[i] - theirs[i]) > 16;
        }
        EXPECT_GT(lit, 200) << scale;
        std::printf("scale %.4f: %d of %d lit pixels differ\n", scale, different, lit);
        EXPECT_LE(different, lit / 100) << "scale " << scale << ": " << different << " of " << lit;
    }
}

// Every panel with text, the smoothed lines of the time and info panels too.
void SetUpFullOverlay() {
    app.full_screen = true;
    app.motion_shot_on = true;
    app.record_mode = kRecordNormal;
    app.pcd_change = 0.25f;
    app.pcd = 0.4f;
    app.clock_hour = 9;
    app.clock_minute = 5;
    app.clock_second = 3;
    app.clock_day = 7;
    app.clock_month = 3;
    app.clock_year = 2004;
    frame_loop.fps_value = 25;
    std::snprintf(frame_loop.fps_text, sizeof frame_loop.fps_text, "25/30");
    for (int i = 0; i < 25; ++i) std::snprintf(console.lines[i], kConsoleLineLength, "line %i: text", i);
    std::snprintf(console.input, sizeof console.input, "help");
    for (int i = 1; i <= 40; ++i) overlay.pcd_history[i] = static_cast<float>((i * 7) % 45);
    overlay.pcd_history_cursor = 40;
    overlay.info_panel_open = true;
    while (!overlay.info_panel_ready) StepInfoPanel();
}

// A picture of the whole overlay for a look by eye (LUMORA_OVERLAY_SHOT=path.ppm).
TEST_F(OverlayTest, FullOverlayPicture) {
    const char* path = std::getenv("LUMORA_OVERLAY_SHOT");
    SetUpFullOverlay();
    Clear(0.3f, 0.3f, 0.3f);
    DrawTimePanel();
    DrawOverlay();
    BeginTextPass(kSize, kSize);
    glColor3f(1, 0, 0);
    DrawBitmapString(5, kSize / 3, 3, "RECORDING...(times: 9)");
    EndTextPass();
    Grab();
    EXPECT_GT(CountNot({77, 77, 77}, -128, -128, 128, 128), 10000);
    if (!path) return;
    FILE* file = std::fopen(path, "wb");
    ASSERT_NE(file, nullptr);
    std::fprintf(file, "P6 %d %d 255\n", kSize, kSize);
    for (int y = kSize - 1; y >= 0; --y) std::fwrite(&pixels_[static_cast<size_t>(y) * kSize * 3], 1, kSize * 3, file);
    std::fclose(file);
}

// Text kept as pictures puts exactly the pixels on the screen that its lines
// do: the frame that paints the pictures, a frame that only shows them, and
// a frame whose clock and console changed.
TEST_F(OverlayTest, StrokePicturesAreThePixelsOfTheirLines) {
    SetUpFullOverlay();
    auto frame = [&](bool pictures) {
        SetStrokeTextCache(pictures);
        Clear(0.3f, 0.3f, 0.3f);
        DrawTimePanel();
        DrawOverlay();
        Grab();
        return pixels_;
    };
    for (int step = 0; step < 2; ++step) {
        const std::vector<unsigned char> lines = frame(false);
        for (int repeat = 0; repeat < 2; ++repeat) {
            const std::vector<unsigned char> shown = frame(true);
            size_t differ = 0;
            for (size_t i = 0; i < lines.size(); ++i) differ += lines[i] != shown[i];
            EXPECT_EQ(differ, 0u) << "step " << step << ", repeat " << repeat;
        }
        app.clock_second = 4;
        std::snprintf(console.input, sizeof console.input, "help me");
    }
    SetStrokeTextCache(true);
}

}  // namespace
