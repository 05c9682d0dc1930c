// Rendering set-up: GL state, the texture table and the view volume.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "app/app.h"
#include "app/window.h"
#include "image/bmp_loader.h"
#include "model/model.h"
#include "overlay/overlay.h"
#include "platform/paths.h"
#include "render/frame_loop.h"
#include "render/model_pass.h"
#include "render/render.h"

namespace {

void ReleaseTexture(int slot) {
    if (render.texture_table[slot] != 0) glDeleteTextures(1, &render.texture_table[slot]);
    render.texture_table[slot] = 0;
}

// The slot's texture, bound, with the current filter.  A repeated set-up
// redefines the names it made before: deleting and remaking them lets the
// GL driver hold the old storage for a while, up to twice the textures.
void PrepareTexture(int slot) {
    if (render.texture_table[slot] == 0) glGenTextures(1, &render.texture_table[slot]);
    glBindTexture(GL_TEXTURE_2D, render.texture_table[slot]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(app.texture_filter));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(app.texture_filter));
}

// 2048 x 2048: every later frame is only a sub-image replacement.
void NewVideoTexture(int slot, const uint8_t* pixels) {
    PrepareTexture(slot);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, kTextureSize, kTextureSize, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                 pixels);
}

}  // namespace

void RenderingSetup(SetupModel model) {
    // The model first, so its texture names are taken before ours.
    if (model == SetupModel::kLoad) LoadDefaultModel();
    BuildOverlayLists();

    glShadeModel(GL_SMOOTH);
    glClearColor(0, 0, 0, 0);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);

    CreateTextures();

    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHT0);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    glPolygonMode(GL_FRONT_AND_BACK, app.polygon_mode);

    FillEffectGrid();
}

namespace {

// Mid-grey until the first frame arrives; freed again right after.
std::vector<uint8_t> GreyPicture() {
    return std::vector<uint8_t>(static_cast<size_t>(kTextureSize) * kTextureSize * 4, 0x7F);
}

bool IsHistorySlot(int slot) { return slot >= kSlotHistoryFirst && slot <= kSlotHistoryLast; }

void ReleaseHistoryTextures() {
    for (int slot = kSlotHistoryFirst; slot <= kSlotHistoryLast; ++slot) ReleaseTexture(slot);
}

void ReleaseModelTextures() {
    ReleaseTexture(kSlotModelScene);
    ReleaseTexture(kSlotModelShadow);
}

}  // namespace

void CreateTextures() {
    const std::vector<uint8_t> grey = GreyPicture();
    NewVideoTexture(kSlotPrimaryCamera, grey.data());
    if (app.second_camera_enabled)
        NewVideoTexture(kSlotSecondaryCamera, grey.data());
    else
        ReleaseTexture(kSlotSecondaryCamera);

    LoadMaskTexture(app.mask_index, kSlotMask);
    // Made again, with the current filter, when their effect next draws.
    ReleaseHistoryTextures();
    ReleaseModelTextures();
}

void EnsureEffectTexture(TextureSlot slot) {
    if (render.texture_table[slot] != 0) return;
    if (IsHistorySlot(slot))
        NewVideoTexture(slot, GreyPicture().data());
    else if (slot == kSlotModelScene || slot == kSlotModelShadow)
        NewVideoTexture(slot, slot == kSlotModelScene ? scene_buffer : shadow_buffer);
}

void KeepEffectTextures() {
    if (!UsesFrameHistory()) ReleaseHistoryTextures();
    if (!UsesModelPass()) ReleaseModelTextures();
}

void LoadMaskTexture(int mask, TextureSlot slot) {
    if (mask < 0 || mask >= kMaskCount || slot < 0 || slot >= kTextureCount) return;
    const std::unique_ptr<RgbImage> image(LoadBitmapImage(NativePath(kMaskFiles[mask]).c_str()));
    if (!image || !image->data || image->width <= 0 || image->height <= 0) {
        std::snprintf(render.mask_load_failure, sizeof render.mask_load_failure,
                      "Bmp mask %s could not be read", kMaskFiles[mask]);
        return;
    }
    render.mask_load_failure[0] = '\0';
    PrepareTexture(slot);
    // Rows of the image are packed: any width, not just multiples of four.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, image->width, image->height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image->data);
}

void DeleteTextures() {
    for (int slot = 0; slot < kTextureCount; ++slot) ReleaseTexture(slot);
}

void UsePictureViewport() {
    const PictureRect picture = CurrentPictureRect();
    glViewport(picture.x, picture.y, picture.width, picture.height);
}

void UseWindowViewport() { glViewport(0, 0, app.window_width, app.window_height); }

void Reshape(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Aspect fixed at 1: the -128..128 square always fills the viewport.
    gluPerspective(90, 1.0, 1.0, 512);
    gluLookAt(0, 0, 128, 0, 0, 0, 0, 1, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    app.window_width = width;
    app.window_height = height;
}
