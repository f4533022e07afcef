#include "platform/webgl/way_chooser.h"

#include <algorithm>
#include <cmath>

namespace latticegas_webgl {
namespace {

double Median(std::vector<double> values) {
  if (values.empty()) return NAN;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

DrawingWay Other(DrawingWay way) {
  return way == DrawingWay::kStreamed ? DrawingWay::kInstanced : DrawingWay::kStreamed;
}

int Slot(DrawingWay way) { return way == DrawingWay::kStreamed ? 0 : 1; }

}  // namespace

WayChooser::WayChooser() = default;

void WayChooser::FrameShown(double nowMs, double workMs, unsigned largeFirstSights) {
  const double frameMs = haveLastShown_ ? nowMs - lastShownMs_ : NAN;
  haveLastShown_ = true;
  lastShownMs_ = nowMs;
  if (!inTrial_) {
    if (framesSinceTrial_ < kFramesBetweenTrials) ++framesSinceTrial_;
    const double large = largeFirstSights;
    const bool changed =
        timed_ && (large > 2.0 * largeInTrial_ || 2.0 * large < largeInTrial_ ||
                   frameMs > 1.5 * keptFrameMs_ || 1.5 * frameMs < keptFrameMs_);
    framesChanged_ = changed ? framesChanged_ + 1 : 0;
    if (largeFirstSights >= kEnoughLarge &&
        (!tried_ || framesSinceTrial_ >= kFramesBetweenTrials || framesChanged_ >= kFramesOfChange))
      StartTrial();
    return;
  }
  if (largeFirstSights < kEnoughLarge / 2) {
    // The scene changed under the trial: the ways would no longer be
    // compared alike. Back to the way kept, and a trial again soon.
    way_ = home_;
    inTrial_ = false;
    framesSinceTrial_ = kFramesBetweenTrials - kFramesBetweenTrials / 8;
    return;
  }
  largeSum_ += largeFirstSights;
  if (trialFrame_ % kBlockFrames >= kSettleFrames && !std::isnan(frameMs)) {
    frameMs_[Slot(way_)].push_back(frameMs);
    workMs_[Slot(way_)].push_back(workMs);
  }
  if (++trialFrame_ % kBlockFrames != 0) return;
  if (trialFrame_ == kBlocks * kBlockFrames) EndTrial();
  else way_ = Other(way_);
}

void WayChooser::StartTrial() {
  tried_ = true;
  inTrial_ = true;
  trialFrame_ = 0;
  largeSum_ = 0.0;
  framesChanged_ = 0;
  home_ = way_;
  for (int i = 0; i < 2; ++i) {
    frameMs_[i].clear();
    workMs_[i].clear();
  }
  way_ = Other(way_);  // the way not kept goes first
}

void WayChooser::EndTrial() {
  inTrial_ = false;
  timed_ = true;
  framesSinceTrial_ = 0;
  largeInTrial_ = largeSum_ / (kBlocks * kBlockFrames);
  const auto timing = [this](DrawingWay way) {
    return WayTiming{Median(frameMs_[Slot(way)]), Median(workMs_[Slot(way)])};
  };
  way_ = FasterWay(timing(DrawingWay::kStreamed), timing(DrawingWay::kInstanced));
  keptFrameMs_ = timing(way_).frameMs;
}

}  // namespace latticegas_webgl
