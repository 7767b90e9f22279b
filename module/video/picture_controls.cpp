// Brightness, contrast, saturation and hue. A value is scaled to the register
// byte with truncating signed division; negative hues are offset by 255, so
// -50 gives 0x80, the most negative signed byte.
#include "video/picture_controls.h"

#include "frame/host_calls.h"
#include "regmap/decoder_map.h"

namespace {

struct PictureControl {
    int32_t min;
    int32_t max;
    uint16_t reg;
    int32_t scale;
    int32_t divisor;
};

//                                    range      register  byte = value * scale / divisor
constexpr PictureControl kBrightness = {TVB_BRIGHTNESS_MIN, TVB_BRIGHTNESS_MAX,
                                        regmap::decoder::kBrightness, 255, 100};
constexpr PictureControl kContrast = {TVB_CONTRAST_MIN, TVB_CONTRAST_MAX,
                                      regmap::decoder::kContrast, 127, 100};
constexpr PictureControl kSaturation = {TVB_SATURATION_MIN, TVB_SATURATION_MAX,
                                        regmap::decoder::kSaturation, 127, 100};
constexpr PictureControl kHue = {TVB_HUE_MIN, TVB_HUE_MAX, regmap::decoder::kHue, 127, 50};

uint8_t Apply(const PictureControl& control, int32_t value) {
    if (value < control.min || value > control.max) {
        return 0;
    }
    const int32_t scaled = value * control.scale / control.divisor;
    const int32_t byte = value >= 0 ? scaled : 255 + scaled;
    if (BoardReachable()) {
        HostWriteReg16(control.reg, static_cast<uint8_t>(byte));
    }
    return 1;
}

} // namespace

uint8_t SetBrightness(int32_t value) {
    return Apply(kBrightness, value);
}
uint8_t SetContrast(int32_t value) {
    return Apply(kContrast, value);
}
uint8_t SetSaturation(int32_t value) {
    return Apply(kSaturation, value);
}
uint8_t SetHue(int32_t value) {
    return Apply(kHue, value);
}
