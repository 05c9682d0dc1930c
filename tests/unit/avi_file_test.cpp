// The AVI container writer, its files read by two independent readers
// (ffprobe/ffmpeg and GStreamer's avidemux): frames in order and upright,
// key-frame flags, OpenDML segments past the first RIFF, a killed writer's
// file, and a failing disk.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "record/avi_file.h"
#include "support/test_support.h"

namespace {

constexpr int kWidth = 64, kHeight = 48;
constexpr size_t kFrameBytes = size_t(kWidth) * kHeight * 4;

// Frame `n`, bottom row first: blue n everywhere, the lower half green.
std::vector<uint8_t> NumberedFrame(int n) {
    std::vector<uint8_t> frame(kFrameBytes);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = &frame[(size_t(y) * kWidth + x) * 4];
            p[0] = uint8_t(n), p[1] = y < kHeight / 2 ? 255 : 0, p[2] = 0, p[3] = 255;
        }
    return frame;
}

AviStreamFormat RawFormat() {
    AviStreamFormat format;
    format.width = kWidth, format.height = kHeight, format.frame_rate = 15;
    format.codec = 0, format.bit_count = 32;
    return format;
}

void WriteFrames(AviFile& file, int frames) {
    for (int n = 0; n < frames; ++n) {
        const std::vector<uint8_t> frame = NumberedFrame(n);
        ASSERT_TRUE(file.WriteFrame(frame.data(), frame.size(), true)) << file.Error();
    }
}

// What ffmpeg decodes: per frame, its number and whether it is upright
// (green at the bottom, top row first in the decoded picture).
std::vector<int> DecodedNumbers(const std::string& path) {
    const std::string raw = RunCommand("ffmpeg -v error -i '" + path + "' -f rawvideo -pix_fmt bgra - 2>/dev/null");
    std::vector<int> numbers;
    for (size_t at = 0; at + kFrameBytes <= raw.size(); at += kFrameBytes) {
        const uint8_t* top = reinterpret_cast<const uint8_t*>(&raw[at]);
        const uint8_t* bottom = top + (kHeight - 1) * kWidth * 4;
        numbers.push_back(top[1] == 0 && bottom[1] == 255 ? top[0] : -1);
    }
    return numbers;
}

std::vector<int> Sequence(int count) {
    std::vector<int> numbers;
    for (int n = 0; n < count; ++n) numbers.push_back(n);
    return numbers;
}

// The frames GStreamer's demuxer reads, which trusts the OpenDML indexes:
// "K" for a key frame, "D" for a delta frame.
std::string GstreamerFrames(const std::string& path) {
    const std::string log = RunCommand("gst-launch-1.0 -v filesrc location='" + path +
                                  "' ! avidemux ! identity silent=false ! fakesink 2>&1");
    std::string frames;
    for (size_t at = log.find("last-message = chain"); at != std::string::npos;
         at = log.find("last-message = chain", at + 1)) {
        const size_t flags = log.find("flags: ", at);
        const unsigned value = flags == std::string::npos ? 0 : std::stoul(log.substr(flags + 7, 8), nullptr, 16);
        frames += value & 0x2000 ? "D" : "K";  // GST_BUFFER_FLAG_DELTA_UNIT
    }
    return frames;
}

uint32_t Le32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | uint8_t(bytes[at + i]);
    return value;
}

// The file's outline, "AVI :hdrl,movi,idx1 AVIX:movi ...": each RIFF with
// the chunks it holds, or "bad" when a size does not meet the next chunk or
// the file's end exactly.
std::string Outline(const std::string& path) {
    const std::string bytes = RunCommand("cat '" + path + "'");
    std::string outline;
    size_t at = 0;
    while (at + 12 <= bytes.size() && bytes.compare(at, 4, "RIFF") == 0) {
        const size_t end = at + 8 + Le32(bytes, at + 4);
        outline += (outline.empty() ? "" : " ") + bytes.substr(at + 8, 4) + ":";
        size_t child = at + 12;
        while (child + 8 <= end) {
            const std::string id = bytes.substr(child, 4);
            outline += (child == at + 12 ? "" : ",") + (id == "LIST" ? bytes.substr(child + 8, 4) : id);
            child += 8 + Le32(bytes, child + 4) + (Le32(bytes, child + 4) & 1);
        }
        if (child != end) return "bad";
        at = end;
    }
    return at == bytes.size() ? outline : "bad";
}

class AviFileTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = MakeTempDir("lumora-container"); }
    void TearDown() override { RunCommand("rm -rf '" + dir_ + "'"); }
    std::string dir_;
};

// One RIFF, then many: small segments make the writer cross into AVIX
// segments every few frames; both readers see every frame, in order.
TEST_F(AviFileTest, FramesInOrderAcrossSegmentsWithKeyFlags) {
    for (const uint64_t segment : {uint64_t(1) << 30, uint64_t(40000)}) {
        SCOPED_TRACE("segment limit " + std::to_string(segment));
        const std::string path = dir_ + "/clip_" + std::to_string(segment) + ".avi";
        AviFile file;
        file.SetSegmentLimit(segment);
        ASSERT_TRUE(file.Create(path));
        ASSERT_TRUE(file.Begin(RawFormat()));
        WriteFrames(file, 40);
        ASSERT_TRUE(file.Finish()) << file.Error();
        EXPECT_EQ(file.Frames(), 40u);

        const std::string probe = RunCommand("ffprobe -v error -count_frames -show_entries "
                                      "stream=codec_name,width,height,nb_frames,nb_read_frames:format=duration "
                                      "-of default=nw=1 '" + path + "'");
        EXPECT_NE(probe.find("codec_name=rawvideo"), std::string::npos) << probe;
        EXPECT_NE(probe.find("width=64\nheight=48"), std::string::npos) << probe;
        EXPECT_NE(probe.find("nb_frames=40\n"), std::string::npos) << probe;  // from the headers
        EXPECT_NE(probe.find("nb_read_frames=40\n"), std::string::npos) << probe;
        EXPECT_NE(probe.find("duration=2.666667"), std::string::npos) << probe;
        EXPECT_EQ(DecodedNumbers(path), Sequence(40));
        EXPECT_EQ(GstreamerFrames(path), std::string(40, 'K'));  // raw frames are all key frames
        // Sizes that tile the file exactly, the AVI 1.0 index after the
        // first movi list, further segments each a movi list.
        const std::string outline = Outline(path);
        EXPECT_TRUE(std::regex_match(outline, std::regex(segment < (1u << 30)
                                                             ? "AVI :hdrl,movi,idx1( AVIX:movi){5,}"
                                                             : "AVI :hdrl,movi,idx1")))
            << outline;
    }

    // An encoded stream's delta frames are flagged as such in its indexes
    // (the payloads are not decoded).
    AviStreamFormat coded = RawFormat();
    coded.codec = MakeFourCc("H264");
    coded.bit_count = 24;
    const std::string path = dir_ + "/coded.avi";
    AviFile file;
    file.SetSegmentLimit(20000);
    ASSERT_TRUE(file.Create(path));
    ASSERT_TRUE(file.Begin(coded));
    std::string expected;
    for (int n = 0; n < 40; ++n) {
        const std::vector<uint8_t> payload(1001 + n, uint8_t(n));  // odd sizes are padded
        ASSERT_TRUE(file.WriteFrame(payload.data(), payload.size(), n % 3 != 2));
        expected += n % 3 != 2 ? "K" : "D";
    }
    ASSERT_TRUE(file.Finish());
    EXPECT_EQ(GstreamerFrames(path), expected);
}

// A process killed while recording leaves its frames readable, those after
// the last header update included; a file that never got a frame has no
// headers at all.
TEST_F(AviFileTest, AKilledWritersFileStillReads) {
    const std::string path = dir_ + "/killed.avi";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AviFile file;
        file.SetSegmentLimit(100000);  // killed inside its third segment
        if (!file.Create(path) || !file.Begin(RawFormat())) _exit(3);
        for (int n = 0; n < 22; ++n) {
            const std::vector<uint8_t> frame = NumberedFrame(n);
            file.WriteFrame(frame.data(), frame.size(), true);
        }
        _exit(0);  // no Finish: as if killed
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(DecodedNumbers(path), Sequence(22));

    AviFile empty;
    ASSERT_TRUE(empty.Create(dir_ + "/empty.avi"));
    EXPECT_TRUE(empty.Finish());
    EXPECT_EQ(empty.Frames(), 0u);
    EXPECT_EQ(RunCommand("stat -c %s '" + dir_ + "/empty.avi'"), "0\n");
}

TEST_F(AviFileTest, AFullDiskFailsWithItsReason) {
    const std::string path = dir_ + "/full.avi";
    ASSERT_EQ(symlink("/dev/full", path.c_str()), 0);
    AviFile file;
    ASSERT_TRUE(file.Create(path));
    EXPECT_FALSE(file.Begin(RawFormat()));
    EXPECT_EQ(file.Error(), "cannot write the file's headers: No space left on device");
    const std::vector<uint8_t> frame = NumberedFrame(0);
    EXPECT_FALSE(file.WriteFrame(frame.data(), frame.size(), true));
    EXPECT_FALSE(file.Finish());

    AviFile missing;
    EXPECT_FALSE(missing.Create(dir_ + "/no/such/folder.avi"));
    EXPECT_EQ(missing.Error(), "cannot create the file: No such file or directory");
    RemoveWrittenFile(path);  // a link to a device stays
    EXPECT_EQ(RunCommand("test -L '" + path + "' && echo kept"), "kept\n");
}

}  // namespace
