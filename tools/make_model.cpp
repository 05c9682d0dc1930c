// Builds Velisse, the program's default studio model, from code:
//
//     build-dir/make_model data/mdl tests/data/mdl
//
// writes data/mdl/velisse.mdl (everything in one file) and the test variant
// tests/data/mdl/velisse_parts.mdl with its companions velisse_partsT.mdl
// (the skins), velisse_parts01.mdl and velisse_parts02.mdl (sequence groups
// 1 and 2); the variant also carries blended sequences (2 and 4 blocks) and
// a flat-shaded skin.
//
// The figure: 14 bones (pelvis first, parents before children), a body part
// with torso, skirt, arms and legs, a head part, and an accessory part with
// two submodels (ponytail, none).  Surfaces are lathed around their bones
// and skinned rigidly, ring by ring.  Facing +x, z up, feet at z = 0.
// Sequences: 0 walk, 1 run, 2 jump, 3 crouch, 4 look around, 5 bow,
// 6 stretch, 7 wave, 8 dance, 9 kick, 10 sit, 11 clap, 12 spin, 13 idle.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

// Records are filled field by field; aggregates leave the rest default.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kFigureScale = 0.9f;
constexpr float kRotationScale = 0.0002f;  // radians per stored unit
constexpr float kPositionScale = 0.01f;    // model units per stored unit

struct Vec3 {
    float x = 0, y = 0, z = 0;
};
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 Normalize(Vec3 a) {
    const float l = std::sqrt(Dot(a, a));
    return l > 0 ? a * (1.0f / l) : Vec3{0, 0, 1};
}

// ---------------------------------------------------------------------------
// Little-endian byte buffer

struct Bytes {
    std::vector<uint8_t> data;
    size_t Size() const { return data.size(); }
    void Align(size_t a) {
        while (data.size() % a) data.push_back(0);
    }
    size_t Reserve(size_t n) {
        const size_t at = data.size();
        data.resize(at + n, 0);
        return at;
    }
    void I32(size_t at, int32_t v) { std::memcpy(&data[at], &v, 4); }
    void F32(size_t at, float v) { std::memcpy(&data[at], &v, 4); }
    void I16(size_t at, int16_t v) { std::memcpy(&data[at], &v, 2); }
    void Text(size_t at, const std::string& s, size_t n) { std::memcpy(&data[at], s.data(), std::min(n - 1, s.size())); }
    void Append(const std::vector<uint8_t>& more) { data.insert(data.end(), more.begin(), more.end()); }
};

// ---------------------------------------------------------------------------
// Skeleton

struct Bone {
    const char* name;
    int parent;
    Vec3 local;  // bind position relative to the parent
};

enum BoneId {
    kPelvis, kSpine, kChest, kHead, kUpperArmL, kForearmL, kUpperArmR, kForearmR,
    kThighL, kShinL, kFootL, kThighR, kShinR, kFootR, kBoneCount
};

std::vector<Bone> MakeBones() {
    const float s = kFigureScale;
    return {
        {"pelvis", -1, Vec3{0, 0, 27} * s},     {"spine", kPelvis, Vec3{0, 0, 3} * s},
        {"chest", kSpine, Vec3{0, 0, 7} * s},   {"head", kChest, Vec3{0, 0, 7.5f} * s},
        {"arm_l", kChest, Vec3{0, 7, 5} * s},   {"forearm_l", kUpperArmL, Vec3{0, 0, -9} * s},
        {"arm_r", kChest, Vec3{0, -7, 5} * s},  {"forearm_r", kUpperArmR, Vec3{0, 0, -9} * s},
        {"thigh_l", kPelvis, Vec3{0, 3, -1} * s}, {"shin_l", kThighL, Vec3{0, 0, -12} * s},
        {"foot_l", kShinL, Vec3{0, 0, -12} * s},  {"thigh_r", kPelvis, Vec3{0, -3, -1} * s},
        {"shin_r", kThighR, Vec3{0, 0, -12} * s}, {"foot_r", kShinR, Vec3{0, 0, -12} * s},
    };
}

std::vector<Vec3> BindPositions(const std::vector<Bone>& bones) {
    std::vector<Vec3> world(bones.size());
    for (size_t i = 0; i < bones.size(); ++i)
        world[i] = bones[i].parent < 0 ? bones[i].local : world[bones[i].parent] + bones[i].local;
    return world;
}

// ---------------------------------------------------------------------------
// Skins: painted in RGB, stored as 8-bit indices with a 256-colour palette

struct Rgb {
    float r, g, b;
};
Rgb Mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Rgb Scale(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }

struct Skin {
    std::string name;
    int width, height;
    int flags = 0;
    std::vector<uint8_t> pixels;  // width * height indices
    uint8_t palette[768] = {};
};

float Hash(int x, int y) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<float>((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

// Popularity palette over 5-bit colour cells, then nearest entry.
Skin Quantise(const std::string& name, int w, int h, const std::function<Rgb(float, float, int, int)>& paint) {
    Skin skin{name, w, h};
    std::vector<Rgb> image(static_cast<size_t>(w) * h);
    std::map<int, int> histogram;
    auto cell = [](Rgb c) {
        auto q = [](float v) { return std::clamp(static_cast<int>(v * 31.0f + 0.5f), 0, 31); };
        return (q(c.r) << 10) | (q(c.g) << 5) | q(c.b);
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgb c = paint((x + 0.5f) / w, (y + 0.5f) / h, x, y);
            c = {std::clamp(c.r, 0.0f, 1.0f), std::clamp(c.g, 0.0f, 1.0f), std::clamp(c.b, 0.0f, 1.0f)};
            image[static_cast<size_t>(y) * w + x] = c;
            ++histogram[cell(c)];
        }
    std::vector<std::pair<int, int>> cells;
    for (auto& [k, n] : histogram) cells.push_back({n, k});
    std::sort(cells.rbegin(), cells.rend());
    if (cells.size() > 256) cells.resize(256);
    std::vector<Rgb> palette;
    for (auto& [n, k] : cells)
        palette.push_back({((k >> 10) & 31) / 31.0f, ((k >> 5) & 31) / 31.0f, (k & 31) / 31.0f});
    for (size_t i = 0; i < palette.size(); ++i) {
        skin.palette[i * 3 + 0] = static_cast<uint8_t>(palette[i].r * 255 + 0.5f);
        skin.palette[i * 3 + 1] = static_cast<uint8_t>(palette[i].g * 255 + 0.5f);
        skin.palette[i * 3 + 2] = static_cast<uint8_t>(palette[i].b * 255 + 0.5f);
    }
    skin.pixels.resize(image.size());
    for (size_t p = 0; p < image.size(); ++p) {
        int best = 0;
        float best_d = 1e9f;
        for (size_t i = 0; i < palette.size(); ++i) {
            const float dr = image[p].r - palette[i].r, dg = image[p].g - palette[i].g, db = image[p].b - palette[i].b;
            const float d = dr * dr + dg * dg + db * db;
            if (d < best_d) best_d = d, best = static_cast<int>(i);
        }
        skin.pixels[p] = static_cast<uint8_t>(best);
    }
    return skin;
}

// Tunic: t runs from the collar (0) to the hem (1) on the torso; the lower
// quarter of the image is the sleeve band used by the upper arms.
Skin PaintTunic(const char* name, Rgb cloth, Rgb trim) {
    return Quantise(name, 128, 96, [=](float u, float v, int x, int y) {
        const float weave = 0.92f + 0.08f * Hash(x, y);
        Rgb c = Scale(cloth, weave * (0.9f + 0.1f * std::sin(u * kPi * 16)));
        // Diamond pattern down the front (front is the middle of the image).
        const float du = std::fabs(u - 0.5f) * 8, dv = std::fmod(v * 10, 1.0f) - 0.5f;
        if (std::fabs(u - 0.5f) < 0.12f && std::fabs(du) + std::fabs(dv) * 2 < 0.6f && v < 0.7f)
            c = Mix(c, trim, 0.7f);
        if (v < 0.06f || (v > 0.66f && v < 0.72f)) c = Scale(trim, weave);  // collar, hem of the sleeves
        if (v > 0.45f && v < 0.52f) c = Scale(Rgb{0.35f, 0.2f, 0.1f}, weave);  // belt
        if (v > 0.45f && v < 0.52f && std::fabs(u - 0.5f) < 0.03f) c = trim;   // buckle
        if (v > 0.62f && v < 0.66f) c = Scale(trim, weave);                      // skirt hem
        return c;
    });
}

Skin PaintFace() {
    const Rgb skin{0.96f, 0.78f, 0.66f}, hair{0.45f, 0.2f, 0.1f};
    return Quantise("velisse_face", 64, 64, [=](float u, float v, int x, int y) {
        // u = 0.5 is the front, v = 0 the top of the head.
        const float fu = (u - 0.5f) * 4;  // about -1..1 across the face
        Rgb c = Scale(skin, 0.97f + 0.03f * Hash(x, y));
        const bool face = std::fabs(u - 0.5f) < 0.2f && v > 0.28f;
        if (!face || v < 0.3f + 0.05f * std::fabs(fu) * std::fabs(fu)) c = Scale(hair, 0.8f + 0.2f * std::sin(u * 90) * Hash(x, 0));
        if (v > 0.95f) c = Scale(skin, 0.9f);
        const float eye_v = 0.52f;
        for (float side : {-1.0f, 1.0f}) {
            const float ex = (fu - side * 0.35f) / 0.16f, ey = (v - eye_v) / 0.05f;
            if (ex * ex + ey * ey < 1) c = Rgb{1, 1, 1};
            if (ex * ex * 2.2f + ey * ey * 2.2f < 1) c = Rgb{0.2f, 0.45f, 0.3f};
            if (ex * ex * 8 + ey * ey * 8 < 1) c = Rgb{0.05f, 0.05f, 0.05f};
            const float bx = (fu - side * 0.35f) / 0.2f, by = (v - 0.44f) / 0.015f;
            if (bx * bx + by * by < 1) c = hair;
            const float cx = (fu - side * 0.5f) / 0.15f, cy = (v - 0.66f) / 0.06f;
            if (cx * cx + cy * cy < 1) c = Mix(c, Rgb{0.95f, 0.5f, 0.5f}, 0.35f);
        }
        const float mx = fu / 0.22f, my = (v - 0.78f) / 0.025f;
        if (mx * mx + my * my < 1) c = Rgb{0.75f, 0.25f, 0.3f};
        if (std::fabs(fu) < 0.04f && v > 0.58f && v < 0.68f) c = Scale(skin, 0.85f);
        return c;
    });
}

// Legs: t from the hip (0) to the ankle (1); boots below 0.65.  The odd
// width makes the loader resample it (100 x 60 -> 128 x 64).
Skin PaintLegs() {
    const Rgb trousers{0.22f, 0.22f, 0.32f}, boot{0.42f, 0.25f, 0.12f};
    return Quantise("velisse_legs", 100, 60, [=](float u, float v, int x, int y) {
        Rgb c = Scale(trousers, 0.9f + 0.1f * Hash(x, y) + 0.05f * std::sin(v * 40));
        if (v > 0.65f) c = Scale(boot, 0.9f + 0.1f * Hash(x, y));
        if (v > 0.65f && v < 0.69f) c = Rgb{0.2f, 0.12f, 0.06f};
        if (std::fabs(u - 0.5f) < 0.01f) c = Scale(c, 0.7f);  // seam down the front
        return c;
    });
}

Skin PaintSkin() {
    const Rgb skin{0.96f, 0.78f, 0.66f};
    return Quantise("velisse_skin", 32, 32,
                    [=](float, float v, int x, int y) { return Scale(skin, 0.94f + 0.04f * Hash(x, y) + 0.04f * v); });
}

Skin PaintRibbon() {
    return Quantise("velisse_ribbon", 32, 16, [](float u, float v, int, int) {
        const bool stripe = std::fmod(u * 4 + v, 1.0f) < 0.5f;
        return stripe ? Rgb{0.95f, 0.8f, 0.2f} : Rgb{0.85f, 0.2f, 0.3f};
    });
}

// ---------------------------------------------------------------------------
// Geometry: lathed surfaces, rigidly skinned ring by ring

struct Corner {
    int vertex, normal, s, t;
};
struct Command {
    bool fan;
    std::vector<Corner> corners;
};
struct Mesh {
    int skin_ref;
    int first_normal = 0, normal_count = 0;
    std::vector<Command> commands;
};
struct Submodel {
    std::string name;
    std::vector<Vec3> vertices;  // bone-local
    std::vector<int> vertex_bones;
    std::vector<Vec3> normals;
    std::vector<int> normal_bones;
    std::vector<Mesh> meshes;
};

struct Lathe {
    Vec3 start, end;              // axis, model space
    Vec3 side;                    // direction of angle 0 (s = 0.5 on the skin)
    int sides, rings;
    std::function<float(float)> radius;  // along the axis, h in [0, 1]
    float depth = 1.0f;           // cross-section scale along `side`
    std::function<int(float)> bone;     // per ring
    int skin_ref;
    int skin_w, skin_h;           // texel size used for s, t
    float t0 = 0, t1 = 1;         // part of the skin's height used
};

// The outward side of every triangle must wind clockwise on screen: the
// drawing culls front (counter-clockwise) faces.
bool NeedsFlip(const Submodel& m, const std::vector<Corner>& tri, Vec3 outward) {
    const Vec3 a = m.vertices[tri[0].vertex], b = m.vertices[tri[1].vertex], c = m.vertices[tri[2].vertex];
    return Dot(Cross(b - a, c - a), outward) > 0;
}

void AddLathe(Submodel& m, const Lathe& l, const std::vector<Vec3>& bind) {
    Mesh* mesh = nullptr;
    for (auto& existing : m.meshes)
        if (existing.skin_ref == l.skin_ref) mesh = &existing;
    if (!mesh || &m.meshes.back() != mesh) {
        m.meshes.push_back({l.skin_ref});
        m.meshes.back().first_normal = static_cast<int>(m.normals.size());
        mesh = &m.meshes.back();
    }
    const Vec3 axis = Normalize(l.end - l.start);
    const Vec3 e1 = Normalize(l.side - axis * Dot(l.side, axis));
    const Vec3 e2 = Cross(axis, e1);
    const float length = std::sqrt(Dot(l.end - l.start, l.end - l.start));
    auto point = [&](float h, float theta) {
        const float r = l.radius(h);
        return l.start + axis * (h * length) + e1 * (r * std::cos(theta) * l.depth) + e2 * (r * std::sin(theta));
    };
    auto add_vertex = [&](Vec3 p, Vec3 n, int bone) {
        const int index = static_cast<int>(m.vertices.size());
        m.vertices.push_back(p - bind[bone]);  // bind rotations are identity
        m.vertex_bones.push_back(bone);
        m.normals.push_back(n);
        m.normal_bones.push_back(bone);
        return index;
    };
    // Rings strictly inside (0, 1); poles at both ends.
    std::vector<std::vector<int>> ring(l.rings);
    std::vector<float> ring_h(l.rings);
    for (int r = 0; r < l.rings; ++r) {
        const float h = (r + 1.0f) / (l.rings + 1.0f);
        ring_h[r] = h;
        for (int k = 0; k < l.sides; ++k) {
            const float theta = 2 * kPi * k / l.sides - kPi;  // front (angle 0) in the middle of the skin
            const float eps = 0.002f;
            const Vec3 dh = point(std::min(h + eps, 1.0f), theta) - point(std::max(h - eps, 0.0f), theta);
            const Vec3 dt = point(h, theta + eps) - point(h, theta - eps);
            Vec3 n = Normalize(Cross(dt, dh));
            const Vec3 p = point(h, theta);
            if (Dot(n, p - (l.start + axis * (h * length))) < 0) n = n * -1.0f;
            ring[r].push_back(add_vertex(p, n, l.bone(h)));
        }
    }
    const int pole0 = add_vertex(l.start, axis * -1.0f, l.bone(0));
    const int pole1 = add_vertex(l.end, axis, l.bone(1));
    auto s_of = [&](int k) { return static_cast<int>(std::lround(static_cast<float>(k) / l.sides * l.skin_w)); };
    auto t_of = [&](float h) { return static_cast<int>(std::lround((l.t0 + (l.t1 - l.t0) * h) * l.skin_h)); };

    for (int r = 0; r + 1 < l.rings; ++r) {
        Command strip{false, {}};
        for (int k = 0; k <= l.sides; ++k) {
            const int kk = k % l.sides;
            strip.corners.push_back({ring[r][kk], ring[r][kk], s_of(k), t_of(ring_h[r])});
            strip.corners.push_back({ring[r + 1][kk], ring[r + 1][kk], s_of(k), t_of(ring_h[r + 1])});
        }
        const Vec3 centre = l.start + axis * (ring_h[r] * length);
        const Vec3 outward = m.vertices[strip.corners[0].vertex] + bind[m.vertex_bones[strip.corners[0].vertex]] - centre;
        std::vector<Corner> tri = {strip.corners[0], strip.corners[1], strip.corners[2]};
        if (NeedsFlip(m, tri, outward))
            for (size_t i = 0; i + 1 < strip.corners.size(); i += 2) std::swap(strip.corners[i], strip.corners[i + 1]);
        mesh->commands.push_back(strip);
    }
    for (int end = 0; end < 2; ++end) {
        const int r = end == 0 ? 0 : l.rings - 1;
        const int pole = end == 0 ? pole0 : pole1;
        Command fan{true, {{pole, pole, l.skin_w / 2, t_of(end == 0 ? 0.0f : 1.0f)}}};
        for (int k = 0; k <= l.sides; ++k) fan.corners.push_back({ring[r][k % l.sides], ring[r][k % l.sides], s_of(k), t_of(ring_h[r])});
        const Vec3 outward = end == 0 ? axis * -1.0f : axis;
        std::vector<Corner> tri = {fan.corners[0], fan.corners[1], fan.corners[2]};
        if (NeedsFlip(m, tri, outward)) std::reverse(fan.corners.begin() + 1, fan.corners.end());
        mesh->commands.push_back(fan);
    }
    mesh->normal_count = static_cast<int>(m.normals.size()) - mesh->first_normal;
}

// Rounded limb: radius from ra to rb with soft ends.
std::function<float(float)> Limb(float ra, float rb, float cap = 0.12f) {
    return [=](float h) {
        float r = ra + (rb - ra) * h;
        const float e = std::min(h, 1 - h);
        if (e < cap) r *= std::sqrt(std::max(0.0f, 1 - (1 - e / cap) * (1 - e / cap)));
        return std::max(r, 0.05f);
    };
}

// Skin references (family 0): tunic, face, legs, skin, ribbon.
enum SkinRef { kRefTunic, kRefFace, kRefLegs, kRefSkin, kRefRibbon, kSkinRefCount };

std::vector<std::vector<Submodel>> BuildBodyParts(const std::vector<Vec3>& bind, const std::vector<Skin>& skins) {
    const float s = kFigureScale;
    auto size = [&](int ref) { return std::pair<int, int>{skins[ref].width, skins[ref].height}; };
    auto lathe = [&](Vec3 a, Vec3 b, Vec3 side, int sides, int rings, std::function<float(float)> radius,
                     std::function<int(float)> bone, int ref, float t0, float t1, float depth = 1) {
        Lathe l{a, b, side, sides, rings, radius, depth, bone, ref, size(ref).first, size(ref).second, t0, t1};
        return l;
    };
    const Vec3 fwd{1, 0, 0};
    auto add = [&](Submodel& m, const Lathe& l) { AddLathe(m, l, bind); };

    Submodel body{"velisse_body"};
    // Torso from the collar down to the hips, with a waist.
    add(body,
             lathe(bind[kHead] + Vec3{0, 0, -0.5f * s}, bind[kPelvis] + Vec3{0, 0, -2.5f * s}, fwd, 16, 14,
                   [s](float h) {
                       const float chest = 5.6f - 1.2f * (h - 0.35f) * (h - 0.35f) * 8;
                       const float waist = 4.3f + 1.6f * (h - 0.62f) * (h - 0.62f) * 10;
                       float r = h < 0.55f ? std::max(chest, 4.5f) : std::min(waist, 5.5f);
                       if (h < 0.08f) r *= 0.55f + 0.45f * h / 0.08f;
                       if (h > 0.92f) r *= std::sqrt(std::max(0.0f, 1 - ((h - 0.92f) / 0.08f) * ((h - 0.92f) / 0.08f)));
                       return std::max(r * s, 0.05f);
                   },
                   [](float h) { return h < 0.3f ? kChest : h < 0.7f ? kSpine : kPelvis; }, kRefTunic, 0.0f, 0.5f,
                   0.72f));
    // Skirt flaring from the belt.
    add(body,
             lathe(bind[kPelvis] + Vec3{0, 0, 1.5f * s}, bind[kPelvis] + Vec3{0, 0, -8.0f * s}, fwd, 16, 6,
                   [s](float h) { return (4.6f + 3.4f * h) * s * (h > 0.9f ? std::sqrt((1 - h) / 0.1f) : 1.0f) + 0.05f; },
                   [](float) { return kPelvis; }, kRefTunic, 0.5f, 0.66f, 0.8f));
    // Arms: sleeve on the upper arm, bare forearm and hand.
    for (int side = 0; side < 2; ++side) {
        const int upper = side == 0 ? kUpperArmL : kUpperArmR, fore = side == 0 ? kForearmL : kForearmR;
        const Vec3 shoulder = bind[upper] + Vec3{0, 0, 1.0f * s};
        add(body, lathe(shoulder, bind[fore] + Vec3{0, 0, -0.5f * s}, fwd, 10, 6, Limb(1.9f * s, 1.5f * s),
                             [=](float) { return upper; }, kRefTunic, 0.72f, 1.0f));
        add(body, lathe(bind[fore] + Vec3{0, 0, 0.8f * s}, bind[fore] + Vec3{0, 0, -10.5f * s}, fwd, 10, 9,
                             [s](float h) {
                                 float r = h < 0.75f ? 1.4f - 0.4f * h : 1.3f;  // wrist, then the hand
                                 const float e = std::min(h, 1 - h);
                                 if (e < 0.1f) r *= std::sqrt(std::max(0.0f, 1 - (1 - e / 0.1f) * (1 - e / 0.1f)));
                                 return std::max(r * s, 0.05f);
                             },
                             [=](float) { return fore; }, kRefSkin, 0.0f, 1.0f, 0.8f));
    }
    // Legs: one surface from hip to ankle, bending at the knee; boots below.
    for (int side = 0; side < 2; ++side) {
        const int thigh = side == 0 ? kThighL : kThighR, shin = side == 0 ? kShinL : kShinR;
        const int foot = side == 0 ? kFootL : kFootR;
        const float knee_h = 12.0f / 25.0f;
        add(body, lathe(bind[thigh] + Vec3{0, 0, 1.0f * s}, bind[foot] + Vec3{0, 0, -0.5f * s}, fwd, 12, 16,
                             [s](float h) {
                                 float r = 2.6f - 1.3f * h + (h > 0.55f && h < 0.75f ? 0.25f : 0.0f);
                                 const float e = std::min(h, 1 - h);
                                 if (e < 0.06f) r *= std::sqrt(std::max(0.0f, 1 - (1 - e / 0.06f) * (1 - e / 0.06f)));
                                 return std::max(r * s, 0.05f);
                             },
                             [=](float h) { return h < knee_h ? thigh : shin; }, kRefLegs, 0.0f, 1.0f));
        // Foot: a boot pointing forward.
        add(body, lathe(bind[foot] + Vec3{-1.8f * s, 0, -1.0f * s}, bind[foot] + Vec3{4.2f * s, 0, -1.0f * s},
                             Vec3{0, 0, 1}, 10, 7, Limb(1.5f * s, 1.2f * s, 0.3f), [=](float) { return foot; },
                             kRefLegs, 0.8f, 1.0f, 0.8f));
    }

    Submodel head{"velisse_head"};
    add(head,
             lathe(bind[kHead] + Vec3{0.3f * s, 0, -0.2f * s}, bind[kHead] + Vec3{0.1f * s, 0, 10.2f * s}, fwd, 18, 12,
                   [s](float h) {
                       // Neck, then a slightly egg-shaped head.
                       if (h < 0.18f) return (1.6f + 0.4f * h) * s;
                       const float k = (h - 0.18f) / 0.82f;
                       return std::max(4.4f * s * std::sqrt(std::max(0.0f, std::sin(kPi * k))) * (1.0f - 0.12f * k), 0.05f);
                   },
                   [](float) { return kHead; }, kRefFace, 1.0f, 0.0f, 1.08f));

    Submodel ponytail{"velisse_ponytail"};
    add(ponytail,
             lathe(bind[kHead] + Vec3{-3.5f * s, 0, 7.5f * s}, bind[kHead] + Vec3{-6.0f * s, 0, -2.0f * s},
                   Vec3{0, 0, 1}, 8, 6, Limb(1.6f * s, 0.7f * s, 0.2f), [](float) { return kHead; }, kRefFace, 0.05f,
                   0.2f));
    add(ponytail,
             lathe(bind[kHead] + Vec3{-3.6f * s, -1.5f * s, 7.2f * s}, bind[kHead] + Vec3{-3.6f * s, 1.5f * s, 7.2f * s},
                   Vec3{0, 0, 1}, 8, 4, Limb(1.0f * s, 1.0f * s, 0.4f), [](float) { return kHead; }, kRefRibbon, 0.0f,
                   1.0f));
    Submodel none{"none"};
    return {{body}, {head}, {ponytail, none}};
}

// ---------------------------------------------------------------------------
// Animation: each sequence is a pose function of the phase

struct Pose {
    Vec3 rotation[kBoneCount];  // roll (x), pitch (y), yaw (z), radians
    Vec3 pelvis_offset;         // added to the pelvis's bind position
};

struct SequenceDef {
    const char* name;
    float fps;
    int frames;
    std::function<Pose(float)> pose;
    int motion_type = 0;
    Vec3 linear_movement;
    int blends = 1;
    std::vector<std::function<Pose(float)>> blend_poses;  // blocks 2..n
    int group = 0;
};

float Wave(float p, float phase = 0) { return std::sin(2 * kPi * (p + phase)); }
// Smooth step between keyframes with holds: keys of (time, value).
float Keys(float p, std::initializer_list<std::pair<float, float>> keys) {
    auto it = keys.begin();
    auto prev = *it;
    if (p <= prev.first) return prev.second;
    for (++it; it != keys.end(); ++it) {
        if (p <= it->first) {
            const float t = (p - prev.first) / (it->first - prev.first);
            const float e = t * t * (3 - 2 * t);
            return prev.second + (it->second - prev.second) * e;
        }
        prev = *it;
    }
    return prev.second;
}

Pose Rest() {
    Pose p{};
    p.rotation[kUpperArmL].x = 0.08f;
    p.rotation[kUpperArmR].x = -0.08f;
    p.rotation[kForearmL].y = -0.15f;
    p.rotation[kForearmR].y = -0.15f;
    return p;
}

std::vector<SequenceDef> MakeSequences() {
    std::vector<SequenceDef> seqs;
    // 0 walk: 31 frames at 30 fps; the pelvis moves forward 20 units per
    // cycle, which the x motion flag takes out again.
    seqs.push_back({"walk", 30, 31, [](float p) {
                        Pose q = Rest();
                        q.rotation[kThighL].y = -0.45f * Wave(p);
                        q.rotation[kThighR].y = 0.45f * Wave(p);
                        q.rotation[kShinL].y = 0.5f * std::max(0.0f, Wave(p, 0.2f)) + 0.05f;
                        q.rotation[kShinR].y = 0.5f * std::max(0.0f, -Wave(p, 0.2f)) + 0.05f;
                        q.rotation[kFootL].y = -0.15f * Wave(p);
                        q.rotation[kFootR].y = 0.15f * Wave(p);
                        q.rotation[kUpperArmL].y = 0.35f * Wave(p);
                        q.rotation[kUpperArmR].y = -0.35f * Wave(p);
                        q.rotation[kForearmL].y = -0.3f - 0.15f * Wave(p);
                        q.rotation[kForearmR].y = -0.3f + 0.15f * Wave(p);
                        q.rotation[kSpine].z = 0.08f * Wave(p);
                        q.rotation[kHead].z = -0.06f * Wave(p);
                        q.pelvis_offset = {20 * p, 0, 0.6f * std::fabs(std::cos(2 * kPi * p)) - 0.6f};
                        return q;
                    }, 1, {20, 0, 0}});
    seqs.push_back({"run", 30, 21, [](float p) {
                        Pose q = Rest();
                        q.rotation[kSpine].y = 0.2f;
                        q.rotation[kHead].y = -0.15f;
                        q.rotation[kThighL].y = -0.8f * Wave(p) - 0.2f;
                        q.rotation[kThighR].y = 0.8f * Wave(p) - 0.2f;
                        q.rotation[kShinL].y = 0.9f * std::max(0.0f, Wave(p, 0.15f)) + 0.3f;
                        q.rotation[kShinR].y = 0.9f * std::max(0.0f, -Wave(p, 0.15f)) + 0.3f;
                        q.rotation[kUpperArmL].y = 0.7f * Wave(p);
                        q.rotation[kUpperArmR].y = -0.7f * Wave(p);
                        q.rotation[kForearmL].y = -1.3f;
                        q.rotation[kForearmR].y = -1.3f;
                        q.pelvis_offset = {40 * p, 0, 1.2f * std::fabs(std::cos(2 * kPi * p)) - 1.5f};
                        return q;
                    }, 1, {40, 0, 0}});
    seqs.push_back({"jump", 30, 41, [](float p) {
                        Pose q = Rest();
                        const float crouch = Keys(p, {{0, 0}, {0.2f, 1}, {0.3f, 0}, {0.6f, 0}, {0.7f, 0.8f}, {0.9f, 0}});
                        const float air = Keys(p, {{0.25f, 0}, {0.42f, 1}, {0.6f, 0}});
                        q.pelvis_offset = {0, 0, -5 * crouch + 9 * air};
                        for (int s = 0; s < 2; ++s) {
                            q.rotation[s ? kThighR : kThighL].y = -1.0f * crouch - 0.3f * air;
                            q.rotation[s ? kShinR : kShinL].y = 1.9f * crouch + 0.5f * air;
                            q.rotation[s ? kFootR : kFootL].y = -0.9f * crouch;
                        }
                        q.rotation[kSpine].y = 0.35f * crouch;
                        q.rotation[kUpperArmL].x = 0.08f + 2.4f * air;
                        q.rotation[kUpperArmR].x = -0.08f - 2.4f * air;
                        q.rotation[kUpperArmL].y = 0.6f * crouch;
                        q.rotation[kUpperArmR].y = 0.6f * crouch;
                        return q;
                    }});
    seqs.push_back({"crouch", 15, 31, [](float p) {
                        Pose q = Rest();
                        const float c = Keys(p, {{0, 0}, {0.25f, 1}, {0.75f, 1}, {1, 0}});
                        q.pelvis_offset = {0, 0, -9 * c};
                        for (int s = 0; s < 2; ++s) {
                            q.rotation[s ? kThighR : kThighL].y = -1.5f * c;
                            q.rotation[s ? kShinR : kShinL].y = 2.3f * c;
                            q.rotation[s ? kFootR : kFootL].y = -0.8f * c;
                        }
                        q.rotation[kSpine].y = 0.5f * c;
                        q.rotation[kHead].y = -0.4f * c;
                        q.rotation[kUpperArmL].y = -0.9f * c;
                        q.rotation[kUpperArmR].y = -0.9f * c;
                        return q;
                    }});
    seqs.push_back({"look_around", 15, 46, [](float p) {
                        Pose q = Rest();
                        q.rotation[kHead].z = Keys(p, {{0, 0}, {0.15f, 0.9f}, {0.4f, 0.9f}, {0.55f, -0.9f}, {0.8f, -0.9f}, {0.95f, 0}});
                        q.rotation[kChest].z = 0.3f * q.rotation[kHead].z;
                        q.rotation[kHead].y = Keys(p, {{0, 0}, {0.2f, -0.2f}, {0.5f, 0.1f}, {0.9f, 0}});
                        return q;
                    }});
    seqs.push_back({"bow", 20, 41, [](float p) {
                        Pose q = Rest();
                        const float b = Keys(p, {{0, 0}, {0.3f, 1}, {0.6f, 1}, {0.9f, 0}});
                        q.rotation[kSpine].y = 0.5f * b;
                        q.rotation[kChest].y = 0.4f * b;
                        q.rotation[kHead].y = 0.3f * b;
                        q.rotation[kUpperArmR].y = -0.5f * b;
                        q.rotation[kForearmR].y = -1.4f * b - 0.15f;
                        q.rotation[kUpperArmL].x = 0.08f + 0.3f * b;
                        return q;
                    }});
    seqs.push_back({"stretch", 20, 51, [](float p) {
                        Pose q = Rest();
                        const float up = Keys(p, {{0, 0}, {0.3f, 1}, {0.7f, 1}, {1, 0}});
                        q.rotation[kUpperArmL].x = 0.08f + 2.9f * up;
                        q.rotation[kUpperArmR].x = -0.08f - 2.9f * up;
                        q.rotation[kForearmL].x = 0.3f * up;
                        q.rotation[kForearmR].x = -0.3f * up;
                        q.rotation[kChest].y = -0.2f * up;
                        q.rotation[kHead].y = -0.3f * up;
                        q.pelvis_offset = {0, 0, 0.8f * up};
                        return q;
                    }});
    // 7 wave: the action of the Insert key.
    seqs.push_back({"wave", 30, 37, [](float p) {
                        Pose q = Rest();
                        q.rotation[kUpperArmR].x = -2.5f;
                        q.rotation[kUpperArmR].y = -0.3f;
                        q.rotation[kForearmR].x = -0.6f - 0.5f * Wave(p * 2);
                        q.rotation[kForearmR].y = -0.2f;
                        q.rotation[kHead].z = -0.25f;
                        q.rotation[kHead].x = -0.12f;
                        q.rotation[kSpine].x = 0.08f;
                        return q;
                    }});
    seqs.push_back({"dance", 30, 61, [](float p) {
                        Pose q = Rest();
                        q.pelvis_offset = {0, 1.5f * Wave(p * 2), -0.8f + 0.8f * std::fabs(Wave(p * 2))};
                        q.rotation[kPelvis].x = -0.12f * Wave(p * 2);
                        q.rotation[kChest].x = 0.2f * Wave(p * 2);
                        q.rotation[kUpperArmL].x = 1.4f + 0.5f * Wave(p * 4);
                        q.rotation[kUpperArmR].x = -1.4f + 0.5f * Wave(p * 4);
                        q.rotation[kForearmL].y = -1.2f;
                        q.rotation[kForearmR].y = -1.2f;
                        q.rotation[kHead].x = 0.2f * Wave(p * 2);
                        q.rotation[kThighL].y = -0.3f * std::max(0.0f, Wave(p * 2));
                        q.rotation[kShinL].y = 0.6f * std::max(0.0f, Wave(p * 2));
                        q.rotation[kThighR].y = -0.3f * std::max(0.0f, -Wave(p * 2));
                        q.rotation[kShinR].y = 0.6f * std::max(0.0f, -Wave(p * 2));
                        return q;
                    }});
    seqs.push_back({"kick", 30, 31, [](float p) {
                        Pose q = Rest();
                        const float k = Keys(p, {{0, 0}, {0.3f, 0.3f}, {0.45f, 1}, {0.6f, 1}, {0.9f, 0}});
                        q.rotation[kThighR].y = -1.4f * k + 0.3f * Keys(p, {{0, 0}, {0.3f, 1}, {0.45f, 0}});
                        q.rotation[kShinR].y = 1.2f * Keys(p, {{0, 0}, {0.3f, 1}, {0.45f, 0}});
                        q.rotation[kSpine].y = -0.25f * k;
                        q.rotation[kUpperArmL].x = 0.08f + 0.8f * k;
                        q.rotation[kUpperArmR].x = -0.08f - 0.8f * k;
                        return q;
                    }});
    seqs.push_back({"sit", 10, 31, [](float p) {
                        Pose q = Rest();
                        const float d = Keys(p, {{0, 0}, {0.3f, 1}, {0.8f, 1}, {1, 0}});
                        q.pelvis_offset = {-3 * d, 0, -20 * d};
                        for (int s = 0; s < 2; ++s) {
                            q.rotation[s ? kThighR : kThighL].y = -1.5f * d;
                            q.rotation[s ? kShinR : kShinL].y = 1.5f * d;
                        }
                        q.rotation[kThighL].x = 0.25f * d;
                        q.rotation[kThighR].x = -0.25f * d;
                        q.rotation[kUpperArmL].y = -0.6f * d;
                        q.rotation[kUpperArmR].y = -0.6f * d;
                        q.rotation[kForearmL].y = -0.8f * d;
                        q.rotation[kForearmR].y = -0.8f * d;
                        return q;
                    }});
    seqs.push_back({"clap", 30, 21, [](float p) {
                        Pose q = Rest();
                        const float open = 0.5f + 0.5f * Wave(p);
                        q.rotation[kUpperArmL].y = -1.1f;
                        q.rotation[kUpperArmR].y = -1.1f;
                        q.rotation[kUpperArmL].z = -0.5f + 0.5f * open;
                        q.rotation[kUpperArmR].z = 0.5f - 0.5f * open;
                        q.rotation[kForearmL].y = -0.6f;
                        q.rotation[kForearmR].y = -0.6f;
                        q.rotation[kForearmL].x = -0.5f + 0.3f * open;
                        q.rotation[kForearmR].x = 0.5f - 0.3f * open;
                        return q;
                    }});
    seqs.push_back({"spin", 30, 46, [](float p) {
                        Pose q = Rest();
                        q.rotation[kPelvis].z = -kPi + 2 * kPi * p;
                        q.rotation[kUpperArmL].x = 1.3f;
                        q.rotation[kUpperArmR].x = -1.3f;
                        q.pelvis_offset = {0, 0, 0.5f * std::fabs(Wave(p * 2))};
                        return q;
                    }});
    // 13 idle: breathing and a slow glance; the legs hold still.
    seqs.push_back({"idle", 15, 61, [](float p) {
                        Pose q = Rest();
                        q.rotation[kChest].y = -0.03f * Wave(p * 2);
                        q.rotation[kUpperArmL].x = 0.1f + 0.03f * Wave(p * 2);
                        q.rotation[kUpperArmR].x = -0.1f - 0.03f * Wave(p * 2);
                        q.rotation[kHead].z = Keys(p, {{0, 0}, {0.3f, 0}, {0.45f, 0.35f}, {0.7f, 0.35f}, {0.85f, 0}});
                        q.rotation[kSpine].x = 0.03f * Wave(p);
                        q.pelvis_offset = {0, 0.3f * Wave(p), 0};
                        return q;
                    }});
    return seqs;
}

// Quantised channel values over the frames, as runs of 16-bit cells: each
// run stores distinct values one frame each and may end on a held value.
std::vector<int16_t> EncodeRuns(const std::vector<int16_t>& values) {
    std::vector<int16_t> cells;
    size_t i = 0;
    while (i < values.size()) {
        std::vector<int16_t> stored;
        size_t total = 0;
        bool held = false;
        while (i < values.size() && stored.size() < 255 && total < 255 && !held) {
            size_t j = i + 1;
            while (j < values.size() && values[j] == values[i] && total + (j - i + 1) <= 255) ++j;
            stored.push_back(values[i]);
            total += j - i;
            held = j - i > 1;
            i = j;
        }
        cells.push_back(static_cast<int16_t>(stored.size() | (total << 8)));
        cells.insert(cells.end(), stored.begin(), stored.end());
    }
    return cells;
}

// One animation block: per bone and channel the stream's offset into
// `streams` (-1: the channel keeps the bone's default value).
struct EncodedBlock {
    std::vector<long> offsets;
    std::vector<int16_t> streams;
};

EncodedBlock EncodeBlock(const std::vector<Bone>& bones, const std::function<Pose(float)>& pose_of, int frames) {
    EncodedBlock out;
    for (size_t b = 0; b < bones.size(); ++b) {
        for (int channel = 0; channel < 6; ++channel) {
            std::vector<int16_t> values;
            bool moves = false;
            for (int f = 0; f < frames; ++f) {
                const Pose p = pose_of(frames > 1 ? static_cast<float>(f) / (frames - 1) : 0.0f);
                float v;
                if (channel < 3) {
                    const Vec3 off = b == kPelvis ? p.pelvis_offset * kFigureScale : Vec3{};
                    v = (channel == 0 ? off.x : channel == 1 ? off.y : off.z) / kPositionScale;
                } else {
                    const Vec3 r = p.rotation[b];
                    v = (channel == 3 ? r.x : channel == 4 ? r.y : r.z) / kRotationScale;
                }
                const int16_t q = static_cast<int16_t>(std::clamp(std::lround(v), -32767L, 32767L));
                values.push_back(q);
                moves = moves || q != 0;
            }
            if (!moves) {
                out.offsets.push_back(-1);
                continue;
            }
            out.offsets.push_back(static_cast<long>(out.streams.size()) * 2);
            const std::vector<int16_t> cells = EncodeRuns(values);
            out.streams.insert(out.streams.end(), cells.begin(), cells.end());
        }
    }
    return out;
}

// ---------------------------------------------------------------------------
// Files

struct ModelOptions {
    std::string name;
    bool separate_textures = false;
    bool groups = false;
    bool blends = false;
    bool flat_ribbon = false;
};

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    std::fclose(f);
    std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
}

void StartHeader(Bytes& f, const std::string& name) {
    f.Reserve(244);
    std::memcpy(&f.data[0], "IDST", 4);
    f.I32(4, 10);
    f.Text(8, name, 64);
}

// Texture table, skin table and pixels into `f` (main or texture file).
void WriteSkins(Bytes& f, const std::vector<Skin>& skins, const std::vector<std::vector<int>>& families) {
    f.Align(4);
    const size_t table = f.Reserve(skins.size() * 80);
    f.I32(180, static_cast<int32_t>(skins.size()));
    f.I32(184, static_cast<int32_t>(table));
    const size_t skin_table = f.Reserve(families.size() * families[0].size() * 2);
    f.I32(192, static_cast<int32_t>(families[0].size()));
    f.I32(196, static_cast<int32_t>(families.size()));
    f.I32(200, static_cast<int32_t>(skin_table));
    for (size_t fam = 0; fam < families.size(); ++fam)
        for (size_t r = 0; r < families[fam].size(); ++r)
            f.I16(skin_table + (fam * families[0].size() + r) * 2, static_cast<int16_t>(families[fam][r]));
    f.Align(4);
    f.I32(188, static_cast<int32_t>(f.Size()));  // texture data
    for (size_t i = 0; i < skins.size(); ++i) {
        const size_t rec = table + i * 80;
        f.Text(rec, skins[i].name + ".bmp", 64);
        f.I32(rec + 64, skins[i].flags);
        f.I32(rec + 68, skins[i].width);
        f.I32(rec + 72, skins[i].height);
        f.I32(rec + 76, static_cast<int32_t>(f.Size()));
        f.Append(skins[i].pixels);
        f.Append(std::vector<uint8_t>(skins[i].palette, skins[i].palette + 768));
    }
}

void Build(const std::string& dir, const ModelOptions& opt) {
    const std::vector<Bone> bones = MakeBones();
    const std::vector<Vec3> bind = BindPositions(bones);
    std::vector<Skin> skins = {PaintTunic("velisse_tunic", {0.2f, 0.55f, 0.6f}, {0.95f, 0.8f, 0.3f}), PaintFace(),
                               PaintLegs(), PaintSkin(), PaintRibbon(),
                               PaintTunic("velisse_tunic_red", {0.7f, 0.18f, 0.2f}, {0.95f, 0.85f, 0.6f})};
    if (opt.flat_ribbon) skins[kRefRibbon].flags = 1;
    const std::vector<std::vector<int>> families = {{0, 1, 2, 3, 4}, {5, 1, 2, 3, 4}};
    const auto parts = BuildBodyParts(bind, skins);
    std::vector<SequenceDef> seqs = MakeSequences();
    if (opt.groups)
        for (size_t i = 0; i < seqs.size(); ++i) seqs[i].group = i < 5 ? 0 : i < 10 ? 1 : 2;
    if (opt.blends) {
        // 14: lean, two blocks (left, right); 15: four blocks.
        auto lean = [](float amount) {
            return [amount](float p) {
                Pose q = Rest();
                q.rotation[kSpine].x = amount * (0.5f + 0.5f * Wave(p));
                return q;
            };
        };
        SequenceDef two{"lean", 15, 11, lean(0.4f)};
        two.blends = 2;
        two.blend_poses = {lean(-0.4f)};
        seqs.push_back(two);
        SequenceDef four{"lean4", 15, 11, lean(0.3f)};
        four.blends = 4;
        four.blend_poses = {lean(-0.3f), lean(0.6f), lean(-0.6f)};
        seqs.push_back(four);
    }

    Bytes f;
    StartHeader(f, opt.name + ".mdl");
    // Bones
    const size_t bone_table = f.Reserve(bones.size() * 112);
    f.I32(140, static_cast<int32_t>(bones.size()));
    f.I32(144, static_cast<int32_t>(bone_table));
    for (size_t i = 0; i < bones.size(); ++i) {
        const size_t rec = bone_table + i * 112;
        f.Text(rec, bones[i].name, 32);
        f.I32(rec + 32, bones[i].parent);
        for (int k = 0; k < 6; ++k) f.I32(rec + 40 + k * 4, -1);  // no controllers
        const float value[6] = {bones[i].local.x, bones[i].local.y, bones[i].local.z, 0, 0, 0};
        const float scale[6] = {kPositionScale, kPositionScale, kPositionScale, kRotationScale, kRotationScale,
                                kRotationScale};
        for (int k = 0; k < 6; ++k) f.F32(rec + 64 + k * 4, value[k]), f.F32(rec + 88 + k * 4, scale[k]);
    }
    f.I32(152, static_cast<int32_t>(f.Size()));  // no bone controllers
    // Sequences and groups
    const size_t seq_table = f.Reserve(seqs.size() * 176);
    f.I32(164, static_cast<int32_t>(seqs.size()));
    f.I32(168, static_cast<int32_t>(seq_table));
    const int group_count = opt.groups ? 3 : 1;
    const size_t group_table = f.Reserve(group_count * 104);
    f.I32(172, group_count);
    f.I32(176, static_cast<int32_t>(group_table));
    f.Align(4);
    const size_t anim_base = f.Size();
    std::vector<Bytes> group_files(group_count);
    for (int g = 0; g < group_count; ++g) {
        char label[64];
        std::snprintf(label, sizeof label, g == 0 ? "default" : "%s%02d.mdl", opt.name.c_str(), g);
        f.Text(group_table + g * 104, label, 32);
        f.Text(group_table + g * 104 + 32, label, 64);
        if (g > 0) {
            group_files[g].Reserve(76);
            std::memcpy(&group_files[g].data[0], "IDSQ", 4);
            group_files[g].I32(4, 10);
            group_files[g].Text(8, label, 64);
        }
    }
    f.I32(group_table + 100, static_cast<int32_t>(anim_base));  // group 0's data
    for (size_t s = 0; s < seqs.size(); ++s) {
        const SequenceDef& d = seqs[s];
        const size_t rec = seq_table + s * 176;
        f.Text(rec, d.name, 32);
        f.F32(rec + 32, d.fps);
        f.I32(rec + 56, d.frames);
        f.I32(rec + 68, d.motion_type);
        f.I32(rec + 72, kPelvis);
        f.F32(rec + 76, d.linear_movement.x * kFigureScale);
        f.I32(rec + 120, d.blends);
        f.I32(rec + 156, d.group);
        f.I32(rec + 160, -1);
        f.I32(rec + 164, -1);
        if (d.blends > 1) {
            f.I32(rec + 128, 0x10);  // blend on the x rotation
            f.F32(rec + 136, -30);
            f.F32(rec + 144, 30);
        }
        Bytes& out = d.group == 0 ? f : group_files[d.group];
        out.Align(4);
        const size_t at = out.Size();
        // The blocks of one sequence follow each other, streams after all of them.
        std::vector<std::function<Pose(float)>> poses = {d.pose};
        poses.insert(poses.end(), d.blend_poses.begin(), d.blend_poses.end());
        const size_t block_size = bones.size() * 12;
        out.Reserve(block_size * poses.size());
        for (size_t b = 0; b < poses.size(); ++b) {
            const EncodedBlock block = EncodeBlock(bones, poses[b], d.frames);
            const size_t streams = out.Size();
            for (size_t e = 0; e < block.offsets.size(); ++e) {
                if (block.offsets[e] < 0) continue;
                const size_t entry = at + b * block_size + (e / 6) * 12;
                const size_t rel = streams + static_cast<size_t>(block.offsets[e]) - entry;
                if (rel > 65535) {
                    std::fprintf(stderr, "animation offset too large\n");
                    std::exit(1);
                }
                out.I16(entry + (e % 6) * 2, static_cast<int16_t>(static_cast<uint16_t>(rel)));
            }
            for (int16_t c : block.streams) out.I16(out.Reserve(2), c);
        }
        f.I32(rec + 124, static_cast<int32_t>(d.group == 0 ? at - anim_base : at));
    }
    // Body parts, submodels, meshes and their data
    f.Align(4);
    const size_t part_table = f.Reserve(parts.size() * 76);
    f.I32(204, static_cast<int32_t>(parts.size()));
    f.I32(208, static_cast<int32_t>(part_table));
    const char* part_names[3] = {"body", "head", "accessory"};
    int base = 1;
    for (size_t p = 0; p < parts.size(); ++p) {
        const size_t prec = part_table + p * 76;
        f.Text(prec, part_names[p], 64);
        f.I32(prec + 64, static_cast<int32_t>(parts[p].size()));
        f.I32(prec + 68, base);
        base *= static_cast<int>(parts[p].size());
        f.Align(4);
        const size_t models = f.Reserve(parts[p].size() * 112);
        f.I32(prec + 72, static_cast<int32_t>(models));
        for (size_t s = 0; s < parts[p].size(); ++s) {
            const Submodel& m = parts[p][s];
            const size_t mrec = models + s * 112;
            f.Text(mrec, m.name, 64);
            f.I32(mrec + 72, static_cast<int32_t>(m.meshes.size()));
            f.I32(mrec + 80, static_cast<int32_t>(m.vertices.size()));
            f.I32(mrec + 92, static_cast<int32_t>(m.normals.size()));
            if (m.vertices.size() > 2048) {
                std::fprintf(stderr, "%s: too many vertices\n", m.name.c_str());
                std::exit(1);
            }
            // Normals must run mesh by mesh in the order of the meshes.
            std::vector<int> normal_order;
            std::vector<int> remap(m.normals.size());
            for (const Mesh& mesh : m.meshes)
                for (int n = 0; n < mesh.normal_count; ++n) normal_order.push_back(mesh.first_normal + n);
            if (normal_order.size() != m.normals.size()) {
                std::fprintf(stderr, "%s: meshes do not cover the normals\n", m.name.c_str());
                std::exit(1);
            }
            for (size_t n = 0; n < normal_order.size(); ++n) remap[normal_order[n]] = static_cast<int>(n);
            f.I32(mrec + 84, static_cast<int32_t>(f.Size()));
            for (int b : m.vertex_bones) f.data.push_back(static_cast<uint8_t>(b));
            f.I32(mrec + 96, static_cast<int32_t>(f.Size()));
            for (int n : normal_order) f.data.push_back(static_cast<uint8_t>(m.normal_bones[n]));
            f.Align(4);
            f.I32(mrec + 88, static_cast<int32_t>(f.Size()));
            for (const Vec3& v : m.vertices) {
                const size_t at = f.Reserve(12);
                f.F32(at, v.x), f.F32(at + 4, v.y), f.F32(at + 8, v.z);
            }
            f.I32(mrec + 100, static_cast<int32_t>(f.Size()));
            for (int n : normal_order) {
                const size_t at = f.Reserve(12);
                f.F32(at, m.normals[n].x), f.F32(at + 4, m.normals[n].y), f.F32(at + 8, m.normals[n].z);
            }
            const size_t meshes = f.Reserve(m.meshes.size() * 20);
            f.I32(mrec + 76, static_cast<int32_t>(meshes));
            for (size_t k = 0; k < m.meshes.size(); ++k) {
                const Mesh& mesh = m.meshes[k];
                const size_t rec = meshes + k * 20;
                int triangles = 0;
                const size_t commands = f.Size();
                for (const Command& c : mesh.commands) {
                    const int n = static_cast<int>(c.corners.size());
                    triangles += n - 2;
                    f.I16(f.Reserve(2), static_cast<int16_t>(c.fan ? -n : n));
                    for (const Corner& corner : c.corners) {
                        const size_t at = f.Reserve(8);
                        f.I16(at, static_cast<int16_t>(corner.vertex));
                        f.I16(at + 2, static_cast<int16_t>(remap[corner.normal]));
                        f.I16(at + 4, static_cast<int16_t>(corner.s));
                        f.I16(at + 6, static_cast<int16_t>(corner.t));
                    }
                }
                f.I16(f.Reserve(2), 0);
                f.Align(4);
                f.I32(rec, triangles);
                f.I32(rec + 4, static_cast<int32_t>(commands));
                f.I32(rec + 8, mesh.skin_ref);
                f.I32(rec + 12, mesh.normal_count);
                f.I32(rec + 16, remap[mesh.first_normal]);
            }
        }
    }
    // Skins, here or in the "T.mdl" companion.
    if (opt.separate_textures) {
        Bytes t;
        StartHeader(t, opt.name + "T.mdl");
        WriteSkins(t, skins, families);
        t.I32(72, static_cast<int32_t>(t.Size()));
        WriteFile(dir + "/" + opt.name + "T.mdl", t.data);
    } else {
        WriteSkins(f, skins, families);
    }
    f.I32(72, static_cast<int32_t>(f.Size()));
    WriteFile(dir + "/" + opt.name + ".mdl", f.data);
    for (int g = 1; g < group_count; ++g) {
        group_files[g].I32(72, static_cast<int32_t>(group_files[g].Size()));
        char name[32];
        std::snprintf(name, sizeof name, "%02d.mdl", g);
        WriteFile(dir + "/" + opt.name + name, group_files[g].data);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <data/mdl folder> <test data folder>\n", argv[0]);
        return 2;
    }
    Build(argv[1], {"velisse"});
    Build(argv[2], {"velisse_parts", true, true, true, true});
    return 0;
}
