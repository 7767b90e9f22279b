// The whole emulated board on one substitute host: the IF demodulator at
// 0x96, the synthesizer behind its gate at 0xC2, and the antenna they
// receive.
#pragma once

#include "emu/antenna.h"
#include "emu/host.h"
#include "emu/if_demod.h"
#include "emu/synth.h"

namespace emu {

class Board {
  public:
    explicit Board(Host& host);
    ~Board();
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    Host& host;
    Antenna antenna;
    IfDemod demod{antenna};
    Synth synth{demod};
};

} // namespace emu
