// Lock and fine-tuning status of the IF demodulator: register 0x1B holds the
// lock bit (bit 7) and the AFC value, a 7-bit two's-complement number.
#include "tuner/tuner_status.h"

#include "frame/host_calls.h"
#include "frame/waits.h"
#include "regmap/if_demod_map.h"
#include "tuner/tuner_bus.h"

namespace {

namespace ifd = regmap::if_demod;

constexpr uint32_t kRequestLock = 4;
constexpr uint32_t kRequestAfcStep = 16;

// A lock that has not come yet is waited for in 100 ms polls, 2.5 s at most.
constexpr uint32_t kLockPolls = 25;
constexpr uint32_t kLockPollMs = 100;

// The AFC value folded into steps of -2..+2: each row covers the raw values
// up to Last (0..63 above the tuned frequency, 64..127 the negative side).
struct AfcStepRow {
    uint8_t Last;
    int8_t Step;
};
constexpr AfcStepRow kAfcSteps[] = {
    {18, 0},   // 0 .. 18
    {37, 1},   // 19 .. 37
    {63, 2},   // 38 .. 63
    {90, -2},  // -64 .. -38
    {109, -1}, // -37 .. -19
    {127, 0},  // -18 .. -1
};

int32_t AfcStep(uint8_t value) {
    for (const AfcStepRow& row : kAfcSteps) {
        if (value <= row.Last) {
            return row.Step;
        }
    }
    return 0; // not reached: the rows cover all 7-bit values
}

bool Locked(uint8_t status) {
    return (status & ifd::kLockBit) != 0;
}

} // namespace

uint32_t ReadTunerLock(uint32_t request, int32_t* out) {
    if (!BoardReachable()) {
        return 0;
    }
    const uint8_t status = ReadIfRegister(ifd::kStatus);
    if (request == kRequestLock) {
        if (Locked(status)) {
            *out = 1;
            return 1;
        }
        for (uint32_t poll = 0; poll < kLockPolls; ++poll) {
            DelayMs(kLockPollMs);
            if (Locked(ReadIfRegister(ifd::kStatus))) {
                *out = 1;
                return 1;
            }
        }
        *out = 0;
        return 1;
    }
    if (request == kRequestAfcStep) {
        *out = Locked(status) ? AfcStep(status & ifd::kAfcMask) : kNoAfcValue;
        return 1;
    }
    return 0;
}

uint32_t ReadTunerStatus(int32_t* afcOut, int32_t* busyOut) {
    if (ReadTunerLock(kRequestLock, busyOut) != 0) {
        ReadTunerLock(kRequestAfcStep, afcOut);
    }
    // The lock answer turns into the host's busy flag.
    *busyOut = *busyOut == 0 ? 1 : 0;
    return 1;
}
