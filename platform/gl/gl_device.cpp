// Direct3D on OpenGL as the program gets it (gl_device.h).
#include "platform/gl/gl_device.h"

#include "platform/gl/gl_direct3d.h"

bool latticegas_gl::OpenGlAvailable(UINT sdkVersion) {
  if ((sdkVersion & 0x7fffffffu) != D3D_SDK_VERSION) return false;
  // Without a video system that can give OpenGL there is no Direct3D.
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  // SDL falls back to drivers that draw nowhere when there is no display.
  return driver != nullptr && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "offscreen") != 0;
}

IDirect3D9* latticegas_gl::CreateDirect3D(UINT sdkVersion) {
  if (!OpenGlAvailable(sdkVersion)) return nullptr;
  return new GlDirect3D();
}
