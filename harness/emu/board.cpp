#include "emu/board.h"

#include "regmap/decoder_map.h"
#include "regmap/if_demod_map.h"
#include "regmap/synth_map.h"

namespace emu {

Board::Board(HostTable& h) : host(h) {
    demod.ConnectSynth(&synth);
    demod.OnReception([this](const Station* station) {
        decoder.SetBroadcastSound(station != nullptr ? station->sound : kMonoSound);
    });
    host.Attach(TVB_DECODER_ADDRESS, &decoder);
    host.Attach(TVB_IF_DEMOD_ADDRESS, &demod);
    host.Attach(TVB_SYNTH_ADDRESS, &synth);
}

Board::~Board() {
    host.Detach(TVB_DECODER_ADDRESS);
    host.Detach(TVB_IF_DEMOD_ADDRESS);
    host.Detach(TVB_SYNTH_ADDRESS);
}

} // namespace emu
