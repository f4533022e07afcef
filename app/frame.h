#pragma once

// Draws one frame: view, clear, links and nodes, then the selection (the
// clock stands still) or a clock tick with a generation when one is due, then
// the particles at the clock's phase; presents it. Needs a context that can draw.
void DrawFrame();
