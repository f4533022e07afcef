// The WebGL device's way of drawing its large first sights fixed by the
// page's address, in place of the program's timing choice
// (platform/webgl/way_chooser.cpp), for the test and benchmark pages that
// must draw one way: ?way=instanced, or else streamed.
#include <emscripten/em_js.h>
#include <emscripten/emscripten.h>

#include "platform/webgl/way_chooser.h"

namespace {

EM_JS(int, AddressAsksForInstances, (), {
  return new URLSearchParams(location.search).get('way') === 'instanced' ? 1 : 0;
});

}  // namespace

namespace latticegas_webgl {

WayChooser::WayChooser()
    : way_(AddressAsksForInstances() != 0 ? DrawingWay::kInstanced : DrawingWay::kStreamed) {}

void WayChooser::FrameShown(double, double, unsigned) {}

}  // namespace latticegas_webgl
