#pragma once
// What the desktop OpenGL device and the WebGL2 device share: Direct3D's
// depth comparisons, cull modes and Clear in GL terms, and an offscreen back
// buffer. Desktop OpenGL 2.1 (with framebuffer objects) and WebGL2 (OpenGL ES
// 3.0) agree on every call here but the depth clear.
// The window system's names first: OpenGL's header only fills in what is missing.
#include "platform/d3d9_api.h"

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#else
#include <SDL_opengl.h>
#endif

namespace latticegas_gl_common {

// The framebuffer entry points: the driver's, fetched at run time, on the
// desktop, where OpenGL 2.1 does not export them.
struct FramebufferFunctions {
  PFNGLGENFRAMEBUFFERSPROC GenFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC DeleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC BindFramebuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC CheckFramebufferStatus = nullptr;
  PFNGLGENRENDERBUFFERSPROC GenRenderbuffers = nullptr;
  PFNGLDELETERENDERBUFFERSPROC DeleteRenderbuffers = nullptr;
  PFNGLBINDRENDERBUFFERPROC BindRenderbuffer = nullptr;
  PFNGLRENDERBUFFERSTORAGEPROC RenderbufferStorage = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC FramebufferRenderbuffer = nullptr;
  PFNGLBLITFRAMEBUFFERPROC BlitFramebuffer = nullptr;
};

GLenum DepthFuncOf(DWORD comparison);  // D3DCMP_*

// Direct3D's front faces run clockwise on screen; D3DCULL_CCW (its default)
// culls the others, D3DCULL_CW the clockwise ones.
void ApplyCullMode(DWORD cullMode);

// Direct3D's Clear of the bound framebuffer: whole, or `count` rectangles
// (rows from the top of a back buffer `backBufferHeight` high). Leaves the
// depth mask on, since Direct3D clears depth whatever its write mask.
void ClearBuffers(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                  DWORD stencil, GLint backBufferHeight);

// A back buffer of our own: RGBA colour with a 24-bit depth and 8-bit
// stencil buffer.
class OffscreenBackBuffer {
 public:
  // Leaves it bound; false when the driver cannot make it complete.
  bool Create(const FramebufferFunctions& gl, GLsizei width, GLsizei height);
  // Binds the window's own framebuffer.
  void Delete(const FramebufferFunctions& gl);
  GLuint framebuffer() const { return framebuffer_; }

 private:
  GLuint framebuffer_ = 0;
  GLuint colour_ = 0;
  GLuint depth_ = 0;
};

}  // namespace latticegas_gl_common
