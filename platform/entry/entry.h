#pragma once
// Starts the program's WinMain as Windows' start-up code does: with the
// module's instance handle, no previous instance, an empty command line and
// SW_SHOWNORMAL. Returns WinMain's result, the process's exit code.
int StartWinMain();
