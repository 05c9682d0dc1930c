// The AVI container writer, its files read by two independent readers
// (ffmpeg, GStreamer's avidemux): frames in order and upright, chunk sizes
// that tile the file, OpenDML segments past the first RIFF, and a killed
// writer's file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <vector>

#include "record/avi_file.h"
#include "support/test_support.h"

namespace {

constexpr int kWidth = 64, kHeight = 48;
constexpr size_t kFrameBytes = size_t(kWidth) * kHeight * 4;

// Writes frames 0..count-1, bottom row first: blue n, the lower half green.
void WriteNumberedFrames(AviFile& file, int count) {
    std::vector<uint8_t> frame(kFrameBytes);
    for (int n = 0; n < count; ++n) {
        for (size_t i = 0; i < kFrameBytes; i += 4)
            frame[i] = uint8_t(n), frame[i + 1] = i < kFrameBytes / 2 ? 255 : 0, frame[i + 3] = 255;
        ASSERT_TRUE(file.WriteFrame(frame.data(), frame.size(), true)) << file.Error();
    }
}

bool Begin(AviFile& file, const std::string& path, uint64_t segment_limit) {
    AviStreamFormat raw;
    raw.width = kWidth, raw.height = kHeight, raw.frame_rate = 15, raw.codec = 0, raw.bit_count = 32;
    file.SetSegmentLimit(segment_limit);
    return file.Create(path) && file.Begin(raw);
}

// The numbers ffmpeg decodes, -1 for a frame upside down (top row first in
// its output, so green belongs at the bottom).
std::vector<int> DecodedNumbers(const std::string& path) {
    const std::string raw =
        RunCommand("ffmpeg -v error -i '" + path + "' -f rawvideo -pix_fmt bgra - 2>/dev/null");
    std::vector<int> numbers;
    for (size_t at = 0; at + kFrameBytes <= raw.size(); at += kFrameBytes) {
        const bool upright = raw[at + 1] == 0 && uint8_t(raw[at + kFrameBytes - 3]) == 255;
        numbers.push_back(upright ? uint8_t(raw[at]) : -1);
    }
    return numbers;
}

std::vector<int> Sequence(int count) {
    std::vector<int> numbers(count);
    for (int n = 0; n < count; ++n) numbers[n] = n;
    return numbers;
}

uint32_t Le32(const std::string& bytes, size_t at) {
    return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
           uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
}

// "AVI :hdrl,movi,idx1 AVIX:movi ...": each RIFF and the chunks it holds, or
// "bad" where a size does not meet the next chunk or the end exactly.
std::string Outline(const std::string& path) {
    const std::string bytes = RunCommand("cat '" + path + "'");
    std::string outline;
    size_t at = 0;
    while (at + 12 <= bytes.size() && bytes.compare(at, 4, "RIFF") == 0) {
        const size_t end = at + 8 + Le32(bytes, at + 4);
        if (at) outline += ' ';
        outline.append(bytes, at + 8, 4).append(":");
        size_t child = at + 12;
        for (; child + 8 <= end; child += 8 + ((Le32(bytes, child + 4) + 1) & ~1u)) {
            const std::string id = bytes.substr(child, 4);
            if (child != at + 12) outline += ',';
            outline += id == "LIST" ? bytes.substr(child + 8, 4) : id;
        }
        if (child != end) return "bad";
        at = end;
    }
    return at == bytes.size() ? outline : "bad";
}

TEST(AviFileTest, SegmentsAndAKilledWritersFile) {
    const std::string dir = MakeTempDir("lumora-container");
    for (const uint64_t segment : {uint64_t(1) << 30, uint64_t(40000)}) {
        SCOPED_TRACE("segments of " + std::to_string(segment) + " bytes");
        const std::string path = dir + "/clip_" + std::to_string(segment) + ".avi";
        AviFile file;
        ASSERT_TRUE(Begin(file, path, segment));
        WriteNumberedFrames(file, 40);
        ASSERT_TRUE(file.Finish()) << file.Error();
        EXPECT_EQ(DecodedNumbers(path), Sequence(40));
        const std::string gstreamer = RunCommand("gst-launch-1.0 -v filesrc location='" + path +
                                                 "' ! avidemux ! identity silent=false ! fakesink 2>&1 | "
                                                 "grep -c 'last-message = chain'");
        EXPECT_EQ(gstreamer, "40\n");
        const std::string outline = Outline(path);
        const char* expected = segment < (1u << 30) ? "AVI :hdrl,movi,idx1( AVIX:movi){5,}" : "AVI :hdrl,movi,idx1";
        EXPECT_TRUE(std::regex_match(outline, std::regex(expected))) << outline;
    }

    // Killed in its third segment, past the last header update: every frame reads.
    const std::string killed = dir + "/killed.avi";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AviFile file;
        if (!Begin(file, killed, 100000)) _exit(3);
        WriteNumberedFrames(file, 22);
        _exit(0);  // no Finish
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(DecodedNumbers(killed), Sequence(22));
}

}  // namespace
