#pragma once
// The one place that chooses the graphics API: the real Direct3D 9 and D3DX9
// on Windows, our OpenGL stand-in elsewhere.
#include "platform/win32_api.h"
#ifdef _WIN32
#include <d3d9.h>
#include <d3dx9.h>
#else
#include "platform/d3d9/d3d9_sdk.h"
#endif
