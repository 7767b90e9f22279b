// The bench's commands that run the fixed host scenarios: conform compares a
// built module with the reference, record writes the timelines for a later
// comparison by another build of the bench.
#pragma once

#include "bench/bench_options.h"

namespace bench {

// 0 when every scenario conforms, 1 otherwise; throws UsageError when the
// module or the reference file cannot be read.
int RunConform(const Options& options);
int RunRecord(const Options& options);

} // namespace bench
