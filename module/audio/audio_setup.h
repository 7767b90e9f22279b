// Audio DSP set-up for the selected input, and the demodulator restart.
#pragma once

#include <stdint.h>

// 0 for input 0, nonzero for the other inputs; returns the status code read
// last (bits 0..4 of 0x404).
uint32_t InitAudioStandard(uint32_t input);
// Pulses the restart bit; the argument is not used. Always 1.
uint32_t RestartAudioDemodulator(uint32_t unused);
// Drives the demodulator's restart bit (bit 7 of 0x454) through the given
// levels, each after a pause of 10 ms.
void DriveAudioRestartBit(const uint8_t* levels, uint32_t count);
