#include "emu/if_demod.h"

#include "emu/synth.h"
#include "include/tvboard.h"
#include "regmap/if_demod_map.h"

#include <vector>

namespace emu {

namespace ifd = regmap::if_demod;

uint32_t IfDemod::IfOffsetHz(uint8_t code) {
    switch (code) {
    case ifd::kCodeMN:
        return 5750000;
    case ifd::kCodeB:
        return 6750000;
    case ifd::kCodeGH:
    case ifd::kCodeI:
    case ifd::kCodeD:
    case ifd::kCodeL:
        return 7750000;
    case ifd::kCodeL1:
        return 1750000;
    default:
        return 0;
    }
}

uint8_t IfDemod::CodeOf(uint32_t standard) {
    switch (standard) {
    case TVB_STANDARD_NTSC_M:
    case TVB_STANDARD_NTSC_M_J:
    case TVB_STANDARD_PAL_M:
    case TVB_STANDARD_PAL_N:
        return ifd::kCodeMN;
    case TVB_STANDARD_PAL_B:
    case TVB_STANDARD_SECAM_B:
        return ifd::kCodeB;
    case TVB_STANDARD_PAL_G:
    case TVB_STANDARD_PAL_H:
    case TVB_STANDARD_SECAM_G:
    case TVB_STANDARD_SECAM_H:
        return ifd::kCodeGH;
    case TVB_STANDARD_PAL_I:
        return ifd::kCodeI;
    case TVB_STANDARD_PAL_D:
    case TVB_STANDARD_SECAM_D:
        return ifd::kCodeD;
    case TVB_STANDARD_SECAM_L:
        return ifd::kCodeL;
    case TVB_STANDARD_SECAM_L1:
        return ifd::kCodeL1;
    default:
        return 0; // a broadcast this demodulator cannot take
    }
}

const char* IfDemod::CodeName(uint8_t code) {
    switch (code) {
    case ifd::kCodeMN:
        return "M/N";
    case ifd::kCodeB:
        return "B";
    case ifd::kCodeGH:
        return "G/H";
    case ifd::kCodeI:
        return "I";
    case ifd::kCodeD:
        return "D";
    case ifd::kCodeL:
        return "L";
    case ifd::kCodeL1:
        return "L'";
    default:
        return "none";
    }
}

bool IfDemod::GateOpen() const {
    return (regs_[ifd::kGate] & ifd::kGateConnect) != 0;
}

uint8_t IfDemod::StandardCode() const {
    return static_cast<uint8_t>(regs_[ifd::kStandard] & ~ifd::kTuningFlag);
}

bool IfDemod::Write(const uint8_t* bytes, size_t count) {
    const TransferFault f = faults_ ? faults_(false, count, transfers_++) : TransferFault{};
    const auto taken = BytesTaken(f, bytes, count);
    const bool ack =
        f.kind != TransferFault::Kind::NoAck && f.kind != TransferFault::Kind::CutShort;
    const bool faulted = f.kind != TransferFault::Kind::None;
    if (faulted) {
        faultedSince_ = true;
        gateFaulted_ = true;
    }
    addressed_ = ack && taken.size() == 1;
    if (addressed_ && !faulted) {
        faultedSince_ = false;
    }
    if (taken.empty()) {
        return ack;
    }
    pointer_ = taken[0];
    for (size_t i = 1; i < taken.size(); ++i) {
        if (pointer_ == ifd::kGate && !faulted) {
            gateFaulted_ = false;
        }
        touched_.set(pointer_);
        regs_[pointer_++] = taken[i];
    }
    if (taken.size() > 1) {
        ReceptionMayHaveChanged();
    }
    return ack;
}

bool IfDemod::Read(uint8_t* buffer, size_t count) {
    const TransferFault f = faults_ ? faults_(true, count, transfers_++) : TransferFault{};
    if (!addressed_) {
        Violation v;
        v.kind = Violation::Kind::NoSubAddress;
        v.text = "IF demodulator: read without a sub-address set (the last transfer was not the "
                 "sub-address alone)";
        v.provoked = faultedSince_ || f.kind != TransferFault::Kind::None;
        Violate(std::move(v));
    }
    addressed_ = false;
    if (f.kind == TransferFault::Kind::NoAck) {
        faultedSince_ = true;
        return false;
    }
    const size_t delivered =
        f.kind == TransferFault::Kind::CutShort && f.keep < count ? f.keep : count;
    for (size_t i = 0; i < count; ++i) {
        buffer[i] = i < delivered ? ReadRegister(pointer_++) : 0xFF;
    }
    if (f.kind == TransferFault::Kind::Corrupt && count != 0) {
        buffer[f.index % count] ^= f.flip;
    }
    if (f.kind != TransferFault::Kind::None) {
        faultedSince_ = true;
    }
    return true;
}

uint8_t IfDemod::ReadRegister(uint8_t reg) {
    touched_.set(reg);
    if (reg == ifd::kStatus) {
        ++statusReads_;
        lastStatus_ = ReadStatus();
        return lastStatus_;
    }
    if (reg == ifd::kLevel) {
        return Peek(reg);
    }
    return regs_[reg];
}

uint8_t IfDemod::Peek(uint8_t reg) const {
    if (reg == ifd::kStatus) {
        if (forcedStatus_) {
            return *forcedStatus_;
        }
        const bool locked =
            lockDelayReads_ <= 0 && !lockNever_ && lockLossAfter_ != 0 && Receiving() != nullptr;
        return locked ? static_cast<uint8_t>(ifd::kLockBit | AfcValue()) : 0;
    }
    if (reg == ifd::kLevel) {
        const Station* s = Receiving();
        return static_cast<uint8_t>(s == nullptr ? 255 : 255 - s->strength);
    }
    return regs_[reg];
}

uint8_t IfDemod::ReadStatus() {
    if (forcedStatus_) {
        return *forcedStatus_;
    }
    if (lockDelayReads_ > 0) {
        --lockDelayReads_;
        return 0;
    }
    if (lockNever_ || Receiving() == nullptr) {
        return 0;
    }
    if (lockLossAfter_ == 0) {
        return 0; // the lock came and went
    }
    if (lockLossAfter_ > 0) {
        --lockLossAfter_;
    }
    return static_cast<uint8_t>(ifd::kLockBit | AfcValue());
}

uint32_t IfDemod::TunedHz() const {
    const uint32_t offset = IfOffsetHz(StandardCode());
    if (synth_ == nullptr || offset == 0 || !synth_->Locked()) {
        return 0;
    }
    const uint64_t lo = synth_->OscillatorHz();
    return lo > offset && lo - offset <= UINT32_MAX ? static_cast<uint32_t>(lo - offset) : 0;
}

const Station* IfDemod::Receiving() const {
    const uint32_t tuned = TunedHz();
    if (tuned == 0) {
        return nullptr;
    }
    const uint8_t code = StandardCode();
    return antenna_.Nearest(tuned, kCaptureRangeHz, [code](const Station& s) {
        return s.strength > 0 && CodeOf(s.standard) == code;
    });
}

uint8_t IfDemod::AfcValue() const {
    const Station* s = Receiving();
    if (s == nullptr) {
        return 0;
    }
    const int64_t offset = static_cast<int64_t>(s->frequencyHz) - TunedHz();
    int64_t value = offset / static_cast<int64_t>(kAfcUnitHz); // truncates toward zero
    value = value > 63 ? 63 : (value < -64 ? -64 : value);
    return static_cast<uint8_t>(value & ifd::kAfcMask);
}

void IfDemod::ReceptionMayHaveChanged() {
    if (listener_) {
        listener_(Receiving());
    }
}

} // namespace emu
