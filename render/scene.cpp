#include "render/scene.h"

#include <cmath>

namespace {

void DrawAt(const GraphicsContext& graphics, ID3DXMesh* mesh, const D3DXMATRIX& world) {
  graphics.device->SetTransform(D3DTS_WORLD, &world);
  mesh->DrawSubset(0);
}

D3DXMATRIX Translation(float x, float y) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, 0.0f);
  return m;
}

// The link cylinder stretched to the distance, laid along +x by the basis,
// turned towards the neighbour and moved to the node: S x basis x R x W.
D3DXMATRIX LinkWorld(const GraphicsContext& graphics, const Node& from, const Node& to,
                     const D3DXMATRIX& nodeWorld) {
  const float dx = to.x - from.x;
  const float dy = to.y - from.y;
  const float squares = dx * dx + dy * dy;
  const float length = static_cast<float>(std::sqrt(static_cast<double>(squares)));
  const float sign = dy > 0.0f ? 1.0f : -1.0f;  // dy = 0 counts as below
  const float cosine = dx / length;
  const float angle = static_cast<float>(std::acos(static_cast<double>(cosine))) * sign;

  D3DXMATRIX scaling, rotation, scaledBasis, turned, world;
  D3DXMatrixScaling(&scaling, 1.0f, 1.0f, length);
  D3DXMatrixRotationZ(&rotation, angle);
  D3DXMatrixMultiply(&scaledBasis, &scaling, &graphics.linkBasis);
  D3DXMatrixMultiply(&turned, &scaledBasis, &rotation);
  D3DXMatrixMultiply(&world, &turned, &nodeWorld);
  return world;
}

}  // namespace

void DrawLinksAndNodes(const GraphicsContext& graphics, const Lattice& lattice) {
  graphics.device->SetMaterial(&graphics.nodeMaterial);
  for (const Node& node : lattice.nodes) {
    const D3DXMATRIX world = Translation(node.x, node.y);
    DrawAt(graphics, graphics.nodeMesh, world);
    // A mutual link is drawn once, from the node that sees the other in
    // direction 0, 1 or 2.
    for (int k = 0; k < 3; ++k) {
      if (const Node* neighbour = node.neighbours[k]) {
        DrawAt(graphics, graphics.linkMesh, LinkWorld(graphics, node, *neighbour, world));
      }
    }
  }
}

void DrawSelection(const GraphicsContext& graphics, const Node& node) {
  graphics.device->SetMaterial(&graphics.selectionMaterial);
  DrawAt(graphics, graphics.nodeMesh, Translation(node.x, node.y));
}

void DrawParticles(const GraphicsContext& graphics, const Lattice& lattice, float phase) {
  const float behind = phase - 1.0f;  // -1 at phase 0, 0 at phase 1
  for (const Node& node : lattice.nodes) {
    for (int k = 0; k < 6; ++k) {
      if (!HasBit(node.state, k)) continue;
      graphics.device->SetMaterial(HasBit(node.tag, k) ? &graphics.taggedMaterial
                                                       : &graphics.particleMaterial);
      const float offsetX = DirectionTable[k].x * behind;
      const float offsetY = DirectionTable[k].y * behind;
      DrawAt(graphics, graphics.particleMesh, Translation(node.x + offsetX, node.y + offsetY));
    }
  }
}
