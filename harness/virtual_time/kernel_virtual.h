// Control of the virtual-time kernel services that the tests, the fuzz
// harness, the bench's reference and the benchmark link in: waits advance a
// clock instead of passing real time, and every wait and debug print is
// handed to a listener (the emulated board records them). Without a
// listener they only count: the clock is the sum of the waits asked for,
// and a print is not even formatted.
//
// The services also hold every call to the rules the Windows kernel sets for
// it, as a checked kernel would, and record each call that breaks one instead
// of stopping: an event wait or a thread delay only below dispatch level (2);
// a stall at any level, of at most 50 us; pool allocated and freed only at or
// below dispatch level, non-paged and tagged "Wdm " as the module's one block
// is, each block freed exactly once. Debug prints are allowed at any level.
// A violation reads "<kernel call> at IRQL <level>: <rule>", e.g.
// "KeWaitForSingleObject at IRQL 2: only below DISPATCH_LEVEL", with
// " (N times)" added when the same call broke the rule again right after.
#pragma once

#include <stdarg.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace vt {

enum class WaitKind { Sleep, Delay, Stall };

struct Listener {
    void (*onWait)(void* self, WaitKind kind, uint64_t microseconds);
    void (*onPrint)(void* self, const char* text);
    void* self;
};

// Back to load state: time 0, passive level, no listener, allocations
// succeed, no violations; blocks still live are freed.
void Reset();
uint64_t NowUs();
void SetListener(const Listener* listener);
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

// What a test must leave behind: nothing. The kernel rules broken since
// Reset, in the order the calls were made, then one text for each pool block
// still allocated ("... never freed"). A bad free is recorded, not performed.
std::vector<std::string> Violations();
// The rules broken so far (not the blocks still allocated), forgotten once
// taken: a test that breaks a rule on purpose takes what it expected.
std::vector<std::string> TakeViolations();

} // namespace vt
