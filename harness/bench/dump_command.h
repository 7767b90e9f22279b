// tvboard dump DEVICE: every register of a device (or those of --range),
// each read on the bus, as i2cdump shows them: rows of 16 in hex, XX for a
// read that failed, and the bytes as text beside them. The synthesizer,
// which acknowledges no read, is refused before the run.
#pragma once

#include "bench/host_calls.h"

namespace bench {

int DumpCommand(BoardRun& run, HostCalls& calls);

} // namespace bench
