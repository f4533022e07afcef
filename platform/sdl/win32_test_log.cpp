#include "platform/sdl/win32_test_log.h"

namespace latticegas_win32 {
namespace {

// A plain flag: nothing to construct or destroy at process exit.
bool boxesToStandardError = false;

}  // namespace

void MessageBoxesToStandardError() { boxesToStandardError = true; }

bool BoxesGoToStandardError() { return boxesToStandardError; }

}  // namespace latticegas_win32
