#include "bench/channel_plan.h"

#include "include/tvboard.h"

#include <cstdio>

namespace bench {

namespace {

struct Band {
    const char* prefix;
    int firstNumber;
    int count;
    uint32_t firstHz;
    uint32_t stepHz;
};

// Picture carriers of the broadcast bands.
constexpr Band kEuropeBG[] = {
    {"E", 2, 3, 48250000, 7000000},    // E2..E4
    {"E", 5, 8, 175250000, 7000000},   // E5..E12
    {"E", 21, 49, 471250000, 8000000}, // E21..E69
};
constexpr Band kNorthAmerica[] = {
    {"", 2, 3, 55250000, 6000000},    // 2..4
    {"", 5, 2, 77250000, 6000000},    // 5..6
    {"", 7, 7, 175250000, 6000000},   // 7..13
    {"", 14, 56, 471250000, 6000000}, // 14..69
};
constexpr Band kUhf8MHz[] = {
    {"", 21, 49, 471250000, 8000000}, // 21..69
};
constexpr Band kEastern[] = {
    {"R", 6, 7, 175250000, 8000000},  // R6..R12
    {"", 21, 49, 471250000, 8000000}, // 21..69
};

template <size_t N> std::vector<Channel> Expand(const Band (&bands)[N]) {
    std::vector<Channel> out;
    for (const Band& b : bands) {
        for (int i = 0; i < b.count; ++i) {
            out.push_back({std::string(b.prefix) + std::to_string(b.firstNumber + i),
                           b.firstHz + static_cast<uint32_t>(i) * b.stepHz});
        }
    }
    return out;
}

} // namespace

std::vector<Channel> ChannelPlan(uint32_t standard) {
    switch (standard) {
    case TVB_STANDARD_NTSC_M:
    case TVB_STANDARD_NTSC_M_J:
    case TVB_STANDARD_PAL_M:
    case TVB_STANDARD_PAL_N:
        return Expand(kNorthAmerica);
    case TVB_STANDARD_PAL_I:
    case TVB_STANDARD_SECAM_L:
    case TVB_STANDARD_SECAM_L1:
        return Expand(kUhf8MHz);
    case TVB_STANDARD_PAL_D:
    case TVB_STANDARD_SECAM_D:
    case TVB_STANDARD_SECAM_K:
    case TVB_STANDARD_SECAM_K1:
        return Expand(kEastern);
    default:
        return Expand(kEuropeBG);
    }
}

std::vector<Channel> FrequencySweep(uint32_t fromHz, uint32_t toHz, uint32_t stepHz) {
    std::vector<Channel> out;
    if (stepHz == 0) {
        return out;
    }
    for (uint64_t f = fromHz; f <= toHz; f += stepHz) {
        const double mhz = static_cast<double>(f) / 1e6;
        char name[32];
        std::snprintf(name, sizeof name, "%.2f", mhz);
        out.push_back({name, static_cast<uint32_t>(f)});
    }
    return out;
}

} // namespace bench
