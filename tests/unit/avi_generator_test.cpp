// The AVI writer's own decisions, without a pipeline: its settings and
// status texts, which compressors it offers and what each may take, the
// frame checks made before anything is built, and the quality scales.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "record/avi_generator.h"

namespace {

TEST(AviGeneratorSettings, ExtensionRuleAndDefaults) {
    AviGenerator writer;
    EXPECT_EQ(writer.GetFileName(), "Untitled.avi");
    EXPECT_EQ(writer.GetFrameRate(), 30u);
    EXPECT_EQ(writer.GetHeader().biSize, 0u);
    EXPECT_EQ(writer.GetLastErrorMessage(), "");
    writer.SetOutputName("clip");
    EXPECT_EQ(writer.GetFileName(), "clip.avi");
    writer.SetOutputName("myavi_clip");
    EXPECT_EQ(writer.GetFileName(), "myavi_clip");
    writer.SetOutputName("CLIP.AVI");  // the search is case-sensitive
    EXPECT_EQ(writer.GetFileName(), "CLIP.AVI.avi");
}

TEST(AviGeneratorSettings, AppendedErrorTexts) {
    EXPECT_STREQ(AviErrorText(AviOpenStep::CreateFile, kAviErrFileOpen),
                 "A disk error occurred while opening the file.");
    EXPECT_STREQ(AviErrorText(AviOpenStep::CreateStream, kAviErrReadOnly), " Read only file.");
    EXPECT_STREQ(AviErrorText(AviOpenStep::CompressedStream, kAviErrNoCompressor),
                 " A suitable compressor cannot be found.");
    EXPECT_STREQ(AviErrorText(AviOpenStep::CompressedStream, kAviErrMemory),
                 " There is not enough memory to complete the operation.");
    EXPECT_STREQ(AviErrorText(AviOpenStep::CreateStream, kAviErrFileOpen), "");
}

TEST(AviGeneratorDecisions, OfferedEncodersAndWhatEachTakes) {
    // Only installed encoders are offered, in a fixed order; frames stored
    // as they are need no element and are always there.
    const auto offered = OfferedEncoders([](const char* element) { return std::strcmp(element, "x264enc") == 0; });
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[0].id, "raw");
    EXPECT_FALSE(offered[0].has_quality);
    EXPECT_EQ(offered[1].id, "h264");
    EXPECT_EQ(offered[1].label, "H.264");
    EXPECT_TRUE(offered[1].has_quality);
    std::vector<std::string> all;
    for (const EncoderOption& option : OfferedEncoders([](const char*) { return true; })) all.push_back(option.id);
    EXPECT_EQ(all, (std::vector<std::string>{"raw", "mjpeg", "h264", "mpeg4"}));
    EXPECT_EQ(FindEncoder("divx"), nullptr);

    // Each encoder's own largest side; uncompressed frames stay below 2 GiB.
    const EncoderEntry& mpeg4 = *FindEncoder("mpeg4");
    EXPECT_EQ(FrameSizeRefusal(mpeg4, 8191, 8191), "");
    EXPECT_EQ(FrameSizeRefusal(mpeg4, 16, 8192),
              " MPEG-4 Part 2 takes frames of at most 8191 x 8191 pixels; this recording is 16 x 8192. "
              "Choose another compressor.");
    const EncoderEntry& raw = *FindEncoder("raw");
    EXPECT_EQ(FrameSizeRefusal(raw, 16384, 16384), "");
    EXPECT_EQ(FrameSizeRefusal(raw, 32768, 16384),
              " Full Frames (Uncompressed) takes frames of less than 2 GiB; a 32768 x 16384 frame takes "
              "2048 MiB. Choose a compressor.");
    EXPECT_EQ(FrameSizeRefusal(*FindEncoder("mjpeg"), 32768, 16384), "");

    // The file is told what reaches it: the encoder's output, or the frames.
    EXPECT_STREQ(StoredCaps(raw), "video/x-raw,format=BGRx");
    EXPECT_STREQ(StoredCaps(mpeg4), "video/mpeg,mpegversion=4,systemstream=false");
    // MP4 takes H.264 in its own "avc" form; only H.264 is offered for it.
    EXPECT_STREQ(StoredCaps(*FindEncoder("h264"), VideoContainer::kMp4),
                 "video/x-h264,profile=baseline,stream-format=avc,alignment=au");
    for (const EncoderOption& option : OfferedEncoders([](const char*) { return true; }))
        EXPECT_EQ(option.fits_mp4, option.id == "h264") << option.id;
    EXPECT_EQ(WithContainerExtension("a/b_record_dev1.avi", VideoContainer::kMp4), "a/b_record_dev1.mp4");
    EXPECT_EQ(WithContainerExtension("clip.mp4", VideoContainer::kAvi), "clip.avi");
    EXPECT_EQ(WithContainerExtension("myavi_clip", VideoContainer::kMp4), "myavi_clip");
    const AviStreamFormat mjpeg = StreamFormat(*FindEncoder("mjpeg"), 640, 480, 15);
    EXPECT_EQ(mjpeg.codec, MakeFourCc("MJPG"));
    EXPECT_EQ(mjpeg.bit_count, 24);
    EXPECT_EQ(mjpeg.width, 640);
    EXPECT_EQ(mjpeg.height, 480);
    EXPECT_EQ(mjpeg.frame_rate, 15u);
    const AviStreamFormat frames = StreamFormat(raw, 8, 8, 15);
    EXPECT_EQ(frames.codec, 0u);
    EXPECT_EQ(frames.bit_count, 32);
}

TEST(AviGeneratorDecisions, FrameChecksAndQualityScales) {
    EXPECT_TRUE(FrameHeaderUsable(FrameHeader(4, 4), 15));
    EXPECT_FALSE(FrameHeaderUsable(FrameHeader(4, 4), 0));
    EXPECT_FALSE(FrameHeaderUsable(FrameHeader(0, 48), 15));
    EXPECT_FALSE(FrameHeaderUsable(FrameHeader(64, -48), 15));
    BitmapInfoHeader header = FrameHeader(64, 48);
    header.biBitCount = 24;
    EXPECT_FALSE(FrameHeaderUsable(header, 15));
    header = FrameHeader(64, 48);
    header.biSizeImage -= 1;  // too small for the frames it announces
    EXPECT_FALSE(FrameHeaderUsable(header, 15));
    header = FrameHeader(64, 48);
    header.biCompression = MakeFourCc("MJPG");
    EXPECT_FALSE(FrameHeaderUsable(header, 15));
    EXPECT_EQ(FrameBytes(FrameHeader(64, 48)), 64u * 48 * 4);
    EXPECT_EQ(FrameBytes(FrameHeader(-4, 8)), 0u);

    // Quality 1 .. 100 runs each quantizer from its coarsest to its finest.
    EXPECT_EQ(H264Quantizer(1), 50u);
    EXPECT_EQ(H264Quantizer(85), 16u);
    EXPECT_EQ(H264Quantizer(100), 10u);
    EXPECT_FLOAT_EQ(Mpeg4Quantizer(1), 31.0f);
    EXPECT_FLOAT_EQ(Mpeg4Quantizer(100), 2.0f);

    EXPECT_EQ(FileCreationError(ENOMEM), kAviErrMemory);
    EXPECT_EQ(FileCreationError(EACCES), kAviErrFileOpen);
}

}  // namespace
