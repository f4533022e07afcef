// WinMain started in the page as Windows' start-up code would. Here the
// program ends as soon as WinMain returns: a main that returns after the
// program has yielded to the browser does not end an Emscripten program, so
// WinMain's result goes to exit, which runs the globals' teardown and hands
// the exit code to the page.
#include <cstdlib>

#include "platform/entry/entry.h"
#include "platform/win32_api.h"

namespace {
// Stands for the module's instance handle, which only needs to be non-null.
HINSTANCE__ module{};
}  // namespace

int StartWinMain() {
  char commandLine[] = "";
  std::exit(WinMain(&module, nullptr, commandLine, SW_SHOWNORMAL));
}
