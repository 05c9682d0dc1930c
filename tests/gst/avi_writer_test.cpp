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
#include <utility>
#include <vector>

#include "platform/encoder_chooser.h"
#include "record/avi_generator.h"
#include "support/test_support.h"

namespace {

std::string g_chosen_encoder = "mjpeg";  // "" cancels
VideoContainer g_chosen_container = VideoContainer::kAvi;
int g_chooser_calls = 0;

bool ScriptedChooser(const std::vector<EncoderOption>& offered, EncoderChoice* choice) {
    ++g_chooser_calls;
    if (g_chosen_encoder.empty()) return false;
    if (FindEncoderOption(offered, g_chosen_encoder) < 0) return false;
    choice->id = g_chosen_encoder;
    choice->quality = 85;
    choice->container = g_chosen_container;
    return true;
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

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// The decoded first frame as rows of red, green, blue bytes, top row first.
std::string DecodedRgb(const std::string& avi) {
    return RunCommand("ffmpeg -v error -i '" + avi + "' -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
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
        g_chosen_container = VideoContainer::kAvi;
        g_chooser_calls = 0;
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

    // Open for width x height frames; the writer is left for the caller to close.
    int32_t OpenFor(AviGenerator& writer, const std::string& path, int width, int height) {
        const BitmapInfoHeader header = FrameHeader(width, height);
        writer.SetFrameRate(15);
        writer.SetHeader(&header);
        writer.SetOutputName(path.c_str());
        return writer.Open();
    }

    std::string dir_;
    EncoderChooserFn previous_ = nullptr;
};

TEST_F(AviWriterTest, EveryOfferedEncoderStoresEveryFrameUpright) {
    struct Case {
        const char* id;
        const char* codec;
        int key_frames;  // of 30: encoders with a group of 15 pictures have 2
    };
    for (const Case c : {Case{"raw", "rawvideo", 30}, Case{"mjpeg", "mjpeg", 30}, Case{"h264", "h264", 2},
                         Case{"mpeg4", "mpeg4", 2}}) {
        SCOPED_TRACE(c.id);
        g_chosen_encoder = c.id;
        AviGenerator writer;
        const std::string path = dir_ + "/" + c.id + ".avi";
        // A file that got no frame is no recording: Close removes it.
        ASSERT_EQ(WriteClip(writer, path, 320, 240, 0), 0) << writer.GetLastErrorMessage();
        EXPECT_EQ(writer.GetFramesStored(), 0);
        EXPECT_FALSE(Exists(path));
        ASSERT_EQ(WriteClip(writer, path, 320, 240, 30), 0) << writer.GetLastErrorMessage();
        EXPECT_EQ(writer.GetLastErrorMessage(), "Ok");
        EXPECT_EQ(writer.GetFramesStored(), 30);
        const std::string probe = Probe(path);
        EXPECT_EQ(Field(probe, "codec_name"), c.codec) << probe;
        EXPECT_EQ(Field(probe, "width"), "320");
        EXPECT_EQ(Field(probe, "height"), "240");
        EXPECT_EQ(Field(probe, "nb_read_frames"), "30") << probe;
        // 30 frames at 15 per second.
        EXPECT_NEAR(std::atof(Field(probe, "duration").c_str()), 2.0, 0.1) << probe;
        const std::string flags = "ffprobe -v error -show_entries packet=flags -of csv=p=0 '" + path + "'";
        EXPECT_EQ(RunCommand(flags + " | grep -c K"), std::to_string(c.key_frames) + "\n");
        const auto top = DecodedPixel(path, 160, 10), bottom = DecodedPixel(path, 160, 230);
        EXPECT_GT(top[0], 200) << "top should be red";
        EXPECT_LT(top[2], 60);
        EXPECT_GT(bottom[2], 200) << "bottom should be blue";
        EXPECT_LT(bottom[0], 60);
    }
}

// Each encoder's file decodes to the picture's own levels: black, grey and
// white within a few levels, pure red within a few more (lossy chroma).
// Motion JPEG once showed black at 16 and white at 235.
TEST_F(AviWriterTest, EveryEncoderKeepsThePicturesLevels) {
    const int width = 320, height = 240, band_width = width / 4;
    // Red, green, blue and the tolerance of each band.
    const int bands[4][4] = {{0, 0, 0, 4}, {128, 128, 128, 4}, {255, 255, 255, 4}, {255, 0, 0, 8}};
    std::vector<uint8_t> frame(size_t(width) * height * 4, 255);
    for (size_t i = 0; i < frame.size(); i += 4)
        for (int c = 0; c < 3; ++c) frame[i + c] = uint8_t(bands[i / 4 % width / band_width][2 - c]);
    for (const char* id : {"raw", "mjpeg", "h264", "mpeg4"}) {
        SCOPED_TRACE(id);
        g_chosen_encoder = id;
        AviGenerator writer;
        const std::string path = dir_ + "/levels_" + id + ".avi";
        ASSERT_EQ(OpenFor(writer, path, width, height), 0) << writer.GetLastErrorMessage();
        for (int i = 0; i < 5; ++i) ASSERT_EQ(writer.WriteFrame(frame.data()), 0);
        writer.Close();
        const std::string rgb = DecodedRgb(path);
        ASSERT_EQ(rgb.size(), size_t(width) * height * 3);
        for (int b = 0; b < 4; ++b)
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(uint8_t(rgb[(size_t(height / 2) * width + (b * 2 + 1) * band_width / 2) * 3 + c]),
                            bands[b][c], bands[b][3])
                    << "band " << b << " channel " << c;
    }
}

// Any size an encoder takes records, from 8 x 8 to a wide desktop; a size
// beyond an encoder's own limit is refused before anything starts, with a
// status text that names the limit.
TEST_F(AviWriterTest, FrameSizesUpToTheEncodersOwnLimits) {
    for (const char* id : {"raw", "mjpeg", "h264", "mpeg4"}) {
        for (const auto& [width, height] : {std::pair{8, 8}, std::pair{5120, 1440}}) {
            SCOPED_TRACE(std::string(id) + " " + std::to_string(width) + "x" + std::to_string(height));
            g_chosen_encoder = id;
            AviGenerator writer;
            const std::string path = dir_ + "/" + id + "_" + std::to_string(width) + ".avi";
            ASSERT_EQ(WriteClip(writer, path, width, height, 2), 0) << writer.GetLastErrorMessage();
            const std::string probe = Probe(path);
            EXPECT_EQ(Field(probe, "width") + "x" + Field(probe, "height"),
                      std::to_string(width) + "x" + std::to_string(height)) << probe;
            EXPECT_EQ(Field(probe, "nb_read_frames"), "2") << probe;
            EXPECT_GT(DecodedPixel(path, width / 2, 1)[0], 200) << "red at the top";
            RunCommand("rm -f '" + path + "'*");
        }
    }
    g_chosen_encoder = "mpeg4";
    AviGenerator writer;
    EXPECT_EQ(uint32_t(OpenFor(writer, dir_ + "/too_wide.avi", 8192, 16)), kAviErrBadFormat);
    EXPECT_EQ(writer.GetLastErrorMessage(),
              "AVI Compressed Stream creation failed. MPEG-4 Part 2 takes frames of at most 8191 x 8191 pixels; "
              "this recording is 8192 x 16. Choose another compressor.");
    writer.Close();
    EXPECT_FALSE(Exists(dir_ + "/too_wide.avi"));
}

// The record modes ask for the compressor before they name the file: Open
// then uses that answer and asks nothing; the next recording asks again.
TEST_F(AviWriterTest, ACompressorChosenBeforeOpenIsUsedOnce) {
    g_chosen_encoder = "h264";
    AviGenerator writer;
    ASSERT_TRUE(writer.ChooseCompressor());
    g_chosen_encoder = "mjpeg";
    ASSERT_EQ(WriteClip(writer, dir_ + "/chosen.avi", 64, 48, 3), 0);
    ASSERT_EQ(WriteClip(writer, dir_ + "/asked.avi", 64, 48, 3), 0);
    EXPECT_EQ(g_chooser_calls, 2);
    EXPECT_EQ(Field(Probe(dir_ + "/chosen.avi"), "codec_name"), "h264");
    EXPECT_EQ(Field(Probe(dir_ + "/asked.avi"), "codec_name"), "mjpeg");
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
    // Small frames are fine (8 x 8 records); frames without pixels are not.
    for (const auto& [width, height] : {std::pair{0, 0}, std::pair{0, 48}, std::pair{64, 0}}) {
        AviGenerator writer;
        EXPECT_EQ(uint32_t(WriteClip(writer, dir_ + "/empty.avi", width, height, 0)), kAviErrBadFormat);
        EXPECT_EQ(writer.GetLastErrorMessage(), "AVI Stream creation failed. Check Bitmap info.");
    }
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
    RunCommand("rm -rf '" + dir_ + "'");  // the fixture's folder: no TearDown after the kill
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

// Pre-capture: 4 s of frames to the ring, then 1 s to the file.  The file
// begins 2 s before feeding began, at a key frame (every frame for Motion
// JPEG, one a second for H.264), and plays on at 15 fps without a gap.
TEST_F(AviWriterTest, PrecaptureBeginsTheFileSecondsEarlierAtAKeyFrame) {
    struct Case {
        const char* encoder;
        VideoContainer container;
        int frames;  // ring + fed
    };
    // Motion JPEG: frames 29..59 (2 s and one frame); H.264: from key frame 15.
    for (const Case& c : {Case{"mjpeg", VideoContainer::kAvi, 31 + 15}, Case{"h264", VideoContainer::kMp4, 45 + 15}}) {
        SCOPED_TRACE(c.encoder);
        g_chosen_encoder = c.encoder;
        g_chosen_container = c.container;
        AviGenerator writer;
        writer.SetPrecapture(2000000000ull);
        ASSERT_EQ(OpenFor(writer, dir_ + "/early.avi", 64, 48), 0);
        std::vector<uint8_t> frame = TwoHalves(64, 48);
        for (int i = 0; i < 75; ++i) {
            writer.FeedFile(i >= 60);
            ASSERT_EQ(writer.WriteFrame(frame.data()), 0) << i;
        }
        writer.Close();
        const std::string path = writer.GetFileName();
        const std::string probe = Probe(path);
        EXPECT_EQ(Field(probe, "nb_read_frames"), std::to_string(c.frames)) << probe;
        EXPECT_NEAR(std::atof(Field(probe, "duration").c_str()), c.frames / 15.0, 0.1) << probe;
        const std::string first = RunCommand("ffprobe -v error -select_streams v:0 -show_entries frame=key_frame "
                                             "-read_intervals %+#1 -of csv=p=0 '" + path + "'");
        EXPECT_EQ(first.substr(0, 1), "1") << first;
    }
}

}  // namespace
