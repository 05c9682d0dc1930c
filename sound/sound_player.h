// Alarm sound player on OpenAL Soft + libsndfile.
//
// Sounds get ids from 1 in load order (the smallest id no loaded sound has);
// a failed load still takes an id but returns 0 and prints "Could not locate
// requested media %s\n".  StartSound plays once, asynchronously; a start
// while the sound still plays overlaps it.  Id 0 or an unknown id does
// nothing.  Without an audio device everything still works, silently (one
// line on standard error says so).  Any WAV libsndfile reads plays: 8 to
// 32-bit integer or float samples, mono or stereo, any rate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

void InitSoundPlayer();
int LoadSound(const char* path);
void StartSound(int id);
void StopSound(int id);
void ReleaseSound(int id);
// Stops everything and releases every sound and the device.
void ShutdownSoundPlayer();

// Whether any start of the sound is still audible.
bool IsSoundPlaying(int id);

struct SoundVector {
    float x = 0, y = 0, z = 0;
};

// Per-sound settings, in DirectSound's units where it had them.  Pan and the
// 3-D position share the source's position: the one set last applies (a pan
// places the sound around the listener, a position places it in the scene).
struct SoundSettings {
    long volume = 0;             // hundredths of a decibel: 0 full, -10000 silent
    long pan = 0;                // -10000 left .. 10000 right
    unsigned long frequency = 0; // playback rate in Hz; 0 is the file's own rate
    SoundVector position, velocity;
    float min_distance = 1.0f;   // distance up to which the sound is at full volume
    float max_distance = 1.0e9f; // distance beyond which it fades no further
    unsigned long cone_inside_angle = 360, cone_outside_angle = 360;  // degrees
    SoundVector cone_orientation{0, 0, 1};
    long cone_outside_volume = 0;  // hundredths of a decibel
    bool positioned = false;       // position rather than pan applies
};
// False (and nothing changed) for an id without a sound.
bool GetSoundSettings(int id, SoundSettings* settings);
// Applies to the sound's playing and future starts; SetSoundSettings keeps
// `positioned` as given, the two helpers below set it.
void SetSoundSettings(int id, const SoundSettings& settings);
void SetSoundPan(int id, long pan);
void SetSoundPosition(int id, SoundVector position);

struct ListenerSettings {
    SoundVector position, velocity;
    SoundVector front{0, 0, -1}, top{0, 1, 0};
    float doppler_factor = 1.0f;
    float rolloff_factor = 1.0f;  // applies to every sound
};
ListenerSettings GetListenerSettings();
void SetListenerSettings(const ListenerSettings& settings);

// Conversions between the DirectSound-style units above and OpenAL's, and
// the sample reshaping done while loading (sound_player.cpp).
// Hundredths of a decibel (0 full, -10000 and below silent) to a linear gain.
float GainFromVolume(long volume);
// A pan of -10000 (left) .. 10000 (right) as a listener-relative position on
// the unit circle in front of the listener.
SoundVector PositionFromPan(long pan);
// Pitch factor that plays a sound recorded at `file_rate` at `frequency` Hz
// (0 keeps the file's rate), within what OpenAL accepts.
float PitchFromFrequency(unsigned long frequency, int file_rate);
// Interleaved frames of `channels` channels averaged into one channel.
void MixToMono(const float* interleaved, size_t frames, int channels, float* mono);

// ---------------------------------------------------------------------------
// Shared by the player's logic (sound_player.cpp) and its OpenAL half
// (sound_player_al.cpp).

// One loaded sound.
struct SoundRecord {
    int id = 0;
    uint32_t buffer = 0;  // OpenAL buffer; 0: nothing to play (failed or empty load, or no device)
    int sample_rate = 0;
    // Decoded before the device opened: handed to OpenAL when it opens.
    std::vector<float> waiting_samples;
    int waiting_channels = 0;
    std::vector<uint32_t> voices;  // OpenAL sources playing the buffer
    size_t next_voice = 0;         // the one to restart when all are busy
    SoundSettings settings;
};

struct SoundDevice;  // the open OpenAL device and context (sound_player_al.cpp)

// Owned by sound_player.cpp; ShutdownSoundPlayer resets it (all but
// close_at_exit, which stays registered for the process).  The device opens
// at the first start of a sound: OpenAL Soft's context and mixer take some
// 8 MiB that a run without an alarm never needs.
struct SoundPlayer {
    bool initialised = false;
    bool device_tried = false;
    bool close_at_exit = false;  // ShutdownSoundPlayer runs at exit
    SoundDevice* device = nullptr;  // nullptr: no audio device, sounds are silent
    bool float_samples = false;     // AL_EXT_FLOAT32
    std::vector<std::unique_ptr<SoundRecord>> sounds;  // in load order
    ListenerSettings listener;
};
extern SoundPlayer sound_player;

SoundRecord* FindSound(int id);
// A new sound with the smallest id no loaded sound has.
SoundRecord& AddSound();
// Drops the sound from the list; its voices and buffer must be released.
void ForgetSound(int id);

// Whether OpenAL should be told to use its silent backend before its first
// call: there is nothing to play on, and the user has chosen no driver
// (ALSOFT_DRIVERS, ALSOFT_CONF).  Asking OpenAL to open a device that is
// not there makes ALSA print a dozen lines.
bool WantsSilentBackend();

// Whether the device OpenAL opened is its silent stand-in, by its name.
bool IsSilentDevice(const char* name);

// Whether a start may give the sound one more voice (overlapping starts of
// one sound are limited).
bool RoomForVoice(const SoundRecord& sound);
// The voice a start takes when all are busy: the one started longest ago.
size_t VoiceToRestart(const SoundRecord& sound);
// Notes that voice `index` of the sound has just started.
void NoteVoiceStarted(SoundRecord& sound, size_t index);

// Decoded samples as OpenAL gets them: more than two channels mixed to mono
// (returns the channels left), and 16-bit samples when it takes no floats.
int ShapeChannels(std::vector<float>& samples, int channels);
std::vector<int16_t> ToPcm16(const std::vector<float>& samples);

// The OpenAL half: the settings applied to a sound's voices, the listener
// applied to the device (both nothing without a device).
void ApplyToVoices(const SoundRecord& sound);
void ApplyListener();
