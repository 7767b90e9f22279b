// The video standards the decoder handles, as the host receives them, and
// the default values of the video properties.
#include "video/standards.h"

#include "frame/ks_constants.h"

namespace {

constexpr uint32_t kDescriptorSize = sizeof(VideoStandardDescriptor);

constexpr VideoStandardDescriptor kStandards[3] = {
    {"SAA7113 NTSC | PAL60",
     "SAA7113",
     0,
     kDescriptorSize,
     ks::AnalogVideo_NTSC_M | ks::AnalogVideo_NTSC_M_J | ks::AnalogVideo_NTSC_433 |
         ks::AnalogVideo_PAL_60,
     30000,
     720,
     480,
     0x00010001,
     {}},
    {"SAA7113 PAL",
     "SAA7113",
     0,
     kDescriptorSize,
     ks::AnalogVideo_PAL_B | ks::AnalogVideo_PAL_D | ks::AnalogVideo_PAL_G | ks::AnalogVideo_PAL_H |
         ks::AnalogVideo_PAL_I | ks::AnalogVideo_PAL_M | ks::AnalogVideo_PAL_N,
     25025,
     720,
     576,
     0x00010001,
     {}},
    {"SAA7113 SECAM",
     "SAA7113 SECAM",
     0,
     kDescriptorSize,
     ks::AnalogVideo_SECAM_B | ks::AnalogVideo_SECAM_D | ks::AnalogVideo_SECAM_G |
         ks::AnalogVideo_SECAM_H | ks::AnalogVideo_SECAM_K | ks::AnalogVideo_SECAM_K1 |
         ks::AnalogVideo_SECAM_L | ks::AnalogVideo_SECAM_L1,
     25025,
     720,
     576,
     0x00010001,
     {}},
};
static_assert(sizeof(kStandards) == 1080, "three descriptors back to back");
static_assert(kStandards[0].Standards == 0x807 && kStandards[1].Standards == 0x7F0 &&
                  kStandards[2].Standards == 0xFF000,
              "standard sets of the three descriptors");

// Property k at index k - 1: brightness, contrast, hue and saturation sit at
// 1, 3, 5 and 7.
constexpr VideoPropertyDefaults kDefaults = {
    {50, 0, 50, 0, 0, 0, 50, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0}};

} // namespace

uint32_t TVB_STDCALL GetVideoStandards(Arg, Arg, uint32_t* count, VideoStandardDescriptor* buffer) {
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

uint32_t TVB_STDCALL GetVideoPropertyDefaults(Arg, Arg, VideoPropertyDefaults* defaults) {
    if (defaults != nullptr) {
        for (size_t k = 0; k < 17; ++k) {
            defaults->Value[k] = kDefaults.Value[k];
        }
    }
    return 0;
}
