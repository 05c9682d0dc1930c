// The recording steps in a real GL window larger than 1024 x 1024 pixels:
// the read-back's orientation and byte order, an effect recording through
// the real writer checked with ffprobe/ffmpeg, the labels on screen, and
// BMP shots read by ImageMagick.
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app.h"
#include "overlay/text.h"
#include "platform/encoder_chooser.h"
#include "record/avi_generator.h"
#include "record/record.h"
#include "support/state_guard.h"
#include "support/gl_window.h"
#include "support/test_support.h"

namespace {

uint32_t g_now_ms = 0;
uint32_t FakeClock() { return g_now_ms; }

bool ChooseMjpeg(const std::vector<EncoderOption>&, EncoderChoice* choice) {
    choice->id = "mjpeg";
    choice->quality = 90;
    return true;
}

// "R G B" of an image file's pixel, via ImageMagick.
std::array<int, 3> ImagePixel(const std::string& file, int x, int y) {
    const std::string at = "p{" + std::to_string(x) + "," + std::to_string(y) + "}";
    const std::string text = RunCommand("convert '" + file + "' -depth 8 -format '%[fx:int(255*" + at +
                                        ".r+0.5)] %[fx:int(255*" + at + ".g+0.5)] %[fx:int(255*" + at +
                                        ".b+0.5)]' info:");
    std::array<int, 3> rgb{-1, -1, -1};
    std::sscanf(text.c_str(), "%d %d %d", &rgb[0], &rgb[1], &rgb[2]);
    return rgb;
}

// Lower half blue, upper half red, in the window's back buffer.
void DrawHalves(int width, int height) {
    glViewport(0, 0, width, height);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, width, height / 2);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(0, height / 2, width, height - height / 2);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

class RecordFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Bigger than the old 4 MiB read-back buffer, as far as the screen allows.
        UseTestWindow(64, 64);
        const int screen_w = glutGet(GLUT_SCREEN_WIDTH), screen_h = glutGet(GLUT_SCREEN_HEIGHT);
        width_ = std::min(1600, screen_w) / 4 * 4;
        height_ = std::min(1200, screen_h - 40) / 4 * 4;
        if (width_ * height_ <= 1024 * 1024) GTEST_SKIP() << "screen too small for a window above 1024x1024";
        UseTestWindow(width_, height_);
        app.window_width = width_;
        app.window_height = height_;
        record = RecordState{};
        record.clock_ms = FakeClock;
        ASSERT_EQ(getcwd(saved_cwd_, sizeof saved_cwd_), saved_cwd_);
        dir_ = MakeTempDir("lumora-frames");
        ASSERT_EQ(chdir(dir_.c_str()), 0);
        mkdir("capture", 0755);
        mkdir("capture/record", 0755);
        mkdir("capture/screenshot", 0755);
        previous_chooser_ = SetEncoderChooser(ChooseMjpeg);
    }
    void TearDown() override {
        if (width_ * height_ <= 1024 * 1024) return;
        SetEncoderChooser(previous_chooser_);
        record.avi_generator.Close();
        record = RecordState{};
        ASSERT_EQ(chdir(saved_cwd_), 0);
        RunCommand("rm -rf '" + dir_ + "'");
    }

    int width_ = 0, height_ = 0;
    ProgramStateGuard state_;
    char saved_cwd_[4096];
    std::string dir_;
    EncoderChooserFn previous_chooser_ = nullptr;
    ScriptedDialogs dialogs_;
};

TEST_F(RecordFrameTest, ReadBackIsBottomRowFirstBgra) {
    DrawHalves(width_, height_);
    std::vector<uint8_t> pixels(size_t(width_) * height_ * 4);
    ReadWindowPixels(width_, height_, width_, pixels.data());
    const uint8_t* first = &pixels[0];
    const uint8_t* last = &pixels[(size_t(height_ - 1) * width_ + width_ - 1) * 4];
    EXPECT_EQ(first[0], 255);  // bottom row: blue in byte 0
    EXPECT_EQ(first[2], 0);
    EXPECT_EQ(last[0], 0);  // top row: red in byte 2
    EXPECT_EQ(last[2], 255);
}

TEST_F(RecordFrameTest, EffectRecordingOfALargeWindowIsWholeAndUpright) {
    app.window_width = width_ + 2;  // rounded down to the drawn size
    app.window_height = height_ + 3;
    SetRecordMode(kRecordEffect);
    ASSERT_EQ(app.record_mode, 2) << (dialogs_.boxes.empty() ? "" : dialogs_.boxes[0].text);
    const std::string name = record.record_file_name;
    for (int i = 0; i < 10; ++i) {
        DrawHalves(width_, height_);
        RecordEffectFrame();
        RecordFinishedFrame();
        glutSwapBuffers();
        g_now_ms += 1000 / 15 + 1;
    }
    SetRecordMode(kRecordOff);
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_EQ(dialogs_.boxes[0].text, name);
    const std::string probe = RunCommand(
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=nb_read_frames,width,height,codec_name -of default=nw=1 '" + name + "'");
    EXPECT_NE(probe.find("codec_name=mjpeg"), std::string::npos) << probe;
    EXPECT_NE(probe.find("width=" + std::to_string(width_)), std::string::npos) << probe;
    EXPECT_NE(probe.find("height=" + std::to_string(height_)), std::string::npos) << probe;
    EXPECT_NE(probe.find("nb_read_frames=10"), std::string::npos) << probe;
    RunCommand("ffmpeg -v error -y -i '" + name + "' -frames:v 1 first.png");
    const auto top = ImagePixel("first.png", width_ / 2, 5);
    const auto bottom = ImagePixel("first.png", width_ / 2, height_ - 5);
    EXPECT_GT(top[0], 200);
    EXPECT_LT(top[2], 60);
    EXPECT_GT(bottom[2], 200);
    EXPECT_LT(bottom[0], 60);
}

// Red pixels in the band of the labels (window rows 5..25 from the top),
// right of the window's middle: the rightmost column that has any.
int RightmostRedLabelColumn(int width, int height) {
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    ReadWindowPixels(width, height, width, pixels.data());
    int rightmost = -1;
    for (int top_row = 5; top_row < 25; ++top_row) {
        const int y = height - 1 - top_row;
        for (int x = width / 2; x < width; ++x) {
            const uint8_t* p = &pixels[(size_t(y) * width + x) * 4];
            if (p[2] > 100 && p[1] < 60 && p[0] < 60) rightmost = std::max(rightmost, x);
        }
    }
    return rightmost;
}

TEST_F(RecordFrameTest, LabelsAreDrawnAtTheTopMiddle) {
    auto draw_labels = [&] {
        glViewport(0, 0, width_, height_);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        BeginTextPass(width_, height_);
        DrawRecordingLabels();
        EndTextPass();
    };
    app.record_mode = kRecordOff;
    app.motion_recording = false;
    record.recording_label_alpha = 0.7f;
    draw_labels();
    EXPECT_EQ(RightmostRedLabelColumn(width_, height_), -1);
    EXPECT_EQ(record.recording_label_alpha, 0.0f);  // reset while nothing records

    app.record_mode = kRecordScreen;
    record.recording_label_alpha = 1.0f;
    record.recording_label_step = 0.1f;
    draw_labels();
    const int blinking = RightmostRedLabelColumn(width_, height_);
    EXPECT_GT(blinking, width_ / 2 + 40);  // "RECORDING..." in font 3
    EXPECT_FLOAT_EQ(record.recording_label_alpha, 1.1f);

    app.record_mode = kRecordOff;
    app.motion_recording = true;
    app.motion_record_duration = 10;
    app.motion_record_elapsed = 3;
    draw_labels();
    EXPECT_GT(RightmostRedLabelColumn(width_, height_), blinking + 30);  // "...(times: 7)"
    app.motion_recording = false;
}

TEST_F(RecordFrameTest, ShotsAreBmpFilesImageMagickReadsUpright) {
    const int w = 64, h = 48;
    std::vector<uint8_t> frame(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &frame[(size_t(y) * w + x) * 4];
            const bool lower = y < h / 2;
            p[0] = lower ? 255 : 0;
            p[1] = 0;
            p[2] = lower ? 0 : 255;
            p[3] = 0;  // cameras leave the fourth byte as it comes
        }
    app.video_width = w;
    app.video_height = h;
    app.frame_buffer[0] = frame.data();
    app.current_camera = 0;
    app.clock_day = 8, app.clock_month = 12, app.clock_year = 2026;
    app.clock_hour = 14, app.clock_minute = 5, app.clock_second = 9;
    record.screenshot_pending = true;
    app.motion_shot_pending = true;
    WritePendingShots();
    for (const char* file : {"capture/screenshot/08_12_2026_14_05_09.bmp",
                             "capture/screenshot/08_12_2026_14_05_09_2.bmp"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(RunCommand(std::string("identify -format '%w %h' ") + file), "64 48");
        const auto top = ImagePixel(file, 10, 2), bottom = ImagePixel(file, 10, h - 3);
        EXPECT_EQ(top[0], 255);
        EXPECT_EQ(top[2], 0);
        EXPECT_EQ(bottom[0], 0);
        EXPECT_EQ(bottom[2], 255);
    }
}

}  // namespace
