// Millisecond waits used by every device sequence.
#pragma once

#include <stdint.h>

// Below dispatch level: waits the full time on an event nobody signals and
// returns the wait's status, which no caller needs. At or above it, where no
// thread may wait, it busy-waits the same time in 50 us stalls.
int32_t SleepMs(uint32_t ms);
// Sleeps below dispatch level, busy-waits in 50 us stalls at or above it.
void DelayMs(uint32_t ms);
