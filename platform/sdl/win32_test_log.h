#pragma once
// What tests may ask of the Win32 layer, and the program never does: a log of
// the calls made to it, and message boxes that wait for no one.
#include <string>
#include <vector>

namespace latticegas_win32 {

// From now on each call that makes, shows, ends or queues something (classes,
// windows, the message loop, boxes) is appended to `log` as one line in call
// form, e.g. `RegisterClassA("Lattice")`, `PeekMessageA -> 0x12` or
// `MessageBoxA(null, "Failure: RegisterClass", null, 0x10)`. Null stops it.
void RecordCalls(std::vector<std::string>* log);

// From now on message boxes write their caption and text to standard error
// and return at once, as they do when no display can show them.
void MessageBoxesToStandardError();

// For the layer itself.
bool RecordingCalls();
void NoteCall(std::string call);
bool BoxesGoToStandardError();

}  // namespace latticegas_win32
