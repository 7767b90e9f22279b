// A bench command that loads a module under test (--module) runs in a
// process of its own, watched (host_driver/isolation.h): the report it
// writes comes through to stdout as it goes, and when the module crashes,
// hangs, exits or prints to stdout, the bench says so in one line naming
// the call, ends a JSON document it had begun with that line as its
// "error", leaves the files it was writing as they were, and exits 1.
#pragma once

#include "bench/bench_options.h"

#include <functional>

namespace bench {

// The exit status of `command`, or 1 when the module did not let it end.
int RunWatched(const Options& options, const std::function<int()>& command);

} // namespace bench
