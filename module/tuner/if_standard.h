// The IF demodulator's side of a TV standard: its standard code, and the IF
// offset and NTSC bit the synthesizer tunes with.
#pragma once

#include <stdint.h>

// True when `standard` differs from the standard last applied.
bool IfStandardChanges(uint32_t standard);
// Holds the demodulator and takes over the standard's code, IF offset and
// NTSC bit (any standard without a row of its own is set up as PAL B and
// recorded so); the code reaches the demodulator with CommitIfStandard.
void LoadIfStandard(uint32_t standard);
void CommitIfStandard();
