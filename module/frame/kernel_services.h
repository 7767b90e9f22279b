// The kernel services the module needs, and the one place that knows the
// platform. (C-compatible: the Windows implementation is a C file.) Three implementations exist:
// the Windows kernel, user mode (real waits, debug text on stderr) and virtual time for tests.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
constexpr uint32_t kPoolNonPaged = 0;
constexpr uint8_t kIrqlDispatch = 2;
// What a wait on an event that nobody signals returns when its time is up.
constexpr int32_t kStatusTimeout = 0x102; // STATUS_TIMEOUT

extern "C" {
#endif

void* KernelAllocatePool(uint32_t poolType, size_t bytes, uint32_t tag);
void KernelFreePool(void* block);

// Waits on a synchronization event that nobody signals, for a relative
// time-out in 100-nanosecond units; returns the wait's status.
int32_t KernelWaitNeverSignalled(int64_t timeout100ns);
// Lets the thread sleep for a relative interval in 100-nanosecond units.
void KernelDelayExecution(int64_t interval100ns);
uint8_t KernelCurrentIrql(void);
void KernelStallProcessor(uint32_t microseconds);

#if defined(TVBOARD_KERNEL)
unsigned long __cdecl DbgPrint(const char* format, ...);
#define KernelDebugPrint DbgPrint
#else
unsigned long KernelDebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));
#endif

#ifdef __cplusplus
}
#endif
