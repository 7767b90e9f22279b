// The five decoder mode bits, applied after every input or TV standard
// change: each a single-bit field write, so the whole word at its register
// is read and written back.
#include "video/mode_bits.h"

#include "decoder/decoder_access.h"
#include "regmap/decoder_map.h"

namespace {

namespace dec = regmap::decoder;

struct ModeBit {
    regmap::DecoderField field;
    uint8_t value;
};

constexpr ModeBit kModeBits[] = {
    {dec::kModeBit7, 1},    {dec::kModeBit2, 0},  {dec::kModeBit5, 0},
    {dec::kControlBit1, 1}, {dec::kMode2Bit2, 0},
};

} // namespace

void SetDecoderModeBits() {
    for (const ModeBit& m : kModeBits) {
        WriteDecoderField(m.field, m.value);
    }
}
