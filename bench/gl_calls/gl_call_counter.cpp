// Counts the OpenGL calls a program makes, by name, and prints them per frame
// when it exits: loaded with LD_PRELOAD in front of the system's libGL, it
// stands in for the entry points below and passes each call on. Frames are
// counted at SDL_GL_SwapWindow; of the entry points fetched from the driver
// through SDL_GL_GetProcAddress, glDrawElementsBaseVertex is counted too.
#include <GL/gl.h>
#include <SDL.h>
#include <dlfcn.h>

#include <cstring>

#include <atomic>
#include <cstdio>

namespace {

enum Call {
  kViewport, kDepthRange, kLoadMatrixf, kMatrixMode, kMaterialfv, kMaterialf, kLightfv, kLightf,
  kEnable, kDisable, kDepthMask, kDepthFunc, kDrawElements, kDrawElementsBaseVertex, kDrawArrays, kFlush, kCalls
};
constexpr const char* kNames[kCalls] = {
    "glViewport", "glDepthRange", "glLoadMatrixf", "glMatrixMode", "glMaterialfv", "glMaterialf",
    "glLightfv", "glLightf", "glEnable", "glDisable", "glDepthMask", "glDepthFunc",
    "glDrawElements", "glDrawElementsBaseVertex", "glDrawArrays", "glFlush"};

std::atomic<unsigned long long> counts[kCalls];
std::atomic<unsigned long long> triangles{0};
std::atomic<unsigned long long> frames{0};

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

struct Report {
  ~Report() {
    const unsigned long long n = frames.load();
    std::fprintf(stderr, "gl calls in %llu frames (per frame):\n", n);
    for (int i = 0; i < kCalls; ++i) {
      if (counts[i] == 0) continue;
      std::fprintf(stderr, "  %-16s %12llu (%.1f)\n", kNames[i], counts[i].load(),
                   n ? static_cast<double>(counts[i]) / n : 0.0);
    }
    std::fprintf(stderr, "  triangles drawn %llu (%.0f)\n", triangles.load(),
                 n ? static_cast<double>(triangles) / n : 0.0);
  }
} report;

}  // namespace

#define FORWARD(call, name, params, args)                             \
  extern "C" void name params {                                      \
    static const auto next = Next<void(*) params>(#name);            \
    ++counts[call];                                                  \
    next args;                                                       \
  }

FORWARD(kViewport, glViewport, (GLint x, GLint y, GLsizei w, GLsizei h), (x, y, w, h))
FORWARD(kDepthRange, glDepthRange, (GLclampd n, GLclampd f), (n, f))
FORWARD(kLoadMatrixf, glLoadMatrixf, (const GLfloat* m), (m))
FORWARD(kMatrixMode, glMatrixMode, (GLenum mode), (mode))
FORWARD(kMaterialfv, glMaterialfv, (GLenum face, GLenum p, const GLfloat* v), (face, p, v))
FORWARD(kMaterialf, glMaterialf, (GLenum face, GLenum p, GLfloat v), (face, p, v))
FORWARD(kLightfv, glLightfv, (GLenum l, GLenum p, const GLfloat* v), (l, p, v))
FORWARD(kLightf, glLightf, (GLenum l, GLenum p, GLfloat v), (l, p, v))
FORWARD(kEnable, glEnable, (GLenum c), (c))
FORWARD(kDisable, glDisable, (GLenum c), (c))
FORWARD(kDepthMask, glDepthMask, (GLboolean f), (f))
FORWARD(kDepthFunc, glDepthFunc, (GLenum f), (f))
FORWARD(kDrawArrays, glDrawArrays, (GLenum m, GLint first, GLsizei count), (m, first, count))
FORWARD(kFlush, glFlush, (void), ())

extern "C" void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
  static const auto next = Next<void (*)(GLenum, GLsizei, GLenum, const void*)>("glDrawElements");
  ++counts[kDrawElements];
  if (mode == GL_TRIANGLES) triangles += static_cast<unsigned long long>(count / 3);
  next(mode, count, type, indices);
}

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
  static const auto next = Next<void (*)(SDL_Window*)>("SDL_GL_SwapWindow");
  ++frames;
  next(window);
}

namespace {
using DrawElementsBaseVertex = void (*)(GLenum, GLsizei, GLenum, const void*, GLint);
DrawElementsBaseVertex realDrawElementsBaseVertex = nullptr;

void CountedDrawElementsBaseVertex(GLenum mode, GLsizei count, GLenum type, const void* indices,
                                   GLint base) {
  ++counts[kDrawElementsBaseVertex];
  if (mode == GL_TRIANGLES) triangles += static_cast<unsigned long long>(count / 3);
  realDrawElementsBaseVertex(mode, count, type, indices, base);
}
}  // namespace

extern "C" void* SDL_GL_GetProcAddress(const char* name) {
  static const auto next = Next<void* (*)(const char*)>("SDL_GL_GetProcAddress");
  void* found = next(name);
  if (found != nullptr && std::strcmp(name, "glDrawElementsBaseVertex") == 0) {
    realDrawElementsBaseVertex = reinterpret_cast<DrawElementsBaseVertex>(found);
    return reinterpret_cast<void*>(&CountedDrawElementsBaseVertex);
  }
  return found;
}
