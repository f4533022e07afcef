#pragma once
// How many frames the scene probe draws before it only waits, showing the
// last one still; 0: no end. The web's page says it in its address
// (?frames=N), so that a test can photograph the first frame, whose draws are
// all first sights; elsewhere there is no end.
int ProbeFrames();
