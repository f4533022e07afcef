// Long random sequences of user messages against the program's globals, the
// fuzz target's seed and regression inputs, and the eye driven to the edge of
// the float range. Replay a random run with
//   LATTICEGAS_DRIVER_SEED=<seed> LATTICEGAS_DRIVER_MESSAGES=<count> command_driver_tests
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "app/globals.h"
#include "app/window_proc.h"
#include "command_driver.h"

namespace latticegas_test {
namespace {

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  return std::strtoull(text, nullptr, 10);
}

// The default run is the same every time, so that a failure in CI is one that
// replays; a long run (LATTICEGAS_DRIVER_MESSAGES set) draws a seed of its own
// unless given one, and prints it either way.
constexpr std::uint64_t kDefaultSeed = 20261208;

TEST(CommandDriver, RandomMessagesKeepTheProgramSound) {
  const bool longRun = std::getenv("LATTICEGAS_DRIVER_MESSAGES") != nullptr;
  const std::uint64_t seed =
      EnvNumber("LATTICEGAS_DRIVER_SEED", longRun ? std::random_device{}() : kDefaultSeed);
  const std::uint64_t target = EnvNumber("LATTICEGAS_DRIVER_MESSAGES", 200000);
  std::printf("command driver: seed %llu, %llu messages; replay with LATTICEGAS_DRIVER_SEED=%llu "
              "LATTICEGAS_DRIVER_MESSAGES=%llu\n",
              static_cast<unsigned long long>(seed), static_cast<unsigned long long>(target),
              static_cast<unsigned long long>(seed), static_cast<unsigned long long>(target));
  const auto start = std::chrono::steady_clock::now();

  CommandDriver driver;
  std::mt19937_64 runs(seed);
  // Small grids keep every check cheap; the first run is on the start-up grid.
  constexpr int kRings[] = {0, 1, 2, 3, 4, 5, 6};
  std::size_t mostNodes = 0;
  int run = 0;
  while (driver.messages() < target) {
    const int rings = run == 0 ? 25 : kRings[runs() % std::size(kRings)];
    const std::uint64_t runLength = run == 0 ? 600 : 1000 + runs() % 4000;
    const std::uint64_t runSeed = runs();
    driver.Reset(rings, static_cast<unsigned>(runSeed));
    ASSERT_EQ(driver.Check(false), "") << "the grid itself, " << rings << " rings";
    RandomCommands commands(runSeed);
    const std::uint64_t end = std::min(target, driver.messages() + runLength);
    while (driver.messages() < end) {
      const std::string failure = driver.Apply(commands.Next());
      ASSERT_EQ(failure, "") << "seed " << seed << ", run " << run << " (" << rings << " rings), message "
                             << driver.messages() << "; last commands:\n"
                             << driver.Trace();
      mostNodes = std::max(mostNodes, lattice.nodes.size());
    }
    ++run;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("command driver: %llu messages in %d runs, %.1f s; %llu windows destroyed by Escape, "
              "at most %zu nodes\n",
              static_cast<unsigned long long>(driver.messages()), run, seconds,
              static_cast<unsigned long long>(driver.windowsDestroyed()), mostNodes);
}

// Every input in fuzz_regressions/: the fuzz target's seed (an edit session,
// which also starts its corpus) and the inputs it once failed on, kept there
// so that each fault stays fixed (none so far).
TEST(CommandDriver, FuzzRegressionInputsReplaySoundly) {
  CommandDriver driver;
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(LATTICEGAS_FUZZ_REGRESSIONS)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream file(entry.path(), std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(driver.RunBytes(bytes.data(), bytes.size()), "") << entry.path() << "\n" << driver.Trace();
    ++replayed;
  }
  EXPECT_GT(replayed, 0);
}

// The eye at the edge of the float range: zoom and pan stop at a finite value,
// clicks whose plane point would not be finite add and select nothing, and
// finite ones still work.
TEST(CommandDriver, EyeAtTheEdgeOfTheFloatRangeStaysFinite) {
  CommandDriver driver;
  driver.Reset(2, 1);
  const Command zoomOut{Command::Kind::Key, 'F', 0, false, 1};
  ASSERT_EQ(driver.Apply(zoomOut), "");
  EXPECT_EQ(camera.eye.z, -22.0f);

  // About 920 steps of 1.1 from 22 reach the largest float.
  for (int i = 0; i < 4; ++i) ASSERT_EQ(driver.Apply(Command{Command::Kind::Key, 'F', 0, false, 255}), "");
  const float farthest = camera.eye.z;
  EXPECT_LT(farthest, -1e38f);
  ASSERT_EQ(driver.Apply(zoomOut), "");
  ASSERT_EQ(driver.Apply(Command{Command::Kind::Wheel, static_cast<std::uint16_t>(-120), 0, false, 3}), "");
  EXPECT_EQ(camera.eye.z, farthest);

  ASSERT_EQ(driver.Apply(Command{Command::Kind::Key, 'D', 0, false, 200}), "");
  const float right = camera.eye.x;
  EXPECT_GT(right, 1e38f);
  ASSERT_EQ(driver.Apply(Command{Command::Kind::Key, 'D', 0, false, 1}), "");
  EXPECT_EQ(camera.eye.x, right);
  ASSERT_EQ(driver.Apply(Command{Command::Kind::Key, 'A', 0, false, 1}), "");
  EXPECT_LT(camera.eye.x, right);

  // Far from the centre the mapped point overflows: no node is added.
  const std::size_t nodes = lattice.nodes.size();
  for (std::uint16_t x : {0, 1023, 65535}) {
    ASSERT_EQ(driver.Apply(Command{Command::Kind::RightClick, x, 65535, false, 1}), "");
    ASSERT_EQ(driver.Apply(Command{Command::Kind::LeftClick, x, 65535, false, 1}), "");
  }
  EXPECT_EQ(lattice.nodes.size(), nodes);
  EXPECT_EQ(selectedNode, nullptr);
  // The centre pixel maps to the eye's own finite position: a node is added there.
  ASSERT_EQ(driver.Apply(Command{Command::Kind::RightClick, 512, 384, false, 1}), "");
  ASSERT_EQ(lattice.nodes.size(), nodes + 1);
  EXPECT_TRUE(std::isfinite(lattice.nodes.back().x));

  // Back towards the plane, zooming works again.
  ASSERT_EQ(driver.Apply(Command{Command::Kind::Key, 'R', 0, false, 1}), "");
  EXPECT_GT(camera.eye.z, farthest);
}

}  // namespace
}  // namespace latticegas_test
