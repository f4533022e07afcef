#pragma once

#include "lattice/lattice.h"

// Adds the 6r nodes of ring r around the centre (the centre alone for r = 0,
// nothing for r < 0), side by side, each side from its corner onwards.
void BuildRing(Lattice& lattice, PlanePoint centre, int r);

// Adds rings 0 to n: 1 + 3n(n + 1) mutually linked nodes.
void BuildHexGrid(Lattice& lattice, PlanePoint centre, int n);
