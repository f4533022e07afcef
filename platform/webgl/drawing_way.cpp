#include "platform/webgl/drawing_way.h"

namespace latticegas_webgl {
namespace {

// Clearly sooner: by more than this share.
constexpr double kClearly = 0.1;
// Large: two edges of the box at least this many pixels long in the window.
// Smaller ones keep enough fewer triangles in their quick lists for the
// stream to pay.
constexpr double kLargeAcrossPixels = 3.0;

}  // namespace

latticegas_d3d9::CullingOptions StreamCulling(DrawingWay way) {
  latticegas_d3d9::CullingOptions options;
  options.firstSight = true;
  options.wholeAcross = kLargeAcrossPixels;
  options.largeWhole = way == DrawingWay::kInstanced;
  return options;
}

DrawingWay FasterWay(const WayTiming& streamed, const WayTiming& instanced) {
  // A way not timed (NaN) never wins.
  if (!(instanced.frameMs >= 0.0 && instanced.workMs >= 0.0)) return DrawingWay::kStreamed;
  if (!(streamed.frameMs >= 0.0 && streamed.workMs >= 0.0)) return DrawingWay::kInstanced;
  if (instanced.frameMs < (1.0 - kClearly) * streamed.frameMs) return DrawingWay::kInstanced;
  if (streamed.frameMs < (1.0 - kClearly) * instanced.frameMs) return DrawingWay::kStreamed;
  return instanced.workMs < streamed.workMs ? DrawingWay::kInstanced : DrawingWay::kStreamed;
}

}  // namespace latticegas_webgl
