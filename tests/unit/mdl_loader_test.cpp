// The studio model without GL: our shipped model, the companion files,
// every check against broken files, the run lookup, the animation step,
// the math and the skin resampling.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

#include "model/mdl_model.h"
#include "render/model_pass.h"
#include "support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string ModelPath() { return SourceDir() + "/data/mdl/velisse.mdl"; }
std::string PartsPath() { return SourceDir() + "/tests/data/mdl/velisse_parts.mdl"; }

int32_t I32(const Bytes& b, int64_t at) { return ReadI32(b.data() + at); }
void Set32(Bytes& b, int64_t at, int32_t v) { WriteI32(b.data() + at, v); }
void Set16(Bytes& b, int64_t at, int16_t v) { std::memcpy(b.data() + at, &v, 2); }

// Offsets of records inside our model, found through its tables.
struct Layout {
    explicit Layout(const Bytes& b) : b(b) {}
    int64_t Bone(int i) const { return I32(b, mdl::kBoneIndex) + int64_t{i} * mdl::kBoneSize; }
    int64_t Sequence(int i) const { return I32(b, mdl::kSequenceIndex) + int64_t{i} * mdl::kSequenceSize; }
    int64_t Part(int i) const { return I32(b, mdl::kBodyPartIndex) + int64_t{i} * mdl::kBodyPartSize; }
    int64_t Submodel(int part, int i) const { return I32(b, Part(part) + mdl::kPartModelIndex) + int64_t{i} * mdl::kSubmodelSize; }
    int64_t Mesh(int part, int sub, int i) const {
        return I32(b, Submodel(part, sub) + mdl::kModelMeshIndex) + int64_t{i} * mdl::kMeshSize;
    }
    int64_t Texture(int i) const { return I32(b, mdl::kTextureIndex) + int64_t{i} * mdl::kTextureSize; }
    int64_t AnimBlock(int seq) const {
        const int64_t group0 = I32(b, mdl::kSequenceGroupIndex);
        return I32(b, group0 + mdl::kGroupData) + I32(b, Sequence(seq) + mdl::kSeqAnimIndex);
    }
    const Bytes& b;
};

class MdlLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        original_ = ReadBytes(ModelPath());
        ASSERT_GT(original_.size(), 1000u);
        dir_ = MakeTempDir("lumora-mdl");
    }

    // Writes `bytes` as a model file and reads it; returns the message.
    std::string LoadError(const Bytes& bytes, const char* name = "broken.mdl") {
        const std::string path = dir_ + "/" + name;
        WriteBytes(path, bytes);
        MdlModel model;
        std::string error;
        if (model.ReadFiles(path.c_str(), &error)) return "";
        EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << "message does not name the file: " << error;
        return error;
    }

    Bytes original_;
    std::string dir_;
};

TEST_F(MdlLoaderTest, OurModelLoadsWithSkeletonSequencesAndSkins) {
    MdlModel model;
    std::string error;
    ASSERT_TRUE(model.ReadFiles(ModelPath().c_str(), &error)) << error;
    EXPECT_EQ(model.m_pTextureHeader, model.m_pHeader);
    EXPECT_GE(model.SequenceCount(), 14);
    const Layout l(original_);
    EXPECT_EQ(I32(original_, mdl::kNumBones), 14);
    for (int i = 0; i < 14; ++i) EXPECT_LT(I32(original_, l.Bone(i) + mdl::kBoneParent), i);
    EXPECT_EQ(I32(original_, l.Sequence(0) + mdl::kSeqNumFrames), 31);
    EXPECT_FLOAT_EQ(ReadF32(original_.data() + l.Sequence(0) + mdl::kSeqFps), 30.0f);
    EXPECT_GE(I32(original_, mdl::kNumBodyParts), 2);
    EXPECT_GE(model.TextureCount(), 4);
    // A skin whose sides are no powers of two, to exercise the resampling.
    bool odd = false;
    for (int i = 0; i < model.TextureCount(); ++i)
        odd = odd || I32(original_, l.Texture(i) + mdl::kTexWidth) == 100;
    EXPECT_TRUE(odd);
    EXPECT_EQ(model.SelectSequence(13), 13);

    // Real keyframe data: the idle holds poses, so some runs repeat their
    // last value (valid < total); others store a value per frame.
    int held = 0, stored = 0;
    const int64_t block = l.AnimBlock(13);
    for (int bone = 0; bone < 14; ++bone)
        for (int channel = 0; channel < 6; ++channel) {
            const uint16_t offset = ReadU16(original_.data() + block + bone * 12 + channel * 2);
            if (!offset) continue;
            const uint8_t* run = original_.data() + block + bone * 12 + offset;
            for (int frames = 0; frames < 61; run += 2 + run[0] * 2) {
                (run[0] < run[1] ? held : stored)++;
                frames += run[1];
            }
        }
    EXPECT_GT(held, 0);
    EXPECT_GT(stored, 0);
}

TEST_F(MdlLoaderTest, CompanionFilesAreReadNextToTheModel) {
    EXPECT_EQ(CompanionName("mdl\\velisse.mdl", "T.mdl"), "mdl\\velisseT.mdl");
    EXPECT_EQ(CompanionName("a/b/x.mdl", "01.mdl"), "a/b/x01.mdl");
    EXPECT_EQ(CompanionName("ab", "T.mdl"), "T.mdl");

    MdlModel model;
    std::string error;
    ASSERT_TRUE(model.ReadFiles(PartsPath().c_str(), &error)) << error;
    EXPECT_NE(model.m_pTextureHeader, model.m_pHeader);
    EXPECT_EQ(model.m_pSequenceGroups[0], nullptr);
    EXPECT_NE(model.m_pSequenceGroups[1], nullptr);
    EXPECT_NE(model.m_pSequenceGroups[2], nullptr);
    EXPECT_EQ(model.m_pSequenceGroups[3], nullptr);

    // Without its companions the variant is refused, naming the missing file.
    const std::string lone = dir_ + "/lone.mdl";
    WriteBytes(lone, ReadBytes(PartsPath()));
    EXPECT_FALSE(model.ReadFiles(lone.c_str(), &error));
    EXPECT_EQ(error, "Unable to open " + dir_ + "/loneT.mdl");
    WriteBytes(dir_ + "/loneT.mdl", ReadBytes(SourceDir() + "/tests/data/mdl/velisse_partsT.mdl"));
    WriteBytes(dir_ + "/lone01.mdl", ReadBytes(SourceDir() + "/tests/data/mdl/velisse_parts01.mdl"));
    EXPECT_FALSE(model.ReadFiles(lone.c_str(), &error));
    EXPECT_EQ(error, "Unable to open " + dir_ + "/lone02.mdl");
    WriteBytes(dir_ + "/lone02.mdl", ReadBytes(SourceDir() + "/tests/data/mdl/velisse_parts02.mdl"));
    EXPECT_TRUE(model.ReadFiles(lone.c_str(), &error)) << error;

    // Backslash paths are opened with '/'.
    std::string backslashed = lone;
    for (char& c : backslashed)
        if (c == '/') c = '\\';
    EXPECT_TRUE(model.ReadFiles(backslashed.c_str(), &error)) << error;
    EXPECT_FALSE(model.ReadFiles((dir_ + "/none.mdl").c_str(), &error));
    EXPECT_EQ(error, "Unable to open " + dir_ + "/none.mdl");
}

TEST_F(MdlLoaderTest, EveryTruncationIsRejected) {
    // The skins sit at the end of the file, so any cut loses something used.
    for (size_t cut = 0; cut < original_.size(); cut += cut < 4096 ? 13 : 499) {
        const Bytes part(original_.begin(), original_.begin() + static_cast<long>(cut));
        EXPECT_NE(LoadError(part), "") << "cut at " << cut;
    }
    EXPECT_NE(LoadError(Bytes(original_.begin(), original_.end() - 1)), "");
    EXPECT_NE(LoadError(Bytes(100, 0)).find("too short for a model header"), std::string::npos);
}

TEST_F(MdlLoaderTest, BrokenHeaderAndTablesAreNamed) {
    const Layout l(original_);
    struct Case {
        const char* expected;
        std::function<void(Bytes&)> corrupt;
    };
    const std::vector<Case> cases = {
        {"bone count 129 is outside 0..128", [](Bytes& b) { Set32(b, mdl::kNumBones, 129); }},
        {"bone count (offset", [](Bytes& b) { Set32(b, mdl::kBoneIndex, static_cast<int32_t>(b.size()) - 50); }},
        {"bone 3 has parent 7", [&](Bytes& b) { Set32(b, l.Bone(3) + mdl::kBoneParent, 7); }},
        {"bone 0 has parent -2", [&](Bytes& b) { Set32(b, l.Bone(0) + mdl::kBoneParent, -2); }},
        {"sequence count -1", [](Bytes& b) { Set32(b, mdl::kNumSequences, -1); }},
        {"sequence count (offset", [](Bytes& b) { Set32(b, mdl::kSequenceIndex, 0x7FFFFFF0); }},
        {"sequence group count 33", [](Bytes& b) { Set32(b, mdl::kNumSequenceGroups, 33); }},
        {"sequence 2: sequence group 1 is outside 0..0", [&](Bytes& b) { Set32(b, l.Sequence(2) + mdl::kSeqGroup, 1); }},
        {"sequence 4: blend count 3", [&](Bytes& b) { Set32(b, l.Sequence(4) + mdl::kSeqNumBlends, 3); }},
        {"sequence 0: motion bone 14", [&](Bytes& b) { Set32(b, l.Sequence(0) + mdl::kSeqMotionBone, 14); }},
        {"sequence 1: frame count -5", [&](Bytes& b) { Set32(b, l.Sequence(1) + mdl::kSeqNumFrames, -5); }},
        {"sequence 5 animation blocks", [&](Bytes& b) { Set32(b, l.Sequence(5) + mdl::kSeqAnimIndex, 0x10000000); }},
        // More frames than the stored runs cover.
        {"sequence 13 bone", [&](Bytes& b) { Set32(b, l.Sequence(13) + mdl::kSeqNumFrames, 30000); }},
        {"texture 2 pixels and palette", [&](Bytes& b) { Set32(b, l.Texture(2) + mdl::kTexIndex, static_cast<int32_t>(b.size()) - 100); }},
        {"texture 1 has size 0 x 64", [&](Bytes& b) { Set32(b, l.Texture(1) + mdl::kTexWidth, 0); }},
        {"skin table entry 3 names texture 99", [](Bytes& b) { Set16(b, I32(b, mdl::kSkinIndex) + 6, 99); }},
        {"skin table (offset", [](Bytes& b) { Set32(b, mdl::kNumSkinFamilies, 60000); }},
        {"body part 1: submodel count 0", [&](Bytes& b) { Set32(b, l.Part(1) + mdl::kPartNumModels, 0); }},
        {"body part 0: base is 0", [&](Bytes& b) { Set32(b, l.Part(0) + mdl::kPartBase, 0); }},
        {"submodel table (offset", [&](Bytes& b) { Set32(b, l.Part(2) + mdl::kPartModelIndex, -4); }},
        {"vertex count 2049 is outside 0..2048", [&](Bytes& b) { Set32(b, l.Submodel(0, 0) + mdl::kModelNumVerts, 2049); }},
        {"mesh table (offset", [&](Bytes& b) { Set32(b, l.Submodel(1, 0) + mdl::kModelMeshIndex, static_cast<int32_t>(b.size())); }},
        {"vertex 0 uses bone 200", [&](Bytes& b) { b[I32(b, l.Submodel(0, 0) + mdl::kModelVertInfo)] = 200; }},
        {"normal 5 uses bone 14", [&](Bytes& b) { b[I32(b, l.Submodel(0, 0) + mdl::kModelNormInfo) + 5] = 14; }},
        {"normals, more than 2048", [&](Bytes& b) { Set32(b, l.Mesh(0, 0, 0) + mdl::kMeshNumNorms, 3000); }},
        {"mesh 0: skin reference 5", [&](Bytes& b) { Set32(b, l.Mesh(1, 0, 0) + mdl::kMeshSkinRef, 5); }},
        {"vertex index 2048", [&](Bytes& b) { Set16(b, I32(b, l.Mesh(1, 0, 0) + mdl::kMeshTriIndex) + 2, 2048); }},
        {"vertex index -3", [&](Bytes& b) { Set16(b, I32(b, l.Mesh(1, 0, 0) + mdl::kMeshTriIndex) + 2, -3); }},
        {"normal index 4000", [&](Bytes& b) { Set16(b, I32(b, l.Mesh(1, 0, 0) + mdl::kMeshTriIndex) + 4, 4000); }},
        {"triangle commands run past the end", [&](Bytes& b) { Set32(b, l.Mesh(1, 0, 0) + mdl::kMeshTriIndex, static_cast<int32_t>(b.size()) - 2); Set16(b, b.size() - 2, 40); }},
        {"the model has no sequences", [](Bytes& b) { Set32(b, mdl::kNumSequences, 0); }},
    };
    for (const Case& c : cases) {
        Bytes broken = original_;
        c.corrupt(broken);
        EXPECT_NE(LoadError(broken).find(c.expected), std::string::npos)
            << "expected \"" << c.expected << "\", got \"" << LoadError(broken) << "\"";
    }
}

// Random damage anywhere: the file is refused, or everything the drawing
// reads stays inside it (run under AddressSanitizer to see the difference).
TEST_F(MdlLoaderTest, RandomDamageIsRefusedOrSafeToDraw) {
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    // Damage lands mostly in the header, tables and animations, before the skins.
    const size_t skins = static_cast<size_t>(I32(original_, Layout(original_).Texture(0) + mdl::kTexIndex));
    int accepted = 0;
    for (int round = 0; round < 400; ++round) {
        Bytes broken = original_;
        const int hits = 1 + static_cast<int>(next() % 4);
        for (int h = 0; h < hits; ++h) {
            const size_t at = (next() % (skins - 4)) & ~size_t{1};
            const uint32_t value = next();
            switch (next() % 4) {
                case 0: Set32(broken, static_cast<int64_t>(at & ~size_t{3}), static_cast<int32_t>(value)); break;
                case 1: Set16(broken, static_cast<int64_t>(at), static_cast<int16_t>(value)); break;
                case 2: broken[at] = static_cast<uint8_t>(value); break;
                default: Set32(broken, static_cast<int64_t>(at & ~size_t{3}), static_cast<int32_t>(value % 4096)); break;
            }
        }
        const std::string path = dir_ + "/damaged.mdl";
        WriteBytes(path, broken);
        MdlModel model;
        std::string error;
        if (!model.ReadFiles(path.c_str(), &error)) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        ++accepted;
        for (int sequence = 0; sequence < model.SequenceCount(); ++sequence) {
            model.SelectSequence(sequence);
            for (int step = 0; step < 4; ++step) {
                model.StepAnimation(0.07f);
                model.PoseBones();
            }
        }
        model.PrepareLight();
        const int parts = ReadI32(model.m_pHeader + mdl::kNumBodyParts);
        for (int part = 0; part < parts; ++part) {
            model.PickSubmodel(part);
            model.TransformAndLight();
        }
    }
    EXPECT_GT(accepted, 10);  // harmless damage (names, unused fields) still loads
}

TEST_F(MdlLoaderTest, BrokenAnimationStreamsAreNamed) {
    const Layout l(original_);
    // Find a channel of the walk with stored values and break its first run.
    const int64_t block = l.AnimBlock(0);
    int64_t stream = 0;
    int bone = 0, channel = 0;
    for (bone = 0; bone < 14 && !stream; ++bone)
        for (channel = 0; channel < 6 && !stream; ++channel) {
            const uint16_t offset = ReadU16(original_.data() + block + bone * 12 + channel * 2);
            if (offset) stream = block + bone * 12 + offset;
        }
    ASSERT_NE(stream, 0);
    Bytes empty_run = original_;
    Set16(empty_run, stream, 0x0500);  // total 5, nothing stored
    EXPECT_NE(LoadError(empty_run).find("empty animation run"), std::string::npos);
    Bytes far_offset = original_;
    Set16(far_offset, block + (bone - 1) * 12 + (channel - 1) * 2, -2);  // 65534 bytes on
    // Whatever lies 64 KiB on is no valid run for that channel, and the
    // message names it.
    const std::string channel_name =
        "sequence 0 bone " + std::to_string(bone - 1) + " channel " + std::to_string(channel - 1) + ": ";
    EXPECT_NE(LoadError(far_offset).find(channel_name), std::string::npos) << LoadError(far_offset);
}

// A one-bone model whose rotation x and position x channels share one
// stream: runs (2 stored, 3 frames: 100, 200), (1, 2: 300), (1, 1: 400).
Bytes RunLookupModel(const std::vector<int16_t>& stream, int frames, float rotation_scale = 0.001f) {
    Bytes b(4096, 0);
    Set32(b, mdl::kNumBones, 1);
    Set32(b, mdl::kBoneIndex, 300);
    Set32(b, 300 + mdl::kBoneParent, -1);
    const float scale[6] = {1, 1, 1, rotation_scale, 1, 1};
    std::memcpy(b.data() + 300 + mdl::kBoneScale, scale, sizeof scale);
    Set32(b, mdl::kNumSequences, 1);
    Set32(b, mdl::kSequenceIndex, 500);
    const float fps = 10;
    std::memcpy(b.data() + 500 + mdl::kSeqFps, &fps, 4);
    Set32(b, 500 + mdl::kSeqNumFrames, frames);
    Set32(b, 500 + mdl::kSeqNumBlends, 1);
    Set32(b, 500 + mdl::kSeqAnimIndex, 100);
    Set32(b, mdl::kNumSequenceGroups, 1);
    Set32(b, mdl::kSequenceGroupIndex, 700);
    Set32(b, 700 + mdl::kGroupData, 900);
    // Block at 1000: channel 0 (position x) and 3 (rotation x) -> stream at 1012.
    Set16(b, 1000, 12);
    Set16(b, 1006, 12);
    for (size_t i = 0; i < stream.size(); ++i) Set16(b, 1012 + static_cast<int64_t>(i) * 2, stream[i]);
    Set32(b, mdl::kNumTextures, 1);
    Set32(b, mdl::kTextureIndex, 2000);
    Set32(b, 2000 + mdl::kTexWidth, 1);
    Set32(b, 2000 + mdl::kTexHeight, 1);
    Set32(b, 2000 + mdl::kTexIndex, 2100);
    Set32(b, mdl::kNumSkinRefs, 1);
    Set32(b, mdl::kNumSkinFamilies, 1);
    Set32(b, mdl::kSkinIndex, 3000);
    return b;
}

int16_t RunHeader(int valid, int total) { return static_cast<int16_t>(valid | (total << 8)); }

TEST_F(MdlLoaderTest, RunLookupFollowsTheTable) {
    const std::string path = dir_ + "/runs.mdl";
    WriteBytes(path, RunLookupModel({RunHeader(2, 3), 100, 200, RunHeader(1, 2), 300, RunHeader(1, 1), 400}, 6));
    MdlModel model;
    std::string error;
    ASSERT_TRUE(model.ReadFiles(path.c_str(), &error)) << error;
    ASSERT_EQ(model.FindAnimation(model.m_pHeader + 500), model.m_pHeader + 1000);
    BonePose pose;
    // The record pointers change with every read: look them up each time.
    auto sample = [&](float frame) {
        const uint8_t* seq = model.m_pHeader + 500;
        model.SampleChannels(&pose, seq, model.FindAnimation(seq), frame);
    };
    auto position = [&](float frame) {
        sample(frame);
        return pose.position[0][0];
    };
    // A turn about x alone: the quaternion (sin a/2, 0, 0, cos a/2).
    auto rotation_matches = [&](float frame, float angle) {
        sample(frame);
        const float expected[4] = {std::sin(angle / 2), 0, 0, std::cos(angle / 2)};
        for (int i = 0; i < 4; ++i)
            if (std::fabs(pose.rotation[0][i] - expected[i]) > 2e-5f) return false;
        return true;
    };
    // k + 1 < valid: both stored values.
    EXPECT_FLOAT_EQ(position(0.5f), 150);
    EXPECT_TRUE(rotation_matches(0.5f, 0.15f));
    // k + 1 = valid inside the run: the last stored value, held.
    EXPECT_FLOAT_EQ(position(1.5f), 200);
    EXPECT_TRUE(rotation_matches(1.5f, 0.2f));
    // k >= valid at the run's last frame: last towards the next run.
    EXPECT_FLOAT_EQ(position(2.5f), 250);
    EXPECT_TRUE(rotation_matches(2.5f, 0.25f));
    // Second run: held, then towards the third.
    EXPECT_FLOAT_EQ(position(3.5f), 300);
    EXPECT_FLOAT_EQ(position(4.25f), 325);
    EXPECT_TRUE(rotation_matches(4.5f, 0.35f));

    // k + 1 = valid = total: the rotation moves on to the next run, the
    // position keeps the stored value.
    WriteBytes(path, RunLookupModel({RunHeader(1, 1), 10, RunHeader(1, 1), 20}, 2));
    ASSERT_TRUE(model.ReadFiles(path.c_str(), &error)) << error;
    EXPECT_FLOAT_EQ(position(0.5f), 10);
    EXPECT_TRUE(rotation_matches(0.5f, 0.015f));

    // Angles closer than 0.001: no interpolation, the first frame's rotation.
    WriteBytes(path, RunLookupModel({RunHeader(2, 2), 10, 12}, 2, 0.0004f));
    ASSERT_TRUE(model.ReadFiles(path.c_str(), &error)) << error;
    EXPECT_TRUE(rotation_matches(0.5f, 0.004f));
    EXPECT_FALSE(rotation_matches(0.5f, 0.0044f));

    // A single-frame sequence: the lookup of the next value stays in the
    // file even when the stream is the file's last cell.
    Bytes last = RunLookupModel({RunHeader(1, 1), 7}, 1);
    last.resize(1016);
    Set32(last, mdl::kNumTextures, 0);  // skins from the companion
    WriteBytes(path, last);
    WriteBytes(dir_ + "/runsT.mdl", RunLookupModel({}, 1));
    ASSERT_TRUE(model.ReadFiles(path.c_str(), &error)) << error;
    EXPECT_FLOAT_EQ(position(0), 7);
    model.StepAnimation(0.05f);
    EXPECT_EQ(model.m_frame, 0);
}

TEST_F(MdlLoaderTest, SelectSequenceWrapsAndStepAnimationLoops) {
    MdlModel model;
    std::string error;
    ASSERT_TRUE(model.ReadFiles(ModelPath().c_str(), &error)) << error;
    const int count = model.SequenceCount();
    EXPECT_EQ(model.SelectSequence(count), 0);
    EXPECT_EQ(model.SelectSequence(count + 7), 0);
    EXPECT_EQ(model.SelectSequence(-1), count - 1);
    model.m_frame = 5;
    EXPECT_EQ(model.SelectSequence(6), 6);
    EXPECT_EQ(model.m_frame, 0);

    // The walk: 31 frames at 30 fps.
    model.SelectSequence(0);
    for (int i = 0; i < 10; ++i) model.StepAnimation(0.1f);
    EXPECT_NEAR(std::min(model.m_frame, 30 - model.m_frame), 0, 1e-3);
    model.SelectSequence(0);
    model.StepAnimation(0.5f);  // capped at 0.1 s
    EXPECT_NEAR(model.m_frame, 3, 1e-5);
    model.StepAnimation(0.05f);
    EXPECT_NEAR(model.m_frame, 4.5f, 1e-5);
    // A clock that went backwards or a wrapped tick: no step, never below 0.
    model.StepAnimation(-4000.0f);
    EXPECT_NEAR(model.m_frame, 4.5f, 1e-5);
    model.SelectSequence(0);
    model.StepAnimation(-0.01f);
    EXPECT_EQ(model.m_frame, 0);
    model.StepAnimation(std::nanf(""));
    EXPECT_EQ(model.m_frame, 0);
}

TEST_F(MdlLoaderTest, PosingAllSequencesStaysFinite) {
    MdlModel model;
    std::string error;
    ASSERT_TRUE(model.ReadFiles(PartsPath().c_str(), &error)) << error;
    model.m_blending[0] = 128;
    model.m_blending[1] = 200;
    for (int s = 0; s < model.SequenceCount(); ++s) {
        model.SelectSequence(s);
        for (int step = 0; step < 25; ++step) {
            model.StepAnimation(0.037f);
            model.PoseBones();
            for (int b = 0; b < 14; ++b)
                for (int r = 0; r < 3; ++r)
                    for (int c = 0; c < 4; ++c) ASSERT_TRUE(std::isfinite(mdl_work.bone_transform[b][r][c]));
        }
    }
    // The walk's forward motion is taken out: the pelvis stays over x = 0.
    model.SelectSequence(0);
    for (int step = 0; step < 20; ++step) {
        model.StepAnimation(0.05f);
        model.PoseBones();
        EXPECT_EQ(mdl_work.bone_transform[0][0][3], 0.0f);
    }
}

TEST_F(MdlLoaderTest, LightingOfNormalsAndFlatSkins) {
    MdlModel model;
    std::string error;
    ASSERT_TRUE(model.ReadFiles(PartsPath().c_str(), &error)) << error;
    model.SelectSequence(13);
    model.PoseBones();
    model.PrepareLight();
    // With the bone unrotated: facing the light, along it, across it.
    for (float* m : {&mdl_work.bone_light[0][0]}) m[0] = 0, m[1] = 0, m[2] = -1;
    const float up[3] = {0, 0, 1}, down[3] = {0, 0, -1}, side[3] = {1, 0, 0};
    EXPECT_FLOAT_EQ(model.VertexLight(0, 0, up), (32 + 192) / 255.0f);
    EXPECT_FLOAT_EQ(model.VertexLight(0, 0, down), 32 / 255.0f);
    EXPECT_NEAR(model.VertexLight(0, 0, side), (32 + 192 - 64) / 255.0f, 1e-5);
    EXPECT_FLOAT_EQ(model.VertexLight(0, mdl::kFlatShade, down), (32 + 153.6f) / 255.0f);

    // The variant's ribbon skin is flat: every normal of that mesh alike.
    model.PickSubmodel(2);
    model.TransformAndLight();
    const uint8_t* sub = model.m_pSubmodel;
    const uint8_t* meshes = model.m_pHeader + ReadI32(sub + mdl::kModelMeshIndex);
    int first = 0, flat_meshes = 0;
    for (int m = 0; m < ReadI32(sub + mdl::kModelNumMesh); ++m) {
        const uint8_t* mesh = meshes + m * mdl::kMeshSize;
        const int count = ReadI32(mesh + mdl::kMeshNumNorms);
        if (ReadI32(mesh + mdl::kMeshSkinRef) == 4) {
            ++flat_meshes;
            for (int n = first; n < first + count; ++n)
                for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(mdl_work.light_values[n][c], (32 + 153.6f) / 255.0f);
        }
        first += count;
    }
    EXPECT_EQ(flat_meshes, 1);
}

TEST(MdlMathTest, QuaternionBlendTakesTheShortWay) {
    // Turns about z by 0.2 and 0.6, the second on the far side (negated):
    // halfway is the turn by 0.4.
    float p[4] = {0, 0, std::sin(0.1f), std::cos(0.1f)}, r[4];
    float q[4] = {0, 0, -std::sin(0.3f), -std::cos(0.3f)};
    QuaternionBlend(p, q, 0.5f, r);
    const float expected[4] = {0, 0, std::sin(0.2f), std::cos(0.2f)};
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(r[i], expected[i], 1e-5);
    EXPECT_GT(q[3], 0);  // negated in the caller's array
    // Identical quaternions: the linear branch.
    QuaternionBlend(p, p, 0.3f, r);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(r[i], p[i], 1e-6);

    const float b0[3] = {1, 2, 3}, b1[3] = {1.0009f, 2, 2.9995f}, b2[3] = {1, 2.0011f, 3};
    EXPECT_TRUE(NearlyEqual(b0, b1));
    EXPECT_FALSE(NearlyEqual(b0, b2));

    // A quarter turn about z maps x to y.
    float m[3][4] = {}, out[3];
    const float quarter[3] = {0, 0, 3.14159265f / 2};
    EulerToQuaternion(quarter, p);
    QuaternionToMatrix(p, m);
    const float x[3] = {1, 0, 0};
    TransformPoint(x, m, out);
    EXPECT_NEAR(out[0], 0, 1e-6);
    EXPECT_NEAR(out[1], 1, 1e-6);
    InverseRotate(out, m, out);
    EXPECT_NEAR(out[0], 1, 1e-6);
}

TEST(MdlSkinTest, ResamplingSizesAndFourSampleAverage) {
    EXPECT_EQ(SkinTextureSide(100), 128);
    EXPECT_EQ(SkinTextureSide(60), 64);
    EXPECT_EQ(SkinTextureSide(300), 256);
    EXPECT_EQ(SkinTextureSide(64), 64);
    EXPECT_EQ(SkinTextureSide(1), 1);

    uint8_t palette[768] = {};
    for (int i = 0; i < 256; ++i) palette[i * 3] = static_cast<uint8_t>(i), palette[i * 3 + 1] = 7;
    std::vector<uint8_t> pixels(300 * 300, 0);
    // Texel (1, 1) of 300 -> 256 samples rows 1, 2 and columns 1, 2.
    pixels[1 * 300 + 1] = 10, pixels[1 * 300 + 2] = 20, pixels[2 * 300 + 1] = 30, pixels[2 * 300 + 2] = 41;
    SkinImage big = ResampleSkin(300, 300, pixels.data(), palette);
    ASSERT_EQ(big.width, 256);
    ASSERT_EQ(big.height, 256);
    const uint8_t* texel = &big.rgba[(1 * 256 + 1) * 4];
    EXPECT_EQ(texel[0], (10 + 20 + 30 + 41) >> 2);
    EXPECT_EQ(texel[1], 7);
    EXPECT_EQ(texel[3], 255);

    std::vector<uint8_t> odd(100 * 60);
    for (size_t i = 0; i < odd.size(); ++i) odd[i] = static_cast<uint8_t>(i % 251);
    SkinImage up = ResampleSkin(100, 60, odd.data(), palette);
    EXPECT_EQ(up.width, 128);
    EXPECT_EQ(up.height, 64);
    EXPECT_EQ(up.rgba.size(), 128u * 64 * 4);

    std::vector<uint8_t> square(64 * 64);
    for (size_t i = 0; i < square.size(); ++i) square[i] = static_cast<uint8_t>((i * 7) % 256);
    SkinImage same = ResampleSkin(64, 64, square.data(), palette);
    ASSERT_EQ(same.width, 64);
    for (size_t i = 0; i < square.size(); ++i) ASSERT_EQ(same.rgba[i * 4], square[i]) << i;
}

TEST(ModelPassMathTest, FloorPlaneShadowMatrixAndReadBackSize) {
    float plane[4];
    FloorPlane(&floor_quad[0][3], &floor_quad[1][3], &floor_quad[2][3], plane);
    EXPECT_FLOAT_EQ(plane[0], 0);
    EXPECT_GT(plane[1], 0);
    EXPECT_FLOAT_EQ(plane[2], 0);
    EXPECT_FLOAT_EQ(plane[3] / plane[1], 64);

    const float light[4] = {0, 0, 64, 1};
    float m[16];
    ShadowMatrix(light, plane, m);
    // A point between the light and the floor lands on the floor, on the
    // line from the light through it.
    const float p[4] = {10, -32, 40, 1};
    float out[4] = {};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out[r] += m[c * 4 + r] * p[c];
    EXPECT_NEAR(out[1] / out[3], -64, 1e-3);
    EXPECT_NEAR(out[0] / out[3], 20, 1e-3);
    EXPECT_NEAR(out[2] / out[3], 16, 1e-3);

    EXPECT_EQ(ReadBackSide(640), 640);
    EXPECT_EQ(ReadBackSide(2048), 2048);
    EXPECT_EQ(ReadBackSide(2600), 2048);
    EXPECT_EQ(ReadBackSide(-3), 0);
}

}  // namespace
