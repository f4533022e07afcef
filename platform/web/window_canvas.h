#pragma once
// The canvas behind a window handle, for the Direct3D stand-in on WebGL.
#include "platform/win32/win32_sdk.h"

namespace latticegas_web {

// The CSS selector of the window's canvas ("#canvas"); null for a null
// handle, a window without a canvas, and a window that is destroyed or being
// destroyed (from WM_DESTROY on).
const char* CanvasOf(HWND window);

}  // namespace latticegas_web
