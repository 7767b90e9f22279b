// tvboard caps: what the module tells a host without touching the board
// (caps_report.h): the capability record, every slot of its five tables,
// the tuner modes and the audio capture format.
#pragma once

#include "bench/host_calls.h"

namespace bench {

int CapsCommand(BoardRun& run, HostCalls& calls);

} // namespace bench
