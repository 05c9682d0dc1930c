// The sound player's OpenAL Soft (playback) and libsndfile (decoding) half.
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "sound/sound_player.h"
#include "sound/wav_check.h"

struct SoundDevice {
    ALCdevice* device;
    ALCcontext* context;
};

namespace {

// Frames read from the decoder at a time.
constexpr sf_count_t kDecodePiece = 16384;

bool HasContext() { return sound_player.device != nullptr; }

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
    alSourcef(voice, AL_ROLLOFF_FACTOR, sound_player.listener.rolloff_factor);
}

// Every sample of the file, interleaved.  Read in pieces up to the real end
// of the data: the frame count in a damaged header may promise far more
// than the file holds.
std::vector<float> ReadAllSamples(SNDFILE* file, int channels) {
    std::vector<float> samples;
    size_t got = 0;
    for (;;) {
        samples.resize((got + kDecodePiece) * channels);
        const sf_count_t read = sf_readf_float(file, samples.data() + got * channels, kDecodePiece);
        if (read <= 0) break;
        got += static_cast<size_t>(read);
    }
    samples.resize(got * channels);
    return samples;
}

// One OpenAL buffer of the samples: floats when OpenAL takes them (no loss
// for 24/32-bit and float files), 16-bit otherwise.
bool UploadSamples(SoundRecord& sound, const std::vector<float>& samples, int channels, int rate) {
    std::vector<int16_t> shorts;
    ALenum format = channels == 1 ? AL_FORMAT_MONO_FLOAT32 : AL_FORMAT_STEREO_FLOAT32;
    const void* data = samples.data();
    size_t bytes = samples.size() * sizeof(float);
    if (!sound_player.float_samples) {
        format = channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
        shorts = ToPcm16(samples);
        data = shorts.data();
        bytes = shorts.size() * sizeof(int16_t);
    }
    if (bytes == 0) return true;
    alGetError();
    alGenBuffers(1, &sound.buffer);
    alBufferData(sound.buffer, format, data, static_cast<ALsizei>(bytes), rate);
    if (alGetError() == AL_NO_ERROR) return true;
    alDeleteBuffers(1, &sound.buffer);
    sound.buffer = 0;
    return false;
}

// Decodes the whole file into one OpenAL buffer.
bool DecodeInto(SoundRecord& sound, const std::string& path) {
    if (!RiffFileChunksFit(path.c_str())) return false;  // would hang libsndfile
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return false;
    bool ok = info.channels > 0 && info.samplerate > 0 && info.frames >= 0;
    sound.sample_rate = info.samplerate;
    if (ok && info.frames > 0) {
        std::vector<float> samples = ReadAllSamples(file, info.channels);
        const int channels = ShapeChannels(samples, info.channels);
        if (HasContext()) {
            ok = UploadSamples(sound, samples, channels, info.samplerate);
        } else if (!sound_player.device_tried) {
            sound.waiting_samples = std::move(samples);
            sound.waiting_channels = channels;
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
    for (auto& other : sound_player.sounds) {
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

// The device and its context, or nullptr (nothing half-open is kept).
SoundDevice* OpenDevice() {
    ALCdevice* device = alcOpenDevice(nullptr);
    ALCcontext* context = device ? alcCreateContext(device, nullptr) : nullptr;
    if (context && alcMakeContextCurrent(context)) return new SoundDevice{device, context};
    if (context) alcDestroyContext(context);
    if (device) alcCloseDevice(device);
    return nullptr;
}

}  // namespace

void ApplyToVoices(const SoundRecord& sound) {
    if (!HasContext()) return;
    for (ALuint voice : sound.voices) ApplySettings(sound, voice);
}

void ApplyListener() {
    if (!HasContext()) return;
    const ListenerSettings& l = sound_player.listener;
    alListener3f(AL_POSITION, l.position.x, l.position.y, l.position.z);
    alListener3f(AL_VELOCITY, l.velocity.x, l.velocity.y, l.velocity.z);
    const ALfloat orientation[6] = {l.front.x, l.front.y, l.front.z, l.top.x, l.top.y, l.top.z};
    alListenerfv(AL_ORIENTATION, orientation);
    alDopplerFactor(l.doppler_factor);
    for (auto& sound : sound_player.sounds) ApplyToVoices(*sound);
}

namespace {

// At the first start: the device, then the sounds loaded before it.
void OpenDeviceOnce() {
    if (sound_player.device_tried) return;
    sound_player.device_tried = true;
    sound_player.device = OpenDevice();
    if (!sound_player.device) {
        std::fprintf(stderr, "Sound: no audio device could be opened; sounds are silent.\n");
        return;
    }
    // OpenAL complains on stderr about a device left open at exit, and the
    // program's exit sequence does not shut the player down.
    if (!sound_player.close_at_exit) sound_player.close_at_exit = std::atexit(ShutdownSoundPlayer) == 0;
    ALCdevice* device = sound_player.device->device;
    const ALCenum name_query = alcIsExtensionPresent(device, "ALC_ENUMERATE_ALL_EXT")
                                   ? ALC_ALL_DEVICES_SPECIFIER
                                   : ALC_DEVICE_SPECIFIER;
    const char* name = alcGetString(device, name_query);
    if (IsSilentDevice(name))
        std::fprintf(stderr, "Sound: no audio device; sounds are silent.\n");
    sound_player.float_samples = alIsExtensionPresent("AL_EXT_FLOAT32");
    ApplyListener();
    for (auto& sound : sound_player.sounds) {
        if (!sound->waiting_samples.empty())
            UploadSamples(*sound, sound->waiting_samples, sound->waiting_channels, sound->sample_rate);
        sound->waiting_samples = {};
    }
}

}  // namespace

void InitSoundPlayer() {
    if (sound_player.initialised) return;
    sound_player.initialised = true;
    // OpenAL reads its driver list once, at its first call: pick the silent
    // backend before that happens.
    if (WantsSilentBackend()) setenv("ALSOFT_DRIVERS", "null", 1);
}

int LoadSound(const char* path) {
    SoundRecord& sound = AddSound();
    if (!path || !DecodeInto(sound, NativePath(path))) {
        std::printf("Could not locate requested media %s\n", path ? path : "");
        std::fflush(stdout);
        return 0;
    }
    return sound.id;
}

void StartSound(int id) {
    SoundRecord* sound = FindSound(id);
    if (!sound) return;
    OpenDeviceOnce();
    if (!sound->buffer || !HasContext()) return;
    ALuint voice = IdleVoice(*sound);
    if (!voice && RoomForVoice(*sound)) voice = AddVoice(*sound);
    if (!voice) {
        // No voice to be had at all: silence rather than a crash.
        if (sound->voices.empty()) return;
        // Every voice busy: the oldest start gives way.
        voice = sound->voices[VoiceToRestart(*sound)];
    }
    const auto position = std::find(sound->voices.begin(), sound->voices.end(), voice);
    NoteVoiceStarted(*sound, static_cast<size_t>(position - sound->voices.begin()));
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
    SoundRecord* sound = FindSound(id);
    if (!sound) return;
    ReleaseVoicesAndBuffer(*sound);
    ForgetSound(id);
}

void ShutdownSoundPlayer() {
    for (auto& sound : sound_player.sounds) ReleaseVoicesAndBuffer(*sound);
    sound_player.sounds.clear();
    if (SoundDevice* open = sound_player.device) {
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(open->context);
        alcCloseDevice(open->device);
        delete open;
    }
    const bool close_at_exit = sound_player.close_at_exit;
    sound_player = SoundPlayer{};
    sound_player.close_at_exit = close_at_exit;
}
