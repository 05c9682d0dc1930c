// The sound player's logic: the loaded sounds and their ids, settings and
// the listener, the choice of OpenAL's backend and of the voice a start
// takes, the unit conversions and the reshaping of decoded samples.  The
// calls into OpenAL and libsndfile are in sound_player_al.cpp.
#include "sound/sound_player.h"

#include <glob.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

SoundPlayer sound_player;

namespace {

// Overlapping starts of one sound: up to this many play at once; a further
// start restarts the one started longest ago.
constexpr size_t kVoicesPerSound = 8;

bool FileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool AnyMatch(const char* pattern) {
    glob_t found;
    const bool any = glob(pattern, 0, nullptr, &found) == 0 && found.gl_pathc > 0;
    globfree(&found);
    return any;
}

// Whether a sound server or an ALSA playback device is there to be opened.
bool AudioOutputVisible() {
    if (std::getenv("PULSE_SERVER") || std::getenv("JACK_DEFAULT_SERVER")) return true;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
        const std::string dir(runtime);
        if (FileExists(dir + "/pulse/native") || FileExists(dir + "/pipewire-0")) return true;
    }
    return AnyMatch("/dev/snd/pcmC*D*p") || FileExists("/dev/dsp");
}

// Changes one sound's settings as GetSoundSettings reads them; nothing for
// an unknown id.
template <typename Change>
void ChangeSettings(int id, Change change) {
    SoundSettings settings;
    if (!GetSoundSettings(id, &settings)) return;
    change(settings);
    SetSoundSettings(id, settings);
}

}  // namespace

SoundRecord* FindSound(int id) {
    for (auto& sound : sound_player.sounds)
        if (sound->id == id) return sound.get();
    return nullptr;
}

SoundRecord& AddSound() {
    int id = 1;
    while (FindSound(id)) ++id;
    sound_player.sounds.push_back(std::make_unique<SoundRecord>());
    sound_player.sounds.back()->id = id;
    return *sound_player.sounds.back();
}

void ForgetSound(int id) {
    auto& sounds = sound_player.sounds;
    sounds.erase(std::remove_if(sounds.begin(), sounds.end(), [id](const auto& sound) { return sound->id == id; }),
                 sounds.end());
}

bool WantsSilentBackend() {
    const bool user_choice = std::getenv("ALSOFT_DRIVERS") || std::getenv("ALSOFT_CONF");
    return !user_choice && !AudioOutputVisible();
}

bool IsSilentDevice(const char* name) { return name && std::strcmp(name, "No Output") == 0; }

bool RoomForVoice(const SoundRecord& sound) { return sound.voices.size() < kVoicesPerSound; }

size_t VoiceToRestart(const SoundRecord& sound) { return sound.next_voice % sound.voices.size(); }

void NoteVoiceStarted(SoundRecord& sound, size_t index) { sound.next_voice = index + 1; }

int ShapeChannels(std::vector<float>& samples, int channels) {
    if (channels <= 2) return channels;
    const size_t frames = samples.size() / channels;
    std::vector<float> mono(frames);
    MixToMono(samples.data(), frames, channels, mono.data());
    samples.swap(mono);
    return 1;
}

std::vector<int16_t> ToPcm16(const std::vector<float>& samples) {
    std::vector<int16_t> shorts(samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        shorts[i] = static_cast<int16_t>(std::clamp(samples[i], -1.0f, 1.0f) * 32767.0f);
    return shorts;
}

bool GetSoundSettings(int id, SoundSettings* settings) {
    const SoundRecord* sound = FindSound(id);
    if (!sound) return false;
    *settings = sound->settings;
    if (settings->frequency == 0) settings->frequency = static_cast<unsigned long>(sound->sample_rate);
    return true;
}

void SetSoundSettings(int id, const SoundSettings& settings) {
    SoundRecord* sound = FindSound(id);
    if (!sound) return;
    sound->settings = settings;
    ApplyToVoices(*sound);
}

void SetSoundPan(int id, long pan) {
    ChangeSettings(id, [pan](SoundSettings& settings) {
        settings.pan = pan;
        settings.positioned = false;
    });
}

void SetSoundPosition(int id, SoundVector position) {
    ChangeSettings(id, [position](SoundSettings& settings) {
        settings.position = position;
        settings.positioned = true;
    });
}

ListenerSettings GetListenerSettings() { return sound_player.listener; }

void SetListenerSettings(const ListenerSettings& settings) {
    sound_player.listener = settings;
    ApplyListener();
}

float GainFromVolume(long volume) {
    if (volume <= -10000) return 0.0f;
    return std::pow(10.0f, static_cast<float>(std::min(volume, 0L)) / 2000.0f);
}

SoundVector PositionFromPan(long pan) {
    const float clamped = static_cast<float>(std::clamp(pan, -10000L, 10000L));
    const float angle = clamped / 10000.0f * static_cast<float>(M_PI) / 2.0f;
    return {std::sin(angle), 0.0f, -std::cos(angle)};
}

float PitchFromFrequency(unsigned long frequency, int file_rate) {
    if (frequency == 0 || file_rate <= 0) return 1.0f;
    const float pitch = static_cast<float>(frequency) / static_cast<float>(file_rate);
    return std::clamp(pitch, 1.0f / 64.0f, 64.0f);
}

void MixToMono(const float* interleaved, size_t frames, int channels, float* mono) {
    for (size_t f = 0; f < frames; ++f) {
        float sum = 0;
        for (int c = 0; c < channels; ++c) sum += interleaved[f * channels + c];
        mono[f] = sum / static_cast<float>(channels);
    }
}
