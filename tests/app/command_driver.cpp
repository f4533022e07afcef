#include "command_driver.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "app/frame.h"
#include "app/globals.h"
#include "app/window_proc.h"
#include "key_table.h"
#include "lattice/hex_grid.h"
#include "support/headless_device.h"

namespace latticegas_test {
namespace {

constexpr const char* kClassName = "LatticeDriver";
constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr WPARAM kEnter = 13;
constexpr WPARAM kEscape = 27;
constexpr std::size_t kTraceLength = 40;

// Every command key but Escape (drawn apart, below), and the four that move
// a node once more; then keys without a command (Shift, Ctrl, arrows, space,
// 7 to 9, keypad 0, F1, the codes at either end).
constexpr auto kCommandKeys = [] {
  constexpr std::uint16_t kMoving[] = {65, 68, 83, 87};
  std::array<std::uint16_t, std::size(kKeyTable) - 1 + std::size(kMoving)> keys{};
  std::size_t n = 0;
  for (const CommandKey& key : kKeyTable) {
    if (key.virtualKey != kEscapeKey) keys.at(n++) = key.virtualKey;
  }
  for (const std::uint16_t key : kMoving) keys.at(n++) = key;
  return keys;
}();
static_assert(std::find(kCommandKeys.begin(), kCommandKeys.end(), 0) == kCommandKeys.end(),
              "the key table holds Escape exactly once");
constexpr std::uint16_t kOtherKeys[] = {16, 17, 18, 37, 38, 39, 40, 32, 55, 56, 57, 96, 112, 0, 255, 8};
// The keys a fuzz input names by slot: the command keys, Escape and some others.
// Stored inputs name them by position: append only, never reorder or remove.
constexpr std::uint16_t kFuzzKeys[] = {13, 27, 46, 81, 67, 86, 70, 82, 48, 49, 50, 51, 52, 53, 54,
                                       55, 56, 57, 65, 68, 83, 87, 16, 37, 38, 39, 40, 32};
// Also named by slot in fuzz inputs: append only.
constexpr std::int16_t kWheelDeltas[] = {0, 120, -120, 240, -240, 1, -1, 32767, -32768};

template <typename T, std::size_t N>
constexpr std::size_t Count(const T (&)[N]) {
  return N;
}

}  // namespace

std::string Describe(const Command& c) {
  std::ostringstream out;
  switch (c.kind) {
    case Command::Kind::Key: out << "key " << c.x; break;
    case Command::Kind::LeftClick: out << "left click"; break;
    case Command::Kind::RightClick: out << "right click"; break;
    case Command::Kind::Wheel: out << "wheel " << static_cast<std::int16_t>(c.x); break;
    case Command::Kind::Frame: out << "frame"; break;
  }
  if (c.kind == Command::Kind::LeftClick || c.kind == Command::Kind::RightClick) {
    if (c.onNode) {
      out << " on node #" << c.x << " offset (" << static_cast<int>(static_cast<std::int8_t>(c.y & 0xff))
          << ", " << static_cast<int>(static_cast<std::int8_t>(c.y >> 8)) << ")";
    } else {
      out << " at (" << c.x << ", " << c.y << ")";
    }
  }
  if (c.repeat != 1) out << " x" << static_cast<int>(c.repeat);
  return out.str();
}

Command RandomCommands::Next() {
  Command c;
  const std::uint32_t pick = Below(100);
  if (pick < 42) {
    c.kind = Command::Kind::Key;
    const std::uint32_t which = Below(100);
    if (which < 75) {
      c.x = kCommandKeys[Below(kCommandKeys.size())];
    } else if (which < 90) {
      c.x = kOtherKeys[Below(Count(kOtherKeys))];
    } else if (which < 99) {
      c.x = static_cast<std::uint16_t>(Below(256));
    } else if (Below(4) == 0) {
      c.x = kEscape;
    } else {
      // A long zoom burst: drives the eye to the edge of the float range and back.
      c.x = Below(2) == 0 ? 70 : 82;
      c.repeat = static_cast<std::uint8_t>(100 + Below(156));
      return c;
    }
    if (Below(5) == 0) c.repeat = static_cast<std::uint8_t>(2 + Below(30));
  } else if (pick < 58) {
    // Bursts long enough for the clock to complete a cycle now and then.
    c.kind = Command::Kind::Frame;
    c.repeat = static_cast<std::uint8_t>(1 + Below(25));
  } else if (pick < 90) {
    c.kind = pick < 75 ? Command::Kind::LeftClick : Command::Kind::RightClick;
    c.onNode = Below(100) < (c.kind == Command::Kind::LeftClick ? 65u : 35u);
    if (c.onNode) {
      c.x = static_cast<std::uint16_t>(Below(65536));
      // Mostly right on the node, sometimes a few pixels off.
      c.y = Below(2) == 0 ? 0 : static_cast<std::uint16_t>(Below(65536));
    } else if (Below(3) != 0) {
      c.x = static_cast<std::uint16_t>(Below(kWidth));
      c.y = static_cast<std::uint16_t>(Below(kHeight));
    } else {
      c.x = static_cast<std::uint16_t>(Below(65536));
      c.y = static_cast<std::uint16_t>(Below(65536));
    }
  } else {
    c.kind = Command::Kind::Wheel;
    c.x = Below(5) == 0 ? static_cast<std::uint16_t>(Below(65536))
                        : static_cast<std::uint16_t>(kWheelDeltas[Below(Count(kWheelDeltas))]);
    if (Below(4) == 0) c.repeat = static_cast<std::uint8_t>(2 + Below(20));
  }
  return c;
}

namespace {

// A fuzz input keeps its meaning when a table grows: every byte value names
// the same command for good, and a new key, wheel delta or kind only gives a
// meaning to values that named nothing. So a table is indexed by a slot of a
// fixed range, never by a value modulo its length; a slot past its end, and a
// kind not yet given out, name nothing.
constexpr unsigned kFuzzKeySlots = 64;
constexpr unsigned kWheelDeltaSlots = 16;
static_assert(Count(kFuzzKeys) <= kFuzzKeySlots && Count(kWheelDeltas) <= kWheelDeltaSlots);

// What each value of byte 0's low four bits names, keys the most often; 13-15
// are for kinds to come.
enum class FuzzKind : std::uint8_t {
  KeySlot, KeyCode, LeftClick, RightClick, WheelSlot, WheelDelta, Frame, None
};
constexpr FuzzKind kFuzzKinds[16] = {
    FuzzKind::KeySlot,   FuzzKind::KeySlot,    FuzzKind::KeySlot,    FuzzKind::KeySlot,
    FuzzKind::KeyCode,   FuzzKind::KeyCode,    FuzzKind::LeftClick,  FuzzKind::LeftClick,
    FuzzKind::RightClick, FuzzKind::RightClick, FuzzKind::WheelSlot, FuzzKind::WheelDelta,
    FuzzKind::Frame,     FuzzKind::None,       FuzzKind::None,       FuzzKind::None};

}  // namespace

std::optional<Command> DecodeCommand(const std::uint8_t b[5]) {
  Command c;
  const unsigned repeat = (b[0] >> 4) & 0x07;
  c.repeat = static_cast<std::uint8_t>(repeat == 7 ? std::max<unsigned>(b[4], 1) : repeat + 1);
  const FuzzKind kind = kFuzzKinds[b[0] & 0x0f];
  switch (kind) {
    case FuzzKind::KeySlot:
      if (b[1] % kFuzzKeySlots >= Count(kFuzzKeys)) return std::nullopt;
      c.kind = Command::Kind::Key;
      c.x = kFuzzKeys[b[1] % kFuzzKeySlots];
      return c;
    case FuzzKind::KeyCode:
      c.kind = Command::Kind::Key;
      c.x = b[1];
      return c;
    case FuzzKind::LeftClick:
    case FuzzKind::RightClick:
      c.kind = kind == FuzzKind::LeftClick ? Command::Kind::LeftClick : Command::Kind::RightClick;
      c.onNode = (b[0] & 0x80) != 0;
      c.x = static_cast<std::uint16_t>(b[1] | (b[2] << 8));
      c.y = static_cast<std::uint16_t>(b[3] | (b[4] << 8));
      return c;
    case FuzzKind::WheelSlot:
      if (b[1] % kWheelDeltaSlots >= Count(kWheelDeltas)) return std::nullopt;
      c.kind = Command::Kind::Wheel;
      c.x = static_cast<std::uint16_t>(kWheelDeltas[b[1] % kWheelDeltaSlots]);
      return c;
    case FuzzKind::WheelDelta:
      c.kind = Command::Kind::Wheel;
      c.x = static_cast<std::uint16_t>(b[1] | (b[2] << 8));
      return c;
    case FuzzKind::Frame:
      c.kind = Command::Kind::Frame;
      c.repeat = static_cast<std::uint8_t>(1 + b[1] % 32);
      return c;
    case FuzzKind::None:
      break;
  }
  return std::nullopt;
}

CommandDriver::CommandDriver() {
  // No display: the window is a record only and the device draws nothing.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  static const bool registered = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.lpszClassName = kClassName;
    return RegisterClassA(&windowClass) != 0;
  }();
  if (!registered) std::abort();
  CreateTheWindow();
  graphics.Release();
  graphics.width = kWidth;
  graphics.height = kHeight;
  graphics.device = latticegas_d3d9::CreateHeadlessDevice(kWidth, kHeight);
  if (!graphics.LoadResources()) std::abort();
}

CommandDriver::~CommandDriver() {
  selectedNode = nullptr;
  if (window_ != nullptr) DestroyWindow(window_);
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
}

void CommandDriver::CreateTheWindow() {
  window_ = CreateWindowExA(0, kClassName, "driver", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                            kWidth, kHeight, nullptr, nullptr, nullptr, nullptr);
  if (window_ == nullptr) std::abort();
}

void CommandDriver::Reset(int rings, unsigned randSeed) {
  selectedNode = nullptr;
  lattice.nodes.clear();
  lattice.byX.clear();
  lattice.byY.clear();
  BuildHexGrid(lattice, gridCentre, rings);
  srand(randSeed);
  camera = Camera(20.0f);
  stepClock = StepClock(20);
  generation = 0;
  trace_.clear();
}

LPARAM CommandDriver::ClickPosition(const Command& c) const {
  if (!c.onNode || lattice.nodes.empty()) return MAKELPARAM(c.x, c.y);
  auto it = lattice.nodes.begin();
  std::advance(it, c.x % lattice.nodes.size());
  // The pixel over the node, by the inverse of the screen-to-plane mapping.
  D3DMATRIX projection;
  graphics.device->GetTransform(D3DTS_PROJECTION, &projection);
  const double d = -static_cast<double>(camera.eye.z);
  double px = ((it->x - static_cast<double>(camera.eye.x)) / d * projection._11 + 1.0) * kWidth / 2.0;
  double py = (1.0 - (it->y - static_cast<double>(camera.eye.y)) / d * projection._22) * kHeight / 2.0;
  px += static_cast<std::int8_t>(c.y & 0xff) / 16;
  py += static_cast<std::int8_t>(c.y >> 8) / 16;
  auto toWord = [](double v) -> WORD {
    if (!std::isfinite(v)) return 0;
    return static_cast<WORD>(std::clamp(std::round(v), 0.0, 65535.0));
  };
  return MAKELPARAM(toWord(px), toWord(py));
}

std::string CommandDriver::Send(UINT message, WPARAM wParam, LPARAM lParam) {
  ++messages_;
  const unsigned long long before = generation;
  WindowProc(window_, message, wParam, lParam);
  const bool steps = message == WM_KEYDOWN && wParam == kEnter;
  if (generation != before + steps) return "the generation count is off by a message";
  return Check(steps);
}

std::string CommandDriver::Frame() {
  ++messages_;
  const bool steps = selectedNode == nullptr && stepClock.count == stepClock.Period();
  const unsigned long long before = generation;
  DrawFrame();
  if (generation != before + steps) return "the generation count is off by a frame";
  latticegas_d3d9::HeadlessLog& log = *latticegas_d3d9::HeadlessLogOf(graphics.device);
  if (log.drawsOutsideScene != 0 || log.inScene) return "a frame drew outside its scene";
  // The log keeps every draw; a long run must not grow with it.
  log.draws.clear();
  return Check(steps);
}

std::string CommandDriver::Apply(const Command& command) {
  trace_.push_back(command);
  if (trace_.size() > kTraceLength) trace_.pop_front();
  for (int i = 0; i < command.repeat; ++i) {
    std::string failure;
    switch (command.kind) {
      case Command::Kind::Key:
        // Bit 30: the key was already down, as in an auto-repeat.
        failure = Send(WM_KEYDOWN, command.x, i == 0 ? 1 : 0x40000001);
        if (failure.empty() && command.x == kEscape) {
          MSG message{};
          bool quit = false;
          while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) quit |= message.message == WM_QUIT;
          if (!quit) return "Escape did not post the quit message";
          ++windowsDestroyed_;
          CreateTheWindow();
        }
        break;
      case Command::Kind::LeftClick:
        failure = Send(WM_LBUTTONDOWN, MK_LBUTTON, ClickPosition(command));
        break;
      case Command::Kind::RightClick:
        failure = Send(WM_RBUTTONDOWN, MK_RBUTTON, ClickPosition(command));
        break;
      case Command::Kind::Wheel:
        failure = Send(WM_MOUSEWHEEL, MAKEWPARAM(0, command.x), MAKELPARAM(kWidth / 2, kHeight / 2));
        break;
      case Command::Kind::Frame:
        failure = Frame();
        break;
    }
    if (!failure.empty()) return failure;
  }
  return {};
}

CommandDriver::Slot* CommandDriver::Find(const Node* node) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = (reinterpret_cast<std::uintptr_t>(node) >> 4) * 0x9E3779B97F4A7C15ull >> 20 & mask;
  while (slots_[i].node != nullptr && slots_[i].node != node) i = (i + 1) & mask;
  return &slots_[i];
}

std::string CommandDriver::Check(bool stepped) {
  // Linear in the nodes: a hash set of the listed nodes, filled once, answers
  // every membership question of the indexes, the links and the selection.
  ++checks_;
  std::size_t capacity = 16;
  while (capacity < 2 * lattice.nodes.size()) capacity *= 2;
  if (slots_.size() < capacity) slots_.resize(capacity);
  std::fill(slots_.begin(), slots_.end(), Slot{nullptr, 0, 0});
  std::size_t count = 0;
  for (const Node& n : lattice.nodes) {
    if (!std::isfinite(n.x) || !std::isfinite(n.y)) return "a node has a non-finite coordinate";
    if (((n.state | n.tag | n.nextState | n.nextTag) & 0xc0) != 0) return "a particle bit beyond direction 5";
    if (n.nextState != 0 || n.nextTag != 0) return "next-generation bytes left set outside a generation";
    if (stepped && (n.tag & ~n.state) != 0) return "after a generation, a tag bit without its particle";
    Slot* slot = Find(&n);
    if (slot->node != nullptr) return "a node twice in the list";
    slot->node = &n;
    ++count;
  }
  for (const bool inX : {true, false}) {
    const std::vector<Node*>& index = inX ? lattice.byX : lattice.byY;
    const char* name = inX ? "byX" : "byY";
    if (index.size() != count) return std::string(name) + " does not hold as many nodes as the list";
    Node* const* entries = index.data();
    for (std::size_t i = 0; i < count; ++i) {
      if (i > 0 && (inX ? entries[i - 1]->x > entries[i]->x : entries[i - 1]->y > entries[i]->y)) {
        return std::string(name) + " is not sorted";
      }
      Slot* slot = Find(entries[i]);
      if (slot->node == nullptr) return std::string(name) + " holds a node that is not in the list";
      std::uint64_t& seen = inX ? slot->seenInX : slot->seenInY;
      if (seen == checks_) return std::string(name) + " holds a node twice";
      seen = checks_;
    }
  }
  for (const Node& n : lattice.nodes) {
    for (const Node* m : n.neighbours) {
      if (m != nullptr && Find(m)->node == nullptr) return "a link to a node that is gone";
    }
  }
  if (selectedNode != nullptr && Find(selectedNode)->node == nullptr) {
    return "the selection is not a node of the lattice";
  }
  if (stepClock.count < 0 || stepClock.count > stepClock.Period()) return "the clock's count left 0..period";
  if (!std::isfinite(camera.eye.x) || !std::isfinite(camera.eye.y) || !std::isfinite(camera.eye.z)) {
    return "the eye is not finite";
  }
  return {};
}

std::string CommandDriver::Trace() const {
  std::ostringstream out;
  for (const Command& c : trace_) out << "  " << Describe(c) << "\n";
  return out.str();
}

std::string CommandDriver::RunBytes(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return {};
  Reset(data[0] % 5, 1);
  for (std::size_t at = 1; at + 5 <= size; at += 5) {
    const std::optional<Command> command = DecodeCommand(data + at);
    if (!command) continue;
    if (auto failure = Apply(*command); !failure.empty()) {
      return failure + " after command " + std::to_string((at - 1) / 5) + " (" + Describe(*command) + ")";
    }
  }
  return {};
}

}  // namespace latticegas_test
