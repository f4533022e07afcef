#include "platform/entry/entry.h"

#include "platform/win32_api.h"

namespace {
// Stands for the module's instance handle, which only needs to be non-null.
HINSTANCE__ module{};
}  // namespace

int StartWinMain() {
  char commandLine[] = "";
  return WinMain(&module, nullptr, commandLine, SW_SHOWNORMAL);
}
