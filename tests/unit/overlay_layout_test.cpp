#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "app/app.h"
#include "overlay/bitmap_fonts.h"
#include "overlay/buttons.h"
#include "overlay/overlay.h"
#include "render/view.h"
#include "overlay/overlay.h"
#include "overlay/text.h"
#include "render/frame_loop.h"
#include "support/state_guard.h"

namespace {

class OverlayLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { overlay = OverlayState{}; }
    ProgramStateGuard state_{ProgramStateGuard::kFresh};
};

// ---- bitmap fonts ---------------------------------------------------------

TEST(BitmapFontTest, RecordsFollowTheFontTable) {
    const struct { int height; float x, y; const char* name_start; } expected[] = {
        {13, -1, 2, "-misc-fixed-medium-r-normal--13-120"},
        {15, -1, 3, "-misc-fixed-medium-r-normal--15-140"},
        {13, -1, 2, "-adobe-helvetica-medium-r-normal--10-100"},
        {15, -1, 3, "-adobe-helvetica-medium-r-normal--12-120"},
        {22, -1, 4, "-adobe-helvetica-medium-r-normal--18-180"},
        {13, 0, 3, "-adobe-times-medium-r-normal--10-100"},
        {28, -1, 6, "-adobe-times-medium-r-normal--24-240"},
    };
    for (int f = 0; f < kBitmapFontCount; ++f) {
        SCOPED_TRACE(f);
        const BitmapFont* font = GetBitmapFont(f);
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->character_count, 93);
        EXPECT_EQ(font->height, expected[f].height);
        EXPECT_EQ(font->x_origin, expected[f].x);
        EXPECT_EQ(font->y_origin, expected[f].y);
        EXPECT_EQ(std::string(font->name).rfind(expected[f].name_start, 0), 0u) << font->name;
    }
    EXPECT_EQ(GetBitmapFont(-1), nullptr);
    EXPECT_EQ(GetBitmapFont(7), nullptr);
}

TEST(BitmapFontTest, CodesOutsidePrintableRangeDrawTheAsterisk) {
    for (int f = 0; f < kBitmapFontCount; ++f) {
        SCOPED_TRACE(f);
        const BitmapFont* font = GetBitmapFont(f);
        const unsigned char* star = font->glyphs['*' - 1];
        std::set<const unsigned char*> printable;
        for (int c = 1; c <= 255; ++c) {
            ASSERT_NE(font->glyphs[c - 1], nullptr) << c;
            if (c < 32 || c > 126)
                EXPECT_EQ(font->glyphs[c - 1], star) << c;
            else
                printable.insert(font->glyphs[c - 1]);
        }
        EXPECT_EQ(printable.size(), 95u);
        EXPECT_EQ(font->glyphs[255], nullptr);
    }
}

// Glyph images: a blank space, ink in letters, nothing set beyond the width.
TEST(BitmapFontTest, GlyphImagesAreWellFormed) {
    for (int f = 0; f < kBitmapFontCount; ++f) {
        SCOPED_TRACE(f);
        const BitmapFont* font = GetBitmapFont(f);
        for (int c = 32; c <= 126; ++c) {
            const unsigned char* glyph = font->glyphs[c - 1];
            const int width = glyph[0];
            ASSERT_GT(width, 0) << c;
            const int row_bytes = (width + 7) / 8;
            int ink = 0;
            for (int row = 0; row < font->height; ++row) {
                for (int col = 0; col < row_bytes * 8; ++col) {
                    const bool set = glyph[1 + row * row_bytes + col / 8] & (0x80 >> (col % 8));
                    if (col >= width) {
                        EXPECT_FALSE(set) << "code " << c << " row " << row;
                    }
                    ink += set;
                }
            }
            if (c == ' ')
                EXPECT_EQ(ink, 0);
            else
                EXPECT_GT(ink, 0) << "code " << c;
        }
    }
    const BitmapFont* helvetica12 = GetBitmapFont(3);
    EXPECT_EQ(helvetica12->glyphs['A' - 1][0] + helvetica12->glyphs['B' - 1][0], 17);
    EXPECT_EQ(GetBitmapFont(0)->glyphs['i' - 1][0], 8);  // fixed width
}

// ---- buttons --------------------------------------------------------------

TEST_F(OverlayLayoutTest, ButtonTableOrderAndViewModes) {
    const int order[kButtonCount] = {0, 1, 8, 9, 2, 3, 4, 5, 6, 10, 11, 12, 7};
    for (int i = 0; i < kButtonCount; ++i) EXPECT_EQ(kButtonDrawOrder[i], order[i]);
    const int view_modes[kButtonCount] = {2, 3, -1, -1, -1, -1, -1, -1, 0, 1, -1, -1, -1};
    for (int i = 0; i < kButtonCount; ++i) EXPECT_EQ(kButtons[i].view_mode, view_modes[i]) << i;
}

TEST_F(OverlayLayoutTest, ButtonLabelsAndFillRules) {
    const Rgb plate{0.8f, 0.8f, 1.0f};
    EXPECT_STREQ(LookOfButton(0).label, "Splitscreen");
    EXPECT_STREQ(LookOfButton(1).label, "Image Swap");
    EXPECT_STREQ(LookOfButton(8).label, "Normal");
    EXPECT_STREQ(LookOfButton(9).label, "Shader");
    EXPECT_EQ(LookOfButton(0).fill, plate);  // DrawButton turns it green itself

    EXPECT_EQ(LookOfButton(2).fill, kRed);
    EXPECT_EQ(LookOfButton(3).fill, kRed);
    EXPECT_EQ(LookOfButton(5).fill, kRed);
    app.motion_shot_on = app.motion_alarm_on = app.motion_record_on = true;
    EXPECT_EQ(LookOfButton(2).fill, kGreen);
    EXPECT_STREQ(LookOfButton(2).label, "Motion Shot");
    EXPECT_EQ(LookOfButton(3).fill, kGreen);
    EXPECT_STREQ(LookOfButton(3).label, "Motion Alarm");
    EXPECT_EQ(LookOfButton(5).fill, kGreen);
    EXPECT_STREQ(LookOfButton(5).label, "Motion Record");

    const int record_buttons[3] = {6, 10, 11};
    const char* labels[3] = {"Record", "Effect Record", "Screen Record"};
    for (RecordMode mode : {kRecordOff, kRecordNormal, kRecordEffect, kRecordScreen}) {
        app.record_mode = mode;
        for (int b = 0; b < 3; ++b) {
            EXPECT_STREQ(LookOfButton(record_buttons[b]).label, labels[b]);
            EXPECT_EQ(LookOfButton(record_buttons[b]).fill, mode == b + 1 ? kGreen : kRed)
                << "mode " << mode << " button " << record_buttons[b];
        }
        EXPECT_EQ(LookOfButton(12).fill, kRed);
        EXPECT_STREQ(LookOfButton(12).label, "Record OFF");
    }

    EXPECT_STREQ(LookOfButton(4).label, "Stats Mode 0");
    EXPECT_EQ(LookOfButton(4).fill, kYellow);
    app.stats_mode = 1;
    EXPECT_STREQ(LookOfButton(4).label, "Stats Mode 1");
    EXPECT_EQ(LookOfButton(4).fill, kCyan);
    EXPECT_TRUE(LookOfButton(4).drawn);
    app.stats_mode = 2;
    EXPECT_FALSE(LookOfButton(4).drawn);
}

TEST_F(OverlayLayoutTest, ZoomButtonRule) {
    const Rgb plate{0.8f, 0.8f, 1.0f};
    app.zoom_factor = 4;
    EXPECT_STREQ(LookOfButton(7).label, "Zoom (4x)");
    EXPECT_EQ(LookOfButton(7).fill, plate);
    app.zoom_on = true;
    EXPECT_EQ(LookOfButton(7).fill, kGreen);

    app.view_mode = kViewShader;
    app.pixel_program_index = 8;  // the magnifier
    EXPECT_STREQ(LookOfButton(7).label, "Zoom (4x)");
    app.pixel_program_index = 7;
    EXPECT_STREQ(LookOfButton(7).label, "Zoom disabled");
    EXPECT_EQ(LookOfButton(7).fill, kGrey);
    app.view_mode = kViewSplit;
    EXPECT_STREQ(LookOfButton(7).label, "Zoom disabled");
    app.view_mode = kViewSwap;
    EXPECT_FALSE(ZoomAvailable());
}

TEST_F(OverlayLayoutTest, FullScreenOnlyElements) {
    app.full_screen = false;
    for (int i = 0; i < kButtonCount; ++i) EXPECT_FALSE(ButtonShown(i)) << i;
    EXPECT_FALSE(StatisticsGraphShown());

    app.full_screen = true;
    for (int i = 0; i < kButtonCount; ++i) EXPECT_TRUE(ButtonShown(i)) << i;
    EXPECT_TRUE(StatisticsGraphShown());
    app.button_on_off[5] = 0;
    EXPECT_FALSE(ButtonShown(5));
    app.window_on_off[0] = 0;
    EXPECT_FALSE(StatisticsGraphShown());
    app.window_on_off[0] = 1;
    app.stats_mode = 2;  // from stored settings: neither graph nor its button
    EXPECT_FALSE(StatisticsGraphShown());
    EXPECT_FALSE(ButtonShown(4));
    EXPECT_TRUE(ButtonShown(7));
}

TEST(OverlayRulesTest, FpsColourThresholds) {
    EXPECT_EQ(FpsColor(0), kRed);
    EXPECT_EQ(FpsColor(14), kRed);
    EXPECT_EQ(FpsColor(15), kYellow);
    EXPECT_EQ(FpsColor(29), kYellow);
    EXPECT_EQ(FpsColor(30), kGreen);
    EXPECT_EQ(FpsColor(50), kGreen);
}

TEST_F(OverlayLayoutTest, TimePanelFieldsHaveTwoDigitsDayFirst) {
    app.clock_hour = 9;
    app.clock_minute = 5;
    app.clock_second = 3;
    app.clock_day = 7;
    app.clock_month = 3;
    app.clock_year = 2004;
    const FrameLoopState saved = frame_loop;
    std::snprintf(frame_loop.fps_text, sizeof frame_loop.fps_text, "14/30");
    TimePanelText text;
    FormatTimePanel(text);
    frame_loop = saved;
    EXPECT_STREQ(text.time, "09:05:03");
    EXPECT_STREQ(text.date, "07/03/2004");
    EXPECT_STREQ(text.fps, "FPS: 14/30");
}

TEST(OverlayRulesTest, BarsAreClampedToTheHeight) {
    EXPECT_FLOAT_EQ(ClampedBar(0.7f, 50), 50);
    EXPECT_FLOAT_EQ(ClampedBar(0.18f, 50), 18);
    EXPECT_FLOAT_EQ(ClampedBar(0.5f, 50), 50);
    EXPECT_FLOAT_EQ(ClampedBar(0, 50), 0);
}

// ---- statistics history ---------------------------------------------------

TEST_F(OverlayLayoutTest, StatisticsHistoryFollowsTheCursor) {
    RecordPcdHistory(60, 12.5f);
    EXPECT_EQ(overlay.pcd_history_length, 60);
    EXPECT_FLOAT_EQ(overlay.pcd_history[0], 12.5f);
    RecordPcdHistory(60, 20);  // the slot under the cursor follows the live value
    EXPECT_FLOAT_EQ(overlay.pcd_history[0], 20);
    overlay.pcd_history_cursor = 1;
    RecordPcdHistory(60, 7);
    EXPECT_FLOAT_EQ(overlay.pcd_history[0], 20);  // earlier analyses are kept
    EXPECT_FLOAT_EQ(overlay.pcd_history[1], 7);
    EXPECT_EQ(PcdHistoryDrawCount(), 1);

    overlay.pcd_history_cursor = 60;  // the cursor may reach the length itself
    RecordPcdHistory(60, 3);
    EXPECT_FLOAT_EQ(overlay.pcd_history[60], 3);
    EXPECT_EQ(PcdHistoryDrawCount(), 60);
}

TEST_F(OverlayLayoutTest, StatisticsHistoryStaysInsideItsBuffer) {
    RecordPcdHistory(500, 1);  // a graph wider than the history
    EXPECT_EQ(overlay.pcd_history_length, OverlayState::kHistoryCapacity - 1);
    overlay.pcd_history_cursor = 250;
    const OverlayState before = overlay;
    RecordPcdHistory(60, 9);
    EXPECT_EQ(std::memcmp(before.pcd_history, overlay.pcd_history, sizeof overlay.pcd_history), 0);
    EXPECT_EQ(PcdHistoryDrawCount(), OverlayState::kHistoryCapacity - 1);
    overlay.pcd_history_cursor = -3;
    EXPECT_EQ(PcdHistoryDrawCount(), 0);
}

// ---- info panel -----------------------------------------------------------

// Runs frames until the predicate holds; returns how many it took.
template <typename Done>
int FramesUntil(Done done, int limit = 200) {
    for (int n = 1; n <= limit; ++n) {
        StepInfoPanel();
        if (done()) return n;
    }
    return -1;
}

TEST_F(OverlayLayoutTest, InfoPanelUnfoldsHeightFirstThenWidth) {
    overlay.info_panel_open = true;
    for (int n = 1; n <= 13; ++n) {
        StepInfoPanel();
        EXPECT_EQ(overlay.info_panel_height, 6 * n);
        EXPECT_EQ(overlay.info_panel_width, 0);
    }
    EXPECT_EQ(FramesUntil([] { return overlay.info_panel_width > 0; }), 1);  // the 14th frame
    EXPECT_EQ(overlay.info_panel_height, 78);
    EXPECT_EQ(overlay.info_panel_width, 6);
    EXPECT_EQ(FramesUntil([] { return overlay.info_panel_width == 102; }), 16);
    EXPECT_FALSE(overlay.info_panel_ready);
    StepInfoPanel();  // frame 31: fully open, text shown
    EXPECT_TRUE(overlay.info_panel_ready);
    EXPECT_EQ(overlay.info_panel_width, 102);
    EXPECT_EQ(overlay.info_panel_height, 78);
    for (int n = 0; n < 5; ++n) StepInfoPanel();  // stays put
    EXPECT_EQ(overlay.info_panel_width, 102);
    EXPECT_EQ(overlay.info_panel_height, 78);
    EXPECT_TRUE(overlay.info_panel_ready);
}

TEST_F(OverlayLayoutTest, InfoPanelFoldsWidthFirstWhenFullyOpen) {
    overlay.info_panel_open = true;
    FramesUntil([] { return overlay.info_panel_ready; });
    overlay.info_panel_open = false;
    StepInfoPanel();
    EXPECT_FALSE(overlay.info_panel_ready);
    EXPECT_EQ(overlay.info_panel_width, 96);
    EXPECT_EQ(overlay.info_panel_height, 78);
    EXPECT_EQ(FramesUntil([] { return overlay.info_panel_width == 0; }), 16);
    EXPECT_EQ(overlay.info_panel_height, 78);
    EXPECT_EQ(FramesUntil([] { return overlay.info_panel_height == 0; }), 13);
    for (int n = 0; n < 3; ++n) StepInfoPanel();
    EXPECT_EQ(overlay.info_panel_width, 0);
    EXPECT_EQ(overlay.info_panel_height, 0);
    // Folded again: opening starts over with the height.
    overlay.info_panel_open = true;
    StepInfoPanel();
    EXPECT_EQ(overlay.info_panel_height, 6);
    EXPECT_EQ(overlay.info_panel_width, 0);
}

TEST_F(OverlayLayoutTest, InfoPanelClosedWhileWidthGrowsShrinksHeightFirst) {
    overlay.info_panel_open = true;
    FramesUntil([] { return overlay.info_panel_width == 48; });
    overlay.info_panel_open = false;
    StepInfoPanel();
    EXPECT_EQ(overlay.info_panel_width, 48);
    EXPECT_EQ(overlay.info_panel_height, 72);
    EXPECT_EQ(FramesUntil([] { return overlay.info_panel_height == 0; }), 12);
    EXPECT_EQ(overlay.info_panel_width, 48);
    // One frame turns the phase round, then eight shrink the width.
    EXPECT_EQ(FramesUntil([] { return overlay.info_panel_width == 0; }), 9);
    EXPECT_EQ(overlay.info_panel_height, 0);
}

TEST_F(OverlayLayoutTest, InfoPanelLines) {
    app.vertex_program_index = 1;
    app.pixel_program_index = 15;
    app.mask_index = 2;
    app.motion_shot_on = true;
    app.record_mode = kRecordEffect;
    app.pcd_previous = 0.25f;
    app.pcd = 0.5f;
    app.pcd_change = 0.25f;
    app.motion_max = 0.18f;
    InfoPanelLine lines[kInfoPanelLineCount];
    BuildInfoPanelLines(lines);
    const Rgb black{0, 0, 0};
    const struct { float y; const char* text; Rgb color; } expected[kInfoPanelLineCount] = {
        {1200, "Cg Vertex Shader: cg/vertex/wave.cg", black},
        {1050, "Cg Pixel Shader: cg/pixel/edges_sobel.cg", black},
        {900, "Bmp Texture: .\\bmp\\mask3.bmp", black},
        {750, "******************************************", kGrey},
        {600, "Motion Shot: ON", kGreen},
        {450, "Motion Record: OFF", kRed},
        {300, "Motion Alarm: OFF", kRed},
        {150, "Record Mode: Effect Record", kGreen},
        {0, "Cg Shader: OFF", kRed},
        {-150, "Last Image PCD: 0.250", black},
        {-300, "Current Image PCD: 0.500", black},
        {-450, "PCD between Images: 0.250 of 0.180", kRed},
        {-600, "Check Motion every: 1 second", black},
    };
    for (int i = 0; i < kInfoPanelLineCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lines[i].y, expected[i].y);
        EXPECT_STREQ(lines[i].text, expected[i].text);
        EXPECT_EQ(lines[i].color, expected[i].color);
    }

    app.view_mode = kViewShader;
    app.motion_recording = true;
    app.record_mode = static_cast<RecordMode>(7);  // no such mode
    app.pcd_change = 0.1f;
    app.motion_interval = 5;
    app.vertex_program_index = 42;  // out of range: no path, no stray read
    BuildInfoPanelLines(lines);
    EXPECT_STREQ(lines[0].text, "Cg Vertex Shader: ");
    EXPECT_STREQ(lines[5].text, "Motion Record: ON");
    EXPECT_EQ(lines[5].color, kGreen);
    EXPECT_STREQ(lines[7].text, "Record Mode: OFF");
    EXPECT_EQ(lines[7].color, kRed);
    EXPECT_STREQ(lines[8].text, "Cg Shader: ON");
    EXPECT_EQ(lines[11].color, kGreen);
    EXPECT_STREQ(lines[12].text, "Check Motion every: 5 seconds");
}

}  // namespace
