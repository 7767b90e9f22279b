// One-time initialisation of the synthesizer and the IF demodulator.
#pragma once

// Loads the synthesizer's register block and the demodulator's start-up
// values; marks the tuner initialised when it reached a board.
void InitTuner();
