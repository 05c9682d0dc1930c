// MdlModel: one studio model (".mdl") with its animation state.
//
// The files are read whole and used in place: the model keeps byte pointers
// into them and reads records by offset.  Before anything is used, every
// count, offset and index the drawing reaches is checked against the file
// and against the work-array limits below; a file that breaks them is
// rejected with a message naming the file and the problem.
//
// GL-free here: reading, checking, posing, sampling, lighting math.  Skin
// textures and drawing live in mdl_model_gl.cpp.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

constexpr int kMaxBones = 128;
constexpr int kMaxVertices = 2048;      // per submodel, also normals
constexpr int kMaxSequenceGroups = 32;
constexpr int kMaxSkinSize = 256;       // texture side after resampling

// Record sizes and header fields of the format.
namespace mdl {
constexpr int kHeaderSize = 244;
constexpr int kBoneSize = 112, kBoneControllerSize = 24, kSequenceSize = 176;
constexpr int kSequenceGroupSize = 104, kBodyPartSize = 76, kSubmodelSize = 112;
constexpr int kMeshSize = 20, kTextureSize = 80, kAnimEntrySize = 12;

constexpr int kNumBones = 140, kBoneIndex = 144;
constexpr int kNumBoneControllers = 148, kBoneControllerIndex = 152;
constexpr int kNumSequences = 164, kSequenceIndex = 168;
constexpr int kNumSequenceGroups = 172, kSequenceGroupIndex = 176;
constexpr int kNumTextures = 180, kTextureIndex = 184;
constexpr int kNumSkinRefs = 192, kNumSkinFamilies = 196, kSkinIndex = 200;
constexpr int kNumBodyParts = 204, kBodyPartIndex = 208;

// Bone record
constexpr int kBoneParent = 32, kBoneValue = 64, kBoneScale = 88;
// Sequence record
constexpr int kSeqFps = 32, kSeqNumFrames = 56, kSeqMotionType = 68, kSeqMotionBone = 72;
constexpr int kSeqLinearMovement = 76, kSeqNumBlends = 120, kSeqAnimIndex = 124;
constexpr int kSeqBlendType = 128, kSeqBlendStart = 136, kSeqBlendEnd = 144, kSeqGroup = 156;
// Sequence group record
constexpr int kGroupData = 100;
// Body part record
constexpr int kPartNumModels = 64, kPartBase = 68, kPartModelIndex = 72;
// Submodel record
constexpr int kModelNumMesh = 72, kModelMeshIndex = 76, kModelNumVerts = 80;
constexpr int kModelVertInfo = 84, kModelVertIndex = 88, kModelNormInfo = 96, kModelNormIndex = 100;
// Mesh record
constexpr int kMeshTriIndex = 4, kMeshSkinRef = 8, kMeshNumNorms = 12;
// Texture record
constexpr int kTexFlags = 64, kTexWidth = 68, kTexHeight = 72, kTexIndex = 76;
constexpr int kFlatShade = 1;
}  // namespace mdl

// Little-endian field readers; offsets may be unaligned.
template <class T>
inline T ReadAs(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline int32_t ReadI32(const uint8_t* p) { return ReadAs<int32_t>(p); }
inline int16_t ReadI16(const uint8_t* p) { return ReadAs<int16_t>(p); }
inline uint16_t ReadU16(const uint8_t* p) { return ReadAs<uint16_t>(p); }
inline float ReadF32(const uint8_t* p) { return ReadAs<float>(p); }
void WriteI32(uint8_t* p, int32_t value);

using Quaternion = float[4];  // x, y, z, w
using Matrix3x4 = float[3][4];

// Math operations of the posing.
void EulerToQuaternion(const float angles[3], float q[4]);
void QuaternionToMatrix(const float q[4], float m[3][4]);
// May negate q (the caller's array) to take the shorter way round.
void QuaternionBlend(const float p[4], float q[4], float t, float result[4]);
void ConcatTransforms(const float a[3][4], const float b[3][4], float out[3][4]);
void TransformPoint(const float v[3], const float m[3][4], float out[3]);
void InverseRotate(const float v[3], const float m[3][4], float out[3]);
bool NearlyEqual(const float a[3], const float b[3]);

// Light constants of every draw.
constexpr int kAmbientLight = 32;
constexpr float kShadeLight = 192.0f;

// One animation block's pose.
struct BonePose {
    float rotation[kMaxBones][4];
    float position[kMaxBones][3];
};

// A skin resampled to power-of-two sides (at most 256), RGBA, row 0 first.
struct SkinImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
};
// The four-sample average of the loader; width, height >= 1.
SkinImage ResampleSkin(int width, int height, const uint8_t* pixels, const uint8_t* palette);
// Smallest power of two not below `size`, capped at 256.
int SkinTextureSide(int size);

// "path" with its last four characters replaced by `suffix` ("T.mdl", "01.mdl").
std::string CompanionName(const std::string& path, const char* suffix);

class MdlModel {
public:
    MdlModel();
    ~MdlModel();
    MdlModel(const MdlModel&) = delete;
    MdlModel& operator=(const MdlModel&) = delete;

    // The one way to load a model: reads, checks and makes the skin textures
    // (GL).  On failure returns false with `error` set ("Unable to open
    // <path>", or the file and what is wrong with it) and leaves the model
    // without files.
    bool Load(const char* path, std::string* error);
    // Reads and checks the main file and its companions without making
    // textures (no GL).  On failure returns false with `error` set.
    bool ReadFiles(const char* path, std::string* error);
    // The main or texture file, and a sequence-group file, read whole.
    // Skins are made only after every file has passed the checks.
    static bool ReadModelFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);
    static bool ReadSequenceGroupFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);
    // Skin textures of the texture file (GL); records get their names.
    void MakeSkinTextures();
    void DeleteSkinTextures();

    int SequenceCount() const;
    int TextureCount() const;
    // Texture record i of the texture file.
    const uint8_t* TextureRecord(int i) const;
    // Skin i resampled, read from the texture file; only before
    // MakeSkinTextures puts the texture names into the records.
    SkinImage ResampledSkin(int i) const;

    int SelectSequence(int sequence);
    void StepAnimation(float dt);
    // Poses, lights and draws with the current GL matrices (GL).
    void Render(bool lit, float grey);

    // Steps of Render, GL-free.
    void PoseBones();
    void PrepareLight();
    void PickSubmodel(int body_part);
    // Transforms the current submodel's vertices and lights its normals.
    void TransformAndLight();
    float VertexLight(int bone, int flags, const float normal[3]) const;

    // Sampling of one animation block into `pose` at `frame`.
    void SampleChannels(BonePose* pose, const uint8_t* sequence, const uint8_t* block,
                        float frame) const;
    const uint8_t* FindAnimation(const uint8_t* sequence) const;

    // Fields (the animation state used by the drawing).
    float m_origin[3] = {0, 0, 0};
    float m_angles[3] = {0, 0, 0};
    int32_t m_sequence = 0;
    float m_frame = 0;
    int32_t m_body = 0;
    int32_t m_skin = 0;
    uint8_t m_controller[4] = {0, 0, 0, 0};
    uint8_t m_blending[2] = {0, 0};
    uint8_t* m_pHeader = nullptr;
    uint8_t* m_pSubmodel = nullptr;
    uint8_t* m_pTextureHeader = nullptr;
    uint8_t* m_pSequenceGroups[kMaxSequenceGroups] = {};

private:
    void DrawSubmodel(bool lit, float grey);  // GL
    const uint8_t* SequenceRecord(int i) const;
    // The skin references of the current skin family (family 0 when out of range).
    const uint8_t* SkinReferences() const;
    // The texture record a mesh uses through `skins`.
    const uint8_t* MeshTexture(const uint8_t* skins, const uint8_t* mesh) const;
    // End of the buffer that holds `p` (for the "next value" guard).
    const uint8_t* BufferEnd(const uint8_t* p) const;

    std::vector<uint8_t> m_mainFile, m_textureFile;
    std::vector<uint8_t> m_groupFiles[kMaxSequenceGroups];
    std::vector<uint32_t> m_textureNames;
};

// Work arrays shared by every draw.  Owned by mdl_model.cpp; each draw fills
// what it reads first, so nothing resets them.
struct MdlWorkArrays {
    float bone_transform[kMaxBones][3][4];
    float bone_light[kMaxBones][3];
    BonePose pose[4];
    float transformed[kMaxVertices][3];
    float light_values[kMaxVertices][3];
    float light_direction[3];
    float light_colour[3];
    int ambient;
    float shade;
};
extern MdlWorkArrays mdl_work;
