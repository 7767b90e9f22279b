// The tuner synthesizer at 0xC2, reachable through the IF demodulator's gate.
#pragma once

#include <stdint.h>

// 1 opens the gate, any other value closes it.
void SetTunerGate(uint32_t open);
// Programs the synthesizer for a tuning frequency in Hz; always 0. A
// frequency it cannot reach (see SynthesizerReaches) is refused with a debug
// message, and nothing is sent.
uint32_t ProgramSynthesizer(uint32_t frequencyHz);
// True when the frequency plus the selected IF offset lies within the band
// table, so that ProgramSynthesizer would program it.
bool SynthesizerReaches(uint32_t frequencyHz);
