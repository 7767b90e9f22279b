/* The part of the Windows DDK's ntddk.h that the kernel services
 * (kernel_windows.c) and the image's entry point (kernel_windows_entry.c)
 * use, for the build in MSVC mode, which has no DDK: the types and constants
 * they name and the eight routines the image imports, declared as the DDK
 * declares them (stdcall and imported, DbgPrint cdecl).
 *
 * Where the DDK's own ntddk.h came first (_NTDDK_), its types stand and only
 * the routines are declared again: the MinGW builds compile this file so
 * (tests/platforms/windows/ddk_subset.c), so a routine declared otherwise
 * than the DDK declares it fails to compile, and the layout checks at the end
 * hold for the DDK's types as for these. */
#ifndef TVB_DDK_NTDDK_H
#define TVB_DDK_NTDDK_H

#include <stddef.h>

#ifndef _NTDDK_
#define NTAPI __stdcall
#define VOID void
#define FALSE 0
#define TRUE 1
#define STATUS_SUCCESS ((NTSTATUS)0x00000000L)

typedef unsigned char UCHAR;
typedef char CCHAR;
typedef unsigned long ULONG;
typedef long LONG;
typedef long long LONGLONG;
typedef unsigned long ULONG_PTR;
typedef ULONG_PTR SIZE_T;
typedef void* PVOID;
typedef const char* PCSTR;
typedef UCHAR BOOLEAN;
typedef LONG NTSTATUS;
typedef UCHAR KIRQL;
typedef CCHAR KPROCESSOR_MODE;

typedef union _LARGE_INTEGER {
    struct {
        ULONG LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
} LARGE_INTEGER, *PLARGE_INTEGER;

typedef enum _POOL_TYPE { NonPagedPool = 0, PagedPool = 1 } POOL_TYPE;
typedef enum _EVENT_TYPE { NotificationEvent = 0, SynchronizationEvent = 1 } EVENT_TYPE;
/* (UserRequest, the wait on behalf of a user thread, is what a driver
   waiting for its device must not pass.) */
typedef enum _KWAIT_REASON { Executive = 0, UserRequest = 6 } KWAIT_REASON;
typedef enum _MODE { KernelMode = 0, UserMode = 1 } MODE;

/* The kernel keeps a dispatcher header in an event: 16 bytes on x86, which
 * the module only hands to the kernel. */
typedef struct _KEVENT {
    LONG Header[4];
} KEVENT, *PKEVENT, *PRKEVENT;

/* Only named by the entry point, which touches neither. */
typedef struct _DRIVER_OBJECT* PDRIVER_OBJECT;
typedef struct _UNICODE_STRING* PUNICODE_STRING;
#endif

/* (The names in parentheses: the DDK may define ExAllocatePoolWithTag as a
 * macro, which must not rename this declaration.) */
__declspec(dllimport) PVOID
    NTAPI(ExAllocatePoolWithTag)(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag);
__declspec(dllimport) VOID NTAPI ExFreePool(PVOID P);
__declspec(dllimport) VOID NTAPI KeInitializeEvent(PRKEVENT Event, EVENT_TYPE Type, BOOLEAN State);
__declspec(dllimport) NTSTATUS NTAPI
    KeWaitForSingleObject(PVOID Object, KWAIT_REASON WaitReason, KPROCESSOR_MODE WaitMode,
                          BOOLEAN Alertable, PLARGE_INTEGER Timeout);
__declspec(dllimport) NTSTATUS NTAPI
    KeDelayExecutionThread(KPROCESSOR_MODE WaitMode, BOOLEAN Alertable, PLARGE_INTEGER Interval);
__declspec(dllimport) KIRQL NTAPI KeGetCurrentIrql(VOID);
__declspec(dllimport) VOID NTAPI KeStallExecutionProcessor(ULONG MicroSeconds);
ULONG __cdecl DbgPrint(PCSTR Format, ...);

/* What the kernel services rely on, of these types or of the DDK's. */
_Static_assert(sizeof(LARGE_INTEGER) == 8 && offsetof(LARGE_INTEGER, QuadPart) == 0,
               "a time-out is one 64-bit count");
_Static_assert(sizeof(KEVENT) == 16 && _Alignof(KEVENT) == 4,
               "the kernel writes a 16-byte dispatcher header into an event");
_Static_assert(sizeof(BOOLEAN) == 1 && sizeof(KIRQL) == 1 && sizeof(KPROCESSOR_MODE) == 1 &&
                   sizeof(ULONG) == 4 && sizeof(SIZE_T) == 4 && sizeof(NTSTATUS) == 4,
               "the widths of the kernel's scalar types on x86");
_Static_assert(sizeof(POOL_TYPE) == 4 && sizeof(EVENT_TYPE) == 4 && sizeof(KWAIT_REASON) == 4,
               "the kernel's enumerations are 32-bit arguments");
_Static_assert(NonPagedPool == 0 && SynchronizationEvent == 1 && Executive == 0 &&
                   KernelMode == 0 && STATUS_SUCCESS == 0 && FALSE == 0 && TRUE == 1 &&
                   UserRequest == 6,
               "the kernel's values of the constants the services pass");

#endif
