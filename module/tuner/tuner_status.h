// Lock and fine-tuning status of the IF demodulator.
#pragma once

#include <stdint.h>

// The AFC step reported while there is no lock to measure it from.
constexpr int32_t kNoAfcValue = 168;

// Request 4: lock (1/0), waiting up to 2.5 s for it; request 16: the AFC
// step -2..+2 or kNoAfcValue. 1 when served, 0 with no board or another
// request (*out untouched).
uint32_t ReadTunerLock(uint32_t request, int32_t* out);
// busyOut: 1 while not locked; afcOut: the AFC step. Always 1.
uint32_t ReadTunerStatus(int32_t* afcOut, int32_t* busyOut);
