// The four picture controls as a user sets them by name: their property
// numbers and ranges from the public header, and the decoder register each
// one lands in, with the byte a value becomes there, so that the bench can
// read a control back from the board and check what the module wrote.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct PictureControl {
    const char* name;
    uint32_t property; // TVB_PROPERTY_*; its default is word property - 1 of the defaults
    int32_t min;       // the range, both ends included
    int32_t max;
    uint16_t reg;  // the decoder register
    int32_t scale; // the byte is value * scale / per (truncated), a negative value
    int32_t per;   // offset by 255 (a signed control)
};

const std::vector<PictureControl>& PictureControls();

// The register byte of an in-range value.
uint8_t PictureByte(const PictureControl& control, int32_t value);
// The value in range whose byte the register holds; false when none has it.
bool PictureValue(const PictureControl& control, uint8_t byte, int32_t* value);

// CONTROL=VALUE with a control's name and a whole number in its range.
bool ParsePictureSetting(const std::string& text, const PictureControl** control, int32_t* value,
                         std::string* error);

} // namespace bench
