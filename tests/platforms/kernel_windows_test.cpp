// The Windows kernel services, compiled against a stand-in ntddk.h that
// records every kernel call: which routine, with which arguments, in which
// order. The kernel reads a positive time-out as an absolute date, so the sign
// and unit of every wait are checked from the module's milliseconds down to
// the 100-ns count the kernel receives.
#include "frame/kernel_services.h"
#include "frame/waits.h"
#include "ntddk.h"
#include "ops/open_close.h"
#include "text/format.h"

#include <gtest/gtest.h>

#include <algorithm>
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

using text::Format;

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
    g_calls.push_back(Format("ExAllocatePoolWithTag(%s, %zu, \"%s\")",
                             type == NonPagedPool ? "NonPagedPool" : "PagedPool", bytes, name));
    return g_nextBlock;
}
void ExFreePool(void* block) {
    g_calls.push_back(Format("ExFreePool(%s)", block == g_nextBlock ? "block" : "other"));
}
void KeInitializeEvent(KEVENT* event, EVENT_TYPE type, BOOLEAN state) {
    g_initialised = event;
    g_calls.push_back(Format(
        "KeInitializeEvent(%s, %s)",
        type == SynchronizationEvent ? "SynchronizationEvent" : "NotificationEvent", Bool(state)));
}
NTSTATUS KeWaitForSingleObject(void* object, KWAIT_REASON reason, KPROCESSOR_MODE mode,
                               BOOLEAN alertable, LARGE_INTEGER* timeout) {
    g_waitedOn = object;
    g_calls.push_back(Format("KeWaitForSingleObject(%s, %s, %s, %s)",
                             reason == Executive ? "Executive" : "other", Mode(mode),
                             Bool(alertable), Time(timeout).c_str()));
    return 0x102; // STATUS_TIMEOUT: nobody signals the event
}
NTSTATUS KeDelayExecutionThread(KPROCESSOR_MODE mode, BOOLEAN alertable, LARGE_INTEGER* interval) {
    g_calls.push_back(Format("KeDelayExecutionThread(%s, %s, %s)", Mode(mode), Bool(alertable),
                             Time(interval).c_str()));
    return 0;
}
KIRQL KeGetCurrentIrql(void) {
    g_calls.push_back("KeGetCurrentIrql");
    return g_irql;
}
void KeStallExecutionProcessor(uint32_t microseconds) {
    g_calls.push_back(Format("KeStallExecutionProcessor(%u)", microseconds));
}
// The kernel build prints with DbgPrint; here each message's own text is
// recorded among the kernel calls (not the prefix and line break around it).
unsigned long KernelDebugPrint(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string message = text::FormatV(format, args);
    va_end(args);
    if (message != "<ORVELSTRM.SYS> " && message != "\n") {
        g_calls.push_back(Format("DbgPrint(%s)", message.c_str()));
    }
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
        EXPECT_EQ(KernelWaitNeverSignalled(c.count), 0x102);
        KernelDelayExecution(c.count);
        EXPECT_EQ(g_calls,
                  (std::vector<std::string>{
                      "KeInitializeEvent(SynchronizationEvent, FALSE)",
                      Format("KeWaitForSingleObject(Executive, KernelMode, FALSE, %s)", c.kernel),
                      Format("KeDelayExecutionThread(KernelMode, FALSE, %s)", c.kernel),
                  }));
        EXPECT_NE(g_initialised, nullptr);
        EXPECT_EQ(g_waitedOn, g_initialised) << "waits on an event it did not initialise";
    }
}

// Both waits look at the interrupt level first. Below dispatch level they
// reach the kernel's waits in 100 ns; at or above it, where the kernel forbids
// waiting, both busy-wait the same time in 50 us stalls.
TEST_F(WindowsKernelServices, ModuleWaitsReachTheKernelInHundredNanoseconds) {
    EXPECT_EQ(SleepMs(10), 0x102);
    SleepMs(0xFFFFFFFFu); // the longest sleep does not wrap
    DelayMs(5);
    DelayMs(0xFFFFFFFFu); // nor does the longest delay
    DelayMs(0);
    g_irql = 2; // dispatch level: busy-wait in 50 us stalls
    DelayMs(2);
    DelayMs(0);
    EXPECT_EQ(SleepMs(1), 0x102);
    SleepMs(0);
    std::vector<std::string> want = {
        "KeGetCurrentIrql",
        "KeInitializeEvent(SynchronizationEvent, FALSE)",
        "KeWaitForSingleObject(Executive, KernelMode, FALSE, -100000)",
        "KeGetCurrentIrql",
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
    want.push_back("KeGetCurrentIrql");
    want.insert(want.end(), 20, "KeStallExecutionProcessor(50)");
    want.push_back("KeGetCurrentIrql");
    EXPECT_EQ(g_calls, want);
}

// The record comes from tagged non-paged pool, zeroed before its defaults are
// written, and goes back to the pool once. The pool is touched only after the
// interrupt level has been checked.
TEST_F(WindowsKernelServices, BoardRecordComesFromTaggedNonPagedPool) {
    alignas(8) static unsigned char block[sizeof(TVTunerSettings)];
    std::memset(block, 0xEE, sizeof block); // what the pool's memory held before
    g_nextBlock = block;
    TVTunerSettings* record = nullptr;
    BoardInfo info{};
    EXPECT_EQ(OpenBoard(1, &record, &info), TVB_STATUS_SUCCESS);
    EXPECT_EQ(static_cast<void*>(record), static_cast<void*>(block));
    const TVTunerSettings whole = {0, 0, 1, 1, 67250000, 1, 4, 0, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(block, &whole, sizeof whole), 0) << "no stale pool bytes for the host";
    EXPECT_EQ(CloseBoard(record, 0), TVB_STATUS_SUCCESS);
    EXPECT_EQ(CloseBoard(nullptr, 0), TVB_STATUS_SUCCESS);
    EXPECT_EQ(g_calls, (std::vector<std::string>{
                           "KeGetCurrentIrql",
                           "ExAllocatePoolWithTag(NonPagedPool, 56, \"Wdm \")",
                           "KeGetCurrentIrql",
                           "ExFreePool(block)",
                       }));
}

// What the kernel would answer with a bugcheck is never handed to it: a
// second close of the same record, a record the module never handed out, and
// pool calls above dispatch level. Each is left alone with a message.
TEST_F(WindowsKernelServices, PoolIsNeverMisused) {
    alignas(8) static unsigned char block[sizeof(TVTunerSettings)];
    g_nextBlock = block;
    TVTunerSettings* record = nullptr;
    BoardInfo info{};
    char pointer[32];
    std::snprintf(pointer, sizeof pointer, "%p", static_cast<void*>(block));
    const std::string unknown = Format("DbgPrint(CloseBoard: record %s was not handed out by "
                                       "OpenBoard or is already freed; left alone)",
                                       pointer);

    g_irql = 3; // above dispatch level: no pool
    EXPECT_EQ(OpenBoard(1, &record, &info), TVB_STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(record, nullptr);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"KeGetCurrentIrql"}));

    g_irql = 2; // dispatch level: allowed
    g_calls.clear();
    EXPECT_EQ(OpenBoard(1, &record, &info), TVB_STATUS_SUCCESS);
    g_irql = 3;
    EXPECT_EQ(CloseBoard(record, 0), TVB_STATUS_SUCCESS);
    g_irql = 0;
    EXPECT_EQ(CloseBoard(record, 0), TVB_STATUS_SUCCESS); // the record stayed the module's to free
    EXPECT_EQ(CloseBoard(record, 0), TVB_STATUS_SUCCESS); // closed twice
    TVTunerSettings hostsOwn{};
    EXPECT_EQ(CloseBoard(&hostsOwn, 0), TVB_STATUS_SUCCESS);
    char own[32];
    std::snprintf(own, sizeof own, "%p", static_cast<void*>(&hostsOwn));
    EXPECT_EQ(g_calls,
              (std::vector<std::string>{
                  "KeGetCurrentIrql",
                  "ExAllocatePoolWithTag(NonPagedPool, 56, \"Wdm \")",
                  "KeGetCurrentIrql",
                  Format("DbgPrint(CloseBoard: called above dispatch level; record %s not freed, "
                         "left to the host)",
                         pointer),
                  "KeGetCurrentIrql",
                  "ExFreePool(block)",
                  unknown,
                  Format("DbgPrint(CloseBoard: record %s was not handed out by OpenBoard or is "
                         "already freed; left alone)",
                         own),
              }));
}

// The pool hands out an address again only once it is free, so a record
// the host gave back to the pool itself must not stay listed under that
// address: the new record is freed once.
TEST_F(WindowsKernelServices, AddressHandedOutAgainIsFreedOnce) {
    alignas(8) static unsigned char block[sizeof(TVTunerSettings)];
    g_nextBlock = block;
    TVTunerSettings* first = nullptr;
    TVTunerSettings* second = nullptr;
    BoardInfo info{};
    OpenBoard(1, &first, &info);
    OpenBoard(1, &second, &info); // the host freed `first` behind the module's back
    ASSERT_EQ(first, second);
    CloseBoard(second, 0);
    CloseBoard(second, 0);
    EXPECT_EQ(std::count(g_calls.begin(), g_calls.end(), "ExFreePool(block)"), 1);
}

TEST_F(WindowsKernelServices, NullBlockIsNeverHandedToTheKernel) {
    KernelFreePool(nullptr); // the kernel stops the machine on freeing a null block
    EXPECT_TRUE(g_calls.empty());
}
