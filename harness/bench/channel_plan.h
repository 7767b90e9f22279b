// Broadcast channel plans the bench scans, by TV standard, and their bands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct Channel {
    std::string name;
    uint32_t frequencyHz = 0; // picture carrier
    uint32_t standard = 0;    // its TV standard; 0: the one chosen for the run
};

// The bands a plan is made of, as a set of bits.
enum Band : unsigned {
    kVhfLow = 1,  // band I (and the low VHF channels of North America)
    kVhfHigh = 2, // band III
    kUhf = 4,     // bands IV and V
    kAllBands = kVhfLow | kVhfHigh | kUhf,
};
// vhf-low, vhf-high or uhf; false with the names there are.
bool ParseBand(const std::string& text, unsigned* band, std::string* error);
// The names of the bands in a set, "vhf-high, uhf".
std::string BandNames(unsigned bands);

// The channels of the plan that goes with a standard's region (for example
// E2..E69 for PAL B/G, 2..69 for NTSC M) in the chosen bands.
std::vector<Channel> ChannelPlan(uint32_t standard, unsigned bands = kAllBands);
// The bands the standard's plan has channels in.
unsigned PlanBands(uint32_t standard);

} // namespace bench
