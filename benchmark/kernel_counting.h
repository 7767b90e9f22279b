// Kernel services for measuring the module's own CPU time: they do the least
// that keeps the module's paths as on the board. Waits only add up what was
// asked for; a debug print is counted, not formatted (formatting is the
// kernel's work, not the module's); the pool is the C heap.
#pragma once

#include <cstdint>

namespace kernel_counting {

// Microseconds of waits asked for since the last reset.
uint64_t WaitedUs();
int Prints();
void Reset();

} // namespace kernel_counting
