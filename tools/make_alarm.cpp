// Writes the alarm sound data/wav/3.wav: 1.2 s of a two-tone alarm
// (880 Hz and 660 Hz alternating every 150 ms), 16-bit mono at 44.1 kHz.
//
//   build-dir/make_alarm data/wav/3.wav
//
// Plain C++: the RIFF header is written field by field, little-endian.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 1.2;
constexpr double kToneSeconds = 0.15;
constexpr double kFadeSeconds = 0.005;  // per tone edge, against clicks
constexpr double kAmplitude = 0.7;

void Put16(std::FILE* out, uint16_t v) {
    const unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, out);
}
void Put32(std::FILE* out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v));
    Put16(out, static_cast<uint16_t>(v >> 16));
}

std::vector<int16_t> AlarmSamples() {
    const int total = static_cast<int>(kSeconds * kRate);
    const int tone_length = static_cast<int>(kToneSeconds * kRate);
    const int fade = static_cast<int>(kFadeSeconds * kRate);
    std::vector<int16_t> samples(total);
    double phase = 0;
    for (int i = 0; i < total; ++i) {
        const int tone = i / tone_length;
        const int in_tone = i % tone_length;
        const double frequency = tone % 2 == 0 ? 880.0 : 660.0;
        phase += 2.0 * M_PI * frequency / kRate;
        double envelope = 1.0;
        if (in_tone < fade) envelope = static_cast<double>(in_tone) / fade;
        if (tone_length - in_tone < fade) envelope = static_cast<double>(tone_length - in_tone) / fade;
        // A touch of the third harmonic makes it sound like a buzzer.
        const double wave = 0.8 * std::sin(phase) + 0.2 * std::sin(3 * phase);
        samples[i] = static_cast<int16_t>(std::lround(kAmplitude * envelope * wave * 32767.0));
    }
    return samples;
}

}  // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "data/wav/3.wav";
    const std::vector<int16_t> samples = AlarmSamples();
    std::FILE* out = std::fopen(path, "wb");
    if (!out) {
        std::perror(path);
        return 1;
    }
    const uint32_t data_bytes = static_cast<uint32_t>(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, out);
    Put32(out, 36 + data_bytes);
    std::fwrite("WAVEfmt ", 1, 8, out);
    Put32(out, 16);         // fmt chunk size
    Put16(out, 1);          // PCM
    Put16(out, 1);          // mono
    Put32(out, kRate);
    Put32(out, kRate * 2);  // bytes per second
    Put16(out, 2);          // bytes per frame
    Put16(out, 16);         // bits per sample
    std::fwrite("data", 1, 4, out);
    Put32(out, data_bytes);
    for (int16_t s : samples) Put16(out, static_cast<uint16_t>(s));
    const bool ok = std::fclose(out) == 0;
    return ok ? 0 : 1;
}
