#include "emu/board.h"

#include "regmap/decoder_map.h"
#include "regmap/if_demod_map.h"
#include "regmap/synth_map.h"

namespace emu {

Board::Board(Host& h) : host(h) {
    demod.ConnectSynth(&synth);
    demod.OnReception([this](const Station* station) {
        decoder.SetBroadcastSound(station != nullptr ? station->sound : kMonoSound);
    });
    host.Attach(regmap::decoder::kBusAddress, &decoder);
    host.Attach(regmap::if_demod::kBusAddress, &demod);
    host.Attach(regmap::synth::kBusAddress, &synth);
}

Board::~Board() {
    host.Detach(regmap::decoder::kBusAddress);
    host.Detach(regmap::if_demod::kBusAddress);
    host.Detach(regmap::synth::kBusAddress);
}

} // namespace emu
