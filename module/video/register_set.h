// The decoder's one-time register set.
#pragma once

// Writes the three groups of the register set, stopping as soon as the
// board goes away; marks the set loaded when the board was reachable at the
// start.
void InitDecoderRegisters();
