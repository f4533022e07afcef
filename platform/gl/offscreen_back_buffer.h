#pragma once
// A back buffer of the desktop OpenGL device's own, for when the window is not
// the back buffer's size: drawn into, then stretched onto the window at Present.
// The window system's names first: OpenGL's header only fills in what is missing.
#include "platform/d3d9_api.h"

#include <SDL_opengl.h>

namespace latticegas_gl {

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

}  // namespace latticegas_gl
