// The real WebGL 2 calls, reached under Emscripten's emscripten_gl* names: the plain gl*
// names belong to the recorder in src/platform/gl11.
#pragma once

#include <GL/gl.h>

#ifndef GL_ARRAY_BUFFER
#define GL_ARRAY_BUFFER 0x8892
#define GL_ELEMENT_ARRAY_BUFFER 0x8893
#define GL_STREAM_DRAW 0x88E0
#endif
#ifndef GL_MAX_RENDERBUFFER_SIZE
#define GL_MAX_RENDERBUFFER_SIZE 0x84E8
#endif
#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif
#ifndef GL_FRAMEBUFFER
#define GL_FRAMEBUFFER 0x8D40
#define GL_RENDERBUFFER 0x8D41
#define GL_READ_FRAMEBUFFER 0x8CA8
#define GL_DRAW_FRAMEBUFFER 0x8CA9
#define GL_COLOR_ATTACHMENT0 0x8CE0
#define GL_DEPTH_ATTACHMENT 0x8D00
#define GL_FRAMEBUFFER_COMPLETE 0x8CD5
#define GL_RGBA8 0x8058
#define GL_DEPTH_COMPONENT24 0x81A6
#define GL_MAX_SAMPLES 0x8D57
#endif
#ifndef GL_SAMPLES
#define GL_SAMPLES 0x80A9
#endif
#ifndef GL_VERTEX_SHADER
#define GL_FRAGMENT_SHADER 0x8B30
#define GL_VERTEX_SHADER 0x8B31
#define GL_COMPILE_STATUS 0x8B81
#define GL_LINK_STATUS 0x8B82
#endif

extern "C" {
void emscripten_glEnable(GLenum cap);
void emscripten_glDisable(GLenum cap);
void emscripten_glDepthFunc(GLenum func);
void emscripten_glDepthMask(GLboolean flag);
void emscripten_glBlendFunc(GLenum src, GLenum dst);
void emscripten_glCullFace(GLenum mode);
void emscripten_glFrontFace(GLenum mode);
void emscripten_glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void emscripten_glClearDepthf(GLfloat depth);
void emscripten_glClear(GLbitfield mask);
void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void emscripten_glGetIntegerv(GLenum name, GLint* values);

void emscripten_glGenTextures(GLsizei n, GLuint* names);
void emscripten_glDeleteTextures(GLsizei n, const GLuint* names);
void emscripten_glBindTexture(GLenum target, GLuint name);
void emscripten_glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                             GLsizei height, GLint border, GLenum format, GLenum type,
                             const void* pixels);
void emscripten_glTexParameteri(GLenum target, GLenum name, GLint value);

GLuint emscripten_glCreateShader(GLenum type);
void emscripten_glShaderSource(GLuint shader, GLsizei count, const char* const* text,
                               const GLint* lengths);
void emscripten_glCompileShader(GLuint shader);
void emscripten_glGetShaderiv(GLuint shader, GLenum name, GLint* value);
void emscripten_glGetShaderInfoLog(GLuint shader, GLsizei size, GLsizei* length, char* log);
GLuint emscripten_glCreateProgram();
void emscripten_glAttachShader(GLuint program, GLuint shader);
void emscripten_glBindAttribLocation(GLuint program, GLuint index, const char* name);
void emscripten_glLinkProgram(GLuint program);
void emscripten_glGetProgramiv(GLuint program, GLenum name, GLint* value);
void emscripten_glGetProgramInfoLog(GLuint program, GLsizei size, GLsizei* length, char* log);
void emscripten_glUseProgram(GLuint program);
GLint emscripten_glGetUniformLocation(GLuint program, const char* name);
void emscripten_glUniform1i(GLint location, GLint value);
void emscripten_glUniform1f(GLint location, GLfloat value);
void emscripten_glUniform3f(GLint location, GLfloat x, GLfloat y, GLfloat z);

void emscripten_glGenBuffers(GLsizei n, GLuint* names);
void emscripten_glBindBuffer(GLenum target, GLuint name);
void emscripten_glBufferData(GLenum target, long size, const void* data, GLenum usage);
void emscripten_glGenVertexArrays(GLsizei n, GLuint* names);
void emscripten_glBindVertexArray(GLuint name);
void emscripten_glEnableVertexAttribArray(GLuint index);
void emscripten_glVertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized,
                                      GLsizei stride, const void* offset);
void emscripten_glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* offset);

void emscripten_glGenFramebuffers(GLsizei n, GLuint* names);
void emscripten_glDeleteFramebuffers(GLsizei n, const GLuint* names);
void emscripten_glBindFramebuffer(GLenum target, GLuint name);
void emscripten_glFramebufferRenderbuffer(GLenum target, GLenum attachment,
                                          GLenum renderbufferTarget, GLuint renderbuffer);
GLenum emscripten_glCheckFramebufferStatus(GLenum target);
void emscripten_glGenRenderbuffers(GLsizei n, GLuint* names);
void emscripten_glDeleteRenderbuffers(GLsizei n, const GLuint* names);
void emscripten_glBindRenderbuffer(GLenum target, GLuint name);
void emscripten_glRenderbufferStorage(GLenum target, GLenum format, GLsizei width, GLsizei height);
void emscripten_glRenderbufferStorageMultisample(GLenum target, GLsizei samples, GLenum format,
                                                 GLsizei width, GLsizei height);
void emscripten_glBlitFramebuffer(GLint srcX0, GLint srcY0, GLint srcX1, GLint srcY1, GLint dstX0,
                                  GLint dstY0, GLint dstX1, GLint dstY1, GLbitfield mask,
                                  GLenum filter);
void emscripten_glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                             GLenum type, void* pixels);
}
