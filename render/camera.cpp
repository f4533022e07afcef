#include "render/camera.h"

#include <cmath>

namespace {

// The sum at double precision, stored as float; unchanged when that would not
// be finite, so the eye can never reach infinity or NaN.
void StepFinite(float& coordinate, double delta) {
  const float moved = static_cast<float>(static_cast<double>(coordinate) + delta);
  if (std::isfinite(moved)) coordinate = moved;
}

double Distance(const D3DXVECTOR3& eye) { return std::fabs(static_cast<double>(eye.z)); }

// A client pixel in back-buffer pixels; exact when the two sizes agree.
double ToBackBuffer(int pixel, DWORD backBuffer, int client) {
  if (client <= 0 || static_cast<DWORD>(client) == backBuffer) return pixel;
  return static_cast<double>(pixel) * backBuffer / client;
}

}  // namespace

Camera::Camera(float distance) : up(0.0f, 1.0f, 0.0f), lookDir(0.0f, 0.0f, 1.0f), eye(0.0f, 0.0f, -distance) {}

void Camera::PanX(float amount) { StepFinite(eye.x, Distance(eye) / 50.0 * amount); }

void Camera::PanY(float amount) { StepFinite(eye.y, Distance(eye) / 50.0 * amount); }

void Camera::Zoom(float amount) { StepFinite(eye.z, Distance(eye) / 10.0 * amount); }

D3DXMATRIX* Camera::ViewMatrix(D3DXMATRIX* out) const {
  const D3DXVECTOR3 target(eye.x + lookDir.x, eye.y + lookDir.y, eye.z + lookDir.z);
  return D3DXMatrixLookAtLH(out, &eye, &target, &up);
}

// Exact for the one orientation the camera has. Pixel rows grow downwards and
// plane y upwards, hence the sign of sy.
PlanePoint Camera::ScreenToPlane(IDirect3DDevice9& device, int x, int y, int clientWidth,
                                 int clientHeight) const {
  D3DVIEWPORT9 viewport{};
  D3DMATRIX projection{};
  device.GetViewport(&viewport);
  device.GetTransform(D3DTS_PROJECTION, &projection);
  const double px = ToBackBuffer(x, viewport.Width, clientWidth);
  const double py = ToBackBuffer(y, viewport.Height, clientHeight);
  const float sx = static_cast<float>((2.0 * px / viewport.Width - 1.0) / projection._11);
  const float sy = static_cast<float>((1.0 - 2.0 * py / viewport.Height) / projection._22);
  const float d = -eye.z;
  return {static_cast<float>(static_cast<double>(eye.x) + static_cast<double>(d) * sx),
          static_cast<float>(static_cast<double>(eye.y) + static_cast<double>(d) * sy)};
}
