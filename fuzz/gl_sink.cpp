// No-op OpenGL for the model fuzz target: the drawing code runs without a
// context, and every array it hands over is read, so AddressSanitizer sees
// a vertex or texture taken from outside the model's files.
#include <GL/gl.h>

namespace {
volatile float sink;
GLuint next_name = 1;
}  // namespace

extern "C" {
void glBegin(GLenum) {}
void glEnd() {}
void glBindTexture(GLenum, GLuint) {}
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { sink = r + g + b + a; }
void glCullFace(GLenum) {}
void glDeleteTextures(GLsizei, const GLuint*) {}
void glGenTextures(GLsizei n, GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) names[i] = next_name++;
}
void glPopMatrix() {}
void glPushMatrix() {}
void glRotatef(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glTranslatef(GLfloat, GLfloat, GLfloat) {}
void glTexCoord2f(GLfloat s, GLfloat t) { sink = s + t; }
void glTexEnvf(GLenum, GLenum, GLfloat) {}
void glTexParameterf(GLenum, GLenum, GLfloat) {}
void glVertex3fv(const GLfloat* v) { sink = v[0] + v[1] + v[2]; }
void glTexImage2D(GLenum, GLint, GLint, GLsizei width, GLsizei height, GLint, GLenum, GLenum,
                  const void* pixels) {
    const auto* bytes = static_cast<const unsigned char*>(pixels);
    const long size = long{width} * height * 4;  // RGBA bytes
    if (size > 0) sink = bytes[0] + bytes[size - 1];
}
}
