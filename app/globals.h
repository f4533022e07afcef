#pragma once
// The program's long-lived objects, one of each, alive from before WinMain
// until the process ends.

#include "dynamics/step_clock.h"
#include "lattice/lattice.h"
#include "render/camera.h"
#include "render/graphics_context.h"

extern Camera camera;
extern GraphicsContext graphics;
extern StepClock stepClock;
extern Lattice lattice;

// The selected node, or null. Set by a left click, cleared when the node is
// removed; while it is set the simulation pauses.
extern Node* selectedNode;

// Generations run since start-up, by the clock and by Enter alike; the web
// page shows it beside the picture.
extern unsigned long long generation;

// The centre of the start-up grid.
extern const PlanePoint gridCentre;
