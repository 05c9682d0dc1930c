#include <gtest/gtest.h>

#include <vector>

#include "sound/sound_player.h"

namespace {

TEST(SoundUnitsTest, VolumePanAndFrequencyConversions) {
    EXPECT_FLOAT_EQ(GainFromVolume(0), 1.0f);
    EXPECT_NEAR(GainFromVolume(-2000), 0.1f, 1e-6);   // -20 dB
    EXPECT_NEAR(GainFromVolume(-600), 0.501f, 1e-3);  // -6 dB
    EXPECT_EQ(GainFromVolume(-10000), 0.0f);
    EXPECT_FLOAT_EQ(GainFromVolume(500), 1.0f);  // no boost above full

    const SoundVector right = PositionFromPan(10000), left = PositionFromPan(-20000);
    EXPECT_NEAR(right.x, 1.0f, 1e-6);
    EXPECT_NEAR(right.z, 0.0f, 1e-6);
    EXPECT_NEAR(left.x, -1.0f, 1e-6);
    EXPECT_FLOAT_EQ(PositionFromPan(0).z, -1.0f);  // straight ahead

    EXPECT_FLOAT_EQ(PitchFromFrequency(0, 22050), 1.0f);
    EXPECT_FLOAT_EQ(PitchFromFrequency(44100, 22050), 2.0f);
    EXPECT_FLOAT_EQ(PitchFromFrequency(1, 96000), 1.0f / 64.0f);
}

TEST(SoundUnitsTest, ManyChannelsMixToMono) {
    const std::vector<float> six = {0.6f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                                    1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    std::vector<float> mono(2);
    MixToMono(six.data(), 2, 6, mono.data());
    EXPECT_FLOAT_EQ(mono[0], 0.1f);
    EXPECT_FLOAT_EQ(mono[1], 1.0f);
}

}  // namespace
