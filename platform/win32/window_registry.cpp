#include "platform/win32/window_registry.h"

#include <cstdint>
#include <optional>
#include <string>


namespace latticegas_win32 {
namespace {

HWND HandleOf(std::size_t index) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(index + 1));
}

// The live window of a handle among `windows`, const or not.
template <typename Windows>
auto LiveIn(Windows& windows, HWND handle) -> decltype(&windows[0]) {
  const std::uintptr_t index = reinterpret_cast<std::uintptr_t>(handle) - 1;  // null wraps
  if (index >= windows.size() || !windows[index].alive) return nullptr;
  return &windows[index];
}

}  // namespace

ATOM WindowRegistry::RegisterClass(const WNDCLASSA* windowClass) {
  return classes_.Register(windowClass);
}

BOOL WindowRegistry::UnregisterClass(LPCSTR name) {
  WindowClass* found = classes_.Find(name);
  if (found == nullptr || HasLiveWindow(found)) return FALSE;
  found->registered = false;
  return TRUE;
}

HWND WindowRegistry::CreateWindow(LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                                  int width, int height) {
  const WindowClass* windowClass = classes_.Find(className);
  if (windowClass == nullptr) return nullptr;
  windows_.push_back(Window{windowClass, windowClass->procedure, true, false, false, false});
  const HWND handle = HandleOf(windows_.size() - 1);
  system_.MakeNative(handle, WindowRequest{windowClass->name.c_str(), windowClass->background,
                                           title != nullptr ? title : "", style, x, y, width,
                                           height});
  if (Send(handle, WM_CREATE, 0, 0) == -1) {  // the procedure refused its window
    DestroyWindow(handle);
    return nullptr;
  }
  if (style & WS_VISIBLE) ShowWindow(handle, SW_SHOW);
  return handle;
}

BOOL WindowRegistry::ShowWindow(HWND handle, int command) {
  Window* window = LiveWindow(handle);
  if (window == nullptr) return FALSE;
  const BOOL wasVisible = window->visible ? TRUE : FALSE;
  window->visible = command != SW_HIDE;
  system_.ShowNative(handle, window->visible);
  return wasVisible;
}

BOOL WindowRegistry::UpdateWindow(HWND handle) {
  Window* window = LiveWindow(handle);
  if (window == nullptr) return FALSE;
  // The first paint of a shown window is sent at once, as on Windows.
  if (window->visible && !window->painted) {
    window->painted = true;
    Send(handle, WM_PAINT, 0, 0);
  }
  return TRUE;
}

BOOL WindowRegistry::DestroyWindow(HWND handle) {
  Window* window = LiveWindow(handle);
  if (window == nullptr || window->destroying) return FALSE;
  window->destroying = true;
  Send(handle, WM_DESTROY, 0, 0);
  // Records live on (marked dead), so the handle stays safe to pass around.
  window->alive = false;
  queue_.DropAllOf(handle);
  system_.DestroyNative(handle);
  return TRUE;
}

BOOL WindowRegistry::GetClientRect(HWND handle, LPRECT rect) const {
  if (Live(handle) == nullptr || rect == nullptr) return FALSE;
  const ClientSize size = system_.ClientSizeOf(handle);
  *rect = RECT{0, 0, size.width, size.height};
  return TRUE;
}

const Window* WindowRegistry::Live(HWND handle) const { return LiveIn(windows_, handle); }

BOOL WindowRegistry::PeekMessage(LPMSG msg, HWND window, UINT first, UINT last,
                                 UINT removeFlags) {
  system_.PumpInput(*this);
  const std::optional<MSG> found =
      queue_.Peek(MessageFilter{window, first, last}, (removeFlags & PM_REMOVE) != 0);
  if (!found) {
    return FALSE;
  }
  if (msg != nullptr) *msg = *found;
  return TRUE;
}

BOOL WindowRegistry::PostMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  // A null window makes a message for the thread; any other must be alive.
  if (handle != nullptr && Live(handle) == nullptr) return FALSE;
  Post(MSG{handle, message, wParam, lParam, 0, {}});
  return TRUE;
}

void WindowRegistry::PostQuitMessage(int exitCode) {
  Post(MSG{nullptr, WM_QUIT, static_cast<WPARAM>(static_cast<LONG_PTR>(exitCode)), 0, 0, {}});
}

// Characters are not needed: no WM_CHAR is made.
BOOL WindowRegistry::TranslateMessage(const MSG*) {
  return FALSE;
}

LRESULT WindowRegistry::DispatchMessage(const MSG* msg) {
  // The quit message has no window, and a destroyed window has no procedure.
  if (msg == nullptr || msg->message == WM_QUIT) return 0;
  return Send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT WindowRegistry::DefWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM) {
  if (Live(handle) == nullptr) return 0;
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(handle);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4) Send(handle, WM_CLOSE, 0, 0);  // Alt+F4
      return 0;
    default:
      return 0;
  }
}

LRESULT WindowRegistry::Send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  const Window* window = Live(handle);
  if (window == nullptr || window->procedure == nullptr) return 0;
  return window->procedure(handle, message, wParam, lParam);
}

void WindowRegistry::Post(MSG message) {
  if (message.time == 0) message.time = system_.Now();
  message.pt = system_.CursorOnScreen();
  queue_.Push(message);
}

void WindowRegistry::PostCloseToEveryWindow() {
  for (std::size_t i = 0; i < windows_.size(); ++i) {
    const HWND handle = HandleOf(i);
    if (!windows_[i].alive || queue_.Holds(handle, WM_CLOSE)) continue;
    Post(MSG{handle, WM_CLOSE, 0, 0, 0, {}});
  }
}

int WindowRegistry::MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  system_.ShowMessageBox(owner, caption != nullptr ? caption : "Error",  // Windows' default
                         text != nullptr ? text : "", type);
  return IDOK;
}

Window* WindowRegistry::LiveWindow(HWND handle) { return LiveIn(windows_, handle); }

bool WindowRegistry::HasLiveWindow(const WindowClass* windowClass) const {
  for (const Window& window : windows_)
    if (window.alive && window.windowClass == windowClass) return true;
  return false;
}

}  // namespace latticegas_win32
