// The process entry of programs that tests start (the probes, and the program
// itself where a box must not wait for a click): message boxes go to standard
// error, then WinMain starts as it does in the program.
#include "platform/entry/entry.h"
#include "platform/sdl/win32_test_log.h"

int main() {
  latticegas_win32::MessageBoxesToStandardError();
  return StartWinMain();
}
