// Tuning: the IF demodulator is prepared for the standard, the synthesizer is
// programmed, and for SECAM L and L' the demodulator is nudged when it has not
// come to rest.
#include "tuner/if_tuning.h"

#include "frame/host_calls.h"
#include "frame/module_state.h"
#include "regmap/if_demod_map.h"
#include "tuner/synthesizer.h"
#include "tuner/tuner_bus.h"

namespace {

namespace ifd = regmap::if_demod;

bool SecamL() {
    return IfStandardCode == ifd::kCodeL || IfStandardCode == ifd::kCodeL1;
}

// SECAM L and L': if the demodulator's counter is past its limit or it has
// no lock, the nudge bit is pulsed.
void NudgeIfUnsettled() {
    static_assert(ifd::kStatus == ifd::kCounter + 1, "one read takes the counter and status");
    const uint8_t counterReg = ifd::kCounter;
    HostBusWrite(TVB_IF_DEMOD_ADDRESS, &counterReg, 1);
    // Cleared first: a read that fails then counts as "no lock" and nudges.
    uint8_t counterAndStatus[2] = {0, 0};
    static_assert(sizeof(counterAndStatus) == TVB_BUS_READ_MAX_BYTES,
                  "the longest read a host gets");
    HostBusRead(TVB_IF_DEMOD_ADDRESS, counterAndStatus, 2);
    if (counterAndStatus[0] <= ifd::kCounterLimit && (counterAndStatus[1] & ifd::kLockBit) != 0) {
        return;
    }
    const uint8_t nudge = ReadIfRegister(ifd::kNudge);
    WriteIfRegister(ifd::kNudge, static_cast<uint8_t>(nudge | ifd::kNudgeBit));
    WriteIfRegister(ifd::kNudge, static_cast<uint8_t>(nudge & ~ifd::kNudgeBit));
}

} // namespace

uint32_t TuneFrequency(uint32_t frequencyHz) {
    if (!BoardReachable()) {
        return 0;
    }
    WriteIfRegister(ifd::kStandard, static_cast<uint8_t>(IfStandardCode | ifd::kTuningFlag));
    WriteIfRegister(ifd::kTuningControl, ifd::kTuningStart);
    WriteIfRegister(ifd::kAgc, ifd::kAgcTuning);
    WriteIfRegister(ifd::kDetector, SecamL() ? ifd::kDetectorTuningSecamL : ifd::kDetectorTuning);
    WriteIfRegister(ifd::kLoop, ifd::kLoopTuning);
    ProgramSynthesizer(frequencyHz);
    if (SecamL()) {
        NudgeIfUnsettled();
    }
    WriteIfRegister(ifd::kTuningControl, ifd::kTuningDone);
    return 1;
}
