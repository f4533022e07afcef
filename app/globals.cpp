#include "app/globals.h"

// Defined together so that they are constructed in this order (the direction
// table, a constant of the lattice core, is ready before any of them is used)
// and torn down in reverse: the lattice first, then the graphics context's
// Release, then the camera.
Camera camera(20.0f);
GraphicsContext graphics;
StepClock stepClock(20);
Lattice lattice;

Node* selectedNode = nullptr;
unsigned long long generation = 0;
const PlanePoint gridCentre{0.0f, 0.0f};
