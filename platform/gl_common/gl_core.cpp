#include "platform/gl_common/gl_core.h"

#include "platform/d3d9/fixed_function.h"

namespace latticegas_gl_common {

GLenum DepthFuncOf(DWORD comparison) {
  switch (comparison) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    case D3DCMP_ALWAYS: return GL_ALWAYS;
    default: return GL_LEQUAL;
  }
}

void ApplyCullMode(DWORD cullMode) {
  switch (cullMode) {
    case D3DCULL_NONE:
      glDisable(GL_CULL_FACE);
      break;
    case D3DCULL_CW:
      // Cull the clockwise ones: counter-clockwise faces are kept.
      glEnable(GL_CULL_FACE);
      glFrontFace(GL_CCW);
      glCullFace(GL_BACK);
      break;
    default:
      glEnable(GL_CULL_FACE);
      glFrontFace(GL_CW);
      glCullFace(GL_BACK);
      break;
  }
}

void ClearBuffers(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                  DWORD stencil, GLint backBufferHeight) {
  GLbitfield mask = 0;
  if ((flags & D3DCLEAR_TARGET) != 0) {
    const D3DCOLORVALUE c = latticegas_d3d9::ColourValueOf(colour);
    glClearColor(c.r, c.g, c.b, c.a);
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if ((flags & D3DCLEAR_ZBUFFER) != 0) {
#ifdef __EMSCRIPTEN__
    glClearDepthf(z);
#else
    glClearDepth(z);
#endif
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  if ((flags & D3DCLEAR_STENCIL) != 0) {
    glClearStencil(static_cast<GLint>(stencil));
    mask |= GL_STENCIL_BUFFER_BIT;
  }
  glDepthMask(GL_TRUE);
  if (count == 0) {
    glClear(mask);
    return;
  }
  glEnable(GL_SCISSOR_TEST);
  for (DWORD i = 0; i < count; ++i) {
    const D3DRECT& r = rects[i];
    // Rectangles count rows from the top, GL from the bottom.
    glScissor(r.x1, backBufferHeight - r.y2, r.x2 - r.x1, r.y2 - r.y1);
    glClear(mask);
  }
  glDisable(GL_SCISSOR_TEST);
}

}  // namespace latticegas_gl_common
