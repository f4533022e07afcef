#pragma once
// What the desktop OpenGL device and the WebGL2 device share: Direct3D's
// depth comparisons, cull modes and Clear in GL terms. Desktop OpenGL 2.1 and
// WebGL2 (OpenGL ES 3.0) agree on every call here but the depth clear.
// The window system's names first: OpenGL's header only fills in what is missing.
#include "platform/d3d9_api.h"

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#else
#include <SDL_opengl.h>
#endif

namespace latticegas_gl_common {

GLenum DepthFuncOf(DWORD comparison);  // D3DCMP_*

// Direct3D's front faces run clockwise on screen; D3DCULL_CCW (its default)
// culls the others, D3DCULL_CW the clockwise ones.
void ApplyCullMode(DWORD cullMode);

// Direct3D's Clear of the bound framebuffer: whole, or `count` rectangles
// (rows from the top of a back buffer `backBufferHeight` high). Leaves the
// depth mask on, since Direct3D clears depth whatever its write mask.
void ClearBuffers(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                  DWORD stencil, GLint backBufferHeight);

}  // namespace latticegas_gl_common
