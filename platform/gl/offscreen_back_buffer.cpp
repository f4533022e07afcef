#include "platform/gl/offscreen_back_buffer.h"

namespace latticegas_gl {

bool OffscreenBackBuffer::Create(const FramebufferFunctions& gl, GLsizei width, GLsizei height) {
  gl.GenFramebuffers(1, &framebuffer_);
  gl.BindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  gl.GenRenderbuffers(1, &colour_);
  gl.BindRenderbuffer(GL_RENDERBUFFER, colour_);
  gl.RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
  gl.GenRenderbuffers(1, &depth_);
  gl.BindRenderbuffer(GL_RENDERBUFFER, depth_);
  gl.RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
  gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth_);
  return gl.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void OffscreenBackBuffer::Delete(const FramebufferFunctions& gl) {
  gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
  if (framebuffer_ != 0) gl.DeleteFramebuffers(1, &framebuffer_);
  if (colour_ != 0) gl.DeleteRenderbuffers(1, &colour_);
  if (depth_ != 0) gl.DeleteRenderbuffers(1, &depth_);
  framebuffer_ = colour_ = depth_ = 0;
}

}  // namespace latticegas_gl
