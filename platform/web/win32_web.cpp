// Win32 in the browser: the window system under the shared core
// (platform/win32), which keeps the classes, windows and the message queue.
//
// The first window takes the page's canvas (id "canvas"); later ones are
// records only. The browser's input events are queued as Win32 messages while
// the program yields (at Present, or in a message box), so the frame loop sees
// them on its next turns. Classes are found by name only: WebAssembly's memory
// starts at address 0, so a small value is as likely a string as an atom.
#include <emscripten/em_js.h>
#include <emscripten/html5.h>

#include <cmath>
#include <vector>

#include "platform/web/web_messages.h"
#include "platform/web/web_touch.h"
#include "platform/web/window_canvas.h"
#include "platform/win32/window_registry.h"

namespace {

using latticegas_web::BrowserKeepsKey;
using latticegas_web::ButtonDownMessages;
using latticegas_web::CanvasOf;
using latticegas_web::DomKeyDown;
using latticegas_web::KeyDownMessages;
using latticegas_web::ListenToTouch;
using latticegas_web::WheelMessages;
using latticegas_win32::ClientSize;
using latticegas_win32::ThreadRegistry;
using latticegas_win32::WindowRegistry;
using latticegas_win32::WindowRequest;

constexpr const char* kCanvas = "#canvas";

DWORD Now() { return static_cast<DWORD>(static_cast<long long>(emscripten_get_now())); }

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
EM_ASYNC_JS(void, ShowBoxInPage, (const char* caption, const char* text), {
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

void PostAll(const std::vector<MSG>& messages) {
  for (const MSG& message : messages) ThreadRegistry().Post(message);
}

// The window the canvas's events are for, while it takes input: not from
// WM_DESTROY on, when the browser keeps the events as if no one listened.
HWND TargetOf(void* userData) {
  const HWND window = static_cast<HWND>(userData);
  return CanvasOf(window) != nullptr ? window : nullptr;
}

EM_BOOL OnKeyDown(int, const EmscriptenKeyboardEvent* e, void* userData) {
  const HWND target = TargetOf(userData);
  if (target == nullptr) return EM_FALSE;
  const DomKeyDown event{e->key,          e->code,   e->keyCode,   e->repeat != 0, e->shiftKey != 0,
                         e->ctrlKey != 0, e->altKey != 0, e->metaKey != 0};
  PostAll(KeyDownMessages(event, target, Now()));
  return BrowserKeepsKey(event) ? EM_FALSE : EM_TRUE;
}

EM_BOOL OnMouseDown(int, const EmscriptenMouseEvent* e, void* userData) {
  const HWND target = TargetOf(userData);
  if (target == nullptr) return EM_FALSE;
  // Kept from the browser (so a right click opens no menu), the focus is
  // given by hand.
  FocusCanvas();
  PostAll(ButtonDownMessages(e->button, e->targetX, e->targetY, e->shiftKey != 0, e->ctrlKey != 0,
                             target, Now()));
  return EM_TRUE;
}

EM_BOOL OnWheel(int, const EmscriptenWheelEvent* e, void* userData) {
  const HWND target = TargetOf(userData);
  if (target == nullptr) return EM_FALSE;
  const POINT screen{static_cast<LONG>(e->mouse.screenX), static_cast<LONG>(e->mouse.screenY)};
  PostAll(WheelMessages(e->deltaY, e->deltaMode, screen, e->mouse.shiftKey != 0,
                        e->mouse.ctrlKey != 0, target, Now()));
  return EM_TRUE;  // the page does not scroll under the canvas
}

void ListenToCanvas(HWND handle, bool listen) {
  void* target = listen ? handle : nullptr;
  emscripten_set_keydown_callback(kCanvas, target, EM_TRUE, listen ? OnKeyDown : nullptr);
  emscripten_set_mousedown_callback(kCanvas, target, EM_TRUE, listen ? OnMouseDown : nullptr);
  emscripten_set_wheel_callback(kCanvas, target, EM_TRUE, listen ? OnWheel : nullptr);
  ListenToTouch(handle, listen);
}

class WebWindowSystem final : public latticegas_win32::WindowSystem {
 public:
  void MakeNative(HWND window, const WindowRequest& request) override;
  void ShowNative(HWND window, bool visible) override;
  void DestroyNative(HWND window) override;
  ClientSize ClientSizeOf(HWND window) override;
  // Input arrives while the program yields, posted by the canvas's listeners.
  void PumpInput(WindowRegistry&) override {}
  DWORD Now() override { return ::Now(); }
  POINT CursorOnScreen() override { return POINT{0, 0}; }
  void ShowMessageBox(HWND, const char* caption, const char* text, UINT) override {
    ShowBoxInPage(caption, text);
  }

  // Null until a window takes the canvas, and for good once it has.
  HWND CanvasWindow() const { return canvasWindow_; }

 private:
  HWND canvasWindow_ = nullptr;
};

WebWindowSystem& System() {
  // Never freed, as the registry over it.
  static WebWindowSystem& system = *new WebWindowSystem;
  return system;
}

// The size and place are the page's to choose: the canvas fills what the page
// gives it, and GetClientRect reports that.
void WebWindowSystem::MakeNative(HWND window, const WindowRequest& request) {
  if (canvasWindow_ != nullptr || AdoptCanvas() == 0) return;
  canvasWindow_ = window;
  // The page's title is the window's.
  emscripten_set_window_title(request.title);
  ListenToCanvas(window, true);
}

void WebWindowSystem::ShowNative(HWND window, bool visible) {
  // A shown window takes the keyboard, as a new window on a desktop does.
  if (visible && window == canvasWindow_) FocusCanvas();
}

void WebWindowSystem::DestroyNative(HWND window) {
  if (window == canvasWindow_) ListenToCanvas(window, false);
}

ClientSize WebWindowSystem::ClientSizeOf(HWND window) {
  double width = 0.0;
  double height = 0.0;
  // The canvas as the page shows it, in CSS pixels: the clicks' unit.
  if (window == canvasWindow_) emscripten_get_element_css_size(kCanvas, &width, &height);
  return ClientSize{static_cast<int>(std::lround(width)), static_cast<int>(std::lround(height))};
}

}  // namespace

WindowRegistry& latticegas_win32::ThreadRegistry() {
  static WindowRegistry& registry = *new WindowRegistry(System(), ClassNames::namesOnly);
  return registry;
}

const char* latticegas_web::CanvasOf(HWND handle) {
  const latticegas_win32::Window* window = ThreadRegistry().Live(handle);
  const bool hasCanvas = window != nullptr && handle == System().CanvasWindow();
  return hasCanvas && !window->destroying ? kCanvas : nullptr;
}
