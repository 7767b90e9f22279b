#include "emu/decoder.h"

namespace emu {

namespace {

namespace dmap = regmap::decoder;

// The DSP's sound modes that report stereo and two languages in the flag
// registers rather than in the status word.
bool ReportsInFlagRegisters(uint8_t code) {
    return code == 5 || code == 9 || code == 10 || code == 11;
}

uint32_t Bit(uint8_t bit) {
    return 1u << bit;
}

uint32_t Mask(const regmap::DecoderField& field) {
    return field.width >= 32 ? ~0u : (1u << field.width) - 1;
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

uint32_t Decoder::Field(const regmap::DecoderField& field) const {
    return (Dword(field.reg) >> field.lowBit) & Mask(field);
}

void Decoder::SetField(const regmap::DecoderField& field, uint32_t value) {
    const uint32_t mask = Mask(field) << field.lowBit;
    SetDword(field.reg, (Dword(field.reg) & ~mask) | ((value << field.lowBit) & mask));
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
    statusCode_ = static_cast<uint8_t>(statusCode & Mask(dmap::kSoundStatusCode));
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
        status |= Bit(dmap::kStatusBitLayout);
        status |= sound_.stereo ? Bit(dmap::kStatusBitStereo11) : 0;
        status |= sound_.twoLanguages ? Bit(dmap::kStatusBitLanguages11) : 0;
    } else if (sound_.stereo || sound_.twoLanguages) {
        status |= Bit(dmap::kStatusBitValid);
        status |= sound_.stereo ? Bit(dmap::kStatusBitStereo) : 0;
        status |= sound_.twoLanguages ? Bit(dmap::kStatusBitLanguages) : 0;
    }
    status |= sound_.thirdLanguage ? Bit(dmap::kStatusBitThirdLanguage) : 0;
    SetField(dmap::kSoundStatusWord, status);
    SetField(dmap::kStereoFlagBit, stereoFlag ? 1 : 0);
    SetField(dmap::kTwoLanguageFlagBit, twoLanguageFlag ? 1 : 0);
}

uint8_t Decoder::Status() const {
    uint8_t status = 0;
    if (readyIn_ == 0) {
        status |= dmap::kDspReady;
    }
    if (requestPending_ && dataIn_ == 0) {
        status |= dmap::kDspDataReady;
    }
    if (fetched_ && doneIn_ == 0) {
        status |= dmap::kDspReadDone;
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
    if (reg == dmap::kDspStatus) {
        *value = Status();
        Tick();
    } else if (reg == dmap::kVideoStatus) {
        *value = videoStatus_;
    } else if (dmap::InDspWindow(reg)) {
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
    if (dmap::InDspWindow(reg)) {
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
