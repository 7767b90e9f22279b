// The decoder registers that follow the TV standard, each the low byte of
// its register written as a field.
#include "video/standard_registers.h"

#include "decoder/decoder_access.h"
#include "regmap/decoder_map.h"

namespace {

namespace dec = regmap::decoder;

struct StandardValues {
    uint8_t standard1;
    uint8_t standard2;
};
constexpr StandardValues kNtsc = {dec::kStandard1Ntsc, dec::kStandard2Ntsc};
constexpr StandardValues kOthers = {dec::kStandard1Other, dec::kStandard2Other};

} // namespace

void WriteStandardRegisters(bool ntsc) {
    const StandardValues& v = ntsc ? kNtsc : kOthers;
    WriteDecoderField(dec::kStandard1Byte, v.standard1);
    WriteDecoderField(dec::kStandard2Byte, v.standard2);
    WriteDecoderField(dec::kStandard3Byte, dec::kStandard3Any);
}
