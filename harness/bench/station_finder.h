// Stations from a scan: one entry per station, however many channels or
// sweep points hear it, at its fine-tuned frequency.
//
// Tuned one after another, the points that lock on one carrier form a run:
// a point joins the run when the carrier it estimates (its frequency plus
// the AFC step times the tuning granularity) lies within 0.5 MHz of the
// run's first estimate, which only points on one carrier do (channels are
// megahertz apart). When the run ends, its best point (the smallest AFC
// step; among points on the carrier, the middle one) is fine-tuned: moved
// by the AFC step times the granularity while that makes the step smaller,
// at most three times. What it keeps is the station's frequency.
#pragma once

#include "bench/channel_plan.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace bench {

// What one tuning showed.
struct Heard {
    bool locked = false;
    int afcStep = 0; // with lock
};

struct FoundStation {
    Channel channel; // the channel (or sweep point) it was heard on first
    uint32_t hz = 0; // its fine-tuned frequency
    int afcStep = 0; // the AFC step there
};

class StationFinder {
  public:
    // `tune` tunes a frequency and tells what was heard.
    StationFinder(uint32_t granularityHz, std::function<Heard(uint32_t hz)> tune);

    // The channel just tuned and what it heard; the station a run that
    // ended here makes, if any.
    std::optional<FoundStation> Add(const Channel& channel, const Heard& heard);
    // At the end of the scan: the station of the last run, if any.
    std::optional<FoundStation> Finish();

  private:
    struct Point {
        uint32_t hz;
        int afcStep;
    };
    FoundStation FineTune();
    int64_t Estimate(const Point& p) const;

    uint32_t granularityHz_;
    std::function<Heard(uint32_t)> tune_;
    bool inRun_ = false;
    Channel first_;
    int64_t runEstimate_ = 0;
    Point best_{};
    std::vector<uint32_t> onCarrier_; // the run's points with AFC step 0
};

} // namespace bench
