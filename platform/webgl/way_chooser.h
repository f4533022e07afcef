#pragma once
// Which way the WebGL device draws its large first sights (DrawingWay), from
// timing both now and then, while there are enough of them in a frame for
// the ways to differ. Test and benchmark pages link a chooser of their own in
// place of this one (tests/support/fixed_drawing_way.cpp), which draws the
// way the page's address says. No GL here.
#include <vector>

#include "platform/webgl/drawing_way.h"

namespace latticegas_webgl {

// Streamed until a trial says otherwise. A trial draws blocks of frames each
// way in turn, and measures each block's frames once the renderer has caught
// up with the change. Trials come again now and then, and soon after the
// scene changes, as the faster way depends on it.
class WayChooser {
 public:
  // Large first sights in a frame for a trial to be worth making, and after
  // how many frames one is made again.
  static constexpr unsigned kEnoughLarge = 32;
  static constexpr unsigned kFramesBetweenTrials = 1800;
  static constexpr unsigned kBlockFrames = 5;
  static constexpr unsigned kSettleFrames = 2;
  static constexpr unsigned kBlocks = 4;
  // A trial is made again sooner when the scene has changed (a zoom,
  // particles randomised or cleared): this many frames in a row with more
  // than twice or less than half the large first sights of the last trial,
  // or taking more than half as long again or less than two thirds as long
  // as the way kept took in it.
  static constexpr unsigned kFramesOfChange = 30;

  WayChooser();

  // The way to draw the next frame.
  DrawingWay way() const { return way_; }

  // The frame drawn the way way() gave was shown at `nowMs`; the program's
  // own part of it took `workMs`, and it had `largeFirstSights` draws the
  // ways draw differently.
  void FrameShown(double nowMs, double workMs, unsigned largeFirstSights);

 private:
  void StartTrial();
  void EndTrial();

  DrawingWay way_ = DrawingWay::kStreamed;
  DrawingWay home_ = DrawingWay::kStreamed;  // the way kept before the trial
  bool tried_ = false;
  bool timed_ = false;  // a trial has ended, not stopped
  bool inTrial_ = false;
  unsigned framesSinceTrial_ = 0;
  unsigned trialFrame_ = 0;
  double largeInTrial_ = 0.0;  // large first sights per frame in the last trial
  double keptFrameMs_ = 0.0;   // the way kept, in the last trial
  double largeSum_ = 0.0;      // and in the trial under way
  unsigned framesChanged_ = 0;  // in a row, since the last trial
  bool haveLastShown_ = false;
  double lastShownMs_ = 0.0;
  // The trial's measured frames, by way.
  std::vector<double> frameMs_[2];
  std::vector<double> workMs_[2];
};

}  // namespace latticegas_webgl
