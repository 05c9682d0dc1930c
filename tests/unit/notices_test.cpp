// Which notices stand over the picture for which state, in which order.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "capture/capture.h"
#include "model/model.h"
#include "overlay/notices.h"
#include "render/render.h"
#include "render/shader.h"
#include "support/state_guard.h"

namespace {

std::vector<std::string> Lines(bool shader_programs_missing = false) {
    const NoticeList list = CollectNotices(shader_programs_missing, 480);
    return std::vector<std::string>(list.lines, list.lines + list.count);
}

class NoticesTest : public ::testing::Test {
protected:
    void TearDown() override {
        capture.notice[0] = render.mask_load_failure[0] = model_state.load_failure[0] = '\0';
    }
    ProgramStateGuard state_;
};

TEST_F(NoticesTest, EachShowsWhileItsConditionHolds) {
    EXPECT_TRUE(Lines().empty());

    std::snprintf(render.mask_load_failure, sizeof render.mask_load_failure, "Bmp mask .\\bmp\\mask2.bmp could not be read");
    std::snprintf(model_state.load_failure, sizeof model_state.load_failure, "Unable to open mdl\\velisse.mdl");
    EXPECT_TRUE(Lines().empty()) << "nothing uses the mask or the model in the normal view";

    app.view_mode = kViewShader;
    app.pixel_program_index = 12;  // bmp_mask
    EXPECT_EQ(Lines(), std::vector<std::string>{render.mask_load_failure});
    app.pixel_program_index = 13;  // chromakey: the mask only stands in for a second camera
    EXPECT_EQ(Lines().size(), 1u);
    app.second_camera_enabled = true;
    EXPECT_TRUE(Lines().empty());
    app.pixel_program_index = 16;  // the model effect
    EXPECT_EQ(Lines(), std::vector<std::string>{"No model: Unable to open mdl\\velisse.mdl"});

    app.motion_alarm_on = true;
    app.alarm_sound = 0;
    std::snprintf(capture.notice, sizeof capture.notice, "No camera available: showing a test pattern");
    std::snprintf(render.cg_error_text, sizeof render.cg_error_text, "PIXEL: 0:3: syntax error");
    // The compiler's message keeps the first line, where it has always stood.
    EXPECT_EQ(Lines(true), (std::vector<std::string>{
                               "PIXEL: 0:3: syntax error", "No camera available: showing a test pattern",
                               "No model: Unable to open mdl\\velisse.mdl",
                               "Motion alarm is silent: wav\\3.wav could not be loaded"}));
    // The compiler's message one third down, the rest stacked at the bottom
    // left, the last just above the info lamp (overlay units -115 and below).
    const NoticeList placed = CollectNotices(true, 480);
    EXPECT_FLOAT_EQ(placed.y[0], 160);
    EXPECT_FLOAT_EQ(placed.y[3], 442.5f);  // unit -108 of 480 rows
    EXPECT_FLOAT_EQ(placed.y[1], placed.y[3] - 2 * 18);
    EXPECT_LT(placed.y[3], 452.6f);  // 3 rows of descent above the lamp's row 455.6

    app.alarm_sound = 1;
    app.view_mode = kViewNormal;
    EXPECT_EQ(Lines(true), std::vector<std::string>{"No camera available: showing a test pattern"});
}

}  // namespace

namespace {

// A passing notice lasts its two seconds, across the tick counter's wrap too,
// and a newer one takes its place.
TEST(PassingNoticeTest, ShowsForTwoSecondsThenGoes) {
    float x = 0, y = 0;
    for (const uint32_t posted : {1000u, 0xFFFFF000u}) {
        PostPassingNotice("Screenshot saved: a.bmp", posted);
        ASSERT_NE(CurrentPassingNotice(posted, &x, &y), nullptr);
        EXPECT_STREQ(CurrentPassingNotice(posted + kPassingNoticeMs - 1, &x, &y), "Screenshot saved: a.bmp");
        EXPECT_EQ(CurrentPassingNotice(posted + kPassingNoticeMs, &x, &y), nullptr);
        EXPECT_EQ(CurrentPassingNotice(posted + 100 * kPassingNoticeMs, &x, &y), nullptr);
    }
    PostPassingNotice("Recording to a.avi", 5000);
    PostPassingNotice("Recording saved: a.avi", 5500);
    EXPECT_STREQ(CurrentPassingNotice(7200, &x, &y), "Recording saved: a.avi");
}

}  // namespace
