// The process entry on Linux; the program reads no arguments.
#include "platform/entry/entry.h"

int main() { return StartWinMain(); }
