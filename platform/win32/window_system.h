#pragma once
// What the shared Win32 core (window_registry.h) cannot do alone: the window
// system's own windows, its input, the time and cursor that messages carry,
// and message boxes. platform/sdl (SDL2) and platform/web (the page) each
// supply one.
#include "platform/win32/win32_sdk.h"

namespace latticegas_win32 {

class WindowRegistry;

// A CreateWindowExA call as the window system needs it.
struct WindowRequest {
  const char* className;  // as the class was registered
  HBRUSH background;      // the class's brush
  const char* title;      // never null
  DWORD style;
  int x;
  int y;
  int width;  // the size and place as passed, CW_USEDEFAULT included
  int height;
};

struct ClientSize {
  int width;
  int height;
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Makes the system's window for a new window before it gets WM_CREATE, or
  // none (without a display, say): the window is then a record only.
  virtual void MakeNative(HWND window, const WindowRequest& request) = 0;
  virtual void ShowNative(HWND window, bool visible) = 0;
  // Last in DestroyWindow: the window is dead and its messages are dropped.
  virtual void DestroyNative(HWND window) = 0;
  // Of a live window.
  virtual ClientSize ClientSizeOf(HWND window) = 0;

  // Posts the input that arrived since the last call; before every look at
  // the queue.
  virtual void PumpInput(WindowRegistry& registry) = 0;
  // What posted messages carry: milliseconds, and the cursor on the screen.
  virtual DWORD Now() = 0;
  virtual POINT CursorOnScreen() = 0;

  // A modal box; returns once the user has closed it (or at once where no
  // one could).
  virtual void ShowMessageBox(HWND owner, const char* caption, const char* text, UINT type) = 0;
};

}  // namespace latticegas_win32
