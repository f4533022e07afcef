#pragma once
// Drives the program's own globals headlessly with the messages a user makes
// (keys, auto-repeats, clicks anywhere, wheel turns) and frames in between,
// checking after every message that the lattice, the selection and the clock
// are still sound. Shared by the random-sequence test and the fuzz target, so
// it reports failures as text instead of through a test framework.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/win32_api.h"

struct Node;

namespace latticegas_test {

struct Command {
  enum class Kind : std::uint8_t { Key, LeftClick, RightClick, Wheel, Frame };
  Kind kind = Kind::Frame;
  // Key: the virtual-key code. Click: the pixel (x, y), or with onNode a node
  // index (x, taken modulo the node count) and a signed pixel offset packed in
  // y (low byte dx, high byte dy). Wheel: the delta's 16 bits in x.
  std::uint16_t x = 0;
  std::uint16_t y = 0;
  bool onNode = false;
  // The message (or frame) is sent this many times: auto-repeat for keys.
  std::uint8_t repeat = 1;
};

std::string Describe(const Command& command);

// Random commands weighted towards what changes the lattice; keeps auto-repeat
// and zoom bursts so the eye reaches both ends of its range.
class RandomCommands {
 public:
  explicit RandomCommands(std::uint64_t seed) : random_(seed) {}
  Command Next();

 private:
  std::uint32_t Below(std::uint32_t n) { return std::uniform_int_distribution<std::uint32_t>(0, n - 1)(random_); }
  std::mt19937_64 random_;
};

// Five bytes per command, for the fuzz target and its regression inputs; none
// for bytes that name no command yet. Byte 0: the kind in its low four bits
// (0-3 a key by its slot in the fuzz keys, byte 1; 4-5 a key by its code, byte
// 1; 6-7 left and 8-9 right click, x in bytes 1-2, y in 3-4; 10 a wheel turn
// by its slot in the wheel deltas, byte 1; 11 by its delta, bytes 1-2; 12
// frames, 1 + byte 1 % 32 of them; 13-15 none yet), the repeat count less one
// in bits 4-6 (7: byte 4 is the count) and, for clicks, onNode in bit 7. Each
// value keeps its meaning for good; tests/app/fuzz_decoding.txt pins them all.
std::optional<Command> DecodeCommand(const std::uint8_t bytes[5]);

class CommandDriver {
 public:
  // Registers the window class once, creates a window with no screen and
  // gives the graphics context a headless device with its resources.
  CommandDriver();
  ~CommandDriver();
  CommandDriver(const CommandDriver&) = delete;
  CommandDriver& operator=(const CommandDriver&) = delete;

  // The globals as at start-up, but with a grid of the given rings and the C
  // generator seeded, so that a run can be replayed.
  void Reset(int rings, unsigned randSeed);

  // Sends the command's messages; returns the first failed check, or "".
  std::string Apply(const Command& command);

  // The soundness checks; `stepped` adds the one that holds only after a generation.
  std::string Check(bool stepped);

  std::uint64_t messages() const { return messages_; }
  std::uint64_t windowsDestroyed() const { return windowsDestroyed_; }
  // The last commands applied, oldest first, for failure reports.
  std::string Trace() const;

  // Replays a fuzz input: byte 0 picks the grid (0 to 4 rings), then five
  // bytes per command. Returns the first failure, or "".
  std::string RunBytes(const std::uint8_t* data, std::size_t size);

 private:
  std::string Send(UINT message, WPARAM wParam, LPARAM lParam);
  std::string Frame();
  LPARAM ClickPosition(const Command& command) const;
  void CreateTheWindow();

  HWND window_ = nullptr;
  std::uint64_t messages_ = 0;
  std::uint64_t windowsDestroyed_ = 0;
  std::deque<Command> trace_;
  // Check's scratch, kept between calls: an open-addressing set of the
  // listed nodes with, per slot, the check in which byX and byY last saw it.
  struct Slot {
    const Node* node;
    std::uint64_t seenInX;
    std::uint64_t seenInY;
  };
  Slot* Find(const Node* node);
  std::vector<Slot> slots_;
  std::uint64_t checks_ = 0;
};

}  // namespace latticegas_test
