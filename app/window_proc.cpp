#include "app/window_proc.h"

#include <cmath>

#include "app/globals.h"

namespace {

enum Key : WPARAM {
  kEnter = 13,
  kEscape = 27,
  kDelete = 46,
  kDigit0 = 48,
  kDigit6 = 54,
  kA = 65,
  kC = 67,
  kD = 68,
  kF = 70,
  kQ = 81,
  kR = 82,
  kS = 83,
  kV = 86,
  kW = 87,
};

// Commands that act whether or not a node is selected. Returns false when key
// handling ends here.
bool ProgramCommand(HWND window, WPARAM key) {
  switch (key) {
    case kEnter:
      lattice.Step();
      ++generation;
      break;
    case kEscape: DestroyWindow(window); break;
    case kDelete:
    case kQ:
      if (selectedNode != nullptr) {
        lattice.RemoveNode(selectedNode);
        selectedNode = nullptr;
      }
      return false;
    case kC: lattice.ClearParticles(); break;
    case kV: lattice.RandomizeParticles(); break;
    case kF: camera.Zoom(-1.0f); break;
    case kR: camera.Zoom(+1.0f); break;
    default: break;
  }
  return true;
}

// With a node selected: the digits toggle its particles and A, D, S, W move
// it; whatever the key, the node is relinked afterwards.
void SelectedNodeCommand(Node& node, WPARAM key, float keyStep) {
  if (key >= kDigit0 && key <= kDigit6) {
    // The key codes of '0'..'6' are 48..54 and 48 is a multiple of six, so
    // key % 6 is the digit's direction, and '6' is direction 0 again, as '0'.
    node.ToggleParticle(static_cast<int>(key % 6));
  } else if (key == kA || key == kD) {
    node.x = node.x + (key == kA ? -keyStep : keyStep);
    lattice.ReindexX(node);
  } else if (key == kS || key == kW) {
    node.y = node.y + (key == kS ? -keyStep : keyStep);
    lattice.ReindexY(node);
  }
  lattice.RelinkAround(node);
}

void CameraCommand(WPARAM key) {
  switch (key) {
    case kA: camera.PanX(-1.0f); break;
    case kD: camera.PanX(+1.0f); break;
    case kS: camera.PanY(-1.0f); break;
    case kW: camera.PanY(+1.0f); break;
    default: break;
  }
}

void KeyDown(HWND window, WPARAM key, float keyStep) {
  if (!ProgramCommand(window, key)) return;
  if (selectedNode != nullptr) {
    SelectedNodeCommand(*selectedNode, key, keyStep);
  } else {
    CameraCommand(key);
  }
}

// The plane point under the clicked pixel, in *point; false when there is
// nothing to map with or the point would not be finite (an eye driven to the
// edge of the float range): such a click adds or selects nothing.
bool ClickedPoint(HWND window, LPARAM lParam, PlanePoint* point) {
  if (graphics.device == nullptr) return false;
  RECT client{};
  GetClientRect(window, &client);
  const int x = LOWORD(lParam);
  const int y = HIWORD(lParam);
  *point = camera.ScreenToPlane(*graphics.device, x, y, client.right - client.left,
                                client.bottom - client.top);
  return std::isfinite(point->x) && std::isfinite(point->y);
}

}  // namespace

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Fixed on the first call, whatever the message.
  static const float keyStep = kSpacing / 100.0f;
  PlanePoint point;
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_KEYDOWN:
      KeyDown(window, wParam, keyStep);
      break;
    case WM_LBUTTONDOWN:
      if (ClickedPoint(window, lParam, &point)) selectedNode = lattice.NearestNode(point);
      break;
    case WM_RBUTTONDOWN:
      // No test for a node already there: a second one may stand on it.
      if (ClickedPoint(window, lParam, &point)) lattice.AddNode(Node(point));
      break;
    case WM_MOUSEWHEEL:
      // One step per message, whatever the size of the delta.
      camera.Zoom(static_cast<short>(HIWORD(wParam)) > 0 ? +1.0f : -1.0f);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
