// tvboard picture [CONTROL=VALUE...]: sets picture controls with
// SetVideoProperty, then reads all four back from the decoder's registers
// (the module keeps no copy of them), with range and default.
#pragma once

#include "bench/host_calls.h"

namespace bench {

int PictureCommand(BoardRun& run, HostCalls& calls);

} // namespace bench
