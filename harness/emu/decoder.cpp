#include "emu/decoder.h"

#include <cstdio>

namespace emu {

namespace {

namespace dmap = regmap::decoder;

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

std::string Hex3(uint16_t reg) {
    char b[8];
    std::snprintf(b, sizeof b, "%03X", reg);
    return b;
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
    if (dmap::ReportsInFlagRegisters(statusCode_)) {
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

uint8_t Decoder::Peek(uint16_t reg) const {
    if (reg == dmap::kDspStatus) {
        return Status();
    }
    return reg == dmap::kVideoStatus ? videoStatus_ : regs_[reg];
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
    if (readFaults_.empty()) { // the rule: no fault asked for
        return false;
    }
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
    touched_[reg] = true;
    if (ReadFails(reg)) {
        if (reg == dmap::kDspStatus) {
            WatchPoll(false, 0, 0);
        } else if (dmap::InDspWindow(reg)) {
            FaultFired(); // the DSP never saw this access: a request or fetch lost
        }
        return false;
    }
    if (reg == dmap::kDspStatus) {
        ++sinceAccess_;
        const uint8_t honest = Status();
        const uint8_t timed = justInTime_ ? JustInTime(honest) : honest;
        const uint8_t shown = statusFilter_ ? statusFilter_(timed, polls_) : timed;
        ++polls_;
        *value = shown;
        WatchPoll(true, honest, shown);
        Tick();
    } else if (reg == dmap::kVideoStatus) {
        *value = videoStatus_;
    } else if (dmap::InDspWindow(reg)) {
        const bool dataShown = lastPollDataReady_;
        WatchRead(reg);
        DspRead(reg, value, dataShown);
    } else {
        *value = regs_[reg];
    }
    if (onRead_) {
        onRead_(reg);
    }
    return true;
}

uint8_t Decoder::JustInTime(uint8_t honest) const {
    constexpr unsigned kLastPoll = 10; // the host's wait for one bit
    uint8_t shown = 0;
    switch (lastAccess_) {
    case Access::Request:
        if (sinceAccess_ == kLastPoll && requestsThisRead_ > failedDataWaits_) {
            shown |= dmap::kDspDataReady;
        }
        if (sinceAccess_ == 2 * kLastPoll) {
            shown |= dmap::kDspReady;
        }
        break;
    case Access::Fetch:
        if (sinceAccess_ == kLastPoll) {
            shown |= dmap::kDspReadDone;
        }
        if (sinceAccess_ == 2 * kLastPoll) {
            shown |= dmap::kDspReady;
        }
        break;
    case Access::None:
    case Access::Write:
        if (sinceAccess_ == kLastPoll) {
            shown |= dmap::kDspReady;
        }
        break;
    }
    return static_cast<uint8_t>(shown & honest);
}

void Decoder::DspRead(uint16_t reg, uint8_t* value, bool dataShown) {
    sinceAccess_ = 0;
    lastAccess_ = Access::Request;
    // The DSP hands the data to a host that has seen data ready on its last
    // poll; a read before that is the request again, also when data ready
    // has come up since.
    if (requestPending_ && requestReg_ == reg && dataIn_ == 0 && dataShown) {
        lastAccess_ = Access::Fetch;
        latch_ = regs_[reg];
        *value = latch_;
        requestPending_ = false;
        requestsThisRead_ = 0;
        fetched_ = true;
        doneIn_ = readDonePolls_;
        readyIn_ = readyPolls_;
        awaitingReadDone_ = true;
        fetchedReg_ = reg;
        unansweredDone_ = 0;
        fetchWaited_ = pendingPolls_;
        return;
    }
    *value = latch_; // a request: the latch still holds the last fetch
    fetched_ = false;
    if (readyIn_ != 0) {
        return; // not ready: the request is lost
    }
    readyIn_ = readyPolls_;
    if (reg != readingReg_) {
        readingReg_ = reg;
        requestsThisRead_ = 0;
    }
    const bool lostForThisRead = requestsThisRead_++ < lostPerRead_;
    if (lostForThisRead || lostRequests_ > 0) {
        if (!lostForThisRead) {
            --lostRequests_;
        }
        FaultFired();
        return;
    }
    if (!requestPending_ || requestReg_ != reg) {
        requestPending_ = true;
        requestReg_ = reg;
        dataIn_ = dataReadyPolls_;
        const bool same = hostRead_.outstanding && hostRead_.reg == reg;
        pendingPolls_ = same ? hostRead_.polls : 0;
        pendingProvoked_ = provoked_ || (same && hostRead_.provoked);
    }
}

void Decoder::Report(Violation::Kind kind, const std::string& text, unsigned unanswered) {
    Violation v;
    v.kind = kind;
    v.text = "DSP protocol: " + text;
    v.unansweredPolls = unanswered;
    v.provoked = provoked_;
    Violate(std::move(v));
}

void Decoder::WatchPoll(bool answered, uint8_t honest, uint8_t shown) {
    if ((shown & dmap::kDspReady) != 0) {
        seenReady_ = true;
    } else {
        ++unansweredReady_;
    }
    lastPollDataReady_ = (shown & dmap::kDspDataReady) != 0;
    if (hostRead_.outstanding && !lastPollDataReady_) {
        ++hostRead_.polls;
        if (requestPending_ && requestReg_ == hostRead_.reg) {
            pendingPolls_ = hostRead_.polls;
        }
    }
    if (awaitingReadDone_) {
        if ((shown & dmap::kDspReadDone) != 0) {
            awaitingReadDone_ = false;
            provoked_ = false; // the read is complete
        } else {
            ++unansweredDone_;
        }
    }
    // Bits flapping or set without cause: after the completion above, which
    // such a poll does not make clean.
    if (answered && shown != honest) {
        FaultFired();
    }
}

void Decoder::FaultFired() {
    provoked_ = true;
    hostRead_.provoked = hostRead_.provoked || hostRead_.outstanding;
    pendingProvoked_ = pendingProvoked_ || requestPending_;
}

// A fetch that came after the host had waited a while for data ready may
// have been meant as the request again: the host then knows nothing of a
// read to finish, and the record says how long it had waited.
std::string Decoder::LateFetch() const {
    return fetchWaited_ > unansweredDone_
               ? "; the fetch came after " + std::to_string(fetchWaited_) + " polls without bit 1"
               : std::string();
}

// Reported against the DSP's pending request, with how long the host waited
// for it and whether a fault explains it.
void Decoder::ReportInterleaved(const std::string& what) {
    const bool provoked = provoked_;
    provoked_ = provoked_ || pendingProvoked_;
    Report(Violation::Kind::Interleaved,
           "accesses interleaved: " + what + " (after " + std::to_string(pendingPolls_) +
               " polls without bit 1)",
           pendingPolls_);
    provoked_ = provoked;
}

void Decoder::CheckReadDoneSeen(const char* next, uint16_t reg) {
    if (!awaitingReadDone_) {
        return;
    }
    Report(Violation::Kind::NoReadDoneWait,
           "read of " + Hex3(fetchedReg_) + " completed without the read-done wait (next access: " +
               next + " of " + Hex3(reg) + ", after " + std::to_string(unansweredDone_) +
               " polls without bit 2" + LateFetch() + ")",
           unansweredDone_ > fetchWaited_ ? unansweredDone_ : fetchWaited_);
    awaitingReadDone_ = false;
}

void Decoder::WatchRead(uint16_t reg) {
    CheckReadDoneSeen("read", reg);
    if (lastPollDataReady_) { // the host fetches
        if (!requestPending_) {
            Report(Violation::Kind::FetchWithoutRequest,
                   "fetch of " + Hex3(reg) + " without a pending request", 0);
        } else if (requestReg_ != reg) {
            ReportInterleaved("fetch of " + Hex3(reg) + " while the request is for " +
                              Hex3(requestReg_));
        }
        fetchedRead_ = hostRead_.outstanding && hostRead_.reg == reg
                           ? hostRead_
                           : HostRead{true, reg, 0, provoked_};
        hostRead_.outstanding = false;
    } else {
        if (!seenReady_) {
            Report(Violation::Kind::NotReady, "request for " + Hex3(reg) + " while not ready",
                   unansweredReady_);
        }
        if (requestPending_ && requestReg_ != reg) {
            ReportInterleaved("read of " + Hex3(reg) + " before the fetch of " + Hex3(requestReg_));
        }
        if (!hostRead_.outstanding || hostRead_.reg != reg) {
            const bool goesOn = fetchedRead_.outstanding && fetchedRead_.reg == reg;
            hostRead_ = goesOn ? fetchedRead_ : HostRead{true, reg, 0, false};
        }
        fetchedRead_.outstanding = false;
    }
    seenReady_ = false;
    lastPollDataReady_ = false;
    unansweredReady_ = 0;
}

void Decoder::WatchWrite(uint16_t reg) {
    CheckReadDoneSeen("write", reg);
    if (!seenReady_) {
        Report(Violation::Kind::NotReady, "byte written to " + Hex3(reg) + " while not ready",
               unansweredReady_);
    }
    hostRead_.outstanding = false;
    fetchedRead_.outstanding = false;
    if (requestPending_) {
        ReportInterleaved("write of " + Hex3(reg) + " before the fetch of " + Hex3(requestReg_));
    }
    seenReady_ = false;
    lastPollDataReady_ = false;
    unansweredReady_ = 0;
}

bool Decoder::WriteReg16(uint16_t reg, uint8_t value) {
    touched_[reg] = true;
    if (dmap::InDspWindow(reg)) {
        WatchWrite(reg);
        sinceAccess_ = 0;
        lastAccess_ = Access::Write;
        fetched_ = false;
        if (readyIn_ != 0) {
            ++lostWrites_;
            FaultFired();
            return true; // taken by the bus, dropped by the DSP
        }
        readyIn_ = readyPolls_;
        provoked_ = false; // the byte is taken
    }
    regs_[reg] = value;
    if (onWrite_) {
        onWrite_(reg, value);
    }
    return true;
}

} // namespace emu
