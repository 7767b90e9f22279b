#include "bench/channel_plan.h"

#include "bench/values.h"
#include "include/tvboard.h"
#include "text/bit_names.h"

#include <cstdio>

namespace bench {

namespace {

struct Segment {
    const char* prefix;
    int firstNumber;
    int count;
    uint32_t firstHz;
    uint32_t stepHz;
    Band band;
};

constexpr text::NamedBit kBandNames[] = {
    {kVhfLow, "vhf-low"}, {kVhfHigh, "vhf-high"}, {kUhf, "uhf"}};

// Picture carriers of the broadcast bands.
constexpr Segment kEuropeBG[] = {
    {"E", 2, 3, 48250000, 7000000, kVhfLow},   // E2..E4
    {"E", 5, 8, 175250000, 7000000, kVhfHigh}, // E5..E12
    {"E", 21, 49, 471250000, 8000000, kUhf},   // E21..E69
};
constexpr Segment kNorthAmerica[] = {
    {"", 2, 3, 55250000, 6000000, kVhfLow},   // 2..4
    {"", 5, 2, 77250000, 6000000, kVhfLow},   // 5..6
    {"", 7, 7, 175250000, 6000000, kVhfHigh}, // 7..13
    {"", 14, 56, 471250000, 6000000, kUhf},   // 14..69
};
constexpr Segment kUhf8MHz[] = {
    {"", 21, 49, 471250000, 8000000, kUhf}, // 21..69
};
constexpr Segment kEastern[] = {
    {"R", 1, 2, 49750000, 9500000, kVhfLow},   // R1..R2
    {"R", 3, 3, 77250000, 8000000, kVhfLow},   // R3..R5
    {"R", 6, 7, 175250000, 8000000, kVhfHigh}, // R6..R12
    {"", 21, 49, 471250000, 8000000, kUhf},    // 21..69
};

struct Plan {
    const Segment* segments;
    size_t count;
};

template <size_t N> constexpr Plan PlanOf(const Segment (&segments)[N]) {
    return {segments, N};
}

Plan PlanFor(uint32_t standard) {
    switch (standard) {
    case TVB_STANDARD_NTSC_M:
    case TVB_STANDARD_NTSC_M_J:
    case TVB_STANDARD_PAL_M:
    case TVB_STANDARD_PAL_N:
        return PlanOf(kNorthAmerica);
    case TVB_STANDARD_PAL_I:
    case TVB_STANDARD_SECAM_L:
    case TVB_STANDARD_SECAM_L1:
        return PlanOf(kUhf8MHz);
    case TVB_STANDARD_PAL_D:
    case TVB_STANDARD_SECAM_D:
    case TVB_STANDARD_SECAM_K:
    case TVB_STANDARD_SECAM_K1:
        return PlanOf(kEastern);
    default:
        return PlanOf(kEuropeBG);
    }
}

} // namespace

bool ParseBand(const std::string& text, unsigned* band, std::string* error) {
    for (const text::NamedBit& b : kBandNames) {
        if (text == b.name) {
            *band = b.bit;
            return true;
        }
    }
    *error = "unknown band " + Quoted(text) + " (" + BandNames(kAllBands) + ")";
    return false;
}

std::string BandNames(unsigned bands) {
    return text::Joined(text::BitNames(bands, kBandNames), ", ");
}

std::vector<Channel> ChannelPlan(uint32_t standard, unsigned bands) {
    std::vector<Channel> out;
    const Plan plan = PlanFor(standard);
    for (size_t s = 0; s < plan.count; ++s) {
        const Segment& b = plan.segments[s];
        if ((bands & b.band) == 0) {
            continue;
        }
        for (int i = 0; i < b.count; ++i) {
            out.push_back({std::string(b.prefix) + std::to_string(b.firstNumber + i),
                           b.firstHz + static_cast<uint32_t>(i) * b.stepHz, 0});
        }
    }
    return out;
}

unsigned PlanBands(uint32_t standard) {
    unsigned bands = 0;
    const Plan plan = PlanFor(standard);
    for (size_t s = 0; s < plan.count; ++s) {
        bands |= plan.segments[s].band;
    }
    return bands;
}

} // namespace bench
