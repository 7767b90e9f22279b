#include "bench/picture_settings.h"

#include "bench/values.h"
#include "include/tvboard.h"
#include "regmap/decoder_map.h"
#include "text/bit_names.h"

namespace bench {

namespace dmap = regmap::decoder;
using text::Joined;

const std::vector<PictureControl>& PictureControls() {
    static const std::vector<PictureControl> kControls = {
        {"brightness", TVB_PROPERTY_BRIGHTNESS, TVB_BRIGHTNESS_MIN, TVB_BRIGHTNESS_MAX,
         dmap::kBrightness, 255, 100},
        {"contrast", TVB_PROPERTY_CONTRAST, TVB_CONTRAST_MIN, TVB_CONTRAST_MAX, dmap::kContrast,
         127, 100},
        {"saturation", TVB_PROPERTY_SATURATION, TVB_SATURATION_MIN, TVB_SATURATION_MAX,
         dmap::kSaturation, 127, 100},
        {"hue", TVB_PROPERTY_HUE, TVB_HUE_MIN, TVB_HUE_MAX, dmap::kHue, 127, 50},
    };
    return kControls;
}

uint8_t PictureByte(const PictureControl& c, int32_t value) {
    const int32_t scaled = value * c.scale / c.per;
    return static_cast<uint8_t>(value >= 0 ? scaled : 255 + scaled);
}

bool PictureValue(const PictureControl& c, uint8_t byte, int32_t* value) {
    for (int32_t v = c.min; v <= c.max; ++v) {
        if (PictureByte(c, v) == byte) {
            *value = v;
            return true;
        }
    }
    return false;
}

bool ParsePictureSetting(const std::string& text, const PictureControl** control, int32_t* value,
                         std::string* error) {
    const size_t eq = text.find('=');
    const std::string name = text.substr(0, eq);
    std::vector<std::string> names;
    for (const PictureControl& c : PictureControls()) {
        names.push_back(std::string(c.name) + " " + std::to_string(c.min) + ".." +
                        std::to_string(c.max));
        if (name != c.name) {
            continue;
        }
        long v = 0;
        if (eq == std::string::npos) {
            *error = "picture control " + Quoted(text) + " wants a value: " + c.name + "=VALUE";
            return false;
        }
        if (!ParseWhole(text.substr(eq + 1), c.min, c.max, c.name, &v, error)) {
            return false;
        }
        *control = &c;
        *value = static_cast<int32_t>(v);
        return true;
    }
    *error = "unknown picture control " + Quoted(name) + " (" + Joined(names, ", ") + ")";
    return false;
}

} // namespace bench
