#include "probe_frames.h"

int ProbeFrames() { return 0; }
