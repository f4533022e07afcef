#pragma once
// The one place that chooses the graphics API: the real Direct3D 9 and D3DX9
// on Windows, our stand-in's names elsewhere, which the build backs with
// OpenGL on the desktop (platform/gl) and with WebGL2 in the browser
// (platform/webgl).
#include "platform/win32_api.h"
#ifdef _WIN32
#include <d3d9.h>
#include <d3dx9.h>
#else
#include "platform/d3d9/d3d9_sdk.h"
#endif
