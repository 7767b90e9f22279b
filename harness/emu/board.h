// The whole emulated board on one substitute host: the decoder at 0x42, the
// IF demodulator at 0x96, the synthesizer behind its gate at 0xC2, and the
// antenna they receive. The sound of the station received reaches the
// decoder's broadcast sound (mono while nothing is received).
#pragma once

#include "emu/antenna.h"
#include "emu/decoder.h"
#include "emu/host_table.h"
#include "emu/if_demod.h"
#include "emu/synth.h"

namespace emu {

class Board {
  public:
    explicit Board(HostTable& host);
    ~Board();
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    HostTable& host;
    Decoder decoder;
    Antenna antenna;
    IfDemod demod{antenna};
    Synth synth{demod};
};

} // namespace emu
