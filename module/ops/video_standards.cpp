// The video standards the decoder handles, as the host receives them, and
// the default values of the video properties.
#include "ops/video_standards.h"

#include "include/tvboard.h"

namespace {

constexpr uint32_t kDescriptorSize = sizeof(VideoStandardDescriptor);

constexpr VideoStandardDescriptor kStandards[3] = {
    {"Decoder NTSC | PAL60",
     "Decoder",
     0,
     kDescriptorSize,
     TVB_STANDARD_NTSC_M | TVB_STANDARD_NTSC_M_J | TVB_STANDARD_NTSC_433 | TVB_STANDARD_PAL_60,
     30000,
     720,
     480,
     0x00010001,
     {}},
    {"Decoder PAL",
     "Decoder",
     0,
     kDescriptorSize,
     TVB_STANDARD_PAL_B | TVB_STANDARD_PAL_D | TVB_STANDARD_PAL_G | TVB_STANDARD_PAL_H |
         TVB_STANDARD_PAL_I | TVB_STANDARD_PAL_M | TVB_STANDARD_PAL_N,
     25025,
     720,
     576,
     0x00010001,
     {}},
    {"Decoder SECAM",
     "Decoder SECAM",
     0,
     kDescriptorSize,
     TVB_STANDARD_SECAM_B | TVB_STANDARD_SECAM_D | TVB_STANDARD_SECAM_G | TVB_STANDARD_SECAM_H |
         TVB_STANDARD_SECAM_K | TVB_STANDARD_SECAM_K1 | TVB_STANDARD_SECAM_L |
         TVB_STANDARD_SECAM_L1,
     25025,
     720,
     576,
     0x00010001,
     {}},
};
static_assert(sizeof(kStandards) == 1080, "three descriptors back to back");

// Property k at index k - 1: brightness, contrast, hue and saturation sit at
// 1, 3, 5 and 7.
constexpr VideoPropertyDefaults kDefaults = {
    {50, 0, 50, 0, 0, 0, 50, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0}};

} // namespace

uint32_t TVB_API GetVideoStandards(TVB_ARG, TVB_ARG, uint32_t* count,
                                   VideoStandardDescriptor* buffer) {
    if (count == nullptr || buffer == nullptr) {
        return 0;
    }
    *count = 3;
    // Byte by byte: the host's buffer need not be aligned for the record.
    const auto* from = reinterpret_cast<const uint8_t*>(kStandards);
    auto* to = reinterpret_cast<uint8_t*>(buffer);
    for (size_t i = 0; i < sizeof(kStandards); ++i) {
        to[i] = from[i]; // NOLINT(clang-analyzer-core.uninitialized.Assign): constant data
    }
    return 0;
}

uint32_t TVB_API GetVideoPropertyDefaults(TVB_ARG, TVB_ARG, VideoPropertyDefaults* defaults) {
    if (defaults != nullptr) {
        for (size_t k = 0; k < 17; ++k) {
            defaults->Value[k] = kDefaults.Value[k];
        }
    }
    return 0;
}
