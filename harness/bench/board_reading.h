// What the emulated board shows the module set it up for, read from the
// devices' registers and never from the module's answers: where the
// synthesizer's divider puts the tuner and in which steps, the TV standard
// the IF demodulator was set up for and the station it receives, and the
// TV sound the audio DSP was programmed to give. The bench's reports and
// claims say what the board did from these.
#pragma once

#include "emu/board.h"

#include <cstdint>
#include <string>

namespace bench {

// The synthesizer as the module last programmed it.
struct SynthSetting {
    uint32_t hz = 0;     // its oscillator less the demodulator's IF offset; 0: no frequency
    uint32_t stepHz = 0; // between two frequencies of the divider at this exponent
};
SynthSetting TunedOnBoard(const emu::Board& board);

// The demodulator's set-up, named by its standard code ("B") and the
// standards it receives ("B: PAL_B, SECAM_B").
uint8_t SetUpCode(const emu::Board& board);
std::string SetUpText(uint8_t code);
// The standards it receives, joined: "PAL_B or SECAM_B" ("" for none).
std::string SetUpStandards(uint8_t code, const char* separator);
// Whether the set-up is the one `standard` has of its own (false for a
// standard the demodulator has no set-up for).
bool SetUpFor(uint8_t code, uint32_t standard);
// The standard of the station received now; 0 for none.
uint32_t ReceivedStandard(const emu::Board& board);

// The TV sound modes the audio DSP's source and channel fields give now:
// stereo, language A (which mono is too), language B, or language C.
uint32_t SoundProgrammed(const emu::Board& board);
// Whether `mode` asked for is what they give: each mode asked is among
// them, mono aside, which every sound carries.
bool SoundAsProgrammed(uint32_t mode, uint32_t programmed);

} // namespace bench
