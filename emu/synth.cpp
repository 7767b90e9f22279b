#include "emu/synth.h"

#include "emu/if_demod.h"

namespace emu {

namespace sm = regmap::synth;

bool Synth::Write(const uint8_t* bytes, size_t count) {
    if (!demod_.GateOpen() || count == 0) {
        return false;
    }
    const uint8_t sub = bytes[0];
    const size_t first = sub >> sm::kSubAddressShift;
    if (first >= kRegisters || sm::SubAddress(static_cast<uint8_t>(first)) != sub ||
        count - 1 > kRegisters - first) {
        return false;
    }
    for (size_t i = 1; i < count; ++i) {
        regs_[first + i - 1] = bytes[i];
    }
    ++transfers_;
    demod_.ReceptionMayHaveChanged();
    return true;
}

uint32_t Synth::Divider() const {
    return static_cast<uint32_t>(regs_[sm::kDivider]) << sm::kDividerHighShift |
           regs_[sm::kDivider + 1] >> sm::kDividerLowShift;
}

uint32_t Synth::DivExp() const {
    return regs_[sm::kBand] >> sm::kDividerExpShift;
}

uint64_t Synth::OscillatorHz() const {
    return (static_cast<uint64_t>(Divider()) * 250000u) >> DivExp();
}

} // namespace emu
