// One-time initialisation of the synthesizer and the IF demodulator.
#include "tuner/tuner_init.h"

#include "frame/host_calls.h"
#include "frame/module_state.h"
#include "regmap/if_demod_map.h"
#include "regmap/synth_map.h"
#include "tuner/synthesizer.h"
#include "tuner/tuner_bus.h"

namespace {

namespace ifd = regmap::if_demod;
namespace sy = regmap::synth;

// The synthesizer's register block, sent in one transfer as it lies: the
// sub-address of R0, then R0 to R12.
struct SynthBlock {
    uint8_t subAddress;
    uint8_t r[sy::kRegisters];
};
static_assert(sizeof(SynthBlock) == 1 + sy::kRegisters, "sent byte for byte");
static_assert(sizeof(SynthBlock) == TVB_BUS_WRITE_MAX_BYTES, "the longest transfer a host gets");
constexpr SynthBlock kSynthInitialBlock = {
    sy::SubAddress(0),
    {0x00, 0x00, 0x00, 0x7C, 0x04, 0xA3, 0x3F, 0x2A, 0x04, 0xFF, 0x00, 0x00, 0x40},
};
constexpr size_t kShadowedRegisters = sizeof(SynthShadow.R);

struct IfRegisterValue {
    uint8_t Register;
    uint8_t Value;
};
constexpr IfRegisterValue kIfInitial[] = {
    {ifd::kHold, ifd::kHoldOn},
    {ifd::kStartup30, ifd::kStartup30Value},
    {ifd::kStartup20, ifd::kStartup20Value},
};

} // namespace

void InitTuner() {
    if (!BoardReachable()) {
        return;
    }
    for (size_t i = 0; i < kShadowedRegisters; ++i) {
        SynthShadow.R[i] = kSynthInitialBlock.r[i];
    }
    SetTunerGate(1);
    HostBusWrite(TVB_SYNTH_ADDRESS, reinterpret_cast<const uint8_t*>(&kSynthInitialBlock),
                 sizeof(kSynthInitialBlock));
    SetTunerGate(0);
    for (const IfRegisterValue& w : kIfInitial) {
        WriteIfRegister(w.Register, w.Value);
    }
    g_bIsTvInitialized = 1;
}
