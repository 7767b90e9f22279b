// Transfers to the IF demodulator and the synthesizer behind its gate. Both
// take a sub-address as the first byte of a transfer; the demodulator is read
// by addressing the register with a one-byte transfer and then reading.
#pragma once

#include "frame/host_calls.h"
#include "regmap/synth_map.h"

#include <stdint.h>

inline void WriteIfRegister(uint8_t reg, uint8_t value) {
    const uint8_t bytes[2] = {reg, value};
    HostBusWrite(TVB_IF_DEMOD_ADDRESS, bytes, 2);
}

// The byte is cleared first, so a read that fails yields 0.
inline uint8_t ReadIfRegister(uint8_t reg) {
    uint8_t value = 0;
    HostBusWrite(TVB_IF_DEMOD_ADDRESS, &reg, 1);
    HostBusRead(TVB_IF_DEMOD_ADDRESS, &value, 1);
    return value;
}

inline void WriteSynthRegister(uint8_t index, uint8_t value) {
    const uint8_t bytes[2] = {regmap::synth::SubAddress(index), value};
    HostBusWrite(TVB_SYNTH_ADDRESS, bytes, 2);
}
