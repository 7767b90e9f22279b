// The emulated antenna signal: a list of stations the tuner can receive.
#pragma once

#include "emu/decoder.h"

#include <cstdint>
#include <vector>

namespace emu {

struct Station {
    uint32_t frequencyHz = 0; // picture carrier
    uint32_t standard = 0;    // one analog video standard bit (ks::AnalogVideo_*)
    Sound sound = kMonoSound; // what the broadcast carries besides mono
    uint8_t strength = 200;   // 0 (nothing) .. 255 (strongest)
};

class Antenna {
  public:
    void Add(const Station& station) { stations_.push_back(station); }
    void Clear() { stations_.clear(); }
    const std::vector<Station>& Stations() const { return stations_; }

    // The station nearest to frequencyHz among those at most rangeHz away for
    // which accept() holds, or null.
    template <typename Accept>
    const Station* Nearest(uint32_t frequencyHz, uint32_t rangeHz, Accept accept) const {
        const Station* best = nullptr;
        uint32_t bestDistance = 0;
        for (const Station& s : stations_) {
            const uint32_t distance = s.frequencyHz > frequencyHz ? s.frequencyHz - frequencyHz
                                                                  : frequencyHz - s.frequencyHz;
            if (distance <= rangeHz && accept(s) && (best == nullptr || distance < bestDistance)) {
                best = &s;
                bestDistance = distance;
            }
        }
        return best;
    }

  private:
    std::vector<Station> stations_;
};

} // namespace emu
