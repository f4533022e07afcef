// The process entry of programs that tests start (the probes, and the program
// itself where a box must not wait for a click): WinMain starts as it does in
// the program, and these programs link message boxes that go to standard error
// (the test support's).
#include "platform/entry/entry.h"

int main() {
  return StartWinMain();
}
