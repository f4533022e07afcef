#pragma once
// Fingers on the page's canvas, as the mouse input the program already takes
// (platform/win32/touch_gestures.h); mouse and pen stay with the canvas's
// mouse listeners.
#include "platform/win32/win32_sdk.h"

namespace latticegas_web {

// Starts (or, with `listen` false, stops) turning the canvas's touches into
// messages for `window`.
void ListenToTouch(HWND window, bool listen);

}  // namespace latticegas_web
