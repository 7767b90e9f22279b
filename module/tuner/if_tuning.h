// Tuning: the IF demodulator prepared for the standard around the
// synthesizer's programming.
#pragma once

#include <stdint.h>

// 0 with no board open, else 1.
uint32_t TuneFrequency(uint32_t frequencyHz);
