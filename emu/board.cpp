#include "emu/board.h"

#include "frame/host.h"

namespace emu {

Board::Board(Host& h) : host(h) {
    demod.ConnectSynth(&synth);
    host.Attach(IfDemodAddress, &demod);
    host.Attach(SynthAddress, &synth);
}

Board::~Board() {
    host.Detach(IfDemodAddress);
    host.Detach(SynthAddress);
}

} // namespace emu
