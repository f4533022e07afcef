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
// up with the change.
class WayChooser {
 public:
  // Large first sights in a frame for a trial to be worth making, and after
  // how many frames one is made again.
  static constexpr unsigned kEnoughLarge = 32;
  static constexpr unsigned kFramesBetweenTrials = 1800;
  static constexpr unsigned kBlockFrames = 5;
  static constexpr unsigned kSettleFrames = 2;
  static constexpr unsigned kBlocks = 4;

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
  bool inTrial_ = false;
  unsigned framesSinceTrial_ = 0;
  unsigned trialFrame_ = 0;
  bool haveLastShown_ = false;
  double lastShownMs_ = 0.0;
  // The trial's measured frames, by way.
  std::vector<double> frameMs_[2];
  std::vector<double> workMs_[2];
};

}  // namespace latticegas_webgl
