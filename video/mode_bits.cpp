// The five decoder mode bits, applied after every input or TV standard change.
#include "audio/decoder_access.h"
#include "video/decoder_video.h"

namespace {

struct ModeBit {
    uint16_t reg;
    uint8_t bit;
    uint8_t value;
};

constexpr ModeBit kModeBits[] = {
    {0x108, 7, 1}, {0x108, 2, 0}, {0x108, 5, 0}, {0x10E, 1, 1}, {0x114, 2, 0},
};

} // namespace

void SetDecoderModeBits() {
    for (const ModeBit& m : kModeBits) {
        WriteDecoderField(m.reg, m.bit, 1, m.value);
    }
}
