// The Windows kernel services, compiled against a stand-in ntddk.h that
// records every kernel call: which routine, with which arguments, in which
// order. The kernel reads a positive time-out as an absolute date, so the sign
// and unit of every wait are checked from the module's milliseconds down to
// the 100-ns count the kernel receives.
#include "frame/board.h"
#include "frame/kservices.h"
#include "frame/operations.h"
#include "frame/waits.h"
#include "ntddk.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_calls;
const void* g_initialised; // the event KeInitializeEvent saw last
const void* g_waitedOn;    // the object KeWaitForSingleObject saw last
KIRQL g_irql;
void* g_nextBlock;

// A C-style variadic on purpose: printf-style, so the compiler checks the
// arguments against the format.
// NOLINTNEXTLINE(cert-dcl50-cpp)
__attribute__((format(printf, 1, 2))) std::string Fmt(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

const char* Mode(KPROCESSOR_MODE m) {
    return m == KernelMode ? "KernelMode" : "UserMode";
}
const char* Bool(BOOLEAN b) {
    return b ? "TRUE" : "FALSE";
}
std::string Time(const LARGE_INTEGER* t) {
    return t == nullptr ? "no time-out" : std::to_string(t->QuadPart);
}

class WindowsKernelServices : public testing::Test {
  protected:
    void SetUp() override {
        g_calls.clear();
        g_initialised = nullptr;
        g_waitedOn = nullptr;
        g_irql = 0;
        g_nextBlock = nullptr;
    }
};

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

} // namespace

extern "C" {
void* ExAllocatePoolWithTag(POOL_TYPE type, size_t bytes, uint32_t tag) {
    char name[5] = {};
    std::memcpy(name, &tag, 4); // pool tools show the tag's bytes in memory order
    g_calls.push_back(Fmt("ExAllocatePoolWithTag(%s, %zu, \"%s\")",
                          type == NonPagedPool ? "NonPagedPool" : "PagedPool", bytes, name));
    return g_nextBlock;
}
void ExFreePool(void* block) {
    g_calls.push_back(Fmt("ExFreePool(%s)", block == g_nextBlock ? "block" : "other"));
}
void KeInitializeEvent(KEVENT* event, EVENT_TYPE type, BOOLEAN state) {
    g_initialised = event;
    g_calls.push_back(Fmt(
        "KeInitializeEvent(%s, %s)",
        type == SynchronizationEvent ? "SynchronizationEvent" : "NotificationEvent", Bool(state)));
}
NTSTATUS KeWaitForSingleObject(void* object, KWAIT_REASON reason, KPROCESSOR_MODE mode,
                               BOOLEAN alertable, LARGE_INTEGER* timeout) {
    g_waitedOn = object;
    g_calls.push_back(Fmt("KeWaitForSingleObject(%s, %s, %s, %s)",
                          reason == Executive ? "Executive" : "other", Mode(mode), Bool(alertable),
                          Time(timeout).c_str()));
    return 0x102; // STATUS_TIMEOUT: nobody signals the event
}
NTSTATUS KeDelayExecutionThread(KPROCESSOR_MODE mode, BOOLEAN alertable, LARGE_INTEGER* interval) {
    g_calls.push_back(Fmt("KeDelayExecutionThread(%s, %s, %s)", Mode(mode), Bool(alertable),
                          Time(interval).c_str()));
    return 0;
}
KIRQL KeGetCurrentIrql(void) {
    g_calls.push_back("KeGetCurrentIrql");
    return g_irql;
}
void KeStallExecutionProcessor(uint32_t microseconds) {
    g_calls.push_back(Fmt("KeStallExecutionProcessor(%u)", microseconds));
}
// The kernel build prints with DbgPrint; nothing here prints.
unsigned long KsDebugPrint(const char*, ...) {
    return 0;
}
} // extern "C"

TEST_F(WindowsKernelServices, WaitsTurnCountsIntoRelativeKernelTimes) {
    struct Case {
        int64_t count;
        const char* kernel; // the time the kernel receives
    };
    const Case cases[] = {
        {10000, "-10000"},                   // 1 ms
        {1, "-1"},                           // the smallest wait
        {42949672950000, "-42949672950000"}, // the longest SleepMs
        {kMax, "-9223372036854775807"},
        {0, "0"},    // zero waits nothing
        {-1, "0"},   // a negative count would be an absolute date in the past
        {kMin, "0"}, // and its negation would overflow
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        g_calls.clear();
        EXPECT_EQ(KsWaitNeverSignalled(c.count), 0x102);
        KsDelayExecution(c.count);
        EXPECT_EQ(g_calls,
                  (std::vector<std::string>{
                      "KeInitializeEvent(SynchronizationEvent, FALSE)",
                      Fmt("KeWaitForSingleObject(Executive, KernelMode, FALSE, %s)", c.kernel),
                      Fmt("KeDelayExecutionThread(KernelMode, FALSE, %s)", c.kernel),
                  }));
        EXPECT_NE(g_initialised, nullptr);
        EXPECT_EQ(g_waitedOn, g_initialised) << "waits on an event it did not initialise";
    }
}

TEST_F(WindowsKernelServices, ModuleWaitsReachTheKernelInHundredNanoseconds) {
    EXPECT_EQ(SleepMs(10), 0x102);
    SleepMs(0xFFFFFFFFu); // the longest sleep does not wrap
    DelayMs(5);
    DelayMs(0xFFFFFFFFu); // nor does the longest delay
    DelayMs(0);
    g_irql = 2; // dispatch level: busy-wait in 50 us stalls
    DelayMs(2);
    DelayMs(0);
    std::vector<std::string> want = {
        "KeInitializeEvent(SynchronizationEvent, FALSE)",
        "KeWaitForSingleObject(Executive, KernelMode, FALSE, -100000)",
        "KeInitializeEvent(SynchronizationEvent, FALSE)",
        "KeWaitForSingleObject(Executive, KernelMode, FALSE, -42949672950000)",
        "KeGetCurrentIrql",
        "KeDelayExecutionThread(KernelMode, FALSE, -50000)",
        "KeGetCurrentIrql",
        "KeDelayExecutionThread(KernelMode, FALSE, -42949672950000)",
        "KeGetCurrentIrql",
        "KeDelayExecutionThread(KernelMode, FALSE, 0)",
        "KeGetCurrentIrql",
    };
    want.insert(want.end(), 40, "KeStallExecutionProcessor(50)");
    want.push_back("KeGetCurrentIrql");
    EXPECT_EQ(g_calls, want);
}

TEST_F(WindowsKernelServices, BoardRecordComesFromTaggedNonPagedPool) {
    alignas(8) static unsigned char block[sizeof(TVTunerSettings)];
    g_nextBlock = block;
    TVTunerSettings* record = nullptr;
    BoardInfo info{};
    EXPECT_EQ(OpenBoard(1, &record, &info), kStatusSuccess);
    EXPECT_EQ(static_cast<void*>(record), static_cast<void*>(block));
    EXPECT_EQ(CloseBoard(record, 0), kStatusSuccess);
    EXPECT_EQ(CloseBoard(nullptr, 0), kStatusSuccess);
    EXPECT_EQ(g_calls, (std::vector<std::string>{
                           "ExAllocatePoolWithTag(NonPagedPool, 56, \"Wdm \")",
                           "ExFreePool(block)",
                       }));
}

TEST_F(WindowsKernelServices, NullBlockIsNeverHandedToTheKernel) {
    KsFreePool(nullptr); // the kernel stops the machine on freeing a null block
    EXPECT_TRUE(g_calls.empty());
}
