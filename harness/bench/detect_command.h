// tvboard detect: which 7-bit addresses answer on the emulated board, probed
// one by one with a quick write and drawn as i2cdetect draws its grid, with
// the board's devices named beside it.
#pragma once

#include "bench/host_calls.h"

namespace bench {

int DetectCommand(BoardRun& run, HostCalls& calls);

} // namespace bench
