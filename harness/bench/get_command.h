// tvboard get DEVICE REG: one register read on the bus, as i2cget shows it
// (its value in hex, alone on a line).
#pragma once

#include "bench/host_calls.h"

namespace bench {

int GetCommand(BoardRun& run, HostCalls& calls);

} // namespace bench
