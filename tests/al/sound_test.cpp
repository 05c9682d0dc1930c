// The sound player on the real OpenAL Soft and libsndfile (no window).
//
// OpenAL reads its backend choice once per process, so the cases that need
// a particular backend (the wave writer, the no-device fallback) run this
// binary again as a child with its own environment.
#include <AL/al.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "motion/motion.h"
#include "sound/sound_player.h"
#include "support/test_support.h"

extern char** environ;

namespace {

constexpr const char* kChildMode = "LUMORA_SOUND_CHILD";
constexpr const char* kChildOutput = "LUMORA_SOUND_CHILD_OUT";

void SleepSeconds(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A sine of `hz` with libsndfile in any WAV sample format.
void WriteSine(const std::string& path, int format, int channels, int rate, double seconds,
               double hz = 440, double amplitude = 0.5) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const size_t frames = static_cast<size_t>(seconds * rate);
    std::vector<float> samples(frames * channels);
    for (size_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            samples[f * channels + c] =
                static_cast<float>(amplitude * std::sin(2 * M_PI * hz * f / rate));
    sf_writef_float(file, samples.data(), static_cast<sf_count_t>(frames));
    sf_close(file);
}

// A 16-bit mono WAV written by hand with chunks a player must skip: an odd
// sized one (padded) and a LIST before the data, another after it.  With
// `data_size` the data chunk claims that many bytes instead of its 1600.
void WriteWavWithExtraChunks(const std::string& path, uint32_t data_size = 1600) {
    std::string body = "WAVE";
    auto put32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) body += char(v >> (8 * i)); };
    auto put16 = [&](uint16_t v) { body += char(v); body += char(v >> 8); };
    body += "fmt ";
    put32(16);
    put16(1), put16(1), put32(8000), put32(16000), put16(2), put16(16);
    body += "odd ";
    put32(3);
    body += std::string("abc") + '\0';
    body += "LIST";
    put32(12);
    body += "INFOISFT";
    put32(0);
    body += "data";
    put32(data_size);
    for (int i = 0; i < 800; ++i) put16(static_cast<uint16_t>(i % 40 < 20 ? 8000 : -8000));
    body += "junk";
    put32(4);
    body += "tail";
    std::ofstream out(path, std::ios::binary);
    out << "RIFF";
    const uint32_t size = static_cast<uint32_t>(body.size());
    for (int i = 0; i < 4; ++i) out << char(size >> (8 * i));
    out << body;
}

std::vector<float> ReadMono(const std::string& path, int* rate) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return {};
    std::vector<float> samples(static_cast<size_t>(info.frames) * info.channels);
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    std::vector<float> mono(static_cast<size_t>(info.frames));
    for (size_t f = 0; f < mono.size(); ++f)
        for (int c = 0; c < info.channels; ++c)
            mono[f] = std::max(mono[f], std::fabs(samples[f * info.channels + c]));
    *rate = info.samplerate;
    return mono;
}

float Peak(const std::vector<float>& samples, size_t from, size_t to) {
    float peak = 0;
    for (size_t i = from; i < std::min(to, samples.size()); ++i) peak = std::max(peak, samples[i]);
    return peak;
}

struct ChildResult {
    int status = -1;
    std::string err;
};

// Runs `mode` of SoundChild.Run in a fresh process; ALSOFT_* are replaced by
// `alsoft_conf` (empty: none), and with `no_runtime_dir` no sound server is
// in reach either.
ChildResult RunChild(const std::string& mode, const std::string& out_path,
                     const std::string& alsoft_conf, bool no_runtime_dir = false) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        if (entry.rfind("ALSOFT_", 0) == 0 || entry.rfind(kChildMode, 0) == 0) continue;
        if (no_runtime_dir && (entry.rfind("XDG_RUNTIME_DIR=", 0) == 0 ||
                               entry.rfind("PULSE_SERVER=", 0) == 0))
            continue;
        env.push_back(entry);
    }
    env.push_back(std::string(kChildMode) + "=" + mode);
    env.push_back(std::string(kChildOutput) + "=" + out_path);
    if (!alsoft_conf.empty()) env.push_back("ALSOFT_CONF=" + alsoft_conf);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    const std::string err_path = out_path + ".stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log_path = out_path + ".stdout";
    posix_spawn_file_actions_addopen(&actions, 1, log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string self = "/proc/self/exe", filter = "--gtest_filter=SoundChild.Run";
    char* argv[] = {self.data(), filter.data(), nullptr};
    pid_t pid = 0;
    ChildResult result;
    if (posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, envp.data()) == 0)
        waitpid(pid, &result.status, 0);
    posix_spawn_file_actions_destroy(&actions);
    result.err = ReadText(err_path);
    if (!WIFEXITED(result.status) || WEXITSTATUS(result.status) != 0) result.err += ReadText(log_path);
    return result;
}

std::string WaveConf(const std::string& dir, const std::string& out_wav) {
    const std::string conf = dir + "/alsoft.conf";
    std::ofstream(conf) << "[general]\ndrivers=wave\n[wave]\nfile=" << out_wav << "\n";
    return conf;
}

class SoundTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Never a real speaker from the tests.
        if (!std::getenv("ALSOFT_DRIVERS") && !std::getenv("ALSOFT_CONF"))
            setenv("ALSOFT_DRIVERS", "null", 1);
        InitSoundPlayer();
    }
    static void TearDownTestSuite() { ShutdownSoundPlayer(); }
    // Loads and returns the id with the standard output it printed.
    static int Load(const std::string& path, std::string* printed = nullptr) {
        testing::internal::CaptureStdout();
        const int id = LoadSound(path.c_str());
        const std::string out = testing::internal::GetCapturedStdout();
        if (printed) *printed = out;
        return id;
    }
};

TEST_F(SoundTest, EveryWavVariantLoadsAndPlays) {
    const std::string dir = MakeTempDir("lumora-sound");
    struct Variant {
        const char* name;
        int format, channels, rate;
    };
    const Variant variants[] = {
        {"u8_mono", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 1, 8000},
        {"s16_stereo", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100},
        {"s24_mono", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 48000},
        {"s32_stereo", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 2, 96000},
        {"float_mono", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 22050},
        {"extensible_24_stereo", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 2, 11025},
        {"extensible_float_mono", SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 1, 32000},
        {"six_channels", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 6, 44100},
    };
    std::vector<int> ids;
    for (const Variant& v : variants) {
        const std::string path = dir + "/" + v.name + ".wav";
        WriteSine(path, v.format, v.channels, v.rate, 0.5);
        std::string printed;
        ids.push_back(Load(path, &printed));
        EXPECT_GT(ids.back(), 0) << v.name;
        EXPECT_EQ(printed, "") << v.name;
        StartSound(ids.back());
        EXPECT_TRUE(IsSoundPlaying(ids.back())) << v.name;
    }
    const std::string chunks = dir + "/extra_chunks.wav";
    WriteWavWithExtraChunks(chunks);
    ids.push_back(Load(chunks));
    ASSERT_GT(ids.back(), 0);
    SoundSettings settings;
    ASSERT_TRUE(GetSoundSettings(ids.back(), &settings));
    EXPECT_EQ(settings.frequency, 8000u);

    // Consecutive ids, in load order.
    for (size_t i = 1; i < ids.size(); ++i) EXPECT_EQ(ids[i], ids[i - 1] + 1);
    for (int id : ids) ReleaseSound(id);
}

TEST_F(SoundTest, FailedLoadGivesZeroAndTheMessageAndKeepsItsId) {
    const std::string dir = MakeTempDir("lumora-sound");
    const std::string good = dir + "/good.wav";
    WriteSine(good, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000, 0.1);
    const std::string corrupt = dir + "/corrupt.wav";
    std::ofstream(corrupt) << "RIFF\x10\0\0\0WAVEthis is not a wave file";

    const int first = Load(good);
    ASSERT_GT(first, 0);
    std::string printed;
    EXPECT_EQ(Load(dir + "\\missing.wav", &printed), 0);
    EXPECT_EQ(printed, "Could not locate requested media " + dir + "\\missing.wav\n");
    EXPECT_EQ(Load(corrupt, &printed), 0);
    EXPECT_EQ(printed, "Could not locate requested media " + corrupt + "\n");
    // The failed loads hold ids first + 1 and first + 2.
    EXPECT_EQ(Load(good), first + 3);

    // A header that promises 4 GiB of samples loads what is there.
    const std::string lying = dir + "/lying.wav";
    WriteWavWithExtraChunks(lying, 0xFFFFFF00u);
    EXPECT_EQ(Load(lying), first + 4);

    // Backslash paths as the program stores them open with '/'.
    const std::string backslashed = dir + "\\good.wav";
    EXPECT_EQ(Load(backslashed), first + 5);
    for (int id = first; id <= first + 5; ++id) ReleaseSound(id);
}

TEST_F(SoundTest, UnknownIdsDoNothing) {
    StartSound(0);
    StartSound(-3);
    StartSound(9999);
    StopSound(9999);
    SetSoundPan(9999, 5000);
    ReleaseSound(9999);
    EXPECT_FALSE(IsSoundPlaying(9999));
    SoundSettings settings;
    settings.volume = -77;
    EXPECT_FALSE(GetSoundSettings(9999, &settings));
    EXPECT_EQ(settings.volume, -77);
}

TEST_F(SoundTest, SettingsAndStopApplyToASound) {
    const std::string path = MakeTempDir("lumora-sound") + "/tone.wav";
    WriteSine(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050, 2.0);
    const int id = Load(path);
    ASSERT_GT(id, 0);
    SoundSettings settings;
    ASSERT_TRUE(GetSoundSettings(id, &settings));
    EXPECT_EQ(settings.frequency, 22050u);
    settings.volume = -600;
    settings.frequency = 44100;
    SetSoundSettings(id, settings);
    SetSoundPosition(id, {1, 2, 3});
    ASSERT_TRUE(GetSoundSettings(id, &settings));
    EXPECT_EQ(settings.volume, -600);
    EXPECT_EQ(settings.frequency, 44100u);
    EXPECT_TRUE(settings.positioned);
    EXPECT_FLOAT_EQ(settings.position.z, 3);

    ListenerSettings listener = GetListenerSettings();
    listener.doppler_factor = 2;
    SetListenerSettings(listener);
    EXPECT_FLOAT_EQ(GetListenerSettings().doppler_factor, 2);

    StartSound(id);
    EXPECT_TRUE(IsSoundPlaying(id));
    StopSound(id);
    EXPECT_FALSE(IsSoundPlaying(id));
    ReleaseSound(id);
    EXPECT_FALSE(GetSoundSettings(id, &settings));
}

// With every source of the device taken (each preview of a chosen alarm
// keeps its voices), a start borrows a silent voice of another sound, and
// with none to borrow it stays silent instead of crashing.
TEST_F(SoundTest, StartsWhenTheDeviceHasNoSourcesLeft) {
    const std::string path = MakeTempDir("lumora-sound") + "/tone.wav";
    WriteSine(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 22050, 2.0);
    const int earlier = Load(path);
    ASSERT_GT(earlier, 0);
    StartSound(earlier);
    StopSound(earlier);  // one silent voice

    std::vector<ALuint> taken;
    for (;;) {
        ALuint source = 0;
        alGetError();
        alGenSources(1, &source);
        if (alGetError() != AL_NO_ERROR || source == 0) break;
        taken.push_back(source);
        ASSERT_LT(taken.size(), 100000u) << "the device never runs out of sources";
    }
    const int alarm = Load(path);
    ASSERT_GT(alarm, 0);
    StartSound(alarm);
    EXPECT_TRUE(IsSoundPlaying(alarm));
    StartSound(earlier);  // its voice is gone and the alarm's plays
    EXPECT_FALSE(IsSoundPlaying(earlier));
    EXPECT_TRUE(IsSoundPlaying(alarm));

    alDeleteSources(static_cast<ALsizei>(taken.size()), taken.data());
    ReleaseSound(alarm);
    ReleaseSound(earlier);
}

// A motion event with the alarm on is really heard: the wave backend writes
// what would reach the speakers.
TEST(SoundWaveTest, MotionAlarmWritesNonSilentAudio) {
    const std::string dir = MakeTempDir("lumora-wave");
    const std::string out = dir + "/out.wav";
    const ChildResult child = RunChild("alarm", out, WaveConf(dir, out));
    ASSERT_TRUE(WIFEXITED(child.status) && WEXITSTATUS(child.status) == 0) << child.err;
    EXPECT_EQ(child.err, "");
    int rate = 0;
    const std::vector<float> heard = ReadMono(out, &rate);
    ASSERT_GT(rate, 0);
    ASSERT_GT(heard.size(), static_cast<size_t>(rate));
    EXPECT_GT(Peak(heard, 0, heard.size()), 0.1f);
    // About 1.2 s of sound, not a click.
    size_t loud = 0;
    for (float s : heard) loud += s > 0.01f;
    EXPECT_GT(loud, static_cast<size_t>(rate) / 2);
}

// Two starts 0.2 s apart of a 5 Hz tone (one period): while both play the
// waves add up, so the second start overlaps the first instead of cutting it.
TEST(SoundWaveTest, AStartWhileStillPlayingOverlaps) {
    const std::string dir = MakeTempDir("lumora-wave");
    const std::string out = dir + "/out.wav";
    const ChildResult child = RunChild("overlap", out, WaveConf(dir, out));
    ASSERT_TRUE(WIFEXITED(child.status) && WEXITSTATUS(child.status) == 0) << child.err;
    int rate = 0;
    const std::vector<float> heard = ReadMono(out, &rate);
    ASSERT_GT(rate, 0);
    size_t onset = 0;
    while (onset < heard.size() && heard[onset] < 0.01f) ++onset;
    ASSERT_LT(onset, heard.size());
    const float single = Peak(heard, onset, onset + rate * 18 / 100);
    const float both = Peak(heard, onset + rate * 30 / 100, onset + rate * 95 / 100);
    EXPECT_GT(single, 0.05f);
    EXPECT_GT(both, 1.5f * single);
}

// With no device and no sound server: loads still give ids, starts are
// silent, and standard error carries one line (no ALSA chatter).
TEST(SoundWaveTest, NoAudioDeviceIsOneQuietLine) {
    if (access("/dev/snd", F_OK) == 0) GTEST_SKIP() << "this machine has a sound card";
    const std::string dir = MakeTempDir("lumora-nodevice");
    const ChildResult child = RunChild("nodevice", dir + "/unused.wav", "", true);
    ASSERT_TRUE(WIFEXITED(child.status) && WEXITSTATUS(child.status) == 0) << child.err;
    EXPECT_EQ(std::count(child.err.begin(), child.err.end(), '\n'), 1) << child.err;
    EXPECT_NE(child.err.find("silent"), std::string::npos) << child.err;
}

// The child side of the cases above; skipped in a normal run.
TEST(SoundChild, Run) {
    const char* mode = std::getenv(kChildMode);
    if (!mode) GTEST_SKIP() << "runs only as a child of SoundWaveTest";
    const std::string out = std::getenv(kChildOutput);
    const std::string dir = out.substr(0, out.rfind('/'));
    InitSoundPlayer();
    if (std::string(mode) == "alarm") {
        app.alarm_sound = LoadSound((SourceDir() + "/data/wav/3.wav").c_str());
        ASSERT_EQ(app.alarm_sound, 1);
        app.motion_alarm_on = true;
        std::vector<uint8_t> still(64 * 48 * 4, 0x20), moved(64 * 48 * 4, 0x90);
        MeasureMotion(64, 48, still.data());
        MeasureMotion(64, 48, moved.data());
        ASSERT_GE(app.pcd_change, app.motion_max);
        SleepSeconds(1.6);
    } else if (std::string(mode) == "overlap") {
        const std::string tone = dir + "/tone.wav";
        WriteSine(tone, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 44100, 1.0, 5.0, 0.4);
        const int id = LoadSound(tone.c_str());
        ASSERT_GT(id, 0);
        SleepSeconds(0.1);
        StartSound(id);
        SleepSeconds(0.2);
        StartSound(id);
        SleepSeconds(1.4);
    } else {
        const std::string tone = dir + "/tone.wav";
        WriteSine(tone, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000, 0.2);
        const int id = LoadSound(tone.c_str());
        EXPECT_EQ(id, 1);
        StartSound(id);
    }
    ShutdownSoundPlayer();
}

}  // namespace
