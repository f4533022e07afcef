#pragma once

#include "lattice/lattice.h"
#include "render/graphics_context.h"

// The three drawing passes of a frame. They keep nothing between frames:
// everything is read from the lattice, the clock's phase and the context.

// Every node as a small grey sphere, every link in directions 0 to 2 as a thin
// grey cylinder from the node towards its neighbour.
void DrawLinksAndNodes(const GraphicsContext& graphics, const Lattice& lattice);

// The selected node again, in red, over its grey sphere.
void DrawSelection(const GraphicsContext& graphics, const Node& node);

// Every particle as a large sphere, red when tagged, blue otherwise, on its
// way from one link behind its node (phase 0) to the node (phase 1).
void DrawParticles(const GraphicsContext& graphics, const Lattice& lattice, float phase);
