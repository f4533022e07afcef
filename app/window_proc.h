#pragma once

#include "platform/win32_api.h"

// The window procedure: keys, clicks and wheel turns become commands on the
// lattice, the particles, the selection and the camera.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
