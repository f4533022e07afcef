#include "platform/sdl/win32_test_log.h"

#include <utility>

namespace latticegas_win32 {
namespace {

// Plain pointers and flags: nothing to construct or destroy at process exit,
// when the program's globals may still call into the layer.
std::vector<std::string>* callLog = nullptr;
bool boxesToStandardError = false;

}  // namespace

void RecordCalls(std::vector<std::string>* log) { callLog = log; }

void MessageBoxesToStandardError() { boxesToStandardError = true; }

bool RecordingCalls() { return callLog != nullptr; }

void NoteCall(std::string call) {
  if (callLog != nullptr) callLog->push_back(std::move(call));
}

bool BoxesGoToStandardError() { return boxesToStandardError; }

}  // namespace latticegas_win32
