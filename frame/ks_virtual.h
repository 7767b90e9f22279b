// Control of the virtual-time kernel services that the tests link in: waits
// advance a clock instead of passing real time, and every wait and debug
// print is handed to a listener (the emulated board records them).
#pragma once

#include <stdint.h>

namespace vt {

enum class WaitKind { Sleep, Delay, Stall };

struct Listener {
    void (*onWait)(void* self, WaitKind kind, uint64_t microseconds);
    void (*onPrint)(void* self, const char* text);
    void* self;
};

// Back to load state: time 0, passive level, no listener, allocations succeed;
// blocks still live are freed.
void Reset();
uint64_t NowUs();
void SetListener(const Listener* listener);
void SetIrql(uint8_t level);
// The next `count` pool allocations fail.
void FailNextAllocations(int count);
// Pool blocks handed out and not yet freed. A fresh block is filled with a
// non-zero byte, as a checked kernel's special pool does.
int LiveAllocations();
// Frees of a block that was not live (a double free, or one never
// allocated): counted, not performed.
int BadFrees();
// Allocations and frees made above dispatch level, where the kernel forbids
// them.
int PoolCallsAboveDispatch();
uint32_t LastAllocationTag();

} // namespace vt
