// The routines of the Windows kernel and HAL that a Windows image of the
// module (tvboard.sys) imports, for the in-process loader to bind them to
// (host_driver/pe_image.h). Each has the kernel's signature and calling
// convention (stdcall; DbgPrint cdecl) and runs on the virtual-time services
// (kernel_virtual.h), and each argument is held to the meaning the kernel
// gives it, as a checked kernel holds it. A rule broken is a violation, as
// the linked module's are; the routine then goes on as the kernel would,
// where the kernel would go on at all:
//
//   ExAllocatePoolWithTag      the pool's rules (kernel_virtual.h)
//   ExFreePool                 a block still allocated, never a null one
//   DbgPrint                   a format, of the conversions DbgPrint knows
//   KeInitializeEvent          an event in memory the kernel takes as
//                              resident (the caller's stack, a pool block, the
//                              image), of a type the kernel knows; written as
//                              the kernel writes it (KEVENT, 16 bytes)
//   KeWaitForSingleObject      an event KeInitializeEvent initialised and
//                              nothing overwrote since; the reason Executive;
//                              KernelMode (only then does the stack, where
//                              the event and its time-out lie, stay resident
//                              during the wait); not alertable; a time-out.
//                              A signalled event satisfies the wait at once
//                              (and a synchronization event is reset by it);
//                              an alertable wait is ended at once, as the
//                              kernel may end it (STATUS_ALERTED, or
//                              STATUS_USER_APC in UserMode); otherwise the
//                              wait lasts its time-out (STATUS_TIMEOUT)
//   KeDelayExecutionThread     KernelMode, not alertable (ended at once
//                              otherwise), an interval
//   KeGetCurrentIrql           (no arguments)
//   KeStallExecutionProcessor  at most 50 us
//
// Only the 32-bit x86 Linux build has them; elsewhere none is found.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace vt {

struct WindowsRoutine {
    const char* module; // as the image names it, in any case
    const char* name;
    const void* routine;
    uint32_t stackBytes; // what the routine takes off the stack (cdecl: nothing)
};

// The routine the image imports as `name` from `module`, or null when the
// services here do not provide it.
const WindowsRoutine* FindWindowsRoutine(const char* module, const char* name);
// Every routine provided; `count` receives how many.
const WindowsRoutine* WindowsRoutines(size_t* count);

// Where the loaded image lies, which the kernel takes as resident memory;
// null and 0 when none is loaded.
void SetImageMemory(const void* base, size_t bytes);

// Forgets every event initialised (vt::Reset calls it).
void ResetWindowsEvents();

} // namespace vt
