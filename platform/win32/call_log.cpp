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
  if (value <= 0xFFFF) return "#" + std::to_string(value);  // an atom
  return '"' + std::string(text) + '"';
}

std::string Hex(unsigned long long value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", value);
  return text;
}

}  // namespace latticegas_win32
