#include "emu/synth.h"

#include "emu/if_demod.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace emu {

namespace sm = regmap::synth;

namespace {

constexpr uint64_t kStepHz = 250000;

// The five oscillators, by the sub-band that selects them, and the range
// each can run in; sub-bands 0, 4 and 5 select none.
struct Vco {
    uint8_t subBand;
    uint64_t minHz;
    uint64_t maxHz;
};
constexpr Vco kVcos[] = {
    {6, 300000000, 500000000}, {7, 480000000, 540000000}, {1, 520000000, 610000000},
    {2, 590000000, 750000000}, {3, 730000000, 910000000},
};

} // namespace

bool Synth::Refuse(bool closed, const char* why, bool faulted) {
    Violation v;
    v.kind = closed ? Violation::Kind::GateClosed : Violation::Kind::Rejected;
    v.text = closed ? std::string("synthesizer: addressed while the gate is closed")
                    : std::string("synthesizer: transfer rejected: ") + why;
    v.provoked = faulted || demod_.GateFaulted();
    Violate(std::move(v));
    return false;
}

bool Synth::Write(const uint8_t* bytes, size_t count) {
    const TransferFault f = faults_ ? faults_(false, count, faultTransfers_++) : TransferFault{};
    const bool faulted = f.kind != TransferFault::Kind::None;
    const auto taken = BytesTaken(f, bytes, count);
    if (!demod_.GateOpen()) {
        return Refuse(true, "", faulted);
    }
    if (f.kind == TransferFault::Kind::NoAck) {
        return false; // lost on the way: the part never saw it
    }
    if (taken.empty()) {
        return Refuse(false, "no bytes", faulted);
    }
    const uint8_t sub = taken[0];
    const size_t first = sub >> sm::kSubAddressShift;
    if (first >= kRegisters || sm::SubAddress(static_cast<uint8_t>(first)) != sub) {
        return Refuse(false, "sub-address names no register", faulted);
    }
    if (taken.size() - 1 > kRegisters - first) {
        return Refuse(false, "more bytes than registers", faulted);
    }
    for (size_t i = 1; i < taken.size(); ++i) {
        regs_[first + i - 1] = taken[i];
    }
    if (f.kind == TransferFault::Kind::CutShort) {
        demod_.ReceptionMayHaveChanged();
        return false; // cut off before the end: no acknowledge
    }
    ++transfers_;
    demod_.ReceptionMayHaveChanged();
    return true;
}

bool Synth::Read(uint8_t* /*buffer*/, size_t /*count*/) {
    return Refuse(!demod_.GateOpen(), "a read (the synthesizer is write-only)", false);
}

bool Synth::AnswersAddress() const {
    return demod_.GateOpen();
}

uint32_t Synth::Divider() const {
    return static_cast<uint32_t>(regs_[sm::kDividerHigh]) << sm::kDividerHighShift |
           regs_[sm::kDividerLow] >> sm::kDividerLowShift;
}

uint32_t Synth::DivExp() const {
    return (regs_[sm::kBand] & sm::kDividerExpMask) >> sm::kDividerExpShift;
}

uint64_t Synth::OscillatorHz() const {
    return VcoHz() >> DivExp();
}

uint64_t Synth::VcoHz() const {
    return static_cast<uint64_t>(Divider()) * kStepHz;
}

uint64_t Synth::ResolutionHz() const {
    return kStepHz >> DivExp();
}

uint64_t Synth::LowestOscillatorHz() {
    uint64_t lowest = UINT64_MAX;
    for (const Vco& v : kVcos) {
        lowest = std::min(lowest, v.minHz >> (sm::kDividerExpMask >> sm::kDividerExpShift));
    }
    return lowest;
}

uint64_t Synth::HighestOscillatorHz() {
    uint64_t highest = 0;
    for (const Vco& v : kVcos) {
        highest = std::max(highest, v.maxHz);
    }
    return highest;
}

bool Synth::Locked() const {
    const uint8_t subBand = (regs_[sm::kBand] & sm::kSubBandMask) >> sm::kSubBandShift;
    const uint64_t hz = VcoHz();
    for (const Vco& v : kVcos) {
        if (v.subBand == subBand) {
            return hz >= v.minHz && hz <= v.maxHz;
        }
    }
    return false;
}

} // namespace emu
