#include "emu/synth.h"

#include "emu/if_demod.h"

namespace emu {

bool Synth::Write(const uint8_t* bytes, size_t count) {
    if (!demod_.GateOpen() || count == 0) {
        return false;
    }
    const uint8_t sub = bytes[0];
    const size_t first = sub >> 4;
    if ((sub & 0x0F) != 0 || first >= kRegisters || count - 1 > kRegisters - first) {
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
    return static_cast<uint32_t>(regs_[0]) << 6 | regs_[1] >> 2;
}

uint64_t Synth::OscillatorHz() const {
    return (static_cast<uint64_t>(Divider()) * 250000u) >> DivExp();
}

} // namespace emu
