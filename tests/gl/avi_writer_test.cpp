// The AVI writer on real GStreamer pipelines, its files read back by ffprobe
// and ffmpeg: every frame stored, the right size, codec and duration, the
// picture upright; failure texts; no hang when the pipeline breaks; what a
// killed process leaves behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/encoder_chooser.h"
#include "record/avi_generator.h"
#include "support/test_support.h"

namespace {

std::string g_chosen_encoder = "mjpeg";  // "" cancels

bool ScriptedChooser(const std::vector<EncoderOption>& offered, EncoderChoice* choice) {
    if (g_chosen_encoder.empty()) return false;
    if (FindEncoderOption(offered, g_chosen_encoder) < 0) return false;
    choice->id = g_chosen_encoder;
    choice->quality = 85;
    return true;
}

std::string RunCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 512> chunk;
        size_t n;
        while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) out.append(chunk.data(), n);
        pclose(pipe);
    }
    return out;
}

// "key=value" lines of ffprobe's default output.
std::string Field(const std::string& probe, const std::string& key) {
    const size_t at = probe.find(key + "=");
    if (at == std::string::npos) return "";
    const size_t start = at + key.size() + 1;
    return probe.substr(start, probe.find('\n', start) - start);
}

std::string Probe(const std::string& path) {
    return RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
               "stream=nb_read_frames,width,height,codec_name:format=duration -of default=nw=1 '" +
               path + "' 2>&1");
}

// Red and green channel of the decoded first frame at (x, y).
std::array<int, 3> DecodedPixel(const std::string& avi, int x, int y) {
    const std::string png = avi + ".png";
    RunCommand("ffmpeg -v error -y -i '" + avi + "' -frames:v 1 '" + png + "' 2>&1");
    const std::string text = RunCommand("convert '" + png + "' -depth 8 -format '%[fx:int(255*p{" +
                                 std::to_string(x) + "," + std::to_string(y) + "}.r+0.5)] %[fx:int(255*p{" +
                                 std::to_string(x) + "," + std::to_string(y) + "}.g+0.5)] %[fx:int(255*p{" +
                                 std::to_string(x) + "," + std::to_string(y) + "}.b+0.5)]' info:");
    std::array<int, 3> rgb{-1, -1, -1};
    std::sscanf(text.c_str(), "%d %d %d", &rgb[0], &rgb[1], &rgb[2]);
    return rgb;
}

// Bottom row first, as the program hands frames over: the lower half blue,
// the upper half red, so an upside-down file shows red at the bottom.
std::vector<uint8_t> TwoHalves(int width, int height) {
    std::vector<uint8_t> frame(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &frame[(size_t(y) * width + x) * 4];
            const bool lower = y < height / 2;
            p[0] = lower ? 255 : 0;
            p[1] = 0;
            p[2] = lower ? 0 : 255;
            p[3] = 255;
        }
    return frame;
}

class AviWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("LUMORA_ENCODER");
        previous_ = SetEncoderChooser(ScriptedChooser);
        g_chosen_encoder = "mjpeg";
        // No "avi" in the folder name: the extension rule looks at the whole path.
        dir_ = MakeTempDir("lumora-clips");
    }
    void TearDown() override {
        SetEncoderChooser(previous_);
        RunCommand("rm -rf '" + dir_ + "'");
    }

    // Writes `frames` frames of the two-halves picture; returns Open's status.
    int32_t WriteClip(AviGenerator& writer, const std::string& path, int width, int height, int frames,
                      uint32_t rate = 15) {
        const BitmapInfoHeader header = FrameHeader(width, height);
        writer.SetFrameRate(rate);
        writer.SetHeader(&header);
        writer.SetOutputName(path.c_str());
        const int32_t status = writer.Open();
        const std::vector<uint8_t> frame = TwoHalves(width, height);
        for (int i = 0; i < frames && status == 0; ++i) EXPECT_EQ(writer.WriteFrame(frame.data()), 0) << i;
        writer.Close();
        return status;
    }

    std::string dir_;
    EncoderChooserFn previous_ = nullptr;
};

TEST_F(AviWriterTest, EveryOfferedEncoderStoresEveryFrameUpright) {
    struct Case {
        const char* id;
        const char* codec;
    };
    for (const Case c : {Case{"raw", "rawvideo"}, Case{"mjpeg", "mjpeg"}, Case{"h264", "h264"},
                         Case{"mpeg4", "mpeg4"}}) {
        SCOPED_TRACE(c.id);
        g_chosen_encoder = c.id;
        AviGenerator writer;
        const std::string path = dir_ + "/" + c.id + ".avi";
        ASSERT_EQ(WriteClip(writer, path, 320, 240, 30), 0) << writer.GetLastErrorMessage();
        EXPECT_EQ(writer.GetLastErrorMessage(), "Ok");
        const std::string probe = Probe(path);
        EXPECT_EQ(Field(probe, "codec_name"), c.codec) << probe;
        EXPECT_EQ(Field(probe, "width"), "320");
        EXPECT_EQ(Field(probe, "height"), "240");
        EXPECT_EQ(Field(probe, "nb_read_frames"), "30") << probe;
        // 30 frames at 15 per second.
        EXPECT_NEAR(std::atof(Field(probe, "duration").c_str()), 2.0, 0.1) << probe;
        const auto top = DecodedPixel(path, 160, 10), bottom = DecodedPixel(path, 160, 230);
        EXPECT_GT(top[0], 200) << "top should be red";
        EXPECT_LT(top[2], 60);
        EXPECT_GT(bottom[2], 200) << "bottom should be blue";
        EXPECT_LT(bottom[0], 60);
    }
}

TEST_F(AviWriterTest, ReopenAfterCloseReusesSettingsAndStartsAtFrameZero) {
    AviGenerator writer;
    ASSERT_EQ(WriteClip(writer, dir_ + "/first.avi", 64, 48, 7), 0);
    EXPECT_EQ(writer.GetFrameIndex(), 7);
    // Only the name changes: rate and header stay.
    writer.SetOutputName((dir_ + "/second").c_str());
    EXPECT_EQ(writer.GetFileName(), dir_ + "/second.avi");
    ASSERT_EQ(writer.Open(), 0);
    EXPECT_EQ(writer.GetFrameIndex(), 0);
    const std::vector<uint8_t> frame = TwoHalves(64, 48);
    for (int i = 0; i < 3; ++i) writer.WriteFrame(frame.data());
    writer.Close();
    EXPECT_EQ(Field(Probe(dir_ + "/second.avi"), "nb_read_frames"), "3");
    EXPECT_EQ(Field(Probe(dir_ + "/first.avi"), "nb_read_frames"), "7");
}

TEST_F(AviWriterTest, CancelReturnsOneKeepsOkAndStoresNothing) {
    g_chosen_encoder = "";
    AviGenerator writer;
    const BitmapInfoHeader header = FrameHeader(64, 48);
    writer.SetFrameRate(15);
    writer.SetHeader(&header);
    writer.SetOutputName((dir_ + "/cancelled.avi").c_str());
    EXPECT_EQ(writer.Open(), 1);
    EXPECT_EQ(writer.GetLastErrorMessage(), "Ok");
    EXPECT_FALSE(writer.IsOpen());
    const std::vector<uint8_t> frame = TwoHalves(64, 48);
    EXPECT_NE(writer.WriteFrame(frame.data()), 0);
    EXPECT_EQ(writer.GetFrameIndex(), 1);  // the index advances all the same
    writer.Close();
    struct stat info;
    EXPECT_NE(stat((dir_ + "/cancelled.avi").c_str(), &info), 0) << "no empty file left behind";
}

TEST_F(AviWriterTest, PresetEncoderFromTheEnvironment) {
    SetEncoderChooser(nullptr);
    setenv("LUMORA_ENCODER", "h264:60", 1);
    AviGenerator writer;
    ASSERT_EQ(WriteClip(writer, dir_ + "/preset.avi", 64, 48, 4), 0);
    EXPECT_EQ(Field(Probe(dir_ + "/preset.avi"), "codec_name"), "h264");
    setenv("LUMORA_ENCODER", "cancel", 1);
    EXPECT_EQ(WriteClip(writer, dir_ + "/cancel.avi", 64, 48, 4), 1);
    unsetenv("LUMORA_ENCODER");
}

TEST_F(AviWriterTest, MissingFolderFailsWhileCreatingTheFile) {
    AviGenerator writer;
    const std::string path = dir_ + "/no/such/folder/clip.avi";
    const int32_t status = WriteClip(writer, path, 64, 48, 0);
    EXPECT_EQ(uint32_t(status), kAviErrFileOpen);
    EXPECT_EQ(writer.GetLastErrorMessage(), "AVI Engine failed to initialize. Check filename " + path +
                                                ".A disk error occurred while opening the file.");
}

TEST_F(AviWriterTest, UnwritableFolderFailsWhileCreatingTheFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root may write anywhere";
    const std::string locked = dir_ + "/locked";
    ASSERT_EQ(mkdir(locked.c_str(), 0555), 0);
    AviGenerator writer;
    EXPECT_EQ(uint32_t(WriteClip(writer, locked + "/clip.avi", 64, 48, 0)), kAviErrFileOpen);
    EXPECT_NE(writer.GetLastErrorMessage().find("A disk error occurred while opening the file."),
              std::string::npos);
}

TEST_F(AviWriterTest, ImpossibleFrameSizeFailsAtStreamCreation) {
    AviGenerator writer;
    EXPECT_EQ(uint32_t(WriteClip(writer, dir_ + "/tiny.avi", 8, 8, 0)), kAviErrBadFormat);
    EXPECT_EQ(writer.GetLastErrorMessage(), "AVI Stream creation failed. Check Bitmap info.");
}

TEST_F(AviWriterTest, ErrorWhileRecordingEndsTheStreamInsteadOfHanging) {
    // A file on a full disk: the pipeline fails on its first write.
    const std::string path = dir_ + "/full.avi";
    ASSERT_EQ(symlink("/dev/full", path.c_str()), 0);
    g_chosen_encoder = "raw";
    AviGenerator writer;
    const BitmapInfoHeader header = FrameHeader(640, 480);
    writer.SetFrameRate(15);
    writer.SetHeader(&header);
    writer.SetOutputName(path.c_str());
    ASSERT_EQ(writer.Open(), 0);
    const std::vector<uint8_t> frame = TwoHalves(640, 480);
    int failures = 0;
    for (int i = 0; i < 200; ++i) failures += writer.WriteFrame(frame.data()) != 0;
    EXPECT_GT(failures, 150);
    writer.Close();
    EXPECT_FALSE(writer.IsOpen());
}

// Child half of the crash test: records, then dies without closing.
TEST_F(AviWriterTest, CrashChild) {
    const char* path = std::getenv("LUMORA_CRASH_CHILD");
    if (!path) GTEST_SKIP() << "runs only as the child of KilledRecordingStillDecodes";
    g_chosen_encoder = std::getenv("LUMORA_CRASH_ENCODER");
    AviGenerator writer;
    const BitmapInfoHeader header = FrameHeader(320, 240);
    writer.SetFrameRate(15);
    writer.SetHeader(&header);
    writer.SetOutputName(path);
    if (writer.Open() != 0) _exit(3);
    const std::vector<uint8_t> frame = TwoHalves(320, 240);
    for (int i = 0; i < 45; ++i) writer.WriteFrame(frame.data());
    usleep(1000 * 1000);
    raise(SIGKILL);
}

TEST_F(AviWriterTest, KilledRecordingStillDecodes) {
    for (const char* encoder : {"mjpeg", "h264", "raw"}) {
        SCOPED_TRACE(encoder);
        const std::string path = dir_ + "/killed_" + encoder + ".avi";
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            setenv("LUMORA_CRASH_CHILD", path.c_str(), 1);
            setenv("LUMORA_CRASH_ENCODER", encoder, 1);
            execl("/proc/self/exe", "gl_tests", "--gtest_filter=AviWriterTest.CrashChild", nullptr);
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
        const std::string probe = Probe(path);
        EXPECT_GE(std::atoi(Field(probe, "nb_read_frames").c_str()), 40) << probe;
        EXPECT_EQ(Field(probe, "width"), "320") << probe;
    }
}

}  // namespace
