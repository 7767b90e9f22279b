// The IF demodulator at 0x96: initialisation, TV standard, tuning, lock/AFC.
#pragma once

#include <stdint.h>

void InitTuner();
// 0 with no board open, else 1.
uint32_t SelectTvStandard(uint32_t standard);
// 0 with no board open, else 1.
uint32_t TuneFrequency(uint32_t frequencyHz);
// Request 4: lock (1/0); request 16: AFC step. 1 when served.
uint32_t ReadTunerLock(uint32_t request, int32_t* out);
// busyOut: 1 while not locked; afcOut: the AFC step. Always 1.
uint32_t ReadTunerStatus(int32_t* afcOut, int32_t* busyOut);
