#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "sound/wav_check.h"
#include "support/test_support.h"

namespace {

// Found by the WAV fuzz target: a "LIST" chunk of nearly 4 GiB in a
// 137-byte file kept libsndfile's sf_open busy for minutes.
const uint8_t kListOverrun[] = {
    0x52, 0x49, 0x46, 0x46, 0x4e, 0x01, 0x00, 0x00, 0x57, 0x41, 0x56, 0x45, 0x66, 0x6d, 0x74, 0x20,
    0x28, 0x00, 0x00, 0x00, 0xfe, 0xff, 0x01, 0x00, 0x40, 0x1f, 0x00, 0x00, 0xc0, 0x5d, 0x00, 0x00,
    0x03, 0x00, 0x18, 0x00, 0x16, 0x00, 0x18, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71, 0x4c, 0x49, 0x53, 0x54,
    0x1a, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xf7, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
    0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
    0xff, 0x00, 0x00, 0x00, 0x49, 0x4e, 0x46, 0x4f, 0x49, 0x53, 0x46, 0x54, 0x0e, 0x00, 0x00, 0x00,
    0x4c, 0x61, 0x76, 0x66, 0x35, 0x39, 0x2e, 0x32, 0x37, 0x2e, 0x31, 0x30, 0x30, 0x00, 0x64, 0x61,
    0x74, 0x61, 0xf0, 0x00, 0x00, 0x1d, 0x00, 0x26, 0x00,
};

std::vector<uint8_t> Wav(std::initializer_list<std::pair<std::string, std::vector<uint8_t>>> chunks,
                         uint32_t stretch_last = 0) {
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    size_t i = 0;
    for (const auto& [id, body] : chunks) {
        out.insert(out.end(), id.begin(), id.end());
        uint32_t size = uint32_t(body.size()) + (++i == chunks.size() ? stretch_last : 0);
        for (int b = 0; b < 4; ++b) out.push_back(uint8_t(size >> (8 * b)));
        out.insert(out.end(), body.begin(), body.end());
        if (body.size() & 1) out.push_back(0);
    }
    return out;
}

bool Fits(const std::vector<uint8_t>& bytes) { return RiffChunksFit(bytes.data(), bytes.size()); }

TEST(WavCheckTest, ChunksThatRunPastTheFileAreRefusedButACutDataChunkIsNot) {
    EXPECT_FALSE(RiffChunksFit(kListOverrun, sizeof kListOverrun));
    const std::vector<uint8_t> fmt(16, 1), odd(5, 2), info = {'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T', 1, 0, 0, 0, 'x', 0};
    EXPECT_TRUE(Fits(Wav({{"fmt ", fmt}, {"LIST", info}, {"data", odd}})));
    // A recording cut short: the data chunk promises more than is there.
    EXPECT_TRUE(Fits(Wav({{"fmt ", fmt}, {"data", odd}}, 100000)));
    EXPECT_FALSE(Fits(Wav({{"fmt ", fmt}, {"LIST", info}}, 100000)));
    EXPECT_FALSE(Fits(Wav({{"fmt ", fmt}}, 0xFFFFFFF0u)));
    // A list whose inner chunk overruns the list.
    std::vector<uint8_t> bad_info = info;
    bad_info[8] = 0x40;
    EXPECT_FALSE(Fits(Wav({{"fmt ", fmt}, {"LIST", bad_info}, {"data", odd}})));
    // Not RIFF WAVE, or too short to tell: left to the decoder.
    const uint8_t aiff[] = {'F', 'O', 'R', 'M', 0, 0, 0, 4, 'A', 'I', 'F', 'F'};
    EXPECT_TRUE(RiffChunksFit(aiff, sizeof aiff));
    EXPECT_TRUE(RiffChunksFit(kListOverrun, 8));
}

TEST(WavCheckTest, FilesAreCheckedWholeAndOurAlarmSoundPasses) {
    EXPECT_TRUE(RiffFileChunksFit((SourceDir() + "/data/wav/3.wav").c_str()));
    EXPECT_TRUE(RiffFileChunksFit("/nonexistent/lumora.wav"));
    const std::string path = MakeTempDir() + "/overrun.wav";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(kListOverrun), sizeof kListOverrun);
    EXPECT_FALSE(RiffFileChunksFit(path.c_str()));
}

}  // namespace
