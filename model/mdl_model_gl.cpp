// Skin textures and drawing of the studio model (OpenGL immediate mode).
#include <GL/gl.h>

#include "model/mdl_model.h"

namespace {

// Uploads one skin; returns its texture name.
GLuint MakeSkinTexture(const SkinImage& skin) {
    // Names come from GL so they never clash with the program's own textures.
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, skin.width, skin.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, skin.rgba.data());
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return name;
}

// One mesh's triangle commands: strips and fans (negative counts) of
// vertices (vertex, normal, s, t) until a count of 0.
void DrawTriangleCommands(const uint8_t* cmd, float s_scale, float t_scale, bool lit, float grey) {
    for (;;) {
        int count = ReadI16(cmd);
        cmd += 2;
        if (count == 0) return;
        if (count < 0) {
            count = -count;
            glBegin(GL_TRIANGLE_FAN);
        } else {
            glBegin(GL_TRIANGLE_STRIP);
        }
        for (; count > 0; --count, cmd += 8) {
            const int vertex = ReadI16(cmd), normal = ReadI16(cmd + 2);
            glTexCoord2f(ReadI16(cmd + 4) * s_scale, ReadI16(cmd + 6) * t_scale);
            if (lit) {
                const float* light = mdl_work.light_values[normal];
                glColor4f(light[0], light[1], light[2], 1.0f);
            } else {
                glColor4f(grey, grey, grey, 1.0f);
            }
            glVertex3fv(mdl_work.transformed[vertex]);
        }
        glEnd();
    }
}

}  // namespace

void MdlModel::MakeSkinTextures() {
    const int count = TextureCount();
    for (int i = 0; i < count; ++i) {
        const GLuint name = MakeSkinTexture(ResampledSkin(i));
        // The record's pixel offset is not needed again: it holds the name from now on.
        WriteI32(const_cast<uint8_t*>(TextureRecord(i)) + mdl::kTexIndex, static_cast<int32_t>(name));
        m_textureNames.push_back(name);
    }
}

void MdlModel::DeleteSkinTextures() {
    if (!m_textureNames.empty())
        glDeleteTextures(static_cast<GLsizei>(m_textureNames.size()), m_textureNames.data());
    m_textureNames.clear();
}

bool MdlModel::Load(const char* path, std::string* error) {
    if (!ReadFiles(path, error)) return false;
    DeleteSkinTextures();
    MakeSkinTextures();
    return true;
}

void MdlModel::Render(bool lit, float grey) {
    if (!m_pHeader || ReadI32(m_pHeader + mdl::kNumBodyParts) == 0) return;
    glPushMatrix();
    glTranslatef(m_origin[0], m_origin[1], m_origin[2]);
    glRotatef(m_angles[1], 0, 0, 1);
    glRotatef(m_angles[0], 0, 1, 0);
    glRotatef(m_angles[2], 1, 0, 0);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    PoseBones();
    PrepareLight();
    const int parts = ReadI32(m_pHeader + mdl::kNumBodyParts);
    for (int i = 0; i < parts; ++i) {
        PickSubmodel(i);
        DrawSubmodel(lit, grey);
    }
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glPopMatrix();
}

void MdlModel::DrawSubmodel(bool lit, float grey) {
    TransformAndLight();
    glCullFace(GL_FRONT);

    const uint8_t* skins = SkinReferences();
    const int meshes = ReadI32(m_pSubmodel + mdl::kModelNumMesh);
    const uint8_t* mesh = m_pHeader + ReadI32(m_pSubmodel + mdl::kModelMeshIndex);
    for (int m = 0; m < meshes; ++m, mesh += mdl::kMeshSize) {
        const uint8_t* texture = MeshTexture(skins, mesh);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(ReadI32(texture + mdl::kTexIndex)));
        const float s_scale = 1.0f / static_cast<float>(ReadI32(texture + mdl::kTexWidth));
        const float t_scale = 1.0f / static_cast<float>(ReadI32(texture + mdl::kTexHeight));
        DrawTriangleCommands(m_pHeader + ReadI32(mesh + mdl::kMeshTriIndex), s_scale, t_scale, lit, grey);
    }
}
