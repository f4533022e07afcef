// Window classes, windows and the thread's message queue in the browser.
//
// The first window takes the page's canvas (id "canvas"); later ones are
// records only. The browser's input events are queued as Win32 messages while
// the program yields (at Present, or in a message box), so the frame loop sees
// them on its next turns. One thread does everything: no locks. The state is
// created on first use and never freed, so that window handles stay safe to
// look up after their window is destroyed and during the teardown at exit.
#include "platform/win32/win32_sdk.h"

#include <emscripten/em_js.h>
#include <emscripten/html5.h>
#include <strings.h>

#include <cmath>
#include <deque>
#include <iterator>
#include <string>

#include "platform/web/web_messages.h"
#include "platform/web/window_canvas.h"

namespace {

constexpr const char* kCanvas = "#canvas";

struct WindowClass {
  std::string name;
  WNDPROC procedure;
};

struct Window {
  WNDPROC procedure;
  bool hasCanvas;
  bool alive;
  bool destroying;
  bool painted;
  bool visible;
};

struct State {
  std::deque<WindowClass> classes;  // the atom is 0xC000 + index
  std::deque<Window> windows;       // the handle is index + 1; records are never removed
  std::deque<MSG> queue;
  bool canvasTaken = false;
};

State& Global() {
  static State* state = new State;
  return *state;
}

constexpr ATOM kFirstAtom = 0xC000;

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

// By name only: WebAssembly's memory starts at address 0, so a small value is
// as likely a string as an atom, and the program never passes atoms.
const WindowClass* FindClass(LPCSTR name) {
  State& state = Global();
  if (name == nullptr) return nullptr;
  for (const WindowClass& windowClass : state.classes)
    if (strcasecmp(windowClass.name.c_str(), name) == 0) return &windowClass;  // as Windows: any case
  return nullptr;
}

DWORD Now() { return static_cast<DWORD>(static_cast<long long>(emscripten_get_now())); }

void Post(MSG message) {
  if (message.time == 0) message.time = Now();
  Global().queue.push_back(message);
}

void PostAll(const std::vector<MSG>& messages) {
  for (const MSG& message : messages) Post(message);
}

LRESULT Send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = Live(handle);
  if (window == nullptr || window->procedure == nullptr) return 0;
  return window->procedure(handle, message, wParam, lParam);
}

// The page may hold no canvas (a page of its own): the window is then a record only.
EM_JS(int, AdoptCanvas, (), {
  const canvas = document.getElementById('canvas');
  if (!canvas) return 0;
  // Keys go to the focused element: the canvas must be able to take the focus.
  if (!canvas.hasAttribute('tabindex')) canvas.tabIndex = 0;
  canvas.addEventListener('contextmenu', event => event.preventDefault());
  return 1;
});

EM_JS(void, FocusCanvas, (), {
  const canvas = document.getElementById('canvas');
  if (canvas) canvas.focus({preventScroll: true});
});

// A modal box in the page; resolves once the user has closed it.
EM_ASYNC_JS(void, ShowMessageBox, (const char* caption, const char* text), {
  const dialog = document.createElement('dialog');
  dialog.className = 'message-box';
  dialog.setAttribute('role', 'alertdialog');
  const title = document.createElement('h2');
  title.textContent = UTF8ToString(caption);
  const body = document.createElement('p');
  body.textContent = UTF8ToString(text);
  const form = document.createElement('form');
  form.method = 'dialog';
  const ok = document.createElement('button');
  ok.textContent = 'OK';
  ok.autofocus = true;
  form.appendChild(ok);
  dialog.append(title, body, form);
  document.body.appendChild(dialog);
  await new Promise(resolve => {
    dialog.addEventListener('close', resolve, {once: true});
    dialog.showModal();
  });
  dialog.remove();
});

HWND TargetOf(void* userData) { return static_cast<HWND>(userData); }

EM_BOOL OnKeyDown(int, const EmscriptenKeyboardEvent* e, void* userData) {
  const DomKeyDown event{e->key,          e->code,   e->keyCode,   e->repeat != 0, e->shiftKey != 0,
                         e->ctrlKey != 0, e->altKey != 0, e->metaKey != 0};
  PostAll(KeyDownMessages(event, TargetOf(userData), Now()));
  return BrowserKeepsKey(event) ? EM_FALSE : EM_TRUE;
}

EM_BOOL OnMouseDown(int, const EmscriptenMouseEvent* e, void* userData) {
  // Kept from the browser (so a right click opens no menu), the focus is
  // given by hand.
  FocusCanvas();
  PostAll(ButtonDownMessages(e->button, e->targetX, e->targetY, e->shiftKey != 0, e->ctrlKey != 0,
                             TargetOf(userData), Now()));
  return EM_TRUE;
}

EM_BOOL OnWheel(int, const EmscriptenWheelEvent* e, void* userData) {
  const POINT screen{static_cast<LONG>(e->mouse.screenX), static_cast<LONG>(e->mouse.screenY)};
  PostAll(WheelMessages(e->deltaY, e->deltaMode, screen, e->mouse.shiftKey != 0,
                        e->mouse.ctrlKey != 0, TargetOf(userData), Now()));
  return EM_TRUE;  // the page does not scroll under the canvas
}

void ListenToCanvas(HWND handle, bool listen) {
  void* target = listen ? handle : nullptr;
  emscripten_set_keydown_callback(kCanvas, target, EM_TRUE, listen ? OnKeyDown : nullptr);
  emscripten_set_mousedown_callback(kCanvas, target, EM_TRUE, listen ? OnMouseDown : nullptr);
  emscripten_set_wheel_callback(kCanvas, target, EM_TRUE, listen ? OnWheel : nullptr);
}

bool Matches(const MSG& message, HWND window, UINT filterMin, UINT filterMax) {
  if (message.message == WM_QUIT) return true;
  if (window != nullptr && message.hwnd != window) return false;
  if (filterMin == 0 && filterMax == 0) return true;
  return message.message >= filterMin && message.message <= filterMax;
}

HICON__ applicationIcon{};
HICON__ arrowCursor{};
HBRUSH__ stockObjects[20]{};

}  // namespace

const char* CanvasOf(HWND handle) {
  const Window* window = Live(handle);
  return window != nullptr && window->hasCanvas && !window->destroying ? kCanvas : nullptr;
}

HICON LoadIconA(HINSTANCE, LPCSTR) { return &applicationIcon; }

HCURSOR LoadCursorA(HINSTANCE, LPCSTR) { return &arrowCursor; }

HGDIOBJ GetStockObject(int object) {
  if (object < 0 || object >= static_cast<int>(std::size(stockObjects))) return nullptr;
  return &stockObjects[object];
}

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
  if (windowClass == nullptr || windowClass->lpszClassName == nullptr ||
      FindClass(windowClass->lpszClassName) != nullptr)
    return 0;
  State& state = Global();
  if (state.classes.size() >= 0x4000) return 0;
  state.classes.push_back(WindowClass{windowClass->lpszClassName, windowClass->lpfnWndProc});
  return static_cast<ATOM>(kFirstAtom + state.classes.size() - 1);
}

// The size and place are the page's to choose: the canvas fills what the page
// gives it, and GetClientRect reports that.
HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int, int, int, int,
                     HWND, HMENU, HINSTANCE, LPVOID) {
  const WindowClass* windowClass = FindClass(className);
  if (windowClass == nullptr) return nullptr;
  State& state = Global();
  const bool hasCanvas = !state.canvasTaken && AdoptCanvas() != 0;
  state.canvasTaken = state.canvasTaken || hasCanvas;
  state.windows.push_back(Window{windowClass->procedure, hasCanvas, true, false, false, false});
  const HWND handle = HandleOf(state.windows.size() - 1);
  if (hasCanvas) {
    // The page's title is the window's.
    emscripten_set_window_title(windowName != nullptr ? windowName : "");
    ListenToCanvas(handle, true);
  }
  if (Send(handle, WM_CREATE, 0, 0) == -1) {  // the procedure refused its window
    DestroyWindow(handle);
    return nullptr;
  }
  if (style & WS_VISIBLE) ShowWindow(handle, SW_SHOW);
  return handle;
}

BOOL ShowWindow(HWND handle, int command) {
  Window* window = Live(handle);
  if (window == nullptr) return FALSE;
  const BOOL wasVisible = window->visible ? TRUE : FALSE;
  window->visible = command != SW_HIDE;
  // A shown window takes the keyboard, as a new window on a desktop does.
  if (window->visible && window->hasCanvas) FocusCanvas();
  return wasVisible;
}

BOOL UpdateWindow(HWND handle) {
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
  Window* window = Live(handle);
  if (window == nullptr || window->destroying) return FALSE;
  window->destroying = true;
  if (window->hasCanvas) ListenToCanvas(handle, false);
  Send(handle, WM_DESTROY, 0, 0);
  // Records live on (marked dead), so the handle stays safe to pass around.
  window->alive = false;
  std::erase_if(Global().queue, [handle](const MSG& message) { return message.hwnd == handle; });
  return TRUE;
}

BOOL GetClientRect(HWND handle, LPRECT rect) {
  const Window* window = Live(handle);
  if (window == nullptr || rect == nullptr) return FALSE;
  double width = 0.0;
  double height = 0.0;
  // The canvas as the page shows it, in CSS pixels: the clicks' unit.
  if (window->hasCanvas) emscripten_get_element_css_size(kCanvas, &width, &height);
  *rect = RECT{0, 0, static_cast<LONG>(std::lround(width)), static_cast<LONG>(std::lround(height))};
  return TRUE;
}

BOOL PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  std::deque<MSG>& queue = Global().queue;
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if (!Matches(*it, window, filterMin, filterMax)) continue;
    if (msg != nullptr) *msg = *it;
    if (removeFlags & PM_REMOVE) queue.erase(it);
    return TRUE;
  }
  return FALSE;
}

// Characters are not needed: no WM_CHAR is made.
BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
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
  Post(MSG{nullptr, WM_QUIT, static_cast<WPARAM>(static_cast<LONG_PTR>(exitCode)), 0, 0, {}});
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
  ShowMessageBox(caption != nullptr ? caption : "Error",  // Windows' default caption
                 text != nullptr ? text : "");
  return IDOK;
}
