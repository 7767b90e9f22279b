#include "emu/board.h"

#include "frame/host.h"

namespace emu {

Board::Board(Host& h) : host(h) {
    demod.ConnectSynth(&synth);
    demod.OnReception([this](const Station* station) {
        decoder.SetBroadcastSound(station != nullptr ? station->sound : kMonoSound);
    });
    host.Attach(DecoderAddress, &decoder);
    host.Attach(IfDemodAddress, &demod);
    host.Attach(SynthAddress, &synth);
}

Board::~Board() {
    host.Detach(DecoderAddress);
    host.Detach(IfDemodAddress);
    host.Detach(SynthAddress);
}

} // namespace emu
