// The sound player on OpenAL Soft (playback) and libsndfile (decoding).
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <glob.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "platform/paths.h"
#include "sound/sound_player.h"
#include "sound/wav_check.h"

namespace {

// Overlapping starts of one sound: up to this many play at once; a further
// start restarts the one started longest ago.
constexpr size_t kVoicesPerSound = 8;

struct SoundRecord {
    int id = 0;
    ALuint buffer = 0;  // 0: nothing to play (failed or empty load, or no device)
    int sample_rate = 0;
    std::vector<ALuint> voices;
    size_t next_voice = 0;  // the one to restart when all are busy
    SoundSettings settings;
};

struct SoundPlayer {
    bool initialised = false;
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    bool float_samples = false;  // AL_EXT_FLOAT32
    std::vector<std::unique_ptr<SoundRecord>> sounds;  // in load order
    ListenerSettings listener;
};
SoundPlayer player;

bool HasContext() { return player.context != nullptr; }

SoundRecord* FindSound(int id) {
    for (auto& sound : player.sounds)
        if (sound->id == id) return sound.get();
    return nullptr;
}

int NextFreeId() {
    int id = 1;
    while (FindSound(id)) ++id;
    return id;
}

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
// Asking OpenAL to open a device that is not there makes ALSA print a dozen
// lines, so look first.
bool AudioOutputVisible() {
    if (std::getenv("PULSE_SERVER") || std::getenv("JACK_DEFAULT_SERVER")) return true;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
        const std::string dir(runtime);
        if (FileExists(dir + "/pulse/native") || FileExists(dir + "/pipewire-0")) return true;
    }
    return AnyMatch("/dev/snd/pcmC*D*p") || FileExists("/dev/dsp");
}

void ApplySettings(const SoundRecord& sound, ALuint voice) {
    const SoundSettings& s = sound.settings;
    alSourcef(voice, AL_GAIN, GainFromVolume(s.volume));
    alSourcef(voice, AL_PITCH, PitchFromFrequency(s.frequency, sound.sample_rate));
    if (s.positioned) {
        alSourcei(voice, AL_SOURCE_RELATIVE, AL_FALSE);
        alSource3f(voice, AL_POSITION, s.position.x, s.position.y, s.position.z);
    } else {
        // Centre pan is the listener's own position, so nothing fades.
        const SoundVector at = s.pan == 0 ? SoundVector{} : PositionFromPan(s.pan);
        alSourcei(voice, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(voice, AL_POSITION, at.x, at.y, at.z);
    }
    alSource3f(voice, AL_VELOCITY, s.velocity.x, s.velocity.y, s.velocity.z);
    alSourcef(voice, AL_REFERENCE_DISTANCE, s.min_distance);
    alSourcef(voice, AL_MAX_DISTANCE, s.max_distance);
    alSourcef(voice, AL_CONE_INNER_ANGLE, static_cast<float>(s.cone_inside_angle));
    alSourcef(voice, AL_CONE_OUTER_ANGLE, static_cast<float>(s.cone_outside_angle));
    alSourcef(voice, AL_CONE_OUTER_GAIN, GainFromVolume(s.cone_outside_volume));
    alSource3f(voice, AL_DIRECTION, s.cone_orientation.x, s.cone_orientation.y,
               s.cone_orientation.z);
    alSourcef(voice, AL_ROLLOFF_FACTOR, player.listener.rolloff_factor);
}

void ApplyToVoices(const SoundRecord& sound) {
    if (!HasContext()) return;
    for (ALuint voice : sound.voices) ApplySettings(sound, voice);
}

void ApplyListener() {
    if (!HasContext()) return;
    const ListenerSettings& l = player.listener;
    alListener3f(AL_POSITION, l.position.x, l.position.y, l.position.z);
    alListener3f(AL_VELOCITY, l.velocity.x, l.velocity.y, l.velocity.z);
    const ALfloat orientation[6] = {l.front.x, l.front.y, l.front.z, l.top.x, l.top.y, l.top.z};
    alListenerfv(AL_ORIENTATION, orientation);
    alDopplerFactor(l.doppler_factor);
    for (auto& sound : player.sounds) ApplyToVoices(*sound);
}

// Decodes the whole file into one OpenAL buffer: float samples when OpenAL
// takes them (no loss for 24/32-bit and float files), 16-bit otherwise; more
// than two channels are mixed to mono.
bool DecodeInto(SoundRecord& sound, const std::string& path) {
    if (!RiffFileChunksFit(path.c_str())) return false;  // would hang libsndfile
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return false;
    bool ok = info.channels > 0 && info.samplerate > 0 && info.frames >= 0;
    sound.sample_rate = info.samplerate;
    if (ok && HasContext() && info.frames > 0) {
        const int channels = info.channels;
        const int out_channels = channels <= 2 ? channels : 1;
        // Read in pieces up to the real end of the data: the frame count in
        // a damaged header may promise far more than the file holds.
        constexpr sf_count_t kPiece = 16384;
        std::vector<float> samples;
        size_t got = 0;
        for (;;) {
            samples.resize((got + kPiece) * channels);
            const sf_count_t read = sf_readf_float(file, samples.data() + got * channels, kPiece);
            if (read <= 0) break;
            got += static_cast<size_t>(read);
        }
        samples.resize(got * channels);
        if (channels > 2) {
            std::vector<float> mono(got);
            MixToMono(samples.data(), got, channels, mono.data());
            samples.swap(mono);
        }
        ALenum format;
        std::vector<int16_t> shorts;
        const void* data;
        size_t bytes;
        if (player.float_samples) {
            format = out_channels == 1 ? AL_FORMAT_MONO_FLOAT32 : AL_FORMAT_STEREO_FLOAT32;
            data = samples.data();
            bytes = samples.size() * sizeof(float);
        } else {
            format = out_channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
            shorts.resize(samples.size());
            for (size_t i = 0; i < samples.size(); ++i)
                shorts[i] = static_cast<int16_t>(std::clamp(samples[i], -1.0f, 1.0f) * 32767.0f);
            data = shorts.data();
            bytes = shorts.size() * sizeof(int16_t);
        }
        if (bytes > 0) {
            alGetError();
            alGenBuffers(1, &sound.buffer);
            alBufferData(sound.buffer, format, data, static_cast<ALsizei>(bytes), info.samplerate);
            if (alGetError() != AL_NO_ERROR) {
                alDeleteBuffers(1, &sound.buffer);
                sound.buffer = 0;
                ok = false;
            }
        }
    }
    sf_close(file);
    return ok;
}

void ReleaseVoicesAndBuffer(SoundRecord& sound) {
    if (!HasContext()) return;
    if (!sound.voices.empty()) {
        alSourceStopv(static_cast<ALsizei>(sound.voices.size()), sound.voices.data());
        alDeleteSources(static_cast<ALsizei>(sound.voices.size()), sound.voices.data());
        sound.voices.clear();
    }
    if (sound.buffer) alDeleteBuffers(1, &sound.buffer);
    sound.buffer = 0;
}

ALuint IdleVoice(const SoundRecord& sound) {
    for (ALuint voice : sound.voices) {
        ALint state = AL_STOPPED;
        alGetSourcei(voice, AL_SOURCE_STATE, &state);
        if (state != AL_PLAYING) return voice;
    }
    return 0;
}

// A silent voice of another sound, handed over: every sound loaded keeps
// its voices (each preview of a chosen alarm adds one), so the device's
// sources run out long before the sounds that are played do.
ALuint ReclaimVoice(const SoundRecord& taker) {
    for (auto& other : player.sounds) {
        if (other.get() == &taker) continue;
        const ALuint voice = IdleVoice(*other);
        if (!voice) continue;
        other->voices.erase(std::find(other->voices.begin(), other->voices.end(), voice));
        other->next_voice = 0;
        return voice;
    }
    return 0;
}

// A voice for `sound`: a new source, or one taken from another sound when
// the device has no more; 0 when neither can be had.
ALuint AddVoice(SoundRecord& sound) {
    ALuint voice = 0;
    alGetError();
    alGenSources(1, &voice);
    if (alGetError() != AL_NO_ERROR) voice = ReclaimVoice(sound);
    if (!voice) return 0;
    alSourcei(voice, AL_BUFFER, static_cast<ALint>(sound.buffer));
    ApplySettings(sound, voice);
    sound.voices.push_back(voice);
    return voice;
}

}  // namespace

void InitSoundPlayer() {
    if (player.initialised) return;
    player.initialised = true;
    // OpenAL reads its driver list once, at its first call: with nothing to
    // play on, pick the silent backend before that happens.  A user's own
    // choice (ALSOFT_DRIVERS or ALSOFT_CONF) is left alone.
    const bool user_choice = std::getenv("ALSOFT_DRIVERS") || std::getenv("ALSOFT_CONF");
    if (!user_choice && !AudioOutputVisible()) setenv("ALSOFT_DRIVERS", "null", 1);

    player.device = alcOpenDevice(nullptr);
    if (player.device) player.context = alcCreateContext(player.device, nullptr);
    if (!player.context || !alcMakeContextCurrent(player.context)) {
        if (player.context) alcDestroyContext(player.context);
        if (player.device) alcCloseDevice(player.device);
        player.context = nullptr;
        player.device = nullptr;
        std::fprintf(stderr, "Sound: no audio device could be opened; sounds are silent.\n");
        return;
    }
    // OpenAL complains on stderr about a device left open at exit, and the
    // program's exit sequence does not shut the player down.
    static bool close_at_exit = false;
    if (!close_at_exit) close_at_exit = std::atexit(ShutdownSoundPlayer) == 0;
    const ALCenum name_query = alcIsExtensionPresent(player.device, "ALC_ENUMERATE_ALL_EXT")
                                   ? ALC_ALL_DEVICES_SPECIFIER
                                   : ALC_DEVICE_SPECIFIER;
    const char* name = alcGetString(player.device, name_query);
    if (name && std::strcmp(name, "No Output") == 0)
        std::fprintf(stderr, "Sound: no audio device; sounds are silent.\n");
    player.float_samples = alIsExtensionPresent("AL_EXT_FLOAT32");
    ApplyListener();
}

int LoadSound(const char* path) {
    auto record = std::make_unique<SoundRecord>();
    record->id = NextFreeId();
    SoundRecord& sound = *record;
    player.sounds.push_back(std::move(record));
    if (!path || !DecodeInto(sound, NativePath(path))) {
        std::printf("Could not locate requested media %s\n", path ? path : "");
        std::fflush(stdout);
        return 0;
    }
    return sound.id;
}

void StartSound(int id) {
    SoundRecord* sound = FindSound(id);
    if (!sound || !sound->buffer || !HasContext()) return;
    ALuint voice = IdleVoice(*sound);
    if (!voice && sound->voices.size() < kVoicesPerSound) voice = AddVoice(*sound);
    if (!voice) {
        // No voice to be had at all: silence rather than a crash.
        if (sound->voices.empty()) return;
        // Every voice busy: the oldest start gives way.
        voice = sound->voices[sound->next_voice % sound->voices.size()];
    }
    const auto position = std::find(sound->voices.begin(), sound->voices.end(), voice);
    sound->next_voice = static_cast<size_t>(position - sound->voices.begin() + 1);
    alSourcePlay(voice);
}

void StopSound(int id) {
    SoundRecord* sound = FindSound(id);
    if (!sound || !HasContext() || sound->voices.empty()) return;
    alSourceStopv(static_cast<ALsizei>(sound->voices.size()), sound->voices.data());
}

bool IsSoundPlaying(int id) {
    SoundRecord* sound = FindSound(id);
    if (!sound || !HasContext()) return false;
    for (ALuint voice : sound->voices) {
        ALint state = AL_STOPPED;
        alGetSourcei(voice, AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING) return true;
    }
    return false;
}

void ReleaseSound(int id) {
    auto found = std::find_if(player.sounds.begin(), player.sounds.end(),
                              [id](const auto& sound) { return sound->id == id; });
    if (found == player.sounds.end()) return;
    ReleaseVoicesAndBuffer(**found);
    player.sounds.erase(found);
}

void ShutdownSoundPlayer() {
    for (auto& sound : player.sounds) ReleaseVoicesAndBuffer(*sound);
    player.sounds.clear();
    if (player.context) {
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(player.context);
    }
    if (player.device) alcCloseDevice(player.device);
    player = SoundPlayer{};
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
    SoundSettings settings;
    if (!GetSoundSettings(id, &settings)) return;
    settings.pan = pan;
    settings.positioned = false;
    SetSoundSettings(id, settings);
}

void SetSoundPosition(int id, SoundVector position) {
    SoundSettings settings;
    if (!GetSoundSettings(id, &settings)) return;
    settings.position = position;
    settings.positioned = true;
    SetSoundSettings(id, settings);
}

ListenerSettings GetListenerSettings() { return player.listener; }

void SetListenerSettings(const ListenerSettings& settings) {
    player.listener = settings;
    ApplyListener();
}
