// Millisecond waits used by every device sequence.
#pragma once

#include <stdint.h>

// Waits the full time on an event nobody signals; only where the thread may
// wait. Returns the wait's status, which no caller needs.
int32_t SleepMs(uint32_t ms);
// Sleeps below dispatch level, busy-waits in 50 us stalls at or above it.
void DelayMs(uint32_t ms);
