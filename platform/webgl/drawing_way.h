#pragma once
// How the WebGL device draws the first sights that are large in the window
// (moving particles, mostly): streamed from their quick lists, carried and
// lit on the main thread so that the browser gets only triangles that reach a
// pixel, or as instances of their meshes, carried and lit on the GPU. Which
// is faster depends on the browser: a software renderer pays for every
// triangle it is given, a GPU hardly for any, and then the main thread's own
// work is the frame's cost. Nothing the page says tells them apart reliably,
// so the device times both (WayChooser) and keeps the faster. No GL here.

#include "platform/d3d9/draw_culler.h"

namespace latticegas_webgl {

enum class DrawingWay { kStreamed, kInstanced };

// Frames drawn one way in a trial, as medians: from one frame shown to the
// next, and the program's own part of that.
struct WayTiming {
  double frameMs;
  double workMs;
};

// The way whose frames come clearly sooner (by more than a tenth); where
// they come alike (both at the display's rate, say), the one that leaves the
// main thread more time.
DrawingWay FasterWay(const WayTiming& streamed, const WayTiming& instanced);

// The culler's tests for the stream, drawn either way: every triangle the
// stream carries costs the browser's renderer, so the cheaper first-sight
// test pays; a first sight large in the window is drawn whole when instanced.
latticegas_d3d9::CullingOptions StreamCulling(DrawingWay way);

}  // namespace latticegas_webgl
