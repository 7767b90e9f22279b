// tvboard stations: the emulated antenna's stations (with --standard, those
// of that standard), nominal frequency, offset, strength and sound.
#pragma once

#include "bench/host_calls.h"

namespace bench {

int StationsCommand(BoardRun& run, HostCalls& calls);

} // namespace bench
