#pragma once
// What tests may ask of the Win32 layer on SDL, and the program never does: a
// log of the calls made to it (platform/win32/call_log.h), and message boxes
// that wait for no one.
#include "platform/win32/call_log.h"

namespace latticegas_win32 {

// From now on message boxes write their caption and text to standard error
// and return at once, as they do when no display can show them.
void MessageBoxesToStandardError();

// For the layer itself.
bool BoxesGoToStandardError();

}  // namespace latticegas_win32
