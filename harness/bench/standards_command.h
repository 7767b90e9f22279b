// tvboard standards: the video standard descriptors and the video property
// defaults the module reports (with --standard, only the descriptors that
// cover it; exit 1 when none does).
#pragma once

#include "bench/host_calls.h"

namespace bench {

int StandardsCommand(BoardRun& run, HostCalls& calls);

} // namespace bench
