#include "emu/if_demod.h"

#include "emu/synth.h"
#include "frame/ks_constants.h"

namespace emu {

uint32_t IfDemod::IfOffsetHz(uint8_t code) {
    switch (code) {
    case 0x01:
        return 5750000;
    case 0x02:
        return 6750000;
    case 0x04:
    case 0x08:
    case 0x10:
    case 0x20:
        return 7750000;
    case 0x40:
        return 1750000;
    default:
        return 0;
    }
}

uint8_t IfDemod::CodeOf(uint32_t standard) {
    switch (standard) {
    case ks::AnalogVideo_NTSC_M:
    case ks::AnalogVideo_NTSC_M_J:
    case ks::AnalogVideo_PAL_M:
    case ks::AnalogVideo_PAL_N:
        return 0x01;
    case ks::AnalogVideo_PAL_B:
    case ks::AnalogVideo_SECAM_B:
        return 0x02;
    case ks::AnalogVideo_PAL_G:
    case ks::AnalogVideo_PAL_H:
    case ks::AnalogVideo_SECAM_G:
    case ks::AnalogVideo_SECAM_H:
        return 0x04;
    case ks::AnalogVideo_PAL_I:
        return 0x08;
    case ks::AnalogVideo_PAL_D:
    case ks::AnalogVideo_SECAM_D:
        return 0x10;
    case ks::AnalogVideo_SECAM_L:
        return 0x20;
    case ks::AnalogVideo_SECAM_L1:
        return 0x40;
    default:
        return 0; // a broadcast this demodulator cannot take
    }
}

bool IfDemod::Write(const uint8_t* bytes, size_t count) {
    if (count == 0) {
        return true;
    }
    pointer_ = bytes[0];
    for (size_t i = 1; i < count; ++i) {
        regs_[pointer_++] = bytes[i];
    }
    if (count > 1) {
        ReceptionMayHaveChanged();
    }
    return true;
}

bool IfDemod::Read(uint8_t* buffer, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        buffer[i] = ReadRegister(pointer_++);
    }
    return true;
}

uint8_t IfDemod::ReadRegister(uint8_t reg) {
    if (reg == 0x1B) {
        ++statusReads_;
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
        return static_cast<uint8_t>(0x80 | AfcValue());
    }
    if (reg == 0x1D) {
        const Station* s = Receiving();
        return static_cast<uint8_t>(s == nullptr ? 255 : 255 - s->strength);
    }
    return regs_[reg];
}

uint32_t IfDemod::TunedHz() const {
    const uint32_t offset = IfOffsetHz(StandardCode());
    if (synth_ == nullptr || offset == 0) {
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
    return static_cast<uint8_t>(value & 0x7F);
}

void IfDemod::ReceptionMayHaveChanged() {
    if (listener_) {
        listener_(Receiving());
    }
}

} // namespace emu
