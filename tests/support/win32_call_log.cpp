// The Win32 functions of win32_sdk.h, each noting its call while a test
// records, then handing it to the thread's registry as the layer's own do.
#include "support/win32_call_log.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/win32/win32_sdk.h"
#include "platform/win32/window_registry.h"

namespace latticegas_win32 {
namespace {

// A plain pointer: nothing to construct or destroy at process exit, when the
// program's globals may still call into the layer.
std::vector<std::string>* callLog = nullptr;

// Notes the call that `format` writes; formatted only while a test records.
template <typename Format>
void Note(Format format) {
  if (callLog != nullptr) callLog->push_back(format());
}

// A string argument as the log shows it: quoted, `null`, or `#n` for an atom.
std::string Quoted(const char* text) {
  if (text == nullptr) return "null";
  const auto value = reinterpret_cast<std::uintptr_t>(text);
  // Built by appending: GCC 12 at -O3 takes a prefix put before a string
  // (`"#" + std::to_string(value)`) for an overlapping copy and warns (GCC
  // bug 105329).
  std::string quoted;
  if (value <= 0xFFFF) {  // an atom
    quoted += '#';
    quoted += std::to_string(value);
  } else {
    quoted += '"';
    quoted += text;
    quoted += '"';
  }
  return quoted;
}

std::string Hex(unsigned long long value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", value);
  return text;
}

}  // namespace

void RecordCalls(std::vector<std::string>* log) { callLog = log; }

}  // namespace latticegas_win32

using latticegas_win32::Hex;
using latticegas_win32::Note;
using latticegas_win32::Quoted;
using latticegas_win32::ThreadRegistry;

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
  Note([&] {
    return "RegisterClassA(" + Quoted(windowClass ? windowClass->lpszClassName : nullptr) + ")";
  });
  return ThreadRegistry().RegisterClass(windowClass);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  Note([&] { return "UnregisterClassA(" + Quoted(className) + ")"; });
  return ThreadRegistry().UnregisterClass(className);
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE, LPVOID) {
  Note([&] {
    return "CreateWindowExA(" + Quoted(className) + ", " + Quoted(windowName) + ", " +
           Hex(style) + ", " + std::to_string(width) + ", " + std::to_string(height) + ")";
  });
  return ThreadRegistry().CreateWindow(className, windowName, style, x, y, width, height);
}

BOOL ShowWindow(HWND window, int command) {
  Note([&] { return "ShowWindow(" + std::to_string(command) + ")"; });
  return ThreadRegistry().ShowWindow(window, command);
}

BOOL UpdateWindow(HWND window) {
  Note([] { return std::string("UpdateWindow()"); });
  return ThreadRegistry().UpdateWindow(window);
}

BOOL DestroyWindow(HWND window) {
  Note([] { return std::string("DestroyWindow()"); });
  return ThreadRegistry().DestroyWindow(window);
}

BOOL GetClientRect(HWND window, LPRECT rect) {
  return ThreadRegistry().GetClientRect(window, rect);
}

BOOL PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  const BOOL found = ThreadRegistry().PeekMessage(msg, window, filterMin, filterMax, removeFlags);
  Note([&] {
    return found && msg != nullptr ? "PeekMessageA -> " + Hex(msg->message)
                                   : std::string("PeekMessageA -> none");
  });
  return found;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Note([&] { return "PostMessageA(" + Hex(message) + ", " + Hex(wParam) + ")"; });
  return ThreadRegistry().PostMessage(window, message, wParam, lParam);
}

BOOL TranslateMessage(const MSG* msg) {
  Note([&] { return "TranslateMessage(" + Hex(msg ? msg->message : 0) + ")"; });
  return ThreadRegistry().TranslateMessage(msg);
}

LRESULT DispatchMessageA(const MSG* msg) {
  Note([&] { return "DispatchMessageA(" + Hex(msg ? msg->message : 0) + ")"; });
  return ThreadRegistry().DispatchMessage(msg);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ThreadRegistry().DefWindowProc(window, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  Note([&] { return "PostQuitMessage(" + std::to_string(exitCode) + ")"; });
  ThreadRegistry().PostQuitMessage(exitCode);
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  Note([&] {
    return std::string("MessageBoxA(") + (owner != nullptr ? "window" : "null") + ", " +
           Quoted(text) + ", " + Quoted(caption) + ", " + Hex(type) + ")";
  });
  return ThreadRegistry().MessageBox(owner, text, caption, type);
}
