// The emulated devices' registers as they stand, after any command: every
// register and bit field the register maps (regmap/) name, by those names,
// every other register the host wrote or read, by its address, and what
// they amount to (input, picture, standard code, gate, lock, tuned
// frequency, the station received and its standard, divider and
// oscillator). Like i2cdump, but decoded.
#pragma once

#include "bench/json_document.h"
#include "emu/board.h"

#include <string>

namespace bench {

std::string RegisterViewText(const emu::Board& board);
Json RegisterViewJson(const emu::Board& board);

} // namespace bench
