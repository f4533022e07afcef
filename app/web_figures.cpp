// The figures the web page shows beside the picture (packaging/web/index.html),
// counted from the program's own lattice when the page asks. Its timer calls
// this a few times a second, while the program waits for the next animation
// frame in Present or for a message box: never inside a generation or a
// command. Built into the web program only.
#include <emscripten/emscripten.h>

#include <bit>
#include <cstdint>

#include "app/globals.h"

// which: 0 the nodes, 1 the particles, 2 the tagged particles (a tag bit
// without its particle, as C and V can leave, tags nothing), 3 the
// generations run since start-up; -1 for anything else.
extern "C" EMSCRIPTEN_KEEPALIVE double LatticeGasFigure(int which) {
  if (which == 0) return static_cast<double>(lattice.nodes.size());
  if (which == 3) return static_cast<double>(generation);
  if (which != 1 && which != 2) return -1.0;
  unsigned long long count = 0;
  for (const Node& node : lattice.nodes) {
    const std::uint8_t bits = which == 1 ? node.state : static_cast<std::uint8_t>(node.state & node.tag);
    count += static_cast<unsigned>(std::popcount(bits));
  }
  return static_cast<double>(count);
}
