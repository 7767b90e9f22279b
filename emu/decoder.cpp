#include "emu/decoder.h"

namespace emu {

namespace {

constexpr uint16_t kSoundStatus = 0x404;
constexpr uint16_t kStereoFlag = 0x409;      // bit 7
constexpr uint16_t kTwoLanguageFlag = 0x40A; // bit 0

bool ReportsInFlagRegisters(uint8_t code) {
    return code == 5 || code == 9 || code == 10 || code == 11;
}

void CountDown(unsigned& polls) {
    if (polls != 0 && polls != Decoder::kNever) {
        --polls;
    }
}

} // namespace

Decoder::Decoder() {
    UpdateSoundStatus();
}

uint32_t Decoder::Dword(uint16_t reg) const {
    uint32_t value = 0;
    for (unsigned k = 0; k < 4; ++k) {
        value |= static_cast<uint32_t>(regs_[static_cast<uint16_t>(reg + k)]) << (8 * k);
    }
    return value;
}

void Decoder::SetDword(uint16_t reg, uint32_t value) {
    for (unsigned k = 0; k < 4; ++k) {
        regs_[static_cast<uint16_t>(reg + k)] = static_cast<uint8_t>(value >> (8 * k));
    }
}

void Decoder::SetReadyPolls(unsigned polls) {
    readyPolls_ = polls;
    readyIn_ = polls;
}

void Decoder::FailReads(uint16_t reg, unsigned skip, unsigned count) {
    readFaults_[reg] = ReadFault{skip, count};
}

void Decoder::SetBroadcastSound(Sound sound) {
    sound_ = sound;
    UpdateSoundStatus();
}

void Decoder::SetSoundReport(uint8_t statusCode, bool bit11) {
    statusCode_ = statusCode & 0x1F;
    bit11_ = bit11;
    UpdateSoundStatus();
}

void Decoder::UpdateSoundStatus() {
    uint32_t status = statusCode_;
    bool stereoFlag = false;
    bool twoLanguageFlag = false;
    if (ReportsInFlagRegisters(statusCode_)) {
        stereoFlag = sound_.stereo;
        twoLanguageFlag = sound_.twoLanguages;
    } else if (bit11_) {
        status |= 1u << 11;
        status |= sound_.stereo ? 1u << 5 : 0;
        status |= sound_.twoLanguages ? 1u << 6 : 0;
    } else if (sound_.stereo || sound_.twoLanguages) {
        status |= 1u << 7; // bits 8 and 9 are valid
        status |= sound_.stereo ? 1u << 9 : 0;
        status |= sound_.twoLanguages ? 1u << 8 : 0;
    }
    status |= sound_.thirdLanguage ? 1u << 12 : 0;
    SetDword(kSoundStatus, status);
    regs_[kStereoFlag] =
        static_cast<uint8_t>((regs_[kStereoFlag] & 0x7F) | (stereoFlag ? 0x80 : 0));
    regs_[kTwoLanguageFlag] =
        static_cast<uint8_t>((regs_[kTwoLanguageFlag] & 0xFE) | (twoLanguageFlag ? 0x01 : 0));
}

uint8_t Decoder::Status() const {
    uint8_t status = 0;
    if (readyIn_ == 0) {
        status |= kReady;
    }
    if (requestPending_ && dataIn_ == 0) {
        status |= kDataReady;
    }
    if (fetched_ && doneIn_ == 0) {
        status |= kReadDone;
    }
    return status;
}

void Decoder::Tick() {
    CountDown(readyIn_);
    if (requestPending_) {
        CountDown(dataIn_);
    }
    if (fetched_) {
        CountDown(doneIn_);
    }
}

bool Decoder::ReadFails(uint16_t reg) {
    auto it = readFaults_.find(reg);
    if (it == readFaults_.end()) {
        return false;
    }
    ReadFault& fault = it->second;
    if (fault.skip > 0) {
        --fault.skip;
        return false;
    }
    if (fault.count == 0) {
        return false;
    }
    if (fault.count != kNever) {
        --fault.count;
    }
    return true;
}

bool Decoder::ReadReg16(uint16_t reg, uint8_t* value) {
    if (ReadFails(reg)) {
        return false;
    }
    if (reg == kStatusRegister) {
        *value = Status();
        Tick();
    } else if (reg == kVideoStatusRegister) {
        *value = videoStatus_;
    } else if (InDspRange(reg)) {
        DspRead(reg, value);
    } else {
        *value = regs_[reg];
    }
    if (onRead_) {
        onRead_(reg);
    }
    return true;
}

void Decoder::DspRead(uint16_t reg, uint8_t* value) {
    if (requestPending_ && requestReg_ == reg && dataIn_ == 0) {
        latch_ = regs_[reg];
        *value = latch_;
        requestPending_ = false;
        fetched_ = true;
        doneIn_ = readDonePolls_;
        readyIn_ = readyPolls_;
        return;
    }
    *value = latch_; // a request: the latch still holds the last fetch
    fetched_ = false;
    if (readyIn_ != 0) {
        return; // not ready: the request is lost
    }
    readyIn_ = readyPolls_;
    if (lostRequests_ > 0) {
        --lostRequests_;
        return;
    }
    if (!requestPending_ || requestReg_ != reg) {
        requestPending_ = true;
        requestReg_ = reg;
        dataIn_ = dataReadyPolls_;
    }
}

bool Decoder::WriteReg16(uint16_t reg, uint8_t value) {
    if (InDspRange(reg)) {
        fetched_ = false;
        if (readyIn_ != 0) {
            ++lostWrites_;
            return true; // taken by the bus, dropped by the DSP
        }
        readyIn_ = readyPolls_;
    }
    regs_[reg] = value;
    if (onWrite_) {
        onWrite_(reg, value);
    }
    return true;
}

} // namespace emu
