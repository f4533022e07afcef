// The choice between the two ways of drawing large first sights: FasterWay on
// timings, and WayChooser fed frames from a renderer made up here, whose
// frames take a time and a share of work that depend on the way each frame
// was drawn, as a browser's do.
#include "platform/webgl/way_chooser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <vector>

#include "platform/webgl/drawing_way.h"

namespace latticegas_webgl {

// For the failures' messages.
void PrintTo(DrawingWay way, std::ostream* out) {
  *out << (way == DrawingWay::kStreamed ? "streamed" : "instanced");
}

}  // namespace latticegas_webgl

namespace {

using latticegas_webgl::DrawingWay;
using latticegas_webgl::FasterWay;
using latticegas_webgl::WayChooser;
using latticegas_webgl::WayTiming;

constexpr DrawingWay kStreamed = DrawingWay::kStreamed;
constexpr DrawingWay kInstanced = DrawingWay::kInstanced;
constexpr double kRefreshMs = 1000.0 / 60.0;
constexpr unsigned kMany = WayChooser::kEnoughLarge;
constexpr unsigned kTrialFrames = WayChooser::kBlocks * WayChooser::kBlockFrames;

DrawingWay Other(DrawingWay way) { return way == kStreamed ? kInstanced : kStreamed; }

TEST(FasterWay, ClearlySoonerFramesWinWhateverTheWork) {
  // A software renderer pays for every triangle handed over, a GPU for none:
  // either way round, the frames decide, not the main thread's share.
  EXPECT_EQ(FasterWay({25.0, 12.0}, {50.0, 3.0}), kStreamed);
  EXPECT_EQ(FasterWay({50.0, 3.0}, {25.0, 12.0}), kInstanced);
}

TEST(FasterWay, FramesAlikeGoToTheWayWithLessWork) {
  // Both at the display's rate: the frames tell nothing.
  EXPECT_EQ(FasterWay({kRefreshMs, 9.0}, {kRefreshMs, 3.0}), kInstanced);
  EXPECT_EQ(FasterWay({kRefreshMs, 3.0}, {kRefreshMs, 9.0}), kStreamed);
  // Nearly alike is alike too.
  EXPECT_EQ(FasterWay({kRefreshMs, 9.0}, {kRefreshMs * 1.05, 3.0}), kInstanced);
  EXPECT_EQ(FasterWay({kRefreshMs * 1.05, 3.0}, {kRefreshMs, 9.0}), kStreamed);
}

TEST(FasterWay, ClearlyMeansByMoreThanATenth) {
  // Just beyond a tenth the sooner frames win; just within it the work
  // decides, which here favours the other way.
  EXPECT_EQ(FasterWay({100.0, 2.0}, {89.0, 8.0}), kInstanced);
  EXPECT_EQ(FasterWay({100.0, 2.0}, {91.0, 8.0}), kStreamed);
  EXPECT_EQ(FasterWay({89.0, 8.0}, {100.0, 2.0}), kStreamed);
  EXPECT_EQ(FasterWay({91.0, 8.0}, {100.0, 2.0}), kInstanced);
}

TEST(FasterWay, AWayNotTimedNeverWins) {
  // However well its one timed figure looks.
  const WayTiming timed{30.0, 8.0};
  for (const WayTiming untimed : {WayTiming{NAN, 1.0}, WayTiming{10.0, NAN}, WayTiming{NAN, NAN}}) {
    SCOPED_TRACE(testing::Message() << "untimed " << untimed.frameMs << " / " << untimed.workMs);
    EXPECT_EQ(FasterWay(timed, untimed), kStreamed);
    EXPECT_EQ(FasterWay(untimed, timed), kInstanced);
  }
}

// Frames from one frame shown to the next and the program's part of them, by
// the way drawn and by how many frames of that way came before in a row
// (0 for the first after a change of way).
using Renderer = std::function<WayTiming(DrawingWay way, unsigned inARow)>;

// Instances hand a software renderer every triangle: their frames come late
// although the main thread works less.
WayTiming Software(DrawingWay way, unsigned) {
  return way == kStreamed ? WayTiming{25.0, 12.0} : WayTiming{50.0, 3.0};
}

// A GPU draws either way at the display's rate; instanced, the main thread
// has less to carry and light.
WayTiming Gpu(DrawingWay way, unsigned) {
  return way == kStreamed ? WayTiming{kRefreshMs, 9.0} : WayTiming{kRefreshMs, 3.0};
}

// A page drawing frames into a chooser, which says how each is drawn.
class Page {
 public:
  explicit Page(Renderer renderer) : renderer_(std::move(renderer)) {}

  void SetRenderer(Renderer renderer) { renderer_ = std::move(renderer); }

  // Draws `count` frames with `large` large first sights each; the ways they
  // were drawn.
  std::vector<DrawingWay> Frames(unsigned count, unsigned large) {
    std::vector<DrawingWay> ways;
    for (unsigned i = 0; i < count; ++i) ways.push_back(Frame(large));
    return ways;
  }

  DrawingWay Frame(unsigned large) {
    const DrawingWay way = chooser.way();
    inARow_ = drawn_ > 0 && way == last_ ? inARow_ + 1 : 0;
    last_ = way;
    ++drawn_;
    const WayTiming timing = renderer_(way, inARow_);
    nowMs_ += timing.frameMs;
    chooser.FrameShown(nowMs_, timing.workMs, large);
    return way;
  }

  // Draws frames with many large first sights until one is drawn otherwise
  // than `kept` (a trial's first), at most `limit`; how many came before it.
  unsigned FramesUntilTrial(DrawingWay kept, unsigned limit) {
    for (unsigned i = 0; i < limit; ++i) {
      if (chooser.way() != kept) return i;
      Frame(kMany);
    }
    return limit;
  }

  WayChooser chooser;

 private:
  Renderer renderer_;
  double nowMs_ = 1000.0;
  unsigned drawn_ = 0;
  unsigned inARow_ = 0;
  DrawingWay last_ = kStreamed;
};

// A trial's frames, from the way kept before it: blocks of each way in turn,
// the other way first.
std::vector<DrawingWay> TrialFrom(DrawingWay kept) {
  std::vector<DrawingWay> ways;
  for (unsigned block = 0; block < WayChooser::kBlocks; ++block)
    for (unsigned i = 0; i < WayChooser::kBlockFrames; ++i)
      ways.push_back(block % 2 == 0 ? Other(kept) : kept);
  return ways;
}

std::vector<DrawingWay> All(unsigned count, DrawingWay way) {
  return std::vector<DrawingWay>(count, way);
}

TEST(WayChooser, TriesOnlyOnceAFrameHasEnoughLargeFirstSights) {
  Page page(Gpu);
  // Few, however long: streamed throughout.
  EXPECT_EQ(page.Frames(3 * WayChooser::kFramesBetweenTrials, kMany - 1),
            All(3 * WayChooser::kFramesBetweenTrials, kStreamed));
  // One frame with enough starts a trial with the next frame.
  EXPECT_EQ(page.Frame(kMany), kStreamed);
  EXPECT_EQ(page.Frame(kMany), kInstanced);
}

TEST(WayChooser, ATrialDrawsBlocksOfEachWayInTurnAndKeepsTheFaster) {
  struct Case {
    const char* renderer_name;
    Renderer renderer;
    DrawingWay faster;
  };
  for (const Case& c : {Case{"software", Software, kStreamed}, Case{"GPU", Gpu, kInstanced}}) {
    SCOPED_TRACE(c.renderer_name);
    Page page(c.renderer);
    EXPECT_EQ(page.Frame(kMany), kStreamed);
    EXPECT_EQ(page.Frames(kTrialFrames, kMany), TrialFrom(kStreamed));
    EXPECT_EQ(page.Frames(100, kMany), All(100, c.faster));
  }
}

TEST(WayChooser, TriesAgainOnlyAfterTheFramesBetweenTrials) {
  constexpr unsigned kBetween = WayChooser::kFramesBetweenTrials;
  Page page(Gpu);
  page.Frame(kMany);
  page.Frames(kTrialFrames, kMany);
  ASSERT_EQ(page.chooser.way(), kInstanced);
  // However many large first sights, the way stays until enough frames have
  // passed since the last trial; then the next starts from the way kept.
  for (int trial = 2; trial <= 3; ++trial) {
    SCOPED_TRACE(testing::Message() << "trial " << trial);
    const unsigned waited = page.FramesUntilTrial(kInstanced, 2 * kBetween);
    EXPECT_GE(waited, kBetween - 1);
    EXPECT_LE(waited, kBetween + 1);
    EXPECT_EQ(page.Frames(kTrialFrames, kMany), TrialFrom(kInstanced));
  }
  // The renderer changed meanwhile (the tab moved to another screen, say):
  // a later trial follows it. Frames with few large first sights count
  // towards the wait.
  page.SetRenderer(Software);
  page.Frames(kBetween, 0);
  EXPECT_EQ(page.FramesUntilTrial(kInstanced, 2 * kBetween), 1u);
  EXPECT_EQ(page.Frames(kTrialFrames, kMany), TrialFrom(kInstanced));
  EXPECT_EQ(page.chooser.way(), kStreamed);
}

TEST(WayChooser, AScenePartlyEmptiedStopsTheTrialAndBringsAnotherSooner) {
  constexpr unsigned kBetween = WayChooser::kFramesBetweenTrials;
  constexpr unsigned kFew = kMany / 2 - 1;
  Page page(Gpu);
  page.Frame(kMany);
  page.Frames(kTrialFrames, kMany);
  ASSERT_EQ(page.chooser.way(), kInstanced);
  page.FramesUntilTrial(kInstanced, 2 * kBetween);
  // Half as many as it takes to start one keep a trial going ...
  std::vector<DrawingWay> trial = TrialFrom(kInstanced);
  trial.resize(WayChooser::kBlockFrames + 2);
  EXPECT_EQ(page.Frames(WayChooser::kBlockFrames + 2, kMany / 2), trial);
  ASSERT_EQ(page.chooser.way(), kInstanced);
  page.Frames(WayChooser::kBlockFrames - 2, kMany);
  // ... fewer end it, drawn streamed: back to the way kept.
  ASSERT_EQ(page.chooser.way(), kStreamed);
  EXPECT_EQ(page.Frame(kFew), kStreamed);
  EXPECT_EQ(page.Frames(50, kMany), All(50, kInstanced));
  // Tried again before a whole wait, and done in full.
  const unsigned waited = page.FramesUntilTrial(kInstanced, 2 * kBetween);
  EXPECT_LT(waited + 50, kBetween);
  EXPECT_EQ(page.Frames(kTrialFrames, kMany), TrialFrom(kInstanced));
  EXPECT_EQ(page.chooser.way(), kInstanced);

  // The first trial stopped alike while drawn instanced: streamed again.
  Page first(Gpu);
  first.Frame(kMany);
  first.Frames(2, kMany);
  ASSERT_EQ(first.chooser.way(), kInstanced);
  EXPECT_EQ(first.Frame(kFew), kInstanced);
  EXPECT_EQ(first.Frames(50, kMany), All(50, kStreamed));
  EXPECT_LT(first.FramesUntilTrial(kStreamed, 2 * kBetween) + 50, kBetween);
}

// A zoom or the particles randomised or cleared change which way is faster:
// a trial comes soon after, not a whole wait later.
TEST(WayChooser, AChangedSceneBringsATrialSoon) {
  constexpr unsigned kBetween = WayChooser::kFramesBetweenTrials;
  constexpr unsigned kSoon = WayChooser::kFramesOfChange + 5;
  // Frames twice as long, as on zooming out in a software renderer.
  const Renderer slower = [](DrawingWay way, unsigned inARow) {
    const WayTiming t = Software(way, inARow);
    return WayTiming{2.0 * t.frameMs, t.workMs};
  };
  Page page(Software);
  page.Frame(kMany);
  page.Frames(kTrialFrames, kMany);
  ASSERT_EQ(page.chooser.way(), kStreamed);
  page.Frames(100, kMany);
  page.SetRenderer(slower);
  EXPECT_LT(page.FramesUntilTrial(kStreamed, kBetween), kSoon);

  // Four times the large first sights, the frames as long as before.
  Page again(Software);
  again.Frame(kMany);
  again.Frames(kTrialFrames, kMany);
  again.Frames(100, kMany);
  unsigned waited = 0;
  while (waited < kBetween && again.chooser.way() == kStreamed) {
    again.Frame(4 * kMany);
    ++waited;
  }
  EXPECT_LT(waited, kSoon);
  // A scene alike brings none before the wait.
  Page alike(Software);
  alike.Frame(kMany);
  alike.Frames(kTrialFrames, kMany);
  EXPECT_GT(alike.FramesUntilTrial(kStreamed, kBetween), kBetween - kTrialFrames - 10);
}

TEST(WayChooser, FramesJustAfterAChangeOfWayAreNotMeasured) {
  // A software renderer whose frames come at whole refreshes: streamed ones
  // mostly at each, instanced ones mostly at every second, and every third
  // frame of a way in a row one way or the other. Streamed is clearly faster
  // once the renderer has caught up with a change of way, however slowly it
  // catches up with streaming or however quickly with instances.
  const auto settled = [](DrawingWay way, unsigned inARow) {
    const bool third = inARow % 3 == 1;
    return way == kStreamed ? WayTiming{(third ? 3 : 1) * kRefreshMs, 9.0}
                            : WayTiming{(third ? 1 : 2) * kRefreshMs, 3.0};
  };
  struct Case {
    const char* name;
    DrawingWay way;  // whose first frames after a change ...
    double frameMs;  // ... take this long
  };
  for (const Case& c : {Case{"streamed slow", kStreamed, 500.0}, Case{"instanced quick", kInstanced, 1.0}}) {
    SCOPED_TRACE(c.name);
    Page page([&](DrawingWay way, unsigned inARow) {
      WayTiming timing = settled(way, inARow);
      if (way == c.way && inARow < WayChooser::kSettleFrames) timing.frameMs = c.frameMs;
      return timing;
    });
    page.Frame(kMany);
    page.Frames(kTrialFrames, kMany);
    EXPECT_EQ(page.chooser.way(), kStreamed);
  }
}

}  // namespace
