// The bench's commands that drive one module on one emulated board: session,
// standards, tune, scan, stations and caps. Each prints its report (or, with
// --json, one JSON document) on stdout and returns the exit status: 0 done,
// 1 when the board did not do what was asked (no lock, no station found).
#pragma once

#include "bench/bench_options.h"

namespace bench {

// Throws UsageError when the request cannot be carried out as given.
int RunBoardCommand(const Options& options);

} // namespace bench
