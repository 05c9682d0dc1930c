#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "app/app.h"
#include "app/settings.h"
#include "platform/settings_store.h"
#include "support/state_guard.h"
#include "support/test_support.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { UseFreshConfigHome(); }
    ProgramStateGuard state_;
};

TEST_F(SettingsTest, StoredFormsTruncateTowardZero) {
    EXPECT_EQ(StorePosition(-48), 80u);
    EXPECT_EQ(LoadPosition(80), -48);
    EXPECT_EQ(StorePosition(59.9f), 187u);
    EXPECT_EQ(LoadPosition(187), 59);
    EXPECT_EQ(StoreHundredths(0.18f), 18u);
    EXPECT_FLOAT_EQ(LoadHundredths(18), 0.18f);
    // 0.29f is 0.28999..., so it is stored as 28 and comes back as 0.28.
    EXPECT_EQ(StoreHundredths(0.29f), 28u);
    EXPECT_FLOAT_EQ(LoadHundredths(28), 0.28f);
    // Below the stored range: kept at the bottom rather than wrapping.
    EXPECT_EQ(StorePosition(-200), 0u);
    EXPECT_EQ(StoreHundredths(-0.5f), 0u);
}

TEST_F(SettingsTest, FirstRunKeepsDefaultsAndWritesNothing) {
    const Application before = app;
    LoadSettings();
    EXPECT_EQ(app.window_pos_x[3], before.window_pos_x[3]);
    EXPECT_FLOAT_EQ(app.motion_max, 0.18f);
    EXPECT_EQ(app.gl_win_pos_x, 120);
    EXPECT_EQ(app.motion_detector, kDetectorClassic);
    EXPECT_STREQ(app.motion_mask_file, "");
    EXPECT_EQ(ReadSettingUnsigned("main", "stats_mode", 77), 77u);
    struct stat info;
    EXPECT_NE(stat(SettingsFilePath().c_str(), &info), 0) << "a first run wrote " << SettingsFilePath();
}

TEST_F(SettingsTest, AllSixtyThreeValuesRoundTrip) {
    app.window_pos_x[0] = -48;
    app.window_pos_y[3] = 59.9f;
    app.button_pos_x[12] = 100;
    app.button_pos_y[12] = -127;
    app.window_on_off[2] = 0;
    app.button_on_off[12] = 0;
    app.motion_max = 0.29f;
    app.stats_mode = 1;
    app.backplate_color_g = 0.5f;
    app.backplate_border_color_b = 0.25f;
    app.gl_win_pos_x = 300;
    app.gl_win_pos_y = 44;
    app.storage_limit_mib = 5120;
    app.motion_detector = kDetectorRobust;
    app.precapture_seconds = 10;
    std::strcpy(app.motion_mask_file, "/home/me/masks/garden gate.bmp");
    SaveSettings();

    const std::string text = ReadFile(SettingsFilePath());
    int lines = 0;
    for (char c : text) lines += c == '=';
    EXPECT_EQ(lines, 66);

    app = Application{};
    LoadSettings();
    EXPECT_EQ(app.window_pos_x[0], -48);
    EXPECT_EQ(app.window_pos_y[3], 59);
    EXPECT_EQ(app.button_pos_x[12], 100);
    EXPECT_EQ(app.button_pos_y[12], -127);
    EXPECT_EQ(app.window_on_off[2], 0);
    EXPECT_EQ(app.button_on_off[12], 0);
    EXPECT_FLOAT_EQ(app.motion_max, 0.28f);
    EXPECT_EQ(app.stats_mode, 1);
    EXPECT_FLOAT_EQ(app.backplate_color_g, 0.5f);
    EXPECT_FLOAT_EQ(app.backplate_border_color_b, 0.25f);
    EXPECT_EQ(app.gl_win_pos_x, 300);
    EXPECT_EQ(app.gl_win_pos_y, 44);
    EXPECT_EQ(app.storage_limit_mib, 5120);
    EXPECT_EQ(app.storage_free_mib, 0);
    EXPECT_EQ(app.motion_detector, kDetectorRobust);
    EXPECT_EQ(app.precapture_seconds, 10);
    EXPECT_STREQ(app.motion_mask_file, "/home/me/masks/garden gate.bmp");
    // The info panel position is never stored.
    EXPECT_EQ(app.window_pos_x[4], -120);
}

// A threshold set low on the meter comes back as the nearest stored value
// that is not 0 (0 would fire at every measurement); 0 itself stays 0.
TEST_F(SettingsTest, ThresholdComesBackAsItselfOrTheNearestNonZeroValue) {
    for (float threshold = 0.0005f; threshold < 1.0f; threshold += 0.0007f) {
        const float back = LoadHundredths(StoreThreshold(threshold));
        EXPECT_GT(back, 0) << threshold;
        EXPECT_LE(std::fabs(back - threshold), 0.01f) << threshold;
    }
    EXPECT_EQ(StoreThreshold(0), 0u);
    app.motion_max = 0.004f;
    SaveSettings();
    app.motion_max = 0.5f;
    LoadSettings();
    EXPECT_FLOAT_EQ(app.motion_max, 0.01f);
}

TEST_F(SettingsTest, BracketedNamesStayDistinct) {
    WriteSettingUnsigned("main", "button_pos_x[1]", 11);
    WriteSettingUnsigned("main", "button_pos_x[12]", 12);
    WriteSettingUnsigned("main", "button_pos_x", 99);
    EXPECT_EQ(ReadSettingUnsigned("main", "button_pos_x[1]", 0), 11u);
    EXPECT_EQ(ReadSettingUnsigned("main", "button_pos_x[12]", 0), 12u);
    EXPECT_EQ(ReadSettingUnsigned("main", "button_pos_x", 0), 99u);
}

TEST_F(SettingsTest, UnsignedTextEdgeCases) {
    WriteSettingUnsigned("main", "max", 4294967295u);
    EXPECT_EQ(ReadSettingUnsigned("main", "max", 1), 4294967295u);
    WriteSettingText("main", "words", "twelve");
    EXPECT_EQ(ReadSettingUnsigned("main", "words", 5), 5u);
    WriteSettingText("main", "signed", "-3");
    EXPECT_EQ(ReadSettingUnsigned("main", "signed", 5), 5u);
    WriteSettingText("main", "tail", "12abc");
    EXPECT_EQ(ReadSettingUnsigned("main", "tail", 5), 12u);
    WriteSettingText("main", "plus", "+12");
    EXPECT_EQ(ReadSettingUnsigned("main", "plus", 5), 5u);
    WriteSettingText("main", "huge", "4294967296");
    EXPECT_EQ(ReadSettingUnsigned("main", "huge", 5), 5u);
    // 20 characters do not fit the 20-byte read with the terminator.
    WriteSettingText("main", "long", "00000000000000000042");
    EXPECT_EQ(ReadSettingUnsigned("main", "long", 5), 5u);
    WriteSettingText("main", "fits", "0000000000000000042");
    EXPECT_EQ(ReadSettingUnsigned("main", "fits", 5), 42u);
}

TEST_F(SettingsTest, CorruptFileReadsDefaultsAndIsReplacedWhole) {
    WriteSettingUnsigned("main", "stats_mode", 1);
    {
        std::ofstream out(SettingsFilePath(), std::ios::trunc);
        out << "\x01\x02 not [a key file\n=== garbage\n";
    }
    EXPECT_EQ(ReadSettingUnsigned("main", "stats_mode", 0), 0u);
    // A write over a corrupt file starts a fresh, valid file.
    EXPECT_EQ(WriteSettingUnsigned("main", "stats_mode", 1), 1);
    EXPECT_EQ(ReadSettingUnsigned("main", "stats_mode", 0), 1u);
    EXPECT_EQ(ReadFile(SettingsFilePath()).find("garbage"), std::string::npos);
}

TEST_F(SettingsTest, WriteIsAtomicRename) {
    WriteSettingUnsigned("main", "a", 1);
    // A reader holding the old file keeps seeing complete old contents.
    std::ifstream old_reader(SettingsFilePath());
    WriteSettingUnsigned("main", "b", 2);
    std::stringstream old_text;
    old_text << old_reader.rdbuf();
    EXPECT_NE(old_text.str().find("a=1"), std::string::npos);
    EXPECT_EQ(old_text.str().find("b=2"), std::string::npos);
}

TEST_F(SettingsTest, UnwritableFolderFailsWrites) {
    setenv("XDG_CONFIG_HOME", "/proc/lumora-no-such-dir", 1);
    EXPECT_EQ(WriteSettingUnsigned("main", "a", 1), 0);
    EXPECT_EQ(ReadSettingUnsigned("main", "a", 9), 9u);
}

// Saving into a folder that cannot be made, or over a settings "file" that is
// a folder, fails with one line on standard error, not one per value.
TEST_F(SettingsTest, UnwritableSettingsFileIsReportedOnce) {
    const std::string home = MakeTempDir();
    std::ofstream(home + "/Korvane") << "a file where the folder should be";
    const std::string folder_home = MakeTempDir();
    ASSERT_EQ(mkdir((folder_home + "/Korvane").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((folder_home + "/Korvane/Lumora.conf").c_str(), 0700), 0);
    for (const std::string& config : {home, folder_home}) {
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(SaveSettings());
        const std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
        EXPECT_NE(printed.find(config + "/Korvane/Lumora.conf"), std::string::npos) << printed;
    }
    UseFreshConfigHome();
    EXPECT_TRUE(SaveSettings());
}

}  // namespace
