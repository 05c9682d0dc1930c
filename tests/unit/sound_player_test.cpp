// The sound player's logic without a device: unit conversions, ids,
// settings and the listener, the voice a busy sound restarts, samples shaped
// for OpenAL, and when OpenAL is told to stay silent.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "sound/sound_player.h"
#include "support/fake_log.h"
#include "support/test_support.h"

namespace {

// Sets (or with nullptr unsets) an environment variable for the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

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

TEST(SoundPlayerTest, IdsSettingsAndListenerWithoutADevice) {
    sound_player = SoundPlayer{};
    EXPECT_EQ(AddSound().id, 1);
    EXPECT_EQ(AddSound().id, 2);
    ForgetSound(1);
    EXPECT_EQ(FindSound(1), nullptr);
    SoundRecord& again = AddSound();  // the smallest id no sound has
    EXPECT_EQ(again.id, 1);
    again.sample_rate = 22050;

    SoundSettings settings;
    EXPECT_FALSE(GetSoundSettings(9, &settings));
    ASSERT_TRUE(GetSoundSettings(1, &settings));
    EXPECT_EQ(settings.frequency, 22050u);  // the file's own rate until one is set
    ClearFakeCalls();
    SetSoundPosition(1, {1, 2, 3});
    ASSERT_TRUE(GetSoundSettings(1, &settings));
    EXPECT_TRUE(settings.positioned);
    EXPECT_EQ(settings.position.y, 2.0f);
    SetSoundPan(1, -5000);  // the pan applies from now on; the position is kept
    ASSERT_TRUE(GetSoundSettings(1, &settings));
    EXPECT_FALSE(settings.positioned);
    EXPECT_EQ(settings.pan, -5000);
    EXPECT_EQ(settings.position.z, 3.0f);
    SetSoundPan(9, 100);
    ListenerSettings listener;
    listener.doppler_factor = 2;
    SetListenerSettings(listener);
    EXPECT_EQ(GetListenerSettings().doppler_factor, 2.0f);
    EXPECT_EQ(FakeCalls(), (std::vector<std::string>{"ApplyToVoices 1", "ApplyToVoices 1", "ApplyListener"}));
    sound_player = SoundPlayer{};
}

TEST(SoundPlayerTest, BusyVoicesSamplesAndTheSilentBackend) {
    SoundRecord sound;
    sound.voices = {11, 12, 13};
    EXPECT_TRUE(RoomForVoice(sound));
    EXPECT_EQ(VoiceToRestart(sound), 0u);
    NoteVoiceStarted(sound, 0);
    EXPECT_EQ(VoiceToRestart(sound), 1u);
    NoteVoiceStarted(sound, 2);
    EXPECT_EQ(VoiceToRestart(sound), 0u);
    sound.voices.resize(8);  // eight starts overlap at most
    EXPECT_FALSE(RoomForVoice(sound));
    EXPECT_TRUE(IsSilentDevice("No Output"));
    EXPECT_FALSE(IsSilentDevice("OpenAL Soft"));
    EXPECT_FALSE(IsSilentDevice(nullptr));

    std::vector<float> stereo = {0.5f, -0.5f};
    EXPECT_EQ(ShapeChannels(stereo, 2), 2);
    EXPECT_EQ(stereo.size(), 2u);
    std::vector<float> six = {0.6f, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(ShapeChannels(six, 6), 1);
    ASSERT_EQ(six.size(), 2u);
    EXPECT_FLOAT_EQ(six[0], 0.1f);
    EXPECT_EQ(ToPcm16({0.0f, 1.0f, -1.0f, 2.0f, 0.5f}), (std::vector<int16_t>{0, 32767, -32767, 32767, 16383}));

    // A sound server or a driver the user chose: OpenAL picks its own way.
    const std::string runtime = MakeTempDir("lumora-runtime");
    ScopedEnv drivers("ALSOFT_DRIVERS", nullptr), conf("ALSOFT_CONF", nullptr), pulse("PULSE_SERVER", nullptr),
        jack("JACK_DEFAULT_SERVER", nullptr), runtime_dir("XDG_RUNTIME_DIR", runtime.c_str());
    if (access("/dev/snd", F_OK) != 0 && access("/dev/dsp", F_OK) != 0) {
        EXPECT_TRUE(WantsSilentBackend());
    }
    std::ofstream(runtime + "/pipewire-0") << "";
    EXPECT_FALSE(WantsSilentBackend());
    {
        ScopedEnv no_runtime("XDG_RUNTIME_DIR", nullptr), server("PULSE_SERVER", "tcp:speaker");
        EXPECT_FALSE(WantsSilentBackend());
    }
    ScopedEnv no_runtime("XDG_RUNTIME_DIR", nullptr), chosen("ALSOFT_CONF", "/etc/openal.conf");
    EXPECT_FALSE(WantsSilentBackend());
}

}  // namespace
