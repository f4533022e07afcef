// Window classes, windows and the thread's message queue on SDL2.
//
// One thread does everything, so the state below has no locks. It is created
// on first use and never freed: window handles must stay valid to look up
// after their window is destroyed, and other objects' destructors may still
// ask about windows while the process exits.
#include "platform/win32/win32_sdk.h"

#include <SDL.h>
#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iterator>
#include <optional>
#include <string>

#include "platform/sdl/sdl_messages.h"
#include "platform/sdl/win32_test_log.h"
#include "platform/sdl/window_background.h"
#include "platform/sdl/window_handle.h"

namespace {

struct WindowClass {
  std::string name;
  WNDPROC procedure;
  HBRUSH background;
  bool registered;
};

struct Window {
  const WindowClass* windowClass;
  WNDPROC procedure;
  SDL_Window* sdl;  // null without a display
  Uint32 sdlId;
  int width;
  int height;
  bool alive;
  bool destroying;
  bool painted;
  bool visible;
};

enum class Video { untried, available, unavailable };

struct State {
  std::deque<WindowClass> classes;  // the atom is 0xC000 + index; records are never removed
  std::deque<Window> windows;       // the handle is index + 1; records are never removed
  std::deque<MSG> queue;
  Video video = Video::untried;
};

State& Global() {
  static State* state = new State;
  return *state;
}

constexpr ATOM kFirstAtom = 0xC000;
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

HWND HandleOf(std::size_t index) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(index + 1));
}

// Any handle value is safe to look up; unknown ones give null.
Window* Find(HWND handle) {
  const auto value = reinterpret_cast<std::uintptr_t>(handle);
  State& state = Global();
  if (value == 0 || value > state.windows.size()) return nullptr;
  return &state.windows[value - 1];
}

Window* Live(HWND handle) {
  Window* window = Find(handle);
  return window != nullptr && window->alive ? window : nullptr;
}

HWND FindBySdlId(Uint32 id) {
  State& state = Global();
  for (std::size_t i = 0; i < state.windows.size(); ++i) {
    const Window& window = state.windows[i];
    if (window.alive && window.sdl != nullptr && window.sdlId == id) return HandleOf(i);
  }
  return nullptr;
}

WindowClass* FindClass(LPCSTR name) {
  State& state = Global();
  const auto value = reinterpret_cast<std::uintptr_t>(name);
  if (value == 0) return nullptr;
  if (value <= 0xFFFF) {  // an atom in place of the name
    if (value < kFirstAtom || value - kFirstAtom >= state.classes.size()) return nullptr;
    WindowClass& windowClass = state.classes[value - kFirstAtom];
    return windowClass.registered ? &windowClass : nullptr;
  }
  for (WindowClass& windowClass : state.classes)
    if (windowClass.registered && strcasecmp(windowClass.name.c_str(), name) == 0)
      return &windowClass;  // as Windows: any case
  return nullptr;
}

bool HasLiveWindow(const WindowClass* windowClass) {
  for (const Window& window : Global().windows)
    if (window.alive && window.windowClass == windowClass) return true;
  return false;
}

// The test log, in call form; formatted only while a test records.
template <typename Format>
void Note(Format format) {
  if (latticegas_win32::RecordingCalls()) latticegas_win32::NoteCall(format());
}

std::string Quoted(LPCSTR text) {
  if (text == nullptr) return "null";
  const auto value = reinterpret_cast<std::uintptr_t>(text);
  if (value <= 0xFFFF) return "#" + std::to_string(value);  // an atom
  return '"' + std::string(text) + '"';
}

std::string Hex(unsigned long long value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", value);
  return text;
}

POINT CursorOnScreen() {
  int x = 0;
  int y = 0;
  if (Global().video == Video::available) SDL_GetGlobalMouseState(&x, &y);
  return POINT{x, y};
}

void Post(MSG message) {
  if (message.time == 0) message.time = SDL_GetTicks();
  message.pt = CursorOnScreen();
  Global().queue.push_back(message);
}

bool CloseQueuedFor(HWND handle) {
  for (const MSG& message : Global().queue)
    if (message.hwnd == handle && message.message == WM_CLOSE) return true;
  return false;
}

LRESULT Send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = Live(handle);
  if (window == nullptr || window->procedure == nullptr) return 0;
  return window->procedure(handle, message, wParam, lParam);
}

// Without a display SDL falls back to drivers that show nothing; windows are
// then records only, as on a machine with no screen.
bool DrawsSomewhere() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver != nullptr && std::strcmp(driver, "dummy") != 0 &&
         std::strcmp(driver, "offscreen") != 0;
}

// SDL's video starts with the first window, so that the X11 WM_CLASS can be
// the window's class name (SDL reads it from the environment then).
bool StartVideo(const char* className) {
  State& state = Global();
  if (state.video != Video::untried) return state.video == Video::available;
  // Without this SDL would swallow SIGINT and SIGTERM; a stuck program must
  // stay killable.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  setenv("SDL_VIDEO_X11_WMCLASS", className, 1);
  state.video = SDL_Init(SDL_INIT_VIDEO) == 0 && DrawsSomewhere() ? Video::available
                                                                     : Video::unavailable;
  // Windows come with a 24-bit depth and 8-bit stencil buffer, the format of
  // Direct3D's automatic one, so the device can draw straight into them.
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  return state.video == Video::available;
}

HWND TargetOf(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN: return FindBySdlId(event.key.windowID);
    case SDL_MOUSEBUTTONDOWN: return FindBySdlId(event.button.windowID);
    case SDL_MOUSEWHEEL: return FindBySdlId(event.wheel.windowID);
    default: return nullptr;
  }
}

void PostFromSdl(const SDL_Event& event) {
  State& state = Global();
  if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
    if (HWND target = FindBySdlId(event.window.windowID)) Post(MSG{target, WM_CLOSE, 0, 0, 0, {}});
    return;
  }
  if (event.type == SDL_QUIT) {
    // SDL follows the last window's close request with a quit; ask each
    // window once.
    for (std::size_t i = 0; i < state.windows.size(); ++i) {
      if (!state.windows[i].alive || CloseQueuedFor(HandleOf(i))) continue;
      Post(MSG{HandleOf(i), WM_CLOSE, 0, 0, 0, {}});
    }
    return;
  }
  const HWND target = TargetOf(event);
  if (target == nullptr) return;
  POINT cursor{0, 0};
  if (event.type == SDL_MOUSEWHEEL) {
    int left = 0;
    int top = 0;
    SDL_GetWindowPosition(Find(target)->sdl, &left, &top);
    cursor = POINT{left + event.wheel.mouseX, top + event.wheel.mouseY};
  }
  for (const MSG& message : MessagesFromSdlEvent(event, target, cursor)) Post(message);
}

void PumpSdl() {
  if (Global().video != Video::available) return;
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) PostFromSdl(event);
}

bool Matches(const MSG& message, HWND window, UINT filterMin, UINT filterMax) {
  if (message.message == WM_QUIT) return true;
  if (window != nullptr && message.hwnd != window) return false;
  if (filterMin == 0 && filterMax == 0) return true;
  return message.message >= filterMin && message.message <= filterMax;
}

// A modal box on the display; false when none can be shown.
bool ShowBox(HWND owner, const char* title, const char* body, UINT type) {
  Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
  switch (type & 0xF0) {
    case MB_ICONERROR: flags = SDL_MESSAGEBOX_ERROR; break;
    case MB_ICONWARNING: flags = SDL_MESSAGEBOX_WARNING; break;
    default: break;
  }
  return SDL_ShowSimpleMessageBox(flags, title, body, SdlWindowOf(owner)) == 0;
}

HICON__ applicationIcon{};
HICON__ arrowCursor{};
HBRUSH__ stockObjects[20]{};

// The colour of a stock brush, as Windows fills a client area with it; none
// for the null brush and anything else (the window is then left as it is).
std::optional<SDL_Color> BrushColour(HBRUSH brush) {
  const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(brush);
  const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(&stockObjects[0]);
  if (at < first || (at - first) % sizeof(HBRUSH__) != 0) return std::nullopt;
  static constexpr Uint8 kGreys[] = {255, 192, 128, 64, 0};  // WHITE_BRUSH to BLACK_BRUSH
  const std::uintptr_t index = (at - first) / sizeof(HBRUSH__);
  if (index >= std::size(kGreys)) return std::nullopt;
  return SDL_Color{kGreys[index], kGreys[index], kGreys[index], 255};
}

}  // namespace

SDL_Window* SdlWindowOf(HWND handle) {
  const Window* window = Live(handle);
  return window != nullptr ? window->sdl : nullptr;
}

HICON LoadIconA(HINSTANCE, LPCSTR) { return &applicationIcon; }

HCURSOR LoadCursorA(HINSTANCE, LPCSTR) { return &arrowCursor; }

HGDIOBJ GetStockObject(int object) {
  if (object < 0 || object >= static_cast<int>(std::size(stockObjects))) return nullptr;
  return &stockObjects[object];
}

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
  Note([&] {
    return "RegisterClassA(" + Quoted(windowClass ? windowClass->lpszClassName : nullptr) + ")";
  });
  if (windowClass == nullptr || windowClass->lpszClassName == nullptr ||
      reinterpret_cast<std::uintptr_t>(windowClass->lpszClassName) <= 0xFFFF ||
      FindClass(windowClass->lpszClassName) != nullptr)
    return 0;
  State& state = Global();
  if (state.classes.size() >= 0x4000) return 0;
  state.classes.push_back(WindowClass{windowClass->lpszClassName, windowClass->lpfnWndProc,
                                      windowClass->hbrBackground, true});
  return static_cast<ATOM>(kFirstAtom + state.classes.size() - 1);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  Note([&] { return "UnregisterClassA(" + Quoted(className) + ")"; });
  WindowClass* found = FindClass(className);
  // As on Windows, a class stays while a window of it exists.
  if (found == nullptr || HasLiveWindow(found)) return FALSE;
  found->registered = false;
  return TRUE;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE, LPVOID) {
  Note([&] {
    return "CreateWindowExA(" + Quoted(className) + ", " + Quoted(windowName) + ", " +
           Hex(style) + ", " + std::to_string(width) + ", " + std::to_string(height) + ")";
  });
  const WindowClass* windowClass = FindClass(className);
  if (windowClass == nullptr) return nullptr;
  if (width == CW_USEDEFAULT || width <= 0) width = kDefaultWidth;
  if (height == CW_USEDEFAULT || height <= 0) height = kDefaultHeight;

  Window window{windowClass, windowClass->procedure, nullptr, 0, width, height,
                true, false, false, false};
  if (StartVideo(windowClass->name.c_str())) {
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    const int left = x == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : x;
    const int top = x == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : y;
    // On Windows the size includes the frame; here the client area gets it
    // all, so the drawing surface is exactly the size asked for.
    window.sdl = SDL_CreateWindow(windowName != nullptr ? windowName : "", left, top, width,
                                  height, flags);
    if (window.sdl != nullptr) {
      window.sdlId = SDL_GetWindowID(window.sdl);
      // The class brush's colour from the moment it is shown until the
      // program draws (black for the program, until its first frame).
      if (const std::optional<SDL_Color> colour = BrushColour(windowClass->background))
        SetWindowBackground(window.sdl, *colour);
    }
    // No window (no OpenGL, say) leaves a record without one, as without a display.
  }

  State& state = Global();
  state.windows.push_back(window);
  const HWND handle = HandleOf(state.windows.size() - 1);
  if (Send(handle, WM_CREATE, 0, 0) == -1) {  // the procedure refused its window
    DestroyWindow(handle);
    return nullptr;
  }
  if (style & WS_VISIBLE) ShowWindow(handle, SW_SHOW);
  return handle;
}

BOOL ShowWindow(HWND handle, int command) {
  Note([&] { return "ShowWindow(" + std::to_string(command) + ")"; });
  Window* window = Live(handle);
  if (window == nullptr) return FALSE;
  const BOOL wasVisible = window->visible ? TRUE : FALSE;
  window->visible = command != SW_HIDE;
  if (window->sdl != nullptr) {
    if (window->visible)
      SDL_ShowWindow(window->sdl);
    else
      SDL_HideWindow(window->sdl);
  }
  return wasVisible;
}

BOOL UpdateWindow(HWND handle) {
  Note([] { return std::string("UpdateWindow()"); });
  Window* window = Live(handle);
  if (window == nullptr) return FALSE;
  // The first paint of a shown window is sent at once, as on Windows.
  if (window->visible && !window->painted) {
    window->painted = true;
    Send(handle, WM_PAINT, 0, 0);
  }
  return TRUE;
}

BOOL DestroyWindow(HWND handle) {
  Note([] { return std::string("DestroyWindow()"); });
  Window* window = Live(handle);
  if (window == nullptr || window->destroying) return FALSE;
  window->destroying = true;
  Send(handle, WM_DESTROY, 0, 0);
  // Records live on (marked dead), so the handle stays safe to pass around.
  window->alive = false;
  std::erase_if(Global().queue, [handle](const MSG& message) { return message.hwnd == handle; });
  if (window->sdl != nullptr) {
    SDL_DestroyWindow(window->sdl);
    window->sdl = nullptr;
  }
  return TRUE;
}

BOOL GetClientRect(HWND handle, LPRECT rect) {
  const Window* window = Live(handle);
  if (window == nullptr || rect == nullptr) return FALSE;
  int width = window->width;
  int height = window->height;
  // The user may have resized it; SDL's window size is the client area.
  if (window->sdl != nullptr) SDL_GetWindowSize(window->sdl, &width, &height);
  *rect = RECT{0, 0, width, height};
  return TRUE;
}

BOOL PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  PumpSdl();
  std::deque<MSG>& queue = Global().queue;
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if (!Matches(*it, window, filterMin, filterMax)) continue;
    Note([&] { return "PeekMessageA -> " + Hex(it->message); });
    if (msg != nullptr) *msg = *it;
    if (removeFlags & PM_REMOVE) queue.erase(it);
    return TRUE;
  }
  Note([] { return std::string("PeekMessageA -> none"); });
  return FALSE;
}

BOOL PostMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Note([&] { return "PostMessageA(" + Hex(message) + ", " + Hex(wParam) + ")"; });
  // A null window makes a message for the thread; any other must be alive.
  if (handle != nullptr && Live(handle) == nullptr) return FALSE;
  Post(MSG{handle, message, wParam, lParam, 0, {}});
  return TRUE;
}

// Characters are not needed: no WM_CHAR is made.
BOOL TranslateMessage(const MSG* msg) {
  Note([&] { return "TranslateMessage(" + Hex(msg ? msg->message : 0) + ")"; });
  return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
  Note([&] { return "DispatchMessageA(" + Hex(msg ? msg->message : 0) + ")"; });
  // The quit message has no window, and a destroyed window has no procedure.
  if (msg == nullptr || msg->message == WM_QUIT) return 0;
  return Send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM) {
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

void PostQuitMessage(int exitCode) {
  Note([&] { return "PostQuitMessage(" + std::to_string(exitCode) + ")"; });
  Post(MSG{nullptr, WM_QUIT, static_cast<WPARAM>(static_cast<LONG_PTR>(exitCode)), 0, 0, {}});
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  Note([&] {
    return std::string("MessageBoxA(") + (owner != nullptr ? "window" : "null") + ", " +
           Quoted(text) + ", " + Quoted(caption) + ", " + Hex(type) + ")";
  });
  const char* title = caption != nullptr ? caption : "Error";  // Windows' default caption
  const char* body = text != nullptr ? text : "";
  if (!latticegas_win32::BoxesGoToStandardError() && ShowBox(owner, title, body, type)) return IDOK;
  // Nothing can show the box: say it where someone may read it, and go on.
  std::fprintf(stderr, "%s: %s\n", title, body);
  std::fflush(stderr);
  return IDOK;
}
