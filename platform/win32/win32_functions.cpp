// The Win32 functions of win32_sdk.h on the thread's registry (the stock
// objects are in stock_objects.cpp).
#include "platform/win32/win32_sdk.h"
#include "platform/win32/window_registry.h"

using latticegas_win32::ThreadRegistry;

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
  return ThreadRegistry().RegisterClass(windowClass);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  return ThreadRegistry().UnregisterClass(className);
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE, LPVOID) {
  return ThreadRegistry().CreateWindow(className, windowName, style, x, y, width, height);
}

BOOL ShowWindow(HWND window, int command) { return ThreadRegistry().ShowWindow(window, command); }

BOOL UpdateWindow(HWND window) { return ThreadRegistry().UpdateWindow(window); }

BOOL DestroyWindow(HWND window) { return ThreadRegistry().DestroyWindow(window); }

BOOL GetClientRect(HWND window, LPRECT rect) {
  return ThreadRegistry().GetClientRect(window, rect);
}

BOOL PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  return ThreadRegistry().PeekMessage(msg, window, filterMin, filterMax, removeFlags);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ThreadRegistry().PostMessage(window, message, wParam, lParam);
}

BOOL TranslateMessage(const MSG* msg) { return ThreadRegistry().TranslateMessage(msg); }

LRESULT DispatchMessageA(const MSG* msg) { return ThreadRegistry().DispatchMessage(msg); }

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ThreadRegistry().DefWindowProc(window, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) { ThreadRegistry().PostQuitMessage(exitCode); }

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  return ThreadRegistry().MessageBox(owner, text, caption, type);
}
