// The process entry on Linux: hands over to WinMain as the Windows start-up
// code would. The program reads no arguments.
#include "platform/win32_api.h"

namespace {
// Stands for the module's instance handle, which only needs to be non-null.
HINSTANCE__ module{};
}  // namespace

int main() {
  char commandLine[] = "";
  return WinMain(&module, nullptr, commandLine, SW_SHOWNORMAL);
}
