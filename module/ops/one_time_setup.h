// The board's lazy, one-time set-up: the tuner's and the decoder's
// initialisations run on first use and, once they reached a board, never
// again while the module is loaded.
#pragma once

// The tuner (synthesizer block, demodulator start-up), then the decoder's
// register set, each while not yet done.
void EnsureTunerAndDecoderSetUp();
// The decoder's register set while not yet done.
void EnsureDecoderSetUp();
