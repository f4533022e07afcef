// The program's entry in the browser: hands over to WinMain as the Windows
// start-up code would, then ends the program with WinMain's result, which
// runs the globals' teardown and tells the page the exit code.
#include <cstdlib>

#include "platform/win32_api.h"

namespace {
// Stands for the module's instance handle, which only needs to be non-null.
HINSTANCE__ module{};
}  // namespace

int main() {
  char commandLine[] = "";
  std::exit(WinMain(&module, nullptr, commandLine, SW_SHOWNORMAL));
}
