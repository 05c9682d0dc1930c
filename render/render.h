// Rendering set-up: GL state, the texture table, the effect grid, reshape.
//
// The view volume maps -128..128 on both axes (at depth 0) onto the
// viewport, whatever its shape.  The overlay's viewport is the whole window,
// so every overlay position is in these units of the window; the picture's
// is the rectangle of the camera's shape (app/window.h FitPicture), so the
// picture is never stretched and bars stay black.
// Camera, history and model-pass textures are 2048 x 2048 with the picture
// in their lower-left corner.  Safe to repeat: a repeated set-up redefines
// the textures it made before instead of adding new ones.
#pragma once

#include <GL/gl.h>

#include "app/app.h"

constexpr int kTextureSize = 2048;

// The texture table's slots.
enum TextureSlot : int {
    kSlotPrimaryCamera, kSlotSecondaryCamera,  // indexed by the camera
    kSlotModelShadow,
    kSlotMask,
    kSlotHistoryFirst, kSlotHistoryLast = kSlotHistoryFirst + 2,  // the last three frames
    kSlotModelScene,
    kTextureCount,
};
constexpr int kGridSize = 129;  // vertices per side of the effect grid
constexpr int kMaskFailureLength = 160;
constexpr int kShaderErrorLength = 1024;

// Owned by the renderer.  The rendering set-up remakes the textures and the
// grid; a shader load rewrites the error text (never cleared); the gamma
// and colour parameters change only by the user's steps.
struct RenderState {
    GLuint texture_table[kTextureCount] = {};
    float effect_grid[kGridSize][kGridSize][3] = {};  // FillEffectGrid
    char mask_load_failure[kMaskFailureLength] = "";  // why the mask did not load
    float shader_gamma = 0;
    float shader_color = 0;
    char cg_error_text[kShaderErrorLength] = "";      // "VERTEX: ..." / "PIXEL: ..."
};
extern RenderState render;
constexpr int kMaskCount = 9;

// The slot of a camera's picture (any other number: the primary's).
inline TextureSlot CameraSlot(int camera) {
    return camera == kSecondaryCamera ? kSlotSecondaryCamera : kSlotPrimaryCamera;
}
extern const char kMaskFiles[kMaskCount][100];  // ".\bmp\mask1.bmp" ...

// Effect grid vertex [i][j] = (64 - i, 64 - j, 0): -64..64, one unit apart.
void FillEffectGrid();

// Loads the model from app.model_file first, unless the caller has just
// loaded it itself (kKeep: a model is read once per choice).
enum class SetupModel { kLoad, kKeep };
void RenderingSetup(SetupModel model = SetupModel::kLoad);
void CreateTextures();
// An unreadable mask leaves the slot as it was and says so in
// render.mask_load_failure (emptied by the next mask that loads).
void LoadMaskTexture(int mask, TextureSlot slot);

// The textures only one effect reads (the frame history, the model's scene
// and shadow) exist only while that effect is chosen: each 2048 square holds
// 16 MiB that Mesa keeps in memory.  They stay 2048 square like the camera's,
// as the effect programs sample them with the camera's texture coordinates.
// EnsureEffectTexture makes one when first needed (the history grey, the
// model's from its buffer); KeepEffectTextures releases those the current
// view does not use.
void EnsureEffectTexture(TextureSlot slot);
void KeepEffectTextures();

// Releases every texture of the table and zeroes its names.
void DeleteTextures();
// Puts the frames FetchFrames filled into their cameras' texture slots.
struct FetchedFrames;
void UploadCameraFrames(const FetchedFrames& fetched);
void Reshape(int width, int height);
// The viewport of everything drawn from the camera (CurrentPictureRect),
// and back to the whole window for the overlay.
void UsePictureViewport();
void UseWindowViewport();
