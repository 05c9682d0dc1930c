// The studio model in a real GL window: skins, the drawing, the walking
// rules, loading from the file dialog, and the model-to-texture pass into
// scene_buffer / shadow_buffer and texture slots 7 and 2.
#include <GL/freeglut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/app.h"
#include "model/mdl_model.h"
#include "model/model.h"
#include "overlay/notices.h"
#include "render/frame_loop.h"
#include "render/model_pass.h"
#include "render/shader.h"
#include "render/render.h"
#include "support/state_guard.h"
#include "support/gl_window.h"
#include "support/test_support.h"

namespace {

struct Counts {
    int model = 0;  // neither background nor sphere grey
    int grey = 0;   // shadow: r = g = b, darker than white
    int red = 0;    // clearly red
    int floor = 0;  // white tinted red (the translucent floor)
};

// BGRA pixels of a read-back buffer, `width` x `height` rows packed.
Counts Classify(const uint8_t* buffer, int width, int height, bool shadow) {
    Counts c;
    for (int i = 0; i < width * height; ++i) {
        const int b = buffer[i * 4], g = buffer[i * 4 + 1], r = buffer[i * 4 + 2];
        if (shadow) {
            if (r == g && g == b && r < 240) ++c.grey;
            if (r > 200 && g < 60 && b < 60) ++c.red;
            if (r > 240 && g > 200 && g < 250 && b == g) ++c.floor;
        } else if (!(b > 200 && r < 30 && g < 30)) {
            ++c.model;
        }
    }
    return c;
}

// Saves a BGRA buffer as a PNG (through a PPM and ImageMagick) for a look.
void SaveImage(const uint8_t* buffer, int width, int height, const std::string& png) {
    const std::string ppm = png + ".ppm";
    std::ofstream out(ppm, std::ios::binary);
    out << "P6\n" << width << " " << height << "\n255\n";
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = buffer + (static_cast<size_t>(y) * width + x) * 4;
            const char rgb[3] = {static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0])};
            out.write(rgb, 3);
        }
    out.close();
    if (std::system(("convert " + ppm + " " + png + " && rm -f " + ppm).c_str()) != 0) std::remove(ppm.c_str());
}

std::vector<GLuint> SkinNames(const MdlModel& model) {
    std::vector<GLuint> names;
    for (int i = 0; i < model.TextureCount(); ++i)
        names.push_back(static_cast<GLuint>(ReadI32(model.TextureRecord(i) + mdl::kTexIndex)));
    return names;
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_dir_ = getcwd(nullptr, 0);
        ASSERT_EQ(chdir((SourceDir() + "/data").c_str()), 0);
        model_pass = ModelPassState{};
        std::snprintf(app.model_file, sizeof app.model_file, "%s/data/mdl/velisse.mdl", SourceDir().c_str());
        Start(640, 480);
    }
    void TearDown() override {
        DeleteTextures();
        ASSERT_EQ(chdir(saved_dir_), 0);
        std::free(saved_dir_);
    }

    void Start(int width, int height) {
        UseTestWindow(width, height);
        RenderingSetup();
        ASSERT_NE(model_state.studio_model, nullptr);
        Reshape(width, height);
        glLoadIdentity();
    }

    void Pass(bool floor) {
        glLoadIdentity();
        ModelToTexturePass(app.window_width, app.window_height, scene_buffer, shadow_buffer, floor);
        glFinish();
    }

    // A grey camera frame in shader view with program 16: the frame routine
    // draws the pass, then the grid.  The window's BGRA pixels.
    std::vector<uint8_t> DrawModelEffectOverGreyVideo() {
        frame_.assign(320 * 240 * 4, kVideoGrey);
        app.video_width = 320;
        app.video_height = 240;
        app.video_frame_rate = 30;
        app.frame_buffer[0] = frame_.data();
        glBindTexture(GL_TEXTURE_2D, render.texture_table[0]);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 320, 240, GL_BGRA, GL_UNSIGNED_BYTE, frame_.data());
        app.view_mode = kViewShader;
        app.pixel_program_index = 16;
        for (int& on : app.window_on_off) on = 0;
        EXPECT_TRUE(LoadShaderPrograms());
        RenderFrame();
        glFinish();
        std::vector<uint8_t> pixels(640 * 480 * 4);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, 640, 480, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
    static constexpr uint8_t kVideoGrey = 0x90;

    std::vector<uint8_t> frame_;
    ProgramStateGuard state_{ProgramStateGuard::kFresh};
    char* saved_dir_ = nullptr;
};

TEST_F(ModelTest, PassFillsSceneAndShadowImages) {
    ASSERT_EQ(model_state.studio_model->m_sequence, kIdleSequence);
    Pass(false);
    const Counts scene = Classify(scene_buffer, 640, 480, false);
    const Counts shadow = Classify(shadow_buffer, 640, 480, true);
    // The figure plus the lit sphere cover a good part of the image.
    EXPECT_GT(scene.model, 3000);
    EXPECT_GT(shadow.grey, 3000);
    EXPECT_EQ(shadow.red, 0);
    EXPECT_EQ(shadow.floor, 0);
    if (const char* dir = std::getenv("LUMORA_MODEL_SHOTS")) {
        SaveImage(scene_buffer, 640, 480, std::string(dir) + "/model_scene.png");
        SaveImage(shadow_buffer, 640, 480, std::string(dir) + "/model_shadow.png");
    }

    // The same pixels reached the lower-left corners of textures 7 and 2.
    std::vector<uint8_t> texture(static_cast<size_t>(kTextureSize) * kTextureSize * 4);
    for (auto [slot, buffer] : {std::pair{7, scene_buffer}, std::pair{2, shadow_buffer}}) {
        glBindTexture(GL_TEXTURE_2D, render.texture_table[slot]);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, texture.data());
        for (int y : {0, 100, 240, 479})
            EXPECT_EQ(std::memcmp(&texture[static_cast<size_t>(y) * kTextureSize * 4], buffer + y * 640 * 4, 640 * 4), 0)
                << "slot " << slot << " row " << y;
    }

    // Model position mode adds the translucent floor and the red light marker.
    Pass(true);
    const Counts marked = Classify(shadow_buffer, 640, 480, true);
    EXPECT_GT(marked.red, 50);
    EXPECT_GT(marked.floor, 1000);
    if (const char* dir = std::getenv("LUMORA_MODEL_SHOTS"))
        SaveImage(shadow_buffer, 640, 480, std::string(dir) + "/model_shadow_floor.png");
}

TEST_F(ModelTest, LitDrawShowsTheSkinsAndGreyDrawIsFlat) {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    DrawModelInstance(2, 2, 2, 0, -100, 0, -90, 0, -90, 0, true, 1);
    glDisable(GL_TEXTURE_2D);
    std::vector<uint8_t> pixels(640 * 480 * 4);
    glReadPixels(0, 0, 640, 480, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    std::set<int> colours;
    int covered = 0;
    for (int i = 0; i < 640 * 480; ++i) {
        const int b = pixels[i * 4], g = pixels[i * 4 + 1], r = pixels[i * 4 + 2];
        if (r + g + b == 0) continue;
        ++covered;
        colours.insert((r / 32) * 64 + (g / 32) * 8 + b / 32);
    }
    EXPECT_GT(covered, 8000);
    if (const char* dir = std::getenv("LUMORA_MODEL_SHOTS")) {
        SaveImage(pixels.data(), 640, 480, std::string(dir) + "/model_front.png");
        for (int s : {0, 7, 10}) {
            model_state.studio_model->SelectSequence(s);
            model_state.studio_model->m_frame = 8;
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glEnable(GL_TEXTURE_2D);
            DrawModelInstance(2, 2, 2, 0, -100, 0, -90, 0, s == 7 ? -60 : 0, 0, true, 1);
            glDisable(GL_TEXTURE_2D);
            std::vector<uint8_t> side(640 * 480 * 4);
            glReadPixels(0, 0, 640, 480, GL_BGRA, GL_UNSIGNED_BYTE, side.data());
            SaveImage(side.data(), 640, 480, std::string(dir) + "/model_seq" + std::to_string(s) + ".png");
        }
    }
    EXPECT_GT(colours.size(), 12u);  // textured and shaded, not one flat colour

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawModelInstance(2, 2, 2, 0, -100, 0, -90, 0, -90, 0, false, 0.5f);
    glReadPixels(0, 0, 640, 480, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    int grey = 0, other = 0;
    for (int i = 0; i < 640 * 480; ++i) {
        const int b = pixels[i * 4], g = pixels[i * 4 + 1], r = pixels[i * 4 + 2];
        if (r + g + b == 0) continue;
        (std::abs(r - 128) <= 1 && r == g && g == b ? grey : other)++;
    }
    EXPECT_GT(grey, 8000);
    EXPECT_EQ(other, 0);
}

TEST_F(ModelTest, WalkingRulesFollowTheSpecialKeys) {
    // As the pass does: the key is used up after each draw.
    auto draw = [](bool lit) {
        DrawModelInstance(1, 1, 1, 0, -64, 0, -90, 0, -90, 0, lit, 1);
        app.last_special_key = 0;
    };
    draw(true);
    EXPECT_EQ(model_state.studio_model->m_sequence, kIdleSequence);
    app.last_special_key = 102;  // Right arrow
    DrawModelInstance(1, 1, 1, 0, -64, 0, -90, 0, -90, 0, false, 1);  // unlit: no choice
    EXPECT_EQ(model_state.studio_model->m_sequence, kIdleSequence);
    EXPECT_EQ(app.last_special_key, 102) << "the draw leaves the key to its caller";
    app.last_special_key = 102;
    draw(true);
    EXPECT_EQ(model_state.studio_model->m_sequence, kWalkSequence);
    app.last_special_key = 100;
    draw(true);
    EXPECT_EQ(model_state.studio_model->m_sequence, kWalkSequence);
    EXPECT_GE(model_state.studio_model->m_frame, 0);
    draw(true);  // no key since the last lit pass: back to idle
    EXPECT_EQ(model_state.studio_model->m_sequence, kIdleSequence);
    app.last_special_key = 108;  // Insert
    draw(true);
    EXPECT_EQ(model_state.studio_model->m_sequence, kActionSequence);
    draw(true);
    app.model_position_mode = true;
    app.last_special_key = 103;
    draw(true);
    EXPECT_EQ(model_state.studio_model->m_sequence, kIdleSequence);
    // The pass: its lit draw takes the key, its shadow draws find none.
    app.model_position_mode = false;
    app.last_special_key = 102;
    Pass(false);
    EXPECT_EQ(model_state.studio_model->m_sequence, kWalkSequence);
    EXPECT_EQ(app.last_special_key, 0);

    SelectModelSequence(5);  // Home / End path
    EXPECT_EQ(model_state.studio_model->m_sequence, 5);
    SelectModelSequence(1000);
    EXPECT_EQ(model_state.studio_model->m_sequence, 0);
}

TEST_F(ModelTest, ChosenFilesLoadWithFreshTextureNamesOrKeepThePreviousModel) {
    ScriptedDialogs dialogs;
    const std::vector<GLuint> first = SkinNames(*model_state.studio_model);
    ASSERT_FALSE(first.empty());
    const std::string parts = SourceDir() + "/tests/data/mdl/velisse_parts.mdl";
    ASSERT_TRUE(LoadChosenModel(parts.c_str()));
    const std::vector<GLuint> second = SkinNames(*model_state.studio_model);
    EXPECT_EQ(model_state.studio_model->m_sequence, kIdleSequence);
    std::set<GLuint> all(first.begin(), first.end());
    for (GLuint name : second) {
        EXPECT_TRUE(glIsTexture(name));
        EXPECT_TRUE(all.insert(name).second) << "name " << name << " reused while in use";
        for (GLuint own : render.texture_table) EXPECT_NE(name, own);
    }

    // A broken file: an "Error" box, the loaded model stays, nothing ends.
    const std::string dir = MakeTempDir("lumora-model");
    std::vector<uint8_t> bytes(300, 0);
    WriteI32(bytes.data() + mdl::kNumTextures, 1);  // skins inside: no companion
    WriteI32(bytes.data() + mdl::kNumBones, 500);
    std::ofstream(dir + "/bad.mdl", std::ios::binary).write(reinterpret_cast<char*>(bytes.data()), 300);
    MdlModel* before = model_state.studio_model;
    EXPECT_FALSE(LoadChosenModel((dir + "/bad.mdl").c_str()));
    EXPECT_FALSE(LoadChosenModel((dir + "/missing.mdl").c_str()));
    EXPECT_EQ(model_state.studio_model, before);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].caption, "Error");
    EXPECT_EQ(dialogs.boxes[0].icon, MsgIcon::Error);
    EXPECT_NE(dialogs.boxes[0].text.find("bad.mdl: bone count 500 is outside 0..128"), std::string::npos);
    EXPECT_EQ(dialogs.boxes[1].text, "Unable to open " + dir + "/missing.mdl");
    Pass(false);
    EXPECT_GT(Classify(scene_buffer, 640, 480, false).model, 3000);

    // A repeated set-up with a file gone bad keeps the model too.
    std::snprintf(app.model_file, sizeof app.model_file, "%s/bad.mdl", dir.c_str());
    LoadDefaultModel();
    EXPECT_EQ(model_state.studio_model, before);
    EXPECT_EQ(dialogs.boxes.size(), 3u);
}

TEST_F(ModelTest, ShaderViewWithProgram16MixesTheModelIntoTheVideo) {
    const std::vector<uint8_t> pixels = DrawModelEffectOverGreyVideo();
    if (const char* dir = std::getenv("LUMORA_MODEL_SHOTS"))
        SaveImage(pixels.data(), 640, 480, std::string(dir) + "/model_program16.png");
    // The figure's teal tunic shows over the grey video.
    int teal = 0;
    for (int i = 0; i < 640 * 480; ++i) {
        const int b = pixels[i * 4], g = pixels[i * 4 + 1], r = pixels[i * 4 + 2];
        teal += g > r + 30 && b > r + 30;
    }
    EXPECT_GT(teal, 200);
}

// A missing model is one broken effect, not a broken program: one "Error"
// box naming the file, then the model effect shows the video alone with a
// notice, until a model is chosen.
TEST_F(ModelTest, WithoutAModelTheProgramRunsOnAndTheModelEffectShowsTheVideo) {
    ScriptedDialogs dialogs;
    model_state.studio_model->DeleteSkinTextures();
    delete model_state.studio_model;
    model_state.studio_model = nullptr;
    const std::string missing = MakeTempDir("lumora-model") + "/missing.mdl";
    std::snprintf(app.model_file, sizeof app.model_file, "%s", missing.c_str());
    RenderingSetup();
    RenderingSetup();  // the same failure is not boxed twice
    ASSERT_EQ(model_state.studio_model, nullptr);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, "Error");
    EXPECT_NE(dialogs.boxes[0].text.find("Unable to open " + missing), std::string::npos);

    const std::vector<uint8_t> pixels = DrawModelEffectOverGreyVideo();
    // Above the notice and the info lamp (bottom left) everything is the grey
    // video: no sphere, no shadow, no blue background.
    int video = 0, other = 0;
    for (int y = 80; y < 440; ++y)
        for (int x = 40; x < 600; ++x) {
            const uint8_t* p = &pixels[(static_cast<size_t>(y) * 640 + x) * 4];
            const bool grey = std::abs(p[0] - kVideoGrey) <= 2 && std::abs(p[1] - kVideoGrey) <= 2 &&
                              std::abs(p[2] - kVideoGrey) <= 2;
            (grey ? video : other) += 1;
        }
    EXPECT_EQ(other, 0);
    EXPECT_EQ(video, 560 * 360);
    const NoticeList notices = CollectNotices(false, 480);
    ASSERT_EQ(notices.count, 1);
    EXPECT_EQ(std::string(notices.lines[0]), "No model: Unable to open " + missing);

    const std::string velisse = SourceDir() + "/data/mdl/velisse.mdl";
    ASSERT_TRUE(LoadChosenModel(velisse.c_str()));
    EXPECT_EQ(CollectNotices(false, 480).count, 0);
}

TEST_F(ModelTest, WindowLargerThanTheBuffersReadsBackAtMost2048) {
    Start(2100, 2080);
    ASSERT_EQ(app.window_width, 2100);
    std::memset(scene_buffer, 0, static_cast<size_t>(kModelPassBufferSide) * kModelPassBufferSide * 4);
    Pass(false);
    // The model is drawn in the middle of the window, inside the 2048 square.
    EXPECT_GT(Classify(scene_buffer, 2048, 2048, false).model, 20000);
    // The last row read is row 2047 of the window: blue background there.
    const uint8_t* last = scene_buffer + (static_cast<size_t>(2047) * 2048 + 10) * 4;
    EXPECT_EQ(last[0], 255);
    EXPECT_EQ(last[2], 0);
    Start(640, 480);
}

}  // namespace
