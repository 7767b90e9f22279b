#include "bench/station_finder.h"

#include <cstdlib>

namespace bench {

namespace {

constexpr int64_t kSameCarrierHz = 500000;
constexpr int kFineTuneSteps = 3;

} // namespace

StationFinder::StationFinder(uint32_t granularityHz, std::function<Heard(uint32_t)> tune)
    : granularityHz_(granularityHz), tune_(std::move(tune)) {}

int64_t StationFinder::Estimate(const Point& p) const {
    return static_cast<int64_t>(p.hz) + static_cast<int64_t>(p.afcStep) * granularityHz_;
}

std::optional<FoundStation> StationFinder::Add(const Channel& channel, const Heard& heard) {
    const Point p{channel.frequencyHz, heard.afcStep};
    if (heard.locked && inRun_ && std::llabs(Estimate(p) - runEstimate_) <= kSameCarrierHz) {
        if (std::abs(p.afcStep) < std::abs(best_.afcStep)) {
            best_ = p;
        }
        if (p.afcStep == 0) {
            onCarrier_.push_back(p.hz);
        }
        return std::nullopt;
    }
    std::optional<FoundStation> done = Finish();
    if (heard.locked) {
        inRun_ = true;
        first_ = channel;
        best_ = p;
        runEstimate_ = Estimate(p);
        onCarrier_.clear();
        if (p.afcStep == 0) {
            onCarrier_.push_back(p.hz);
        }
    }
    return done;
}

std::optional<FoundStation> StationFinder::Finish() {
    if (!inRun_) {
        return std::nullopt;
    }
    inRun_ = false;
    return FineTune();
}

FoundStation StationFinder::FineTune() {
    FoundStation f{first_, best_.hz, best_.afcStep};
    if (!onCarrier_.empty()) {
        f.hz = onCarrier_[(onCarrier_.size() - 1) / 2];
        f.afcStep = 0;
        return f;
    }
    for (int i = 0; i < kFineTuneSteps && f.afcStep != 0; ++i) {
        const int64_t next = static_cast<int64_t>(f.hz) + int64_t{f.afcStep} * granularityHz_;
        if (next <= 0 || next > UINT32_MAX) {
            break;
        }
        const Heard h = tune_(static_cast<uint32_t>(next));
        if (!h.locked || std::abs(h.afcStep) >= std::abs(f.afcStep)) {
            break; // no better there: the synthesizer cannot get closer
        }
        f.hz = static_cast<uint32_t>(next);
        f.afcStep = h.afcStep;
    }
    return f;
}

} // namespace bench
