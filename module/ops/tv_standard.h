// Applying a TV standard to the tuner and the decoder.
#pragma once

#include <stdint.h>

// One analog video standard bit. 0 with no board open, else 1; an unchanged
// standard sends nothing to the demodulator but still applies the mode bits.
uint32_t SelectTvStandard(uint32_t standard);
