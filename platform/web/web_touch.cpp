// The canvas's touch pointers go to the gesture recogniser, and what it
// recognises is queued as the clicks and wheel notches a mouse would make.
// The page's listeners call LatticeGasTouch on each pointer event, and again
// from a timer when a resting finger's hold falls due; nothing runs per frame.
#include "platform/web/web_touch.h"

#include <emscripten/em_js.h>
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "platform/web/window_canvas.h"
#include "platform/win32/input_translation.h"
#include "platform/win32/touch_gestures.h"
#include "platform/win32/window_registry.h"

namespace {

using latticegas_web::CanvasOf;
using latticegas_win32::TouchGesture;
using latticegas_win32::TouchGestures;
using latticegas_win32::TouchPoint;

// What the page tells LatticeGasTouch.
enum PointerEvent { kDown = 0, kMove = 1, kUp = 2, kCancel = 3, kWake = 4 };

HWND touchWindow = nullptr;

TouchGestures& Gestures() {
  // Never freed: the page's listeners may outlive the program's globals.
  static TouchGestures& gestures = *new TouchGestures;
  return gestures;
}

// Touch pointers only (mouse and pen keep their way in), kept from the
// browser so that it neither scrolls nor zooms the page, nor makes mouse
// events of its own from a tap: one touch reaches the program once. While a
// finger rests, a ring shows where a hold will add the node.
EM_JS(void, ListenToPointers, (int listen), {
  const canvas = document.getElementById('canvas');
  if (!canvas) return;
  const old = canvas.latticeGasTouch;
  if (old) {
    for (const h of old.handlers) canvas.removeEventListener(h.type, h.handler);
    clearTimeout(old.timer);
    old.ring.remove();
    canvas.latticeGasTouch = null;
  }
  if (!listen) return;
  canvas.style.touchAction = 'none';
  const ring = document.createElement('div');
  ring.className = 'hold-ring';
  ring.hidden = true;
  Object.assign(ring.style, {
    position: 'fixed', width: '56px', height: '56px', margin: '-28px 0 0 -28px',
    border: '4px solid #5b8def', borderRadius: '50%', boxSizing: 'border-box',
    pointerEvents: 'none', zIndex: '1'
  });
  document.body.appendChild(ring);
  const state = {handlers: [], timer: 0, ring: ring};
  // `due`: milliseconds until a pending hold, or -1 when none is pending.
  const answer = due => {
    clearTimeout(state.timer);
    state.timer = 0;
    if (due < 0) {
      ring.hidden = true;
      return;
    }
    state.timer = setTimeout(() => {
      if (!ABORT) answer(_LatticeGasTouch(4, 0, 0, 0, performance.now()));
    }, due);
  };
  const on = (type, kind) => {
    const handler = event => {
      if (event.pointerType !== 'touch' || ABORT) return;
      event.preventDefault();
      if (kind === 0) canvas.focus({preventScroll: true});
      const r = canvas.getBoundingClientRect();
      const due = _LatticeGasTouch(kind, event.pointerId, event.clientX - r.left,
                                   event.clientY - r.top, performance.now());
      if (kind === 0 && due >= 0 && ring.hidden) {
        ring.style.left = event.clientX + 'px';
        ring.style.top = event.clientY + 'px';
        ring.hidden = false;
      }
      answer(due);
    };
    canvas.addEventListener(type, handler);
    state.handlers.push({type: type, handler: handler});
  };
  on('pointerdown', 0);
  on('pointermove', 1);
  on('pointerup', 2);
  on('pointercancel', 3);
  canvas.latticeGasTouch = state;
});

std::vector<MSG> MessagesOf(const TouchGesture& gesture, HWND window, DWORD time) {
  using latticegas_win32::ButtonDownMessage;
  using latticegas_win32::MouseButton;
  using latticegas_win32::WheelMessages;
  const POINT at{static_cast<LONG>(std::lround(gesture.at.x)),
                 static_cast<LONG>(std::lround(gesture.at.y))};
  switch (gesture.kind) {
    case TouchGesture::Kind::tap: return {ButtonDownMessage(MouseButton::left, at, {}, window, time)};
    case TouchGesture::Kind::hold: return {ButtonDownMessage(MouseButton::right, at, {}, window, time)};
    // Spreading the fingers turns the wheel away from the user: zoom in.
    case TouchGesture::Kind::notchIn: return WheelMessages(1, at, {}, window, time);
    case TouchGesture::Kind::notchOut: return WheelMessages(-1, at, {}, window, time);
  }
  return {};
}

}  // namespace

// Called by the page's listeners with a pointer event in the canvas's CSS
// pixels and the page's clock; returns the milliseconds until a resting
// finger's hold falls due, -1 when none is pending.
extern "C" EMSCRIPTEN_KEEPALIVE double LatticeGasTouch(int event, int id, double x, double y,
                                                       double time) {
  // From WM_DESTROY on the canvas takes no input.
  if (touchWindow == nullptr || CanvasOf(touchWindow) == nullptr) return -1.0;
  TouchGestures& gestures = Gestures();
  const TouchPoint at{x, y};
  std::vector<TouchGesture> recognised;
  switch (event) {
    case kDown: recognised = gestures.Down(id, at, time); break;
    case kMove: recognised = gestures.Move(id, at, time); break;
    case kUp: recognised = gestures.Up(id, at, time); break;
    case kCancel: recognised = gestures.Cancel(id); break;
    case kWake: recognised = gestures.Wake(time); break;
    default: break;
  }
  const DWORD stamp = static_cast<DWORD>(static_cast<long long>(time));
  for (const TouchGesture& gesture : recognised)
    for (const MSG& message : MessagesOf(gesture, touchWindow, stamp))
      latticegas_win32::ThreadRegistry().Post(message);
  const std::optional<double> due = gestures.HoldDue();
  return due ? std::max(*due - time, 0.0) : -1.0;
}

void latticegas_web::ListenToTouch(HWND window, bool listen) {
  touchWindow = listen ? window : nullptr;
  ListenToPointers(listen ? 1 : 0);
}
