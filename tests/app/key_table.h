#pragma once
// The program's command keys: the one list that the key lists written for
// users (README.md, the manual page, the web page's buttons and its table of
// keys) and the window procedure's answers are checked against
// (key_table_test.cpp), and that the command driver draws its keys from.
// A key added to the program goes here first.
#include <cstdint>

namespace latticegas_test {

struct CommandKey {
  std::uint16_t virtualKey;  // the WM_KEYDOWN code
  const char* name;          // as README.md, the manual page and the page's table write it
  const char* button;        // the web page's button that presses it, or null
  const char* does;
};

// In the order the command driver has always drawn them from (Escape last,
// which the driver draws apart), so that a seeded run replays as before.
inline constexpr CommandKey kKeyTable[] = {
    {13, "Enter", "Step", "one generation"},
    {46, "Delete", "Delete node", "delete the selected node"},
    {81, "Q", nullptr, "delete the selected node, as Delete"},
    {67, "C", "Clear", "clear every particle"},
    {86, "V", "Randomise", "randomise the particles"},
    {70, "F", "Zoom out", "zoom out"},
    {82, "R", "Zoom in", "zoom in"},
    {48, "0", "Direction 0", "toggle the selected node's particle in direction 0"},
    {49, "1", "Direction 1", "toggle the selected node's particle in direction 1"},
    {50, "2", "Direction 2", "toggle the selected node's particle in direction 2"},
    {51, "3", "Direction 3", "toggle the selected node's particle in direction 3"},
    {52, "4", "Direction 4", "toggle the selected node's particle in direction 4"},
    {53, "5", "Direction 5", "toggle the selected node's particle in direction 5"},
    {54, "6", nullptr, "as 0: toggle the selected node's particle in direction 0"},
    {65, "A", "Left", "pan left, or move the selected node left"},
    {68, "D", "Right", "pan right, or move the selected node right"},
    {83, "S", "Down", "pan down, or move the selected node down"},
    {87, "W", "Up", "pan up, or move the selected node up"},
    {27, "Escape", nullptr, "quit"},
};

inline constexpr std::uint16_t kEscapeKey = 27;

}  // namespace latticegas_test
