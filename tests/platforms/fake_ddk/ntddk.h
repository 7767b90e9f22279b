/* Stand-in for the kernel's ntddk.h, so that frame/kernel_windows.c compiles on
 * the build machine and its kernel calls can be recorded. It declares only
 * what that file uses; the enumerators carry the kernel's values. The test
 * defines the functions. */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t NTSTATUS;
typedef uint8_t KIRQL;
typedef uint8_t BOOLEAN;
#define FALSE 0
#define TRUE 1

typedef union {
    int64_t QuadPart;
} LARGE_INTEGER;

typedef enum { NonPagedPool = 0, PagedPool = 1 } POOL_TYPE;
typedef enum { NotificationEvent = 0, SynchronizationEvent = 1 } EVENT_TYPE;
typedef enum { Executive = 0, UserRequest = 6 } KWAIT_REASON;
typedef enum { KernelMode = 0, UserMode = 1 } KPROCESSOR_MODE;

typedef struct {
    int32_t Signalled; /* the test sets a marker here to see which event is waited on */
    EVENT_TYPE Type;
} KEVENT;

void* ExAllocatePoolWithTag(POOL_TYPE type, size_t bytes, uint32_t tag);
void ExFreePool(void* block);
void KeInitializeEvent(KEVENT* event, EVENT_TYPE type, BOOLEAN state);
NTSTATUS KeWaitForSingleObject(void* object, KWAIT_REASON reason, KPROCESSOR_MODE mode,
                               BOOLEAN alertable, LARGE_INTEGER* timeout);
NTSTATUS KeDelayExecutionThread(KPROCESSOR_MODE mode, BOOLEAN alertable, LARGE_INTEGER* interval);
KIRQL KeGetCurrentIrql(void);
void KeStallExecutionProcessor(uint32_t microseconds);

#ifdef __cplusplus
}
#endif
