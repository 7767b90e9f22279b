// Broadcast channel plans the bench scans, by TV standard.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct Channel {
    std::string name;
    uint32_t frequencyHz; // picture carrier
};

// The channels of the plan that goes with a standard's region (for example
// E2..E69 for PAL B/G, 2..69 for NTSC M).
std::vector<Channel> ChannelPlan(uint32_t standard);
// Evenly spaced frequencies from `from` to `to` inclusive.
std::vector<Channel> FrequencySweep(uint32_t fromHz, uint32_t toHz, uint32_t stepHz);

} // namespace bench
