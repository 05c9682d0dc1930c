// The "Video Compression" chooser without its dialog: the preset, the
// LUMORA_ENCODER answers, the stand-in chooser, and the choice remembered
// for the next recording.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/encoder_chooser.h"
#include "support/fake_log.h"

namespace {

const std::vector<EncoderOption> kOffered = {
    {"raw", "Full Frames (Uncompressed)", false}, {"mjpeg", "Motion JPEG", true}, {"h264", "H.264", true}};

// The stand-in chooser: records the preset it was shown, answers from g_answer.
EncoderChoice g_shown, g_answer;
bool g_accept = true;
bool ScriptedChooser(const std::vector<EncoderOption>&, EncoderChoice* choice) {
    g_shown = *choice;
    if (g_accept) *choice = g_answer;
    return g_accept;
}

TEST(EncoderOverride, Parsing) {
    EncoderChoice choice{"mjpeg", 85};
    bool cancel = true;
    EXPECT_TRUE(ParseEncoderOverride("h264:70", &choice, &cancel));
    EXPECT_FALSE(cancel);
    EXPECT_EQ(choice.id, "h264");
    EXPECT_EQ(choice.quality, 70);
    EXPECT_TRUE(ParseEncoderOverride("raw", &choice, &cancel));
    EXPECT_EQ(choice.quality, 70);
    EXPECT_TRUE(ParseEncoderOverride("mjpeg:400", &choice, &cancel));
    EXPECT_EQ(choice.quality, 100);
    EXPECT_TRUE(ParseEncoderOverride("cancel", &choice, &cancel));
    EXPECT_TRUE(cancel);
    EXPECT_FALSE(ParseEncoderOverride("", &choice, &cancel));
    EXPECT_FALSE(ParseEncoderOverride("mjpeg:x", &choice, &cancel));
    EXPECT_FALSE(ParseEncoderOverride(":50", &choice, &cancel));
}

TEST(EncoderOverride, ContainerSyntaxAndRules) {
    // "<id>[:<quality>][@<container>]"; every older form means AVI.
    EncoderChoice choice{"mjpeg", 85, VideoContainer::kMp4};
    bool cancel = false;
    ASSERT_TRUE(ParseEncoderOverride("h264", &choice, &cancel));
    EXPECT_EQ(choice.container, VideoContainer::kAvi);
    ASSERT_TRUE(ParseEncoderOverride("h264:70@mp4", &choice, &cancel));
    EXPECT_EQ(choice.id, "h264");
    EXPECT_EQ(choice.quality, 70);
    EXPECT_EQ(choice.container, VideoContainer::kMp4);
    ASSERT_TRUE(ParseEncoderOverride("mjpeg@avi", &choice, &cancel));
    EXPECT_EQ(choice.id, "mjpeg");
    EXPECT_EQ(choice.quality, 70);
    EXPECT_EQ(choice.container, VideoContainer::kAvi);
    for (const char* bad : {"h264@", "h264@mkv", "@mp4", "h264:@mp4", "h264@mp4:70", "h264:70@MP4"})
        EXPECT_FALSE(ParseEncoderOverride(bad, &choice, &cancel)) << bad;

    // MP4 carries H.264 only; a choice it cannot carry settles on AVI.
    std::vector<EncoderOption> offered = kOffered;
    offered[2].fits_mp4 = true;
    EXPECT_TRUE(ContainerFits(VideoContainer::kAvi, offered[0]));
    EXPECT_FALSE(ContainerFits(VideoContainer::kMp4, offered[1]));
    EXPECT_TRUE(ContainerFits(VideoContainer::kMp4, offered[2]));
    EncoderChoice settled{"mjpeg", 50, VideoContainer::kMp4};
    SettleChoice(offered, &settled);
    EXPECT_EQ(settled.container, VideoContainer::kAvi);
    settled = {"divx", 50, VideoContainer::kMp4};
    SettleChoice(offered, &settled);
    EXPECT_EQ(settled.id, "raw");
    EXPECT_EQ(settled.container, VideoContainer::kAvi);
    EXPECT_STREQ(ContainerExtension(VideoContainer::kMp4), ".mp4");
    EXPECT_STREQ(ContainerExtension(VideoContainer::kAvi), ".avi");

    // LUMORA_ENCODER with a container that cannot carry the id asks instead;
    // an MP4 choice is remembered with its container.
    unsetenv("LUMORA_ENCODER");
    const EncoderChooserFn previous = SetEncoderChooser(ScriptedChooser);
    g_accept = true;
    g_answer = {"raw", 60, VideoContainer::kAvi};
    setenv("LUMORA_ENCODER", "mjpeg@mp4", 1);
    ASSERT_TRUE(ChooseEncoder(offered, &choice));
    EXPECT_EQ(choice.id, "raw");
    setenv("LUMORA_ENCODER", "h264:40@mp4", 1);
    ASSERT_TRUE(ChooseEncoder(offered, &choice));
    EXPECT_EQ(choice.container, VideoContainer::kMp4);
    unsetenv("LUMORA_ENCODER");
    g_shown = {};
    ASSERT_TRUE(ChooseEncoder(offered, &choice));
    EXPECT_EQ(g_shown.id, "h264");
    EXPECT_EQ(g_shown.container, VideoContainer::kMp4);
    // Offered again without MP4 room for it, the preset falls back to AVI.
    ASSERT_TRUE(ChooseEncoder(kOffered, &choice));
    EXPECT_EQ(g_shown.container, VideoContainer::kAvi);
    SetEncoderChooser(previous);
}

TEST(EncoderChooser, PresetEnvironmentStandInAndMemory) {
    unsetenv("LUMORA_ENCODER");
    const EncoderChooserFn previous = SetEncoderChooser(ScriptedChooser);
    EncoderChoice choice;
    EXPECT_FALSE(ChooseEncoder({}, &choice));

    // First Motion JPEG at 85; what is accepted is shown the next time.
    g_answer = {"h264", 40};
    ASSERT_TRUE(ChooseEncoder(kOffered, &choice));
    EXPECT_EQ(g_shown.id, "mjpeg");
    EXPECT_EQ(g_shown.quality, 85);
    EXPECT_EQ(choice.id, "h264");
    g_accept = false;
    EXPECT_FALSE(ChooseEncoder(kOffered, &choice));
    EXPECT_EQ(g_shown.id, "h264");
    EXPECT_EQ(g_shown.quality, 40);
    // A cancel forgets nothing; a remembered id no longer offered gives way
    // to the first one offered.
    EXPECT_FALSE(ChooseEncoder({kOffered[0], kOffered[1]}, &choice));
    EXPECT_EQ(g_shown.id, "raw");
    EXPECT_EQ(g_shown.quality, 40);

    // LUMORA_ENCODER answers without asking, and is remembered too; one that
    // names no offered encoder asks instead.
    g_shown = {};
    setenv("LUMORA_ENCODER", "raw", 1);
    ASSERT_TRUE(ChooseEncoder(kOffered, &choice));
    EXPECT_EQ(g_shown.id, "");
    EXPECT_EQ(choice.id, "raw");
    EXPECT_EQ(choice.quality, 40);
    setenv("LUMORA_ENCODER", "cancel", 1);
    EXPECT_FALSE(ChooseEncoder(kOffered, &choice));
    EXPECT_EQ(g_shown.id, "");
    setenv("LUMORA_ENCODER", "mpeg4:10", 1);
    EXPECT_FALSE(ChooseEncoder(kOffered, &choice));
    EXPECT_EQ(g_shown.id, "raw");
    unsetenv("LUMORA_ENCODER");

    // No stand-in and no dialog on screen: the preset is taken.
    SetEncoderChooser(nullptr);
    ClearFakeCalls();
    ASSERT_TRUE(ChooseEncoder(kOffered, &choice));
    EXPECT_EQ(FakeCalls(), std::vector<std::string>{"RunEncoderDialog"});
    EXPECT_EQ(choice.id, "raw");
    SetEncoderChooser(previous);
    g_accept = true;
}

}  // namespace
