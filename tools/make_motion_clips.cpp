// Makes the labelled clips the motion detectors are checked on:
//     build/make_motion_clips FOLDER [NAME...]
// (all of them, or those named) writes FOLDER/<name>.avi (640 x 480, 15 frames a second, Motion JPEG
// through ffmpeg), the masks they need and FOLDER/clips.txt, one line a clip:
//     <name> <mask file or -> <expected events: start-end ... or none>
// with the seconds in which something really moves.  Every clip is a drawn
// room with camera noise (stronger in the dark); what changes is the light
// or an object.  The same noise seed each run: the clips are the same.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/bmp_encode.h"

namespace {

constexpr int kWidth = 640, kHeight = 480, kRate = 15;
constexpr double kPi = 3.14159265358979;
constexpr float kDark = 0.25f;  // the dark room's light, of the bright one's

struct Colour {
    float r, g, b;
};

// A picture as the light falls on it: float RGB, top row first.
struct Scene {
    std::vector<float> rgb = std::vector<float>(size_t{kWidth} * kHeight * 3);
    void Fill(int x0, int y0, int x1, int y1, Colour c) {
        for (int y = std::max(0, y0); y < std::min(kHeight, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(kWidth, x1); ++x) Set(x, y, c);
    }
    void Set(int x, int y, Colour c) {
        float* p = &rgb[(size_t{static_cast<size_t>(y)} * kWidth + x) * 3];
        p[0] = c.r, p[1] = c.g, p[2] = c.b;
    }
};

// The room: a wall with a gradient and a fine fixed texture, a floor, a
// door and a picture on the wall.  Bright parts stay below 195 so 30 % more
// light still fits a byte.
Scene Room() {
    Scene s;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const float texture = static_cast<float>(((x * 7 + y * 13) % 11) - 5);
            const float wall = 150.0f + 40.0f * x / kWidth - 20.0f * y / kHeight + texture;
            const float level = y > 330 ? 95.0f + texture : wall;
            s.Set(x, y, {level, level * 0.95f, level * 0.85f});
        }
    s.Fill(60, 120, 170, 331, {120, 88, 60});   // door
    s.Fill(250, 70, 370, 150, {70, 90, 140});   // picture
    s.Fill(262, 82, 358, 138, {180, 170, 90});
    return s;
}

// A person 60 pixels wide, 190 tall, legs swinging, left edge at x.
void DrawPerson(Scene& s, double x, int top, double t) {
    const int left = static_cast<int>(std::lround(x));
    const int swing = static_cast<int>(std::lround(8 * std::sin(2 * kPi * 1.6 * t)));
    for (int dy = -14; dy <= 14; ++dy)
        for (int dx = -14; dx <= 14; ++dx)
            if (dx * dx + dy * dy <= 196 && left + 30 + dx >= 0 && left + 30 + dx < kWidth)
                s.Set(left + 30 + dx, top + 14 + dy, {200, 160, 130});
    s.Fill(left + 8, top + 30, left + 52, top + 110, {40, 60, 150});
    s.Fill(left + 12 + swing, top + 110, left + 28 + swing, top + 190, {50, 50, 60});
    s.Fill(left + 32 - swing, top + 110, left + 48 - swing, top + 190, {50, 50, 60});
}

// A bush whose leaves shimmer in the wind, top right.
void DrawBush(Scene& s, double t) {
    for (int y = 50; y < 170; ++y)
        for (int x = 450; x < 610; ++x) {
            const double leaf = std::sin(2 * kPi * 1.2 * t + 0.15 * x + 0.21 * y) * std::sin(0.4 * x - 0.3 * y);
            const float v = static_cast<float>(45 * leaf);
            s.Set(x, y, {60 + v, 120 + v, 50 + v});
        }
}

struct Clip {
    const char* name;
    double seconds;
    bool dark;
    double (*light)(double t);                 // the light, 1 = the room's own
    void (*draw)(Scene& s, double t);          // what moves, or nullptr
    const char* mask;                          // a mask file to write, or nullptr
    const char* events;
};

double Steady(double) { return 1.0; }
// +30 % at 4 s, back at 8 s, -30 % at 12 s.
double Jumps(double t) { return t < 4 ? 1.0 : t < 8 ? 1.3 : t < 12 ? 1.0 : 0.7; }
// Up 30 % over 3..5 s, back over 8..10 s, down 30 % over 12..14 s.
double Ramps(double t) {
    auto ramp = [t](double from, double to, double start) {
        return from + (to - from) * std::clamp((t - start) / 2.0, 0.0, 1.0);
    };
    return t < 8 ? ramp(1.0, 1.3, 3) : t < 12 ? ramp(1.3, 1.0, 8) : ramp(1.0, 0.7, 12);
}

// A dark 40 x 40 box (a cat, far away) crossing from 4 s to 8 s.
void SmallObject(Scene& s, double t) {
    if (t < 4 || t >= 8) return;
    const int x = static_cast<int>(80 + 110 * (t - 4));
    s.Fill(x, 200, x + 40, 240, {45, 40, 35});
}
// Walks steadily across the room from 3 s to 13 s.
void Walker(Scene& s, double t) {
    if (t >= 3 && t < 13) DrawPerson(s, 58 * (t - 3), 270, t);
}
// The bush all the time; a person walks in the left half from 6 s to 11 s.
void BushAndWalker(Scene& s, double t) {
    DrawBush(s, t);
    if (t >= 6 && t < 11) DrawPerson(s, 20 + 60 * (t - 6), 270, t);
}

const Clip kClips[] = {
    {"still_bright", 12, false, Steady, nullptr, nullptr, "none"},
    {"still_dark", 12, true, Steady, nullptr, nullptr, "none"},
    {"light_jumps", 16, false, Jumps, nullptr, nullptr, "none"},
    {"light_ramps", 16, false, Ramps, nullptr, nullptr, "none"},
    {"small_object", 12, false, Steady, SmallObject, nullptr, "4-8"},
    {"walker", 16, false, Steady, Walker, nullptr, "3-13"},
    {"walker_dark", 16, true, Steady, Walker, nullptr, "3-13"},
    {"masked_bush", 16, false, Steady, BushAndWalker, "masked_bush.bmp", "6-11"},
};

// Camera noise: a table of normal samples, read from a random place per row.
struct Noise {
    std::vector<float> table = std::vector<float>(1 << 16);
    uint32_t state = 12345;
    Noise() {
        for (float& v : table) {
            float sum = 0;
            for (int i = 0; i < 12; ++i) sum += static_cast<float>(Next() % 10000) / 10000.0f;
            v = sum - 6.0f;  // deviation 1
        }
    }
    uint32_t Next() {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        return state;
    }
};

void WriteFrame(const Scene& s, float light, float deviation, Noise& noise, std::vector<uint8_t>& out) {
    const size_t row = size_t{kWidth} * 3;
    for (int y = 0; y < kHeight; ++y) {
        const size_t start = noise.Next() % (noise.table.size() - row);
        for (size_t i = 0; i < row; ++i) {
            const size_t at = static_cast<size_t>(y) * row + i;
            const float v = s.rgb[at] * light + deviation * noise.table[start + i];
            out[at] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
        }
    }
}

// The mask of the bush clip at a quarter of the frame's size (the
// detectors scale it): black over the bush, white elsewhere.
bool WriteBushMask(const std::string& path) {
    bmp_encode::Picture p{kWidth / 4, kHeight / 4, {}, {}, {}};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const int top_y = p.height - 1 - y;  // rows are stored bottom first
            const bool bush = x >= 105 && x < 158 && top_y >= 8 && top_y < 48;
            const uint8_t v = bush ? 0 : 255;
            p.pixels.push_back({v, v, v});
        }
    return bmp_encode::WriteFile(path, bmp_encode::Encode(p, bmp_encode::Layout{}));
}

bool WriteClip(const Clip& clip, const std::string& folder) {
    const std::string command = "ffmpeg -loglevel error -y -f rawvideo -pix_fmt rgb24 -s " +
                                std::to_string(kWidth) + "x" + std::to_string(kHeight) + " -r " +
                                std::to_string(kRate) + " -i - -c:v mjpeg -q:v 3 '" + folder + "/" +
                                clip.name + ".avi'";
    FILE* pipe = popen(command.c_str(), "w");
    if (!pipe) return false;
    const Scene room = Room();
    Noise noise;
    std::vector<uint8_t> frame(size_t{kWidth} * kHeight * 3);
    const int frames = static_cast<int>(clip.seconds * kRate);
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        Scene scene = room;
        if (clip.draw) clip.draw(scene, t);
        const float light = static_cast<float>(clip.light(t)) * (clip.dark ? kDark : 1.0f);
        WriteFrame(scene, light, clip.dark ? 8.0f : 3.0f, noise, frame);
        if (std::fwrite(frame.data(), 1, frame.size(), pipe) != frame.size()) break;
    }
    return pclose(pipe) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_motion_clips FOLDER [NAME...]\n");
        return 2;
    }
    const std::vector<std::string> wanted(argv + 2, argv + argc);
    const std::string folder = argv[1];
    FILE* list = std::fopen((folder + "/clips.txt").c_str(), "w");
    if (!list) {
        std::perror(folder.c_str());
        return 1;
    }
    bool ok = true;
    for (const Clip& clip : kClips) {
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), clip.name) == wanted.end()) continue;
        if (clip.mask) ok = ok && WriteBushMask(folder + "/" + clip.mask);
        ok = ok && WriteClip(clip, folder);
        std::fprintf(list, "%s %s %s\n", clip.name, clip.mask ? clip.mask : "-", clip.events);
    }
    ok = std::fclose(list) == 0 && ok;
    if (!ok) std::fprintf(stderr, "make_motion_clips: could not write every clip into %s\n", folder.c_str());
    return ok ? 0 : 1;
}
