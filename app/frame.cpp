#include "app/frame.h"

#include "app/globals.h"
#include "render/scene.h"

void DrawFrame() {
  IDirect3DDevice9* device = graphics.device;
  D3DXMATRIX view;
  camera.ViewMatrix(&view);
  device->SetTransform(D3DTS_VIEW, &view);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  device->BeginScene();
  DrawLinksAndNodes(graphics, lattice);
  if (selectedNode != nullptr) {
    DrawSelection(graphics, *selectedNode);
  } else if (stepClock.Tick() == stepClock.Period()) {
    lattice.Step();
    ++generation;
  }
  DrawParticles(graphics, lattice, stepClock.Phase());
  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);
}
