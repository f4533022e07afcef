#include "platform/win32/call_log.h"

#include <cstdint>
#include <cstdio>
#include <utility>

namespace latticegas_win32 {
namespace {

// A plain pointer: nothing to construct or destroy at process exit, when the
// program's globals may still call into the layer.
std::vector<std::string>* callLog = nullptr;

}  // namespace

void RecordCalls(std::vector<std::string>* log) { callLog = log; }

bool RecordingCalls() { return callLog != nullptr; }

void NoteCall(std::string call) {
  if (callLog != nullptr) callLog->push_back(std::move(call));
}

std::string Quoted(const char* text) {
  if (text == nullptr) return "null";
  const auto value = reinterpret_cast<std::uintptr_t>(text);
  // Built by appending: GCC 12 at -O3 takes a prefix put before a string
  // (`"#" + std::to_string(value)`) for an overlapping copy and warns (GCC
  // bug 105329).
  std::string quoted;
  if (value <= 0xFFFF) {  // an atom
    quoted += '#';
    quoted += std::to_string(value);
  } else {
    quoted += '"';
    quoted += text;
    quoted += '"';
  }
  return quoted;
}

std::string Hex(unsigned long long value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", value);
  return text;
}

}  // namespace latticegas_win32
