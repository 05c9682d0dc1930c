#include "model/mdl_model.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/files.h"
#include "platform/paths.h"

MdlWorkArrays mdl_work;

void WriteI32(uint8_t* p, int32_t value) { std::memcpy(p, &value, 4); }

static void ReadVec3(const uint8_t* p, float out[3]) { std::memcpy(out, p, 12); }

// ---------------------------------------------------------------------------
// Math

void EulerToQuaternion(const float a[3], float q[4]) {
    const float sr = std::sin(a[0] * 0.5f), cr = std::cos(a[0] * 0.5f);
    const float sp = std::sin(a[1] * 0.5f), cp = std::cos(a[1] * 0.5f);
    const float sy = std::sin(a[2] * 0.5f), cy = std::cos(a[2] * 0.5f);
    q[0] = sr * cp * cy - cr * sp * sy;
    q[1] = cr * sp * cy + sr * cp * sy;
    q[2] = cr * cp * sy - sr * sp * cy;
    q[3] = cr * cp * cy + sr * sp * sy;
}

void QuaternionToMatrix(const float q[4], float m[3][4]) {
    const float x = q[0], y = q[1], z = q[2], w = q[3];
    m[0][0] = 1 - 2 * y * y - 2 * z * z;
    m[0][1] = 2 * x * y - 2 * w * z;
    m[0][2] = 2 * x * z + 2 * w * y;
    m[1][0] = 2 * x * y + 2 * w * z;
    m[1][1] = 1 - 2 * x * x - 2 * z * z;
    m[1][2] = 2 * y * z - 2 * w * x;
    m[2][0] = 2 * x * z - 2 * w * y;
    m[2][1] = 2 * y * z + 2 * w * x;
    m[2][2] = 1 - 2 * x * x - 2 * y * y;
}

void QuaternionBlend(const float p[4], float q[4], float t, float result[4]) {
    float a = 0, b = 0;
    for (int i = 0; i < 4; ++i) {
        a += (p[i] - q[i]) * (p[i] - q[i]);
        b += (p[i] + q[i]) * (p[i] + q[i]);
    }
    if (a > b)
        for (int i = 0; i < 4; ++i) q[i] = -q[i];
    const float cosom = p[0] * q[0] + p[1] * q[1] + p[2] * q[2] + p[3] * q[3];
    float sclp, sclq;
    if (1.0f - cosom > 0.00000001f) {
        const float omega = std::acos(cosom);
        const float sinom = std::sin(omega);
        sclp = std::sin((1.0f - t) * omega) / sinom;
        sclq = std::sin(t * omega) / sinom;
    } else {
        sclp = 1.0f - t;
        sclq = t;
    }
    for (int i = 0; i < 4; ++i) result[i] = sclp * p[i] + sclq * q[i];
}

void ConcatTransforms(const float a[3][4], const float b[3][4], float out[3][4]) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            out[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c];
        out[r][3] = a[r][0] * b[0][3] + a[r][1] * b[1][3] + a[r][2] * b[2][3] + a[r][3];
    }
}

void TransformPoint(const float v[3], const float m[3][4], float out[3]) {
    for (int i = 0; i < 3; ++i) out[i] = v[0] * m[i][0] + v[1] * m[i][1] + v[2] * m[i][2] + m[i][3];
}

void InverseRotate(const float v[3], const float m[3][4], float out[3]) {
    for (int i = 0; i < 3; ++i) out[i] = v[0] * m[0][i] + v[1] * m[1][i] + v[2] * m[2][i];
}

bool NearlyEqual(const float a[3], const float b[3]) {
    for (int i = 0; i < 3; ++i)
        if (std::fabs(a[i] - b[i]) > 0.001f) return false;
    return true;
}

// ---------------------------------------------------------------------------
// Skins and names

int SkinTextureSide(int size) {
    int side = 1;
    while (side < size && side < kMaxSkinSize) side *= 2;
    return side;
}

SkinImage ResampleSkin(int width, int height, const uint8_t* pixels, const uint8_t* palette) {
    SkinImage out;
    out.width = SkinTextureSide(width);
    out.height = SkinTextureSide(height);
    int column1[kMaxSkinSize], column2[kMaxSkinSize], row1[kMaxSkinSize], row2[kMaxSkinSize];
    const float ratio_s = static_cast<float>(width) / static_cast<float>(out.width);
    const float ratio_t = static_cast<float>(height) / static_cast<float>(out.height);
    // Rounding can never reach past the last texel, but keep it inside anyway.
    auto clamp = [](int v, int limit) { return v < limit ? v : limit - 1; };
    for (int i = 0; i < out.width; ++i) {
        column1[i] = clamp(static_cast<int>((i + 0.25f) * ratio_s), width);
        column2[i] = clamp(static_cast<int>((i + 0.75f) * ratio_s), width);
    }
    for (int j = 0; j < out.height; ++j) {
        row1[j] = clamp(static_cast<int>((j + 0.25f) * ratio_t), height) * width;
        row2[j] = clamp(static_cast<int>((j + 0.75f) * ratio_t), height) * width;
    }
    out.rgba.resize(static_cast<size_t>(out.width) * out.height * 4);
    uint8_t* texel = out.rgba.data();
    for (int j = 0; j < out.height; ++j) {
        for (int i = 0; i < out.width; ++i, texel += 4) {
            const uint8_t* c1 = palette + pixels[row1[j] + column1[i]] * 3;
            const uint8_t* c2 = palette + pixels[row1[j] + column2[i]] * 3;
            const uint8_t* c3 = palette + pixels[row2[j] + column1[i]] * 3;
            const uint8_t* c4 = palette + pixels[row2[j] + column2[i]] * 3;
            for (int k = 0; k < 3; ++k) texel[k] = static_cast<uint8_t>((c1[k] + c2[k] + c3[k] + c4[k]) >> 2);
            texel[3] = 255;
        }
    }
    return out;
}

std::string CompanionName(const std::string& path, const char* suffix) {
    const size_t keep = path.size() >= 4 ? path.size() - 4 : 0;
    return path.substr(0, keep) + suffix;
}

// ---------------------------------------------------------------------------
// Reading and checking

namespace {

// The whole file, with the loader's own failure texts.
bool ReadMdlFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    FileReadError failure;
    if (ReadWholeFile(NativePath(path.c_str()).c_str(), bytes, &failure)) return true;
    if (failure.failure == FileReadFailure::kMemory)
        *error = "Unable to allocate memory";
    else if (failure.failure == FileReadFailure::kRead)
        *error = "Unable to read " + path;
    else
        *error = "Unable to open " + path;
    return false;
}

// Checks of one file's contents; the first failure is kept as the message.
class FileCheck {
public:
    FileCheck(const std::string& name, const std::vector<uint8_t>& bytes, std::string* error)
        : name_(name), bytes_(bytes), error_(error) {}

    const uint8_t* Data() const { return bytes_.data(); }
    int64_t Size() const { return static_cast<int64_t>(bytes_.size()); }

    bool Fail(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        char text[300];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        *error_ = name_ + ": " + text;
        return false;
    }

    // [offset, offset + size) lies inside the file.
    bool Inside(int64_t offset, int64_t size, const char* what) {
        if (offset >= 0 && size >= 0 && offset <= Size() && size <= Size() - offset) return true;
        return Fail("%s (offset %lld, %lld bytes) lies outside the file (%lld bytes)", what,
                    static_cast<long long>(offset), static_cast<long long>(size),
                    static_cast<long long>(Size()));
    }
    bool Count(int32_t count, int32_t limit, const char* what) {
        if (count >= 0 && count <= limit) return true;
        return Fail("%s %d is outside 0..%d", what, count, limit);
    }
    // A table of `count` records of `record_size` bytes at the offset stored at `field`.
    bool Table(int count_field, int offset_field, int record_size, int32_t limit, const char* what) {
        const int32_t count = ReadI32(Data() + count_field);
        if (!Count(count, limit, what)) return false;
        return count == 0 || Inside(ReadI32(Data() + offset_field), int64_t{count} * record_size, what);
    }
    int32_t I32(int64_t offset) const { return ReadI32(Data() + offset); }

private:
    const std::string& name_;
    const std::vector<uint8_t>& bytes_;
    std::string* error_;
};

constexpr int32_t kManyRecords = 1 << 20;

// Walks one channel's runs over `frames` frames: every header and stored
// value inside the buffer, no empty runs (the lookup would never advance).
bool CheckStream(FileCheck& file, int64_t start, int frames, int sequence, int bone, int channel) {
    int64_t cell = start;
    int covered = 0;
    while (covered < frames) {
        if (cell < 0 || cell + 2 > file.Size())
            return file.Fail("sequence %d bone %d channel %d: animation values run past the end of the file",
                             sequence, bone, channel);
        const uint16_t header = ReadU16(file.Data() + cell);
        const int valid = header & 0xFF, total = header >> 8;
        if (valid == 0 || total == 0)
            return file.Fail("sequence %d bone %d channel %d: empty animation run", sequence, bone, channel);
        if (cell + 2 + valid * 2 > file.Size())
            return file.Fail("sequence %d bone %d channel %d: animation values run past the end of the file",
                             sequence, bone, channel);
        covered += total;
        cell += 2 + valid * 2;
    }
    return true;
}

}  // namespace

bool MdlModel::ReadModelFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    return ReadMdlFile(path, bytes, error);
}

bool MdlModel::ReadSequenceGroupFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    return ReadMdlFile(path, bytes, error);
}

MdlModel::MdlModel() = default;
MdlModel::~MdlModel() = default;

int MdlModel::SequenceCount() const { return m_pHeader ? ReadI32(m_pHeader + mdl::kNumSequences) : 0; }

int MdlModel::TextureCount() const {
    if (!m_pTextureHeader || ReadI32(m_pTextureHeader + mdl::kTextureIndex) == 0) return 0;
    return ReadI32(m_pTextureHeader + mdl::kNumTextures);
}

const uint8_t* MdlModel::TextureRecord(int i) const {
    return m_pTextureHeader + ReadI32(m_pTextureHeader + mdl::kTextureIndex) + i * mdl::kTextureSize;
}

SkinImage MdlModel::ResampledSkin(int i) const {
    const uint8_t* record = TextureRecord(i);
    const int width = ReadI32(record + mdl::kTexWidth), height = ReadI32(record + mdl::kTexHeight);
    const uint8_t* pixels = m_pTextureHeader + ReadI32(record + mdl::kTexIndex);
    return ResampleSkin(width, height, pixels, pixels + int64_t{width} * height);
}

const uint8_t* MdlModel::SkinReferences() const {
    const uint8_t* skins = m_pTextureHeader + ReadI32(m_pTextureHeader + mdl::kSkinIndex);
    const int refs = ReadI32(m_pTextureHeader + mdl::kNumSkinRefs);
    if (m_skin > 0 && m_skin < ReadI32(m_pTextureHeader + mdl::kNumSkinFamilies)) skins += m_skin * refs * 2;
    return skins;
}

const uint8_t* MdlModel::MeshTexture(const uint8_t* skins, const uint8_t* mesh) const {
    return TextureRecord(ReadI16(skins + ReadI32(mesh + mdl::kMeshSkinRef) * 2));
}

const uint8_t* MdlModel::SequenceRecord(int i) const {
    return m_pHeader + ReadI32(m_pHeader + mdl::kSequenceIndex) + i * mdl::kSequenceSize;
}

namespace {

struct LoadedFiles {
    std::vector<uint8_t> main, texture;
    std::vector<uint8_t> groups[kMaxSequenceGroups];
    std::string main_name, texture_name, group_names[kMaxSequenceGroups];
    bool separate_textures = false;
};

bool CheckHeaderSize(FileCheck& file) {
    if (file.Size() >= mdl::kHeaderSize) return true;
    return file.Fail("too short for a model header (%lld bytes, %d needed)",
                     static_cast<long long>(file.Size()), mdl::kHeaderSize);
}

bool CheckBones(FileCheck& main) {
    if (!main.Table(mdl::kNumBones, mdl::kBoneIndex, mdl::kBoneSize, kMaxBones, "bone count")) return false;
    const int count = main.I32(mdl::kNumBones);
    const int64_t table = main.I32(mdl::kBoneIndex);
    for (int i = 0; i < count; ++i) {
        const int parent = main.I32(table + int64_t{i} * mdl::kBoneSize + mdl::kBoneParent);
        if (parent < -1 || parent >= i)
            return main.Fail("bone %d has parent %d, not an earlier bone", i, parent);
    }
    return main.Table(mdl::kNumBoneControllers, mdl::kBoneControllerIndex, mdl::kBoneControllerSize,
                      kManyRecords, "bone controller count");
}

int BlocksUsed(int blends) { return blends == 4 ? 4 : blends > 1 ? 2 : 1; }

// The fields of sequence record `s` at `seq` that the drawing relies on.
bool CheckSequenceRecord(FileCheck& main, int64_t seq, int s, int bones, int groups) {
    const float fps = ReadF32(main.Data() + seq + mdl::kSeqFps);
    if (!std::isfinite(fps)) return main.Fail("sequence %d: frame rate is not a number", s);
    const int frames = main.I32(seq + mdl::kSeqNumFrames);
    if (frames < 0) return main.Fail("sequence %d: frame count %d is negative", s, frames);
    const int blends = main.I32(seq + mdl::kSeqNumBlends);
    if (blends != 1 && blends != 2 && blends != 4)
        return main.Fail("sequence %d: blend count %d is not 1, 2 or 4", s, blends);
    const int motion_bone = main.I32(seq + mdl::kSeqMotionBone);
    if ((main.I32(seq + mdl::kSeqMotionType) & 7) && (motion_bone < 0 || motion_bone >= bones))
        return main.Fail("sequence %d: motion bone %d is not a bone", s, motion_bone);
    const int group = main.I32(seq + mdl::kSeqGroup);
    if (group < 0 || group >= groups)
        return main.Fail("sequence %d: sequence group %d is outside 0..%d", s, group, groups - 1);
    return true;
}

// The animation blocks of a checked sequence record: inside their file
// (the main file for group 0, else the group file), every channel's runs too.
bool CheckSequenceAnimation(FileCheck& main, const LoadedFiles& files, int64_t seq, int s, std::string* error) {
    const int bones = main.I32(mdl::kNumBones);
    const int frames = main.I32(seq + mdl::kSeqNumFrames);
    const int blocks = BlocksUsed(main.I32(seq + mdl::kSeqNumBlends));
    const int group = main.I32(seq + mdl::kSeqGroup);
    FileCheck anim(group == 0 ? files.main_name : files.group_names[group], group == 0 ? files.main : files.groups[group],
                   error);
    const int64_t group0_data = main.I32(main.I32(mdl::kSequenceGroupIndex) + mdl::kGroupData);
    const int64_t base = (group == 0 ? group0_data : 0) + main.I32(seq + mdl::kSeqAnimIndex);
    const int64_t block_size = int64_t{bones} * mdl::kAnimEntrySize;
    char what[64];
    std::snprintf(what, sizeof what, "sequence %d animation blocks", s);
    if (!anim.Inside(base, block_size * blocks, what)) return false;
    for (int b = 0; b < blocks; ++b) {
        for (int bone = 0; bone < bones; ++bone) {
            const int64_t entry = base + b * block_size + int64_t{bone} * mdl::kAnimEntrySize;
            for (int channel = 0; channel < 6; ++channel) {
                const uint16_t offset = ReadU16(anim.Data() + entry + channel * 2);
                if (offset != 0 && !CheckStream(anim, entry + offset, frames > 1 ? frames : 1, s, bone, channel))
                    return false;
            }
        }
    }
    return true;
}

bool CheckSequences(FileCheck& main, const LoadedFiles& files, std::string* error) {
    if (!main.Table(mdl::kNumSequenceGroups, mdl::kSequenceGroupIndex, mdl::kSequenceGroupSize,
                    kMaxSequenceGroups, "sequence group count"))
        return false;
    const int groups = main.I32(mdl::kNumSequenceGroups);
    if (groups < 1) return main.Fail("sequence group count 0 (group 0 is needed)");
    if (!main.Table(mdl::kNumSequences, mdl::kSequenceIndex, mdl::kSequenceSize, kManyRecords, "sequence count"))
        return false;
    const int count = main.I32(mdl::kNumSequences);
    if (count < 1) return main.Fail("the model has no sequences");
    const int64_t table = main.I32(mdl::kSequenceIndex);
    for (int s = 0; s < count; ++s) {
        const int64_t seq = table + int64_t{s} * mdl::kSequenceSize;
        if (!CheckSequenceRecord(main, seq, s, main.I32(mdl::kNumBones), groups) ||
            !CheckSequenceAnimation(main, files, seq, s, error))
            return false;
    }
    return true;
}

bool CheckTextures(FileCheck& tex) {
    const int64_t table = tex.I32(mdl::kTextureIndex);
    const int count = table == 0 ? 0 : tex.I32(mdl::kNumTextures);
    if (table != 0 && !tex.Table(mdl::kNumTextures, mdl::kTextureIndex, mdl::kTextureSize, kManyRecords, "texture count"))
        return false;
    for (int i = 0; i < count; ++i) {
        const int64_t rec = table + int64_t{i} * mdl::kTextureSize;
        const int width = tex.I32(rec + mdl::kTexWidth), height = tex.I32(rec + mdl::kTexHeight);
        if (width < 1 || height < 1 || width > 65536 || height > 65536)
            return tex.Fail("texture %d has size %d x %d", i, width, height);
        char what[64];
        std::snprintf(what, sizeof what, "texture %d pixels and palette", i);
        if (!tex.Inside(tex.I32(rec + mdl::kTexIndex), int64_t{width} * height + 768, what)) return false;
    }
    const int refs = tex.I32(mdl::kNumSkinRefs), families = tex.I32(mdl::kNumSkinFamilies);
    if (!tex.Count(refs, 65536, "skin reference count") || !tex.Count(families, 65536, "skin family count"))
        return false;
    const int64_t skins = tex.I32(mdl::kSkinIndex);
    if (!tex.Inside(skins, int64_t{refs} * families * 2, "skin table")) return false;
    for (int i = 0; i < refs * families; ++i) {
        const int t = ReadI16(tex.Data() + skins + i * 2);
        if (t < 0 || t >= count)
            return tex.Fail("skin table entry %d names texture %d, outside 0..%d", i, t, count - 1);
    }
    return true;
}

bool CheckTriangleCommands(FileCheck& main, int64_t cell, int vertices, int normals, int part, int sub, int mesh) {
    for (;;) {
        if (cell + 2 > main.Size() || cell < 0)
            return main.Fail("body part %d submodel %d mesh %d: triangle commands run past the end of the file",
                             part, sub, mesh);
        int count = ReadI16(main.Data() + cell);
        cell += 2;
        if (count == 0) return true;
        if (count < 0) count = -count;
        if (cell + int64_t{count} * 8 > main.Size())
            return main.Fail("body part %d submodel %d mesh %d: triangle commands run past the end of the file",
                             part, sub, mesh);
        for (int v = 0; v < count; ++v, cell += 8) {
            const int vertex = ReadI16(main.Data() + cell), normal = ReadI16(main.Data() + cell + 2);
            if (vertex < 0 || vertex >= vertices)
                return main.Fail("body part %d submodel %d mesh %d: vertex index %d, outside 0..%d",
                                 part, sub, mesh, vertex, vertices - 1);
            if (normal < 0 || normal >= normals)
                return main.Fail("body part %d submodel %d mesh %d: normal index %d, outside 0..%d",
                                 part, sub, mesh, normal, normals - 1);
        }
    }
}

bool CheckBoneBytes(FileCheck& main, int64_t offset, int count, int bones, const char* what, int part, int sub) {
    for (int i = 0; i < count; ++i) {
        const int bone = main.Data()[offset + i];
        if (bone >= bones)
            return main.Fail("body part %d submodel %d: %s %d uses bone %d, outside 0..%d", part, sub, what, i,
                             bone, bones - 1);
    }
    return true;
}

bool CheckSubmodel(FileCheck& main, int64_t rec, int bones, int skin_refs, int part, int sub) {
    const int vertices = main.I32(rec + mdl::kModelNumVerts);
    if (vertices < 0 || vertices > kMaxVertices)
        return main.Fail("body part %d submodel %d: vertex count %d is outside 0..%d", part, sub, vertices, kMaxVertices);
    const int meshes = main.I32(rec + mdl::kModelNumMesh);
    if (meshes < 0 || meshes > kManyRecords)
        return main.Fail("body part %d submodel %d: mesh count %d is outside 0..%d", part, sub, meshes, kManyRecords);
    const int64_t mesh_table = main.I32(rec + mdl::kModelMeshIndex);
    if (!main.Inside(mesh_table, int64_t{meshes} * mdl::kMeshSize, "mesh table")) return false;
    int64_t normals = 0;
    for (int m = 0; m < meshes; ++m) {
        const int n = main.I32(mesh_table + int64_t{m} * mdl::kMeshSize + mdl::kMeshNumNorms);
        if (n < 0) return main.Fail("body part %d submodel %d mesh %d: normal count %d", part, sub, m, n);
        normals += n;
    }
    if (normals > kMaxVertices)
        return main.Fail("body part %d submodel %d: %lld normals, more than %d", part, sub,
                         static_cast<long long>(normals), kMaxVertices);
    const int64_t vert_bones = main.I32(rec + mdl::kModelVertInfo), norm_bones = main.I32(rec + mdl::kModelNormInfo);
    if (!main.Inside(vert_bones, vertices, "vertex bone indices") ||
        !main.Inside(main.I32(rec + mdl::kModelVertIndex), int64_t{vertices} * 12, "vertices") ||
        !main.Inside(norm_bones, normals, "normal bone indices") ||
        !main.Inside(main.I32(rec + mdl::kModelNormIndex), normals * 12, "normals"))
        return false;
    if (!CheckBoneBytes(main, vert_bones, vertices, bones, "vertex", part, sub) ||
        !CheckBoneBytes(main, norm_bones, static_cast<int>(normals), bones, "normal", part, sub))
        return false;
    for (int m = 0; m < meshes; ++m) {
        const int64_t mesh = mesh_table + int64_t{m} * mdl::kMeshSize;
        const int skin_ref = main.I32(mesh + mdl::kMeshSkinRef);
        if (skin_ref < 0 || skin_ref >= skin_refs)
            return main.Fail("body part %d submodel %d mesh %d: skin reference %d, outside 0..%d", part, sub, m,
                             skin_ref, skin_refs - 1);
        if (!CheckTriangleCommands(main, main.I32(mesh + mdl::kMeshTriIndex), vertices, static_cast<int>(normals),
                                   part, sub, m))
            return false;
    }
    return true;
}

bool CheckBodyParts(FileCheck& main, int skin_refs, int skin_families) {
    if (!main.Table(mdl::kNumBodyParts, mdl::kBodyPartIndex, mdl::kBodyPartSize, kManyRecords, "body part count"))
        return false;
    const int parts = main.I32(mdl::kNumBodyParts);
    if (parts > 0 && skin_families < 1) return main.Fail("the skin table has no family");
    const int bones = main.I32(mdl::kNumBones);
    const int64_t table = main.I32(mdl::kBodyPartIndex);
    for (int p = 0; p < parts; ++p) {
        const int64_t rec = table + int64_t{p} * mdl::kBodyPartSize;
        const int submodels = main.I32(rec + mdl::kPartNumModels);
        if (submodels < 1 || submodels > kManyRecords)
            return main.Fail("body part %d: submodel count %d is outside 1..%d", p, submodels, kManyRecords);
        if (main.I32(rec + mdl::kPartBase) == 0) return main.Fail("body part %d: base is 0", p);
        const int64_t models = main.I32(rec + mdl::kPartModelIndex);
        if (!main.Inside(models, int64_t{submodels} * mdl::kSubmodelSize, "submodel table")) return false;
        for (int s = 0; s < submodels; ++s)
            if (!CheckSubmodel(main, models + int64_t{s} * mdl::kSubmodelSize, bones, skin_refs, p, s)) return false;
    }
    return true;
}

// The "01.mdl", "02.mdl" ... companions holding sequence groups 1 and up.
bool ReadGroupFiles(const std::string& path, FileCheck& main, LoadedFiles* files, std::string* error) {
    const int groups = main.I32(mdl::kNumSequenceGroups);
    if (groups > kMaxSequenceGroups)
        return main.Fail("sequence group count %d is outside 1..%d", groups, kMaxSequenceGroups);
    for (int i = 1; i < groups; ++i) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%02d.mdl", i);
        files->group_names[i] = CompanionName(path, suffix);
        if (!MdlModel::ReadSequenceGroupFile(files->group_names[i], &files->groups[i], error)) return false;
    }
    return true;
}

}  // namespace

bool MdlModel::ReadFiles(const char* path_text, std::string* error) {
    LoadedFiles files;
    const std::string path(path_text);
    files.main_name = path;
    if (!ReadModelFile(path, &files.main, error)) return false;
    FileCheck main(files.main_name, files.main, error);
    if (!CheckHeaderSize(main)) return false;

    // Skins: in the main file, or in the "T.mdl" companion when it has none.
    files.separate_textures = main.I32(mdl::kNumTextures) == 0;
    if (files.separate_textures) {
        files.texture_name = CompanionName(path, "T.mdl");
        if (!ReadModelFile(files.texture_name, &files.texture, error)) return false;
    }
    FileCheck texture(files.separate_textures ? files.texture_name : files.main_name,
                      files.separate_textures ? files.texture : files.main, error);
    if (files.separate_textures && !CheckHeaderSize(texture)) return false;

    if (!ReadGroupFiles(path, main, &files, error)) return false;
    const int groups = main.I32(mdl::kNumSequenceGroups);

    if (!CheckBones(main) || !CheckSequences(main, files, error) || !CheckTextures(texture)) return false;
    if (!CheckBodyParts(main, texture.I32(mdl::kNumSkinRefs), texture.I32(mdl::kNumSkinFamilies))) return false;

    // Everything checked: take the files over.  Vectors keep their storage
    // when moved, so the pointers stay valid as long as this model lives.
    m_mainFile = std::move(files.main);
    m_textureFile = std::move(files.texture);
    m_pHeader = m_mainFile.data();
    m_pTextureHeader = files.separate_textures ? m_textureFile.data() : m_pHeader;
    for (int i = 0; i < kMaxSequenceGroups; ++i) {
        m_groupFiles[i] = std::move(files.groups[i]);
        m_pSequenceGroups[i] = (i > 0 && i < groups) ? m_groupFiles[i].data() : nullptr;
    }
    m_pSubmodel = nullptr;
    return true;
}

// ---------------------------------------------------------------------------
// Animation

int MdlModel::SelectSequence(int sequence) {
    const int count = SequenceCount();
    if (sequence >= count) sequence = 0;
    if (sequence < 0) sequence = count - 1;
    m_sequence = sequence;
    m_frame = 0;
    return m_sequence;
}

void MdlModel::StepAnimation(float dt) {
    if (!m_pHeader) return;
    if (m_sequence < 0 || m_sequence >= SequenceCount()) m_sequence = 0;
    const uint8_t* seq = SequenceRecord(m_sequence);
    // A clock that runs backwards (or a bad value) must not move the frame
    // below 0: the channel lookup counts frames from 0 upwards.
    if (!(dt > 0)) dt = 0;
    if (dt > 0.1f) dt = 0.1f;
    m_frame += dt * ReadF32(seq + mdl::kSeqFps);
    const int frames = ReadI32(seq + mdl::kSeqNumFrames);
    if (frames <= 1) {
        m_frame = 0;
        return;
    }
    const float span = static_cast<float>(frames - 1);
    m_frame -= std::trunc(m_frame / span) * span;
    if (m_frame < 0) m_frame += span;  // a negative frame rate
    if (!(m_frame >= 0 && m_frame < span)) m_frame = 0;
}

const uint8_t* MdlModel::FindAnimation(const uint8_t* seq) const {
    const int group = ReadI32(seq + mdl::kSeqGroup);
    const int32_t anim = ReadI32(seq + mdl::kSeqAnimIndex);
    if (group == 0) {
        const uint8_t* group0 = m_pHeader + ReadI32(m_pHeader + mdl::kSequenceGroupIndex);
        return m_pHeader + ReadI32(group0 + mdl::kGroupData) + anim;
    }
    return m_pSequenceGroups[group] + anim;
}

const uint8_t* MdlModel::BufferEnd(const uint8_t* p) const {
    for (int i = 1; i < kMaxSequenceGroups; ++i) {
        const std::vector<uint8_t>& g = m_groupFiles[i];
        if (!g.empty() && p >= g.data() && p < g.data() + g.size()) return g.data() + g.size();
    }
    return m_mainFile.data() + m_mainFile.size();
}

namespace {

// The run lookup of one channel at frame `frame`: val1, val2 as the
// rotation uses them; `at_last_stored` marks the case where a position
// takes val1 alone.
void LookupRun(const uint8_t* run, const uint8_t* end, int frame, float* val1, float* val2, bool* at_last_stored) {
    int k = frame;
    for (;;) {
        const int total = run[1];
        if (total > k) break;
        const uint8_t* next_run = run + 2 + run[0] * 2;
        if (total == 0 || next_run + 2 > end) break;  // never for checked files
        k -= total;
        run = next_run;
    }
    const int valid = run[0], total = run[1];
    auto value = [&](int i) { return static_cast<float>(ReadI16(run + 2 + i * 2)); };
    const uint8_t* next_cell = run + 2 + valid * 2 + 2;
    const float last = value(valid - 1);
    const float next = next_cell + 2 <= end ? static_cast<float>(ReadI16(next_cell)) : last;
    *at_last_stored = false;
    if (k + 1 < valid) {
        *val1 = value(k);
        *val2 = value(k + 1);
    } else if (k + 1 == valid) {
        *val1 = value(k);
        *val2 = k + 1 < total ? value(k) : next;
        *at_last_stored = true;
    } else if (k + 1 < total) {
        *val1 = *val2 = last;
    } else {
        *val1 = last;
        *val2 = next;
    }
}

}  // namespace

namespace {

// Rotation of one bone at frame f + s: interpolated between two keyframe
// angle sets unless they are nearly equal.
void BoneRotationAt(int f, float s, const uint8_t* bone, const uint8_t* entry, const uint8_t* end, float q[4]) {
    float value[6], scale[6];
    std::memcpy(value, bone + mdl::kBoneValue, sizeof value);
    std::memcpy(scale, bone + mdl::kBoneScale, sizeof scale);
    float angle1[3], angle2[3];
    for (int j = 0; j < 3; ++j) {
        const uint16_t offset = ReadU16(entry + (3 + j) * 2);
        if (offset == 0) {
            angle1[j] = angle2[j] = value[3 + j];
            continue;
        }
        float v1, v2;
        bool at_last;
        LookupRun(entry + offset, end, f, &v1, &v2, &at_last);
        angle1[j] = value[3 + j] + v1 * scale[3 + j];
        angle2[j] = value[3 + j] + v2 * scale[3 + j];
    }
    if (NearlyEqual(angle1, angle2)) {
        EulerToQuaternion(angle1, q);
    } else {
        float q1[4], q2[4];
        EulerToQuaternion(angle1, q1);
        EulerToQuaternion(angle2, q2);
        QuaternionBlend(q1, q2, s, q);
    }
}

void BonePositionAt(int f, float s, const uint8_t* bone, const uint8_t* entry, const uint8_t* end, float pos[3]) {
    for (int j = 0; j < 3; ++j) {
        pos[j] = ReadF32(bone + mdl::kBoneValue + j * 4);
        const uint16_t offset = ReadU16(entry + j * 2);
        if (offset == 0) continue;
        float v1, v2;
        bool at_last;
        LookupRun(entry + offset, end, f, &v1, &v2, &at_last);
        const float result = at_last ? v1 : (1.0f - s) * v1 + s * v2;
        pos[j] += result * ReadF32(bone + mdl::kBoneScale + j * 4);
    }
}

}  // namespace

void MdlModel::SampleChannels(BonePose* pose, const uint8_t* seq, const uint8_t* block, float frame) const {
    const int frames = ReadI32(seq + mdl::kSeqNumFrames);
    int f = static_cast<int>(frame);
    const float s = frame - static_cast<float>(f);
    if (f < 0) f = 0;
    if (f > frames - 1 && frames > 0) f = frames - 1;
    const uint8_t* end = BufferEnd(block);
    const int bones = ReadI32(m_pHeader + mdl::kNumBones);
    const uint8_t* bone_table = m_pHeader + ReadI32(m_pHeader + mdl::kBoneIndex);
    for (int i = 0; i < bones; ++i) {
        const uint8_t* bone = bone_table + i * mdl::kBoneSize;
        const uint8_t* entry = block + i * mdl::kAnimEntrySize;
        BoneRotationAt(f, s, bone, entry, end, pose->rotation[i]);
        BonePositionAt(f, s, bone, entry, end, pose->position[i]);
    }
    const int motion = ReadI32(seq + mdl::kSeqMotionType);
    const int motion_bone = ReadI32(seq + mdl::kSeqMotionBone);
    if (motion_bone >= 0 && motion_bone < bones) {
        if (motion & 1) pose->position[motion_bone][0] = 0;
        if (motion & 2) pose->position[motion_bone][1] = 0;
        if (motion & 4) pose->position[motion_bone][2] = 0;
    }
}

namespace {
void BlendPoses(BonePose* p, BonePose* q, float w, int bones) {
    if (w < 0) w = 0;
    if (w > 1) w = 1;
    for (int i = 0; i < bones; ++i) {
        float q3[4];
        QuaternionBlend(p->rotation[i], q->rotation[i], w, q3);
        std::memcpy(p->rotation[i], q3, sizeof q3);
        for (int j = 0; j < 3; ++j)
            p->position[i][j] = (1.0f - w) * p->position[i][j] + w * q->position[i][j];
    }
}
}  // namespace

void MdlModel::PoseBones() {
    if (m_sequence < 0 || m_sequence >= SequenceCount()) m_sequence = 0;
    const uint8_t* seq = SequenceRecord(m_sequence);
    const uint8_t* block = FindAnimation(seq);
    const int bones = ReadI32(m_pHeader + mdl::kNumBones);
    const int block_size = bones * mdl::kAnimEntrySize;
    BonePose* pose = mdl_work.pose;
    SampleChannels(&pose[0], seq, block, m_frame);
    const int blends = ReadI32(seq + mdl::kSeqNumBlends);
    if (blends > 1) {
        SampleChannels(&pose[1], seq, block + block_size, m_frame);
        BlendPoses(&pose[0], &pose[1], m_blending[0] / 255.0f, bones);
        if (blends == 4) {
            SampleChannels(&pose[2], seq, block + 2 * block_size, m_frame);
            SampleChannels(&pose[3], seq, block + 3 * block_size, m_frame);
            BlendPoses(&pose[2], &pose[3], m_blending[0] / 255.0f, bones);
            BlendPoses(&pose[0], &pose[2], m_blending[1] / 255.0f, bones);
        }
    }
    const uint8_t* bone_table = m_pHeader + ReadI32(m_pHeader + mdl::kBoneIndex);
    for (int i = 0; i < bones; ++i) {
        float matrix[3][4];
        QuaternionToMatrix(pose[0].rotation[i], matrix);
        for (int j = 0; j < 3; ++j) matrix[j][3] = pose[0].position[i][j];
        const int parent = ReadI32(bone_table + i * mdl::kBoneSize + mdl::kBoneParent);
        if (parent == -1)
            std::memcpy(mdl_work.bone_transform[i], matrix, sizeof matrix);
        else
            ConcatTransforms(mdl_work.bone_transform[parent], matrix, mdl_work.bone_transform[i]);
    }
}

// ---------------------------------------------------------------------------
// Light and submodels

void MdlModel::PrepareLight() {
    mdl_work.ambient = kAmbientLight;
    mdl_work.shade = kShadeLight;
    mdl_work.light_direction[0] = 0;
    mdl_work.light_direction[1] = 0;
    mdl_work.light_direction[2] = -1;
    mdl_work.light_colour[0] = mdl_work.light_colour[1] = mdl_work.light_colour[2] = 1;
    const int bones = ReadI32(m_pHeader + mdl::kNumBones);
    for (int i = 0; i < bones; ++i)
        InverseRotate(mdl_work.light_direction, mdl_work.bone_transform[i], mdl_work.bone_light[i]);
}

float MdlModel::VertexLight(int bone, int flags, const float normal[3]) const {
    float illum = static_cast<float>(mdl_work.ambient);
    if (flags & mdl::kFlatShade) {
        illum += mdl_work.shade * 0.8f;
    } else {
        const float* light = mdl_work.bone_light[bone];
        float c = normal[0] * light[0] + normal[1] * light[1] + normal[2] * light[2];
        if (c > 1.0f) c = 1.0f;
        illum += mdl_work.shade;
        const float r = 1.5f;
        c = (c + (r - 1.0f)) / r;
        if (c > 0) illum -= mdl_work.shade * c;
        if (illum <= 0) illum = 0;
    }
    if (illum > 255) illum = 255;
    return illum / 255.0f;
}

void MdlModel::PickSubmodel(int body_part) {
    const uint8_t* part = m_pHeader + ReadI32(m_pHeader + mdl::kBodyPartIndex) + body_part * mdl::kBodyPartSize;
    const int base = ReadI32(part + mdl::kPartBase);
    const int count = ReadI32(part + mdl::kPartNumModels);
    int index = (m_body / base) % count;
    if (index < 0) index += count;  // a negative body value
    m_pSubmodel = m_pHeader + ReadI32(part + mdl::kPartModelIndex) + index * mdl::kSubmodelSize;
}

void MdlModel::TransformAndLight() {
    const uint8_t* sub = m_pSubmodel;
    const int vertices = ReadI32(sub + mdl::kModelNumVerts);
    const uint8_t* vert_bone = m_pHeader + ReadI32(sub + mdl::kModelVertInfo);
    const uint8_t* vert = m_pHeader + ReadI32(sub + mdl::kModelVertIndex);
    for (int i = 0; i < vertices; ++i) {
        float v[3];
        ReadVec3(vert + i * 12, v);
        TransformPoint(v, mdl_work.bone_transform[vert_bone[i]], mdl_work.transformed[i]);
    }

    const uint8_t* skins = SkinReferences();
    const int meshes = ReadI32(sub + mdl::kModelNumMesh);
    const uint8_t* mesh = m_pHeader + ReadI32(sub + mdl::kModelMeshIndex);
    const uint8_t* norm_bone = m_pHeader + ReadI32(sub + mdl::kModelNormInfo);
    const uint8_t* norm = m_pHeader + ReadI32(sub + mdl::kModelNormIndex);
    float* light = &mdl_work.light_values[0][0];
    for (int m = 0; m < meshes; ++m, mesh += mdl::kMeshSize) {
        const int flags = ReadI32(MeshTexture(skins, mesh) + mdl::kTexFlags);
        const int normals = ReadI32(mesh + mdl::kMeshNumNorms);
        for (int n = 0; n < normals; ++n, norm += 12, ++norm_bone, light += 3) {
            float normal[3];
            ReadVec3(norm, normal);
            const float lv = VertexLight(*norm_bone, flags, normal);
            for (int c = 0; c < 3; ++c) light[c] = lv * mdl_work.light_colour[c];
        }
    }
}
