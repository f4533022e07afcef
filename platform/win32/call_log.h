#pragma once
// A log of the calls made to the Win32 layer, for tests that check what the
// program asked of it; the program never records.
#include <string>
#include <vector>

namespace latticegas_win32 {

// From now on each call that makes, shows, ends or queues something (classes,
// windows, the message loop, boxes) is appended to `log` as one line in call
// form, e.g. `RegisterClassA("Lattice")`, `PeekMessageA -> 0x12` or
// `MessageBoxA(null, "Failure: RegisterClass", null, 0x10)`. Null stops it.
void RecordCalls(std::vector<std::string>* log);

bool RecordingCalls();
void NoteCall(std::string call);

// Notes the call that `format` writes; formatted only while a test records.
template <typename Format>
void Note(Format format) {
  if (RecordingCalls()) NoteCall(format());
}

// A string argument as the log shows it: quoted, `null`, or `#n` for an atom.
std::string Quoted(const char* text);

std::string Hex(unsigned long long value);

}  // namespace latticegas_win32
