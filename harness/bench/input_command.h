// tvboard input [INPUT]: selects a video input through InputOps and reports
// the input the module then reports; without INPUT, the input now and the
// ones there are.
#pragma once

#include "bench/host_calls.h"

namespace bench {

int InputCommand(BoardRun& run, HostCalls& calls);

} // namespace bench
