// tvboard scan: tunes every channel of the standard's plan within the
// tuner's range (or the points of --sweep, or the channels of --channels),
// asks for the status once each, and lists each station found once, at its
// fine-tuned frequency (station_finder.h); --save keeps them as a channel
// list. Exit 1 when none is found.
#pragma once

#include "bench/host_calls.h"

namespace bench {

int ScanCommand(BoardRun& run, HostCalls& calls);

} // namespace bench
