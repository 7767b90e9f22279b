// tvboard session (the default command): a whole host session
// (host_driver/session.h) on the board, with --input and --picture acting
// before the tuning and --sound choosing the TV sound mode. Exit 1 without
// lock or when the sound mode asked for is refused.
#pragma once

#include "bench/host_calls.h"

namespace bench {

int SessionCommand(BoardRun& run, HostCalls& calls);

} // namespace bench
