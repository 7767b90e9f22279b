/* Kernel services on the Windows kernel. This is the one translation unit
 * that sees the DDK headers; they compile as C only, so the services the
 * module's C++ calls through frame/kernel_services.h are defined here in C,
 * against the prototypes declared there. Debug text needs no wrapper: in the
 * kernel build KernelDebugPrint is DbgPrint itself. */
#include <ntddk.h>

#include "frame/kernel_services.h"

/* The kernel reads a negative time as relative to now and a positive one as
 * an absolute system time; the module always means "from now". Nothing
 * before now can be waited for, so zero and negative counts become a zero
 * time-out, which returns at once (and keeps the negation from overflowing). */
static LARGE_INTEGER RelativeTimeout(int64_t hundredNs) {
    LARGE_INTEGER timeout;
    timeout.QuadPart = hundredNs > 0 ? -hundredNs : 0;
    return timeout;
}

void* KernelAllocatePool(uint32_t poolType, size_t bytes, uint32_t tag) {
    return ExAllocatePoolWithTag((POOL_TYPE)poolType, bytes, tag);
}

/* Freeing a null block stops the machine, so it is never handed on. */
void KernelFreePool(void* block) {
    if (block != NULL) {
        ExFreePool(block);
    }
}

/* A synchronization event that nobody signals: the wait always lasts its full
 * time-out. The event lives on the stack, which a kernel-mode wait keeps
 * resident for the whole wait. */
int32_t KernelWaitNeverSignalled(int64_t timeout100ns) {
    KEVENT event;
    LARGE_INTEGER timeout = RelativeTimeout(timeout100ns);
    KeInitializeEvent(&event, SynchronizationEvent, FALSE);
    return KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, &timeout);
}

void KernelDelayExecution(int64_t interval100ns) {
    LARGE_INTEGER interval = RelativeTimeout(interval100ns);
    KeDelayExecutionThread(KernelMode, FALSE, &interval);
}

uint8_t KernelCurrentIrql(void) {
    return KeGetCurrentIrql();
}

void KernelStallProcessor(uint32_t microseconds) {
    KeStallExecutionProcessor(microseconds);
}
