#include <emscripten/em_js.h>
#include <emscripten/emscripten.h>

#include "probe_frames.h"

namespace {

EM_JS(int, FramesInAddress, (), {
  const frames = parseInt(new URLSearchParams(location.search).get('frames'), 10);
  return frames > 0 ? frames : 0;
});

}  // namespace

int ProbeFrames() { return FramesInAddress(); }
