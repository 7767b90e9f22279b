// Tuning: the IF demodulator is prepared for the standard, the synthesizer is
// programmed, and for SECAM L and L' the demodulator is nudged when it has not
// come to rest.
#include "frame/host.h"
#include "frame/module_state.h"
#include "tuner/if_demod.h"
#include "tuner/synth.h"
#include "tuner/tuner_bus.h"

namespace {

constexpr uint8_t kIfStandard = 0x01;
constexpr uint8_t kTuningMarker = 0x80; // the standard code with bit 7: tuning in progress
constexpr uint8_t kIfCounter = 0x1A;    // read together with the status 0x1B
constexpr uint8_t kIfNudge = 0x0E;
constexpr uint8_t kNudgeBit = 0x02;
constexpr uint8_t kLockBit = 0x80;
constexpr uint8_t kRestingCountMax = 20;

constexpr uint8_t kCodeSecamL = 0x20;
constexpr uint8_t kCodeSecamL1 = 0x40;

bool SecamL() {
    return IfStandardCode == kCodeSecamL || IfStandardCode == kCodeSecamL1;
}

// SECAM L and L': if the demodulator's counter is past 20 or it has no lock,
// bit 1 of register 0x0E is pulsed.
void NudgeIfUnsettled() {
    const uint8_t counterReg = kIfCounter;
    HostBusWrite(IfDemodAddress, &counterReg, 1);
    // Cleared first: a read that fails then counts as "no lock" and nudges.
    uint8_t counterAndStatus[2] = {0, 0};
    HostBusRead(IfDemodAddress, counterAndStatus, 2);
    if (counterAndStatus[0] <= kRestingCountMax && (counterAndStatus[1] & kLockBit) != 0) {
        return;
    }
    const uint8_t nudge = ReadIfRegister(kIfNudge);
    WriteIfRegister(kIfNudge, static_cast<uint8_t>(nudge | kNudgeBit));
    WriteIfRegister(kIfNudge, static_cast<uint8_t>(nudge & ~kNudgeBit));
}

} // namespace

uint32_t TuneFrequency(uint32_t frequencyHz) {
    if (!BoardReachable()) {
        return 0;
    }
    WriteIfRegister(kIfStandard, static_cast<uint8_t>(IfStandardCode | kTuningMarker));
    WriteIfRegister(0x0F, 0x88);
    WriteIfRegister(0x28, 0x14);
    WriteIfRegister(0x05, SecamL() ? 0x02 : 0x04);
    WriteIfRegister(0x0D, 0x47);
    ProgramSynthesizer(frequencyHz);
    if (SecamL()) {
        NudgeIfUnsettled();
    }
    WriteIfRegister(0x0F, 0x81);
    return 1;
}
