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
