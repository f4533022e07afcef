#pragma once
// Window classes, windows and the thread's message queue, as Win32 has them,
// with no window system of their own: a WindowSystem supplies that. The Win32
// functions of win32_sdk.h are these operations on the thread's registry.
//
// One thread does everything, so there are no locks. Records are never
// removed: a window handle stays safe to look up after its window is
// destroyed, and during the teardown at exit.
#include <deque>

#include "platform/win32/message_queue.h"
#include "platform/win32/win32_sdk.h"
#include "platform/win32/window_classes.h"
#include "platform/win32/window_system.h"

namespace latticegas_win32 {

struct Window {
  const WindowClass* windowClass;
  WNDPROC procedure;
  bool alive;
  bool destroying;  // from WM_DESTROY on
  bool painted;     // its first WM_PAINT has been sent
  bool visible;
};

class WindowRegistry {
 public:
  WindowRegistry(WindowSystem& system, ClassNames naming) : system_(system), classes_(naming) {}

  ATOM RegisterClass(const WNDCLASSA* windowClass);
  // As on Windows, a class stays while a window of it exists.
  BOOL UnregisterClass(LPCSTR name);

  HWND CreateWindow(LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width,
                    int height);
  BOOL ShowWindow(HWND handle, int command);
  BOOL UpdateWindow(HWND handle);
  BOOL DestroyWindow(HWND handle);
  BOOL GetClientRect(HWND handle, LPRECT rect) const;

  // Any handle value is safe to pass; null unless the window is alive (it
  // still is while it handles WM_DESTROY).
  const Window* Live(HWND handle) const;

  BOOL PeekMessage(LPMSG msg, HWND window, UINT first, UINT last, UINT removeFlags);
  BOOL PostMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  void PostQuitMessage(int exitCode);
  BOOL TranslateMessage(const MSG* msg);
  LRESULT DispatchMessage(const MSG* msg);
  LRESULT DefWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  // The procedure's answer, straight away; 0 for a window that is not alive.
  LRESULT Send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

  // Queues input: stamped with the cursor, and with the time unless it has one.
  void Post(MSG message);
  // WM_CLOSE to each live window that has none queued yet.
  void PostCloseToEveryWindow();

  int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

 private:
  Window* LiveWindow(HWND handle);
  bool HasLiveWindow(const WindowClass* windowClass) const;

  WindowSystem& system_;
  WindowClasses classes_;
  std::deque<Window> windows_;  // the handle is index + 1
  MessageQueue queue_;
};

// The thread's registry, over the platform's window system: made on first use
// and never freed, since other objects' destructors may still ask about
// windows while the process exits. Each window system's backend defines it.
WindowRegistry& ThreadRegistry();

}  // namespace latticegas_win32
