// Conversions between the player's DirectSound-style units and OpenAL's,
// and the sample reshaping done while loading.  Plain arithmetic.
#pragma once

#include <cstddef>

#include "sound/sound_player.h"

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
