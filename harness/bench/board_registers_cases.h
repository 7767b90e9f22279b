// Runs of the module, each on a freshly loaded module and a board set up
// to show one case, as facts of the board's register reference: the audio
// DSP's status handshake and what a DSP that answers wrongly costs, the
// sound status and the sound selection, the IF demodulator's lock and AFC
// value, and the waits of settling after a tune.
#pragma once

#include "bench/board_registers_page.h"

#include <string>

namespace board_doc {

// False with what is wrong when the module answers unlike the reference
// says it does.
bool PutBoardCases(Facts& facts, std::string* error);

} // namespace board_doc
