// Control of the virtual-time kernel services that the tests, the fuzz
// harness, the bench's reference and the benchmark link in: waits advance a
// clock instead of passing real time, and every wait and debug print is
// handed to a listener (the emulated board records them). Without a
// listener they only count: the clock is the sum of the waits asked for,
// and a print is not even formatted.
//
// The services also hold every call to the rules the Windows kernel sets for
// it, as a checked kernel would, and record each call that breaks one instead
// of stopping: an event wait that may wait (a time-out other than zero) or a
// thread delay only below dispatch level (2), an event wait with a zero
// time-out also at it; a stall at any level, of at most 50 us; pool allocated
// and freed only at or below dispatch level, non-paged and tagged "Wdm " as
// the module's one block is, never of zero bytes, each block freed exactly
// once; a debug print at any level, but with no floating-point conversion,
// and with a Unicode one only at passive level. A Windows image's own calls
// are held to the rest of what the kernel's routines take
// (virtual_time/windows_kernel.h).
// A violation reads "<kernel call> at IRQL <level>: <rule>", e.g.
// "KeWaitForSingleObject at IRQL 2: only below DISPATCH_LEVEL", with
// " (N times)" added when the same call broke the rule again right after.
#pragma once

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace vt {

enum class WaitKind { Sleep, Delay, Stall };

struct Listener {
    // `times` equal waits, one right after the other (1 unless the
    // services were asked to coalesce them).
    void (*onWait)(void* self, WaitKind kind, uint64_t microseconds, uint64_t times);
    void (*onPrint)(void* self, const char* text);
    void* self;
};

// Back to load state: time 0, passive level, no listener, allocations
// succeed, no violations, waits not coalesced, no event initialised;
// blocks still live are freed.
void Reset();
uint64_t NowUs();
// Time that passes outside the module's waits, e.g. while the host's bus
// moves the bytes of a call: the clock moves on; it is no wait of the
// module's and breaks no rule.
void PassUs(uint64_t us);
void SetListener(const Listener* listener);
// With `on`, a run of equal waits (same kind and length: a busy-wait's
// stalls, 20 a millisecond) reaches the listener as one wait with its count,
// when something else happens or FlushWaits is called. Everything the
// listener records must come after a FlushWaits; the run's count is part of
// what it hears, so two runs of equal waits compare exactly as their waits
// one by one would.
void CoalesceWaits(bool on);
void FlushWaits();
void SetIrql(uint8_t level);
// The next `count` pool allocations fail.
void FailNextAllocations(int count);
// Pool blocks handed out and not yet freed. A fresh block is filled with a
// non-zero byte, as a checked kernel's special pool does.
int LiveAllocations();
uint32_t LastAllocationTag();

// A debug print with its arguments as a list: what the kernel's DbgPrint
// does for a Windows image mapped onto these services.
unsigned long DebugPrintV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

// A kernel call that breaks a rule the services here cannot see themselves
// (e.g. a wait without a time-out, from a Windows image's own glue).
void ReportViolation(const char* call, const std::string& rule);

// A wait of the calling thread as `call` makes it, held to the level rule for
// it: below dispatch level, or at most at it for a wait that may not wait at
// all (an event wait with a zero time-out). It lasts `us` of virtual time:
// all of its time, or none when it ends at once.
void Wait(WaitKind kind, const char* call, bool mayNotWait, uint64_t us);

// Whether `bytes` bytes from `at` lie inside one pool block still allocated.
bool InPool(const void* at, size_t bytes);

// What a test must leave behind: nothing. The kernel rules broken since
// Reset, in the order the calls were made, then one text for each pool block
// still allocated ("... never freed"). A bad free is recorded, not performed.
std::vector<std::string> Violations();
// The rules broken so far (not the blocks still allocated), forgotten once
// taken: a test that breaks a rule on purpose takes what it expected.
std::vector<std::string> TakeViolations();

} // namespace vt
