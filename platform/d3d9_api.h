#pragma once
// The one place that chooses the graphics API: the real Direct3D 9 and D3DX9
// on Windows, our stand-in's names elsewhere, which the build backs with
// OpenGL on the desktop (platform/gl) and with WebGL2 in the browser
// (platform/webgl). On Windows the D3DX functions come from d3dx9_43.dll
// where it is installed and are our own where it is not, chosen at run time
// in platform/windows/d3dx_choice.cpp.
#include "platform/win32_api.h"
#ifdef _WIN32
#include <d3d9.h>
#include <d3dx9.h>
#else
#include "platform/d3d9/d3d9_sdk.h"
#endif
