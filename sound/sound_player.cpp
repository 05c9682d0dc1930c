#include "sound/sound_player.h"

#include <algorithm>
#include <cmath>

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
