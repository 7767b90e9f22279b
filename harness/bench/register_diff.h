// --diff: the emulated devices' registers before a command and after it,
// and those that changed. Taken from the devices as they stand, without a
// transfer on the bus (what a read would deliver now: the demodulator's
// status and level, the decoder's DSP status as its state shows them; the
// synthesizer, which cannot be read, as last written), so that the command
// runs as it would without --diff.
#pragma once

#include "bench/json_document.h"
#include "emu/board.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct RegisterSnapshot {
    std::vector<uint8_t> decoder; // 0x0000..0xFFFF
    std::vector<uint8_t> demod;   // 0x00..0xFF
    std::vector<uint8_t> synth;   // R0..R12
};
RegisterSnapshot TakeSnapshot(const emu::Board& board);

// The registers that differ, device by device, in address order: text (a
// heading and a line each) and JSON.
std::string DiffText(const RegisterSnapshot& before, const RegisterSnapshot& after,
                     const std::string& command);
Json DiffJson(const RegisterSnapshot& before, const RegisterSnapshot& after);

} // namespace bench
