// The decoder's routing of one of the three video inputs. Unknown input
// numbers are routed as input 0.
#include "video/input_registers.h"

#include "decoder/decoder_access.h"
#include "frame/host_calls.h"
#include "regmap/decoder_map.h"

namespace {

namespace dec = regmap::decoder;

struct InputRouting {
    uint8_t select;  // kInputSelect
    uint8_t control; // kInputControl
};

constexpr InputRouting kInputs[] = {
    {dec::kInputSelectInput0, dec::kInputControlInput0}, // also for any other number
    {dec::kInputSelectInput1, dec::kInputControlInput1},
    {dec::kInputSelectInput2, dec::kInputControlInput2},
};

} // namespace

uint8_t ReadInputControl() {
    uint8_t control = 0;
    ReadDecoderByte(dec::kControl, &control);
    return control;
}

void RouteVideoInput(uint32_t input, uint8_t control) {
    const InputRouting& in = input < 3 ? kInputs[input] : kInputs[0];
    const struct {
        uint16_t reg;
        uint8_t value;
    } chain[] = {{dec::kInputSelect, in.select},
                 {dec::kInputControl, in.control},
                 {dec::kControl, static_cast<uint8_t>(control | dec::kControlInputChanged)}};
    for (const auto& write : chain) {
        if (!BoardReachable()) {
            break;
        }
        HostWriteReg16(write.reg, write.value);
    }
    WriteDecoderField(dec::kInputModeField, dec::kInputModeRouted);
}
