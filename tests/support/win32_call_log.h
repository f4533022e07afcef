#pragma once
// A log of the Win32 calls a program makes, for tests that check what it asked
// of the layer. Linking this library puts logging Win32 functions in place of
// the layer's own (platform/win32/win32_functions.cpp): each notes its call,
// then does what the layer's does.
#include <string>
#include <vector>

namespace latticegas_win32 {

// From now on each call that makes, shows, ends or queues something (classes,
// windows, the message loop, boxes) is appended to `log` as one line in call
// form, e.g. `RegisterClassA("Lattice")`, `PeekMessageA -> 0x12` or
// `MessageBoxA(null, "Failure: RegisterClass", null, 0x10)`. Null stops it.
void RecordCalls(std::vector<std::string>* log);

}  // namespace latticegas_win32
