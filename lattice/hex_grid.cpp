#include "lattice/hex_grid.h"

void BuildRing(Lattice& lattice, PlanePoint centre, int r) {
  if (r < 0) return;
  if (r == 0) {
    lattice.AddNode(Node(centre));
    return;
  }
  const float rf = static_cast<float>(r);
  for (int side = 0; side < 6; ++side) {
    const PlanePoint corner{centre.x + rf * DirectionTable[side].x,
                            centre.y + rf * DirectionTable[side].y};
    const PlanePoint along = DirectionTable[(side + 2) % 6];
    for (int j = 0; j < r; ++j) {
      const float jf = static_cast<float>(j);
      lattice.AddNode(Node(PlanePoint{corner.x + jf * along.x, corner.y + jf * along.y}));
    }
  }
}

void BuildHexGrid(Lattice& lattice, PlanePoint centre, int n) {
  for (int r = 0; r <= n; ++r) BuildRing(lattice, centre, r);
}
