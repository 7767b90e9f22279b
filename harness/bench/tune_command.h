// tvboard tune MHZ: tunes and reports lock, AFC step, signal and the TV
// sound modes (with --sound, sets one); a refused frequency or a missing
// lock is explained. Exit 1 without lock or when the sound mode is refused.
#pragma once

#include "bench/host_calls.h"

namespace bench {

int TuneCommand(BoardRun& run, HostCalls& calls);

} // namespace bench
