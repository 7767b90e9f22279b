// One-time initialisation of the synthesizer and the IF demodulator.
#include "tuner/tuner_init.h"

#include "frame/host_ops.h"
#include "frame/module_state.h"
#include "regmap/if_demod_map.h"
#include "tuner/synthesizer.h"
#include "tuner/tuner_bus.h"

namespace {

namespace ifd = regmap::if_demod;

// The synthesizer's register block in one transfer: sub-address 0, then
// R0 to R12.
constexpr uint8_t kSynthInitialBlock[14] = {
    0x00,                                                 // sub-address of R0
    0x00, 0x00, 0x00, 0x7C, 0x04, 0xA3, 0x3F, 0x2A, 0x04, // R0..R8
    0xFF, 0x00, 0x00, 0x40,                               // R9..R12
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
        SynthShadow.R[i] = kSynthInitialBlock[1 + i];
    }
    SetTunerGate(1);
    HostBusWrite(TVB_SYNTH_ADDRESS, kSynthInitialBlock, sizeof(kSynthInitialBlock));
    SetTunerGate(0);
    for (const IfRegisterValue& w : kIfInitial) {
        WriteIfRegister(w.Register, w.Value);
    }
    g_bIsTvInitialized = 1;
}
