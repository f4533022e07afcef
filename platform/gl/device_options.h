#pragma once
#include "platform/d3d9/draw_culler.h"

namespace latticegas_gl {

// How the device draws; the program keeps the defaults, benchmarks compare.
struct DeviceOptions {
  latticegas_d3d9::CullingOptions culling;
  // Software renderers that bin the whole frame before rasterising are told
  // to start on what they have every this many draws (0: only at Present),
  // so that their raster threads work while the frame is still being drawn.
  // Measured with Mesa's llvmpipe on two cores, whole grid in view: 400 draws
  // gave about 15 % more frames than none, 1000 a little less, 150 fewer
  // than none (each flush makes it load and store the frame's tiles again).
  unsigned flushEvery = 400;
  // Draw straight into the window when it is the back buffer's size.
  bool directToWindow = true;
};

}  // namespace latticegas_gl
