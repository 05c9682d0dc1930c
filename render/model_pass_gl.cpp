// The model-to-texture pass: the lit model and sphere into texture 7, their
// soft planar shadow (and, in model position mode, the floor and a light
// marker) into texture 2.
#include <GL/gl.h>
#include <GL/glut.h>

#include "app/app.h"
#include "model/model.h"
#include "render/model_pass.h"
#include "render/render.h"

namespace {

const GLfloat kLightAmbient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
const GLfloat kLightDiffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};

void DrawModel(float scale, bool lit, float grey) {
    DrawModelInstance(scale, scale, scale, model_pass.model_pos_x, kModelHeight, model_pass.model_pos_z, kModelTilt,
                      0, model_pass.model_heading, 0, lit, grey);
    app.last_special_key = 0;
}

void DrawFloor() {
    glColor4f(1, 0, 0, 0.1f);
    glInterleavedArrays(GL_N3F_V3F, 0, floor_quad);
    glDrawArrays(GL_QUADS, 0, 4);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

// Window pixels into the buffer and the lower-left corner of `texture`.
void ReadBack(int width, int height, uint8_t* buffer, GLuint texture) {
    // Rows packed at 2048 * 4 bytes at most; the caller's pixel-store state is kept.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, buffer);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, buffer);
    glPopClientAttrib();
}

}  // namespace

void ModelToTexturePass(int window_width, int window_height, uint8_t* scene, uint8_t* shadow, bool position_mode) {
    // The buffers and textures are 2048 square: never read back more.
    const int width = ReadBackSide(window_width), height = ReadBackSide(window_height);

    float plane[4];
    FloorPlane(&floor_quad[0][3], &floor_quad[1][3], &floor_quad[2][3], plane);

    glClearColor(0, 0, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glRotatef(model_pass.scene_rotation_x, 1, 0, 0);
    glRotatef(model_pass.scene_rotation_y, 0, 1, 0);
    glLightfv(GL_LIGHT0, GL_AMBIENT, kLightAmbient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, kLightDiffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, model_pass.light_position);

    // Without a model both images stay plain: the effect shows the video alone.
    const bool has_model = model_state.studio_model != nullptr;

    // Lit image.
    glPushMatrix();
    if (has_model) {
        glEnable(GL_TEXTURE_2D);
        DrawModel(1.0f, true, 1.0f);
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_LIGHTING);
        glutSolidSphere(10, 25, 25);
        glDisable(GL_LIGHTING);
    }
    glPopMatrix();
    EnsureEffectTexture(kSlotModelScene);
    ReadBack(width, height, scene, render.texture_table[kSlotModelScene]);

    // Shadow image: three flattened copies, each smaller and darker.
    glClearColor(1, 1, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glPushMatrix();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    ShadowMatrix(model_pass.light_position, plane, model_pass.shadow_matrix);
    glMultMatrixf(model_pass.shadow_matrix);
    const float offsets[3] = {0.0f, 0.01f, 0.02f};
    const float greys[3] = {0.9f, 0.8f, 0.7f};
    for (int i = 0; i < 3 && has_model; ++i) {
        DrawModel(1.3f - offsets[i], false, greys[i]);
        glColor4f(greys[i], greys[i], greys[i], 1);
        glutSolidSphere(10 + offsets[i], 25, 25);
    }
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);

    if (position_mode) {
        DrawFloor();
        glPushMatrix();
        glTranslatef(model_pass.light_position[0], model_pass.light_position[1], model_pass.light_position[2]);
        glColor4f(1, 0, 0, 1);
        glutSolidSphere(5, 25, 25);
        glPopMatrix();
    }
    EnsureEffectTexture(kSlotModelShadow);
    ReadBack(width, height, shadow, render.texture_table[kSlotModelShadow]);
}
