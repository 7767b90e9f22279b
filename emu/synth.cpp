#include "emu/synth.h"

#include "emu/if_demod.h"

namespace emu {

namespace sm = regmap::synth;

namespace {

constexpr uint64_t kStepHz = 250000;
constexpr uint8_t kVcoSelectShift = 3;
constexpr uint8_t kVcoSelectMask = 0x7;

struct Vco {
    uint8_t select; // R4 bits 5..3
    uint64_t minHz;
    uint64_t maxHz;
};
constexpr Vco kVcos[] = {
    {6, 300000000, 500000000}, {7, 480000000, 540000000}, {1, 520000000, 610000000},
    {2, 590000000, 750000000}, {3, 730000000, 910000000},
};

} // namespace

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
    return VcoHz() >> DivExp();
}

uint64_t Synth::VcoHz() const {
    return static_cast<uint64_t>(Divider()) * kStepHz;
}

bool Synth::Locked() const {
    const uint8_t select = (regs_[sm::kBand] >> kVcoSelectShift) & kVcoSelectMask;
    const uint64_t hz = VcoHz();
    for (const Vco& v : kVcos) {
        if (v.select == select) {
            return hz >= v.minHz && hz <= v.maxHz;
        }
    }
    return false;
}

} // namespace emu
