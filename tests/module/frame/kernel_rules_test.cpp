// The kernel's rules as the virtual-time services hold every test to them:
// each broken rule is recorded with the call and the interrupt level, in words
// a reader of a failed test understands, and the module keeps every rule at
// any level a host may call it from. A test that breaks a rule here on
// purpose takes the violation it expected, so that only the unexpected ones
// reach the fixture's tear-down.
#include "module_fixture.h"

#include "emu/board.h"
#include "frame/kernel_services.h"
#include "host_driver/host_driver.h"
#include "include/tvboard.h"
#include "virtual_time/kernel_virtual.h"
#include "virtual_time/windows_kernel.h"

#include <functional>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

constexpr uint8_t kHighLevel = 31;

} // namespace

using KernelRulesTest = ModuleTest;

// Every service at every level: allowed, or refused with the call and level.
TEST_F(KernelRulesTest, EachServiceIsAllowedOnlyAtItsLevels) {
    const struct {
        const char* name;
        std::function<void()> call;
        uint8_t irql;
        Texts expected;
    } cases[] = {
        {"event wait, passive", [] { KernelWaitNeverSignalled(10000); }, 0, {}},
        {"event wait, APC", [] { KernelWaitNeverSignalled(10000); }, 1, {}},
        {"event wait, dispatch",
         [] { KernelWaitNeverSignalled(10000); },
         2,
         {"KeWaitForSingleObject at IRQL 2: only below DISPATCH_LEVEL"}},
        {"event wait with a zero time-out, dispatch", [] { KernelWaitNeverSignalled(0); }, 2, {}},
        {"event wait with a zero time-out, device level",
         [] { KernelWaitNeverSignalled(0); },
         3,
         {"KeWaitForSingleObject at IRQL 3: only at or below DISPATCH_LEVEL"}},
        {"thread delay, APC", [] { KernelDelayExecution(10000); }, 1, {}},
        {"thread delay, dispatch",
         [] { KernelDelayExecution(10000); },
         2,
         {"KeDelayExecutionThread at IRQL 2: only below DISPATCH_LEVEL"}},
        {"stall, passive", [] { KernelStallProcessor(50); }, 0, {}},
        {"stall, high level", [] { KernelStallProcessor(50); }, kHighLevel, {}},
        {"stall longer than 50 us",
         [] { KernelStallProcessor(51); },
         2,
         {"KeStallExecutionProcessor at IRQL 2: 51 us, longer than the 50 us a driver may stall"}},
        {"level query, high level", [] { KernelCurrentIrql(); }, kHighLevel, {}},
        {"debug print, high level", [] { KernelDebugPrint("%d %%ls", 1); }, kHighLevel, {}},
        {"debug print of a wide string, APC",
         [] { KernelDebugPrint("%-4ls", L""); },
         1,
         {"DbgPrint at IRQL 1: %-4ls: a Unicode conversion, only at PASSIVE_LEVEL"}},
        {"debug print of a floating-point number, passive",
         [] { KernelDebugPrint("%ls %5.2f", L"", 1.0); },
         0,
         {"DbgPrint at IRQL 0: %5.2f: the kernel formats no floating point"}},
        {"pool, dispatch",
         [] { KernelFreePool(KernelAllocatePool(kPoolNonPaged, 56, TVB_POOL_TAG)); },
         2,
         {}},
        {"pool, device level",
         [] { KernelFreePool(KernelAllocatePool(kPoolNonPaged, 56, TVB_POOL_TAG)); },
         3,
         {"ExAllocatePoolWithTag at IRQL 3: only at or below DISPATCH_LEVEL",
          "ExFreePool at IRQL 3: only at or below DISPATCH_LEVEL"}},
        {"null free, device level",
         [] { KernelFreePool(nullptr); },
         3,
         {"ExFreePool at IRQL 3: only at or below DISPATCH_LEVEL"}},
    };
    for (const auto& c : cases) {
        vt::SetIrql(c.irql);
        c.call();
        vt::SetIrql(0);
        EXPECT_EQ(vt::TakeViolations(), c.expected) << c.name;
        EXPECT_EQ(vt::LiveAllocations(), 0) << c.name;
    }
}

// The module's one block is non-paged and tagged "Wdm ", and is freed exactly
// once; a free the pool cannot honour is recorded and not performed.
TEST_F(KernelRulesTest, PoolBlocksAreTheModulesKindAndFreedExactlyOnce) {
    static char notFromThePool[56];
    const struct {
        const char* name;
        std::function<void()> calls;
        Texts expected;
    } cases[] = {
        {"paged pool",
         [] { KernelFreePool(KernelAllocatePool(1, 56, TVB_POOL_TAG)); },
         {"ExAllocatePoolWithTag at IRQL 0: pool type 1, not NonPagedPool (0)"}},
        {"tag bytes reversed",
         [] { KernelFreePool(KernelAllocatePool(kPoolNonPaged, 56, 0x57646D20)); },
         {"ExAllocatePoolWithTag at IRQL 0: tag 0x57646D20 \" mdW\", not \"Wdm \" (0x206D6457)"}},
        {"zero bytes",
         [] { KernelFreePool(KernelAllocatePool(kPoolNonPaged, 0, TVB_POOL_TAG)); },
         {"ExAllocatePoolWithTag at IRQL 0: a block of 0 bytes"}},
        {"tag not printable",
         [] { KernelFreePool(KernelAllocatePool(kPoolNonPaged, 56, 0)); },
         {"ExAllocatePoolWithTag at IRQL 0: tag 0x00000000 \"....\", not \"Wdm \" "
          "(0x206D6457)"}},
        {"an allocation that fails is still checked",
         [] {
             vt::FailNextAllocations(1);
             KernelAllocatePool(1, 56, TVB_POOL_TAG);
         },
         {"ExAllocatePoolWithTag at IRQL 0: pool type 1, not NonPagedPool (0)"}},
        {"freed three times",
         [] {
             void* block = KernelAllocatePool(kPoolNonPaged, 56, TVB_POOL_TAG);
             for (int i = 0; i < 3; ++i) {
                 KernelFreePool(block);
             }
         },
         {"ExFreePool at IRQL 0: block already freed (2 times)"}},
        {"never allocated, then freed twice",
         [] {
             KernelFreePool(notFromThePool);
             void* block = KernelAllocatePool(kPoolNonPaged, 56, TVB_POOL_TAG);
             KernelFreePool(block);
             KernelFreePool(block);
         },
         {"ExFreePool at IRQL 0: block never allocated",
          "ExFreePool at IRQL 0: block already freed"}},
        {"a null block", [] { KernelFreePool(nullptr); }, {}},
    };
    for (const auto& c : cases) {
        c.calls();
        EXPECT_EQ(vt::TakeViolations(), c.expected) << c.name;
        EXPECT_EQ(vt::LiveAllocations(), 0) << c.name;
    }
}

// A block still allocated is what the tear-down reports, as long as it lives;
// taking the violations does not excuse it.
TEST_F(KernelRulesTest, BlocksStillAllocatedAreReportedUntilFreed) {
    vt::SetIrql(1);
    void* block = KernelAllocatePool(kPoolNonPaged, 56, TVB_POOL_TAG);
    vt::SetIrql(3);
    KernelAllocatePool(kPoolNonPaged, 8, TVB_POOL_TAG);
    vt::SetIrql(0);
    EXPECT_EQ(vt::Violations(),
              (Texts{"ExAllocatePoolWithTag at IRQL 3: only at or below DISPATCH_LEVEL",
                     "ExAllocatePoolWithTag at IRQL 1: block of 56 bytes never freed",
                     "ExAllocatePoolWithTag at IRQL 3: block of 8 bytes never freed"}));
    EXPECT_EQ(vt::TakeViolations(),
              Texts{"ExAllocatePoolWithTag at IRQL 3: only at or below DISPATCH_LEVEL"});
    EXPECT_EQ(vt::Violations().size(), 2u);
    KernelFreePool(block);
    vt::Reset(); // gives back what is left and forgets it
    EXPECT_EQ(vt::Violations(), Texts{});
}

// A host may call the module at dispatch level, where no thread may wait: a
// whole session there breaks no rule, spends every pause of its sequences
// busy-waiting in 50 us stalls, and sends the bus the same traffic, with the
// same pauses, as at passive level.
TEST_F(KernelRulesTest, AWholeSessionAtDispatchLevelBreaksNoRule) {
    auto session = [this](uint8_t irql) {
        RestoreLoadState();
        emu::Board board(*host_);
        board.antenna.Add({175250000, TVB_STANDARD_PAL_B, emu::kStereoSound, 230});
        board.demod.LockAfterReads(2);
        host_driver::HostDriver& driver = *driver_;
        driver.SetNotes(host_driver::Notes::Calls);
        const size_t mark = Mark();
        const uint64_t start = vt::NowUs();
        vt::SetIrql(irql);
        driver.Load();
        driver.Open();
        driver.InitializeSensor(0);
        driver.SetTvStandard(TVB_STANDARD_PAL_B);
        driver.Tune(175250000);
        int polls = 0;
        driver.WaitForLock(5, &polls);
        driver.SetAudioMode(driver.AvailableAudioModes() & TVB_AUDIO_MODE_STEREO);
        driver.SetSampleRate(48000);
        driver.Close();
        driver.Unload();
        vt::SetIrql(0);
        struct {
            std::string traffic;
            uint64_t waitedUs;
            int stalls;
        } r{"", vt::NowUs() - start, 0};
        const auto& events = host_->Trace().Events();
        for (size_t i = mark; i < events.size(); ++i) {
            if (emu::IsWait(events[i])) {
                r.stalls += events[i].wait == emu::WaitKind::Stall ? 1 : 0;
            } else {
                r.traffic += emu::Timeline::Line(events[i]) + "\n";
            }
        }
        return r;
    };
    const auto passive = session(0);
    EXPECT_EQ(vt::Violations(), Texts{});
    const auto dispatch = session(2);
    EXPECT_EQ(vt::Violations(), Texts{});

    EXPECT_EQ(passive.stalls, 0);
    EXPECT_GT(passive.waitedUs, 150000u) << "the session has its pauses";
    EXPECT_EQ(dispatch.traffic, passive.traffic);
    EXPECT_EQ(dispatch.waitedUs, passive.waitedUs);
    EXPECT_EQ(static_cast<uint64_t>(dispatch.stalls) * 50, dispatch.waitedUs)
        << "every pause spent in 50 us stalls";
}

#if defined(__i386__)

namespace {

// The routines a Windows image's imports are bound to, called as the image
// calls them.
template <typename Fn> Fn Routine(const char* module, const char* name) {
    return reinterpret_cast<Fn>(const_cast<void*>(vt::FindWindowsRoutine(module, name)->routine));
}
#define TVB_STDCALL __attribute__((stdcall))
using InitializeEvent = void(TVB_STDCALL*)(void*, uint32_t, uint32_t);
using WaitForSingleObject = int32_t(TVB_STDCALL*)(void*, uint32_t, uint32_t, uint32_t,
                                                  const int64_t*);
using DelayExecutionThread = int32_t(TVB_STDCALL*)(uint32_t, uint32_t, const int64_t*);
using FreePool = void(TVB_STDCALL*)(void*);
using Print = uint32_t (*)(const char*, ...);

const int64_t k10Ms = -100000;
const int64_t kZero = 0;
constexpr int32_t kTimeout = 0x102;
constexpr int32_t kAlerted = 0x101;
constexpr int32_t kUserApc = 0xC0;

} // namespace

// What each argument of the image's kernel calls means to the kernel: the
// event's type and state honoured (a signalled event satisfies a wait at
// once, a synchronization event only one), an alertable wait ended early as
// the kernel may end it, and every argument a driver must not pass for a
// wait on its own stack reported; BOOLEAN and mode arguments are their low
// byte alone.
TEST_F(KernelRulesTest, TheImagesKernelCallsAreHeldToWhatEachArgumentMeans) {
    static const auto Init = Routine<InitializeEvent>("ntoskrnl.exe", "KeInitializeEvent");
    static const auto Wait = Routine<WaitForSingleObject>("NTOSKRNL.EXE", "KeWaitForSingleObject");
    static const auto Delay =
        Routine<DelayExecutionThread>("ntoskrnl.exe", "KeDelayExecutionThread");
    static const auto Free = Routine<FreePool>("ntoskrnl.exe", "ExFreePool");
    static const auto DbgPrint = Routine<Print>("ntoskrnl.exe", "DbgPrint");
    const struct {
        const char* name;
        uint8_t irql;
        std::function<std::vector<int32_t>(uint8_t* event)> calls;
        std::vector<int32_t> statuses;
        uint64_t waitedUs;
        Texts expected;
    } cases[] = {
        {"an event not signalled: the time-out",
         0,
         [](uint8_t* e) {
             Init(e, 1, 0x100);
             return std::vector<int32_t>{Wait(e, 0, 0x100, 0x200, &k10Ms)};
         },
         {kTimeout},
         10000,
         {}},
        {"a signalled synchronization event satisfies one wait",
         1,
         [](uint8_t* e) {
             Init(e, 1, 1);
             return std::vector<int32_t>{Wait(e, 0, 0, 0, &k10Ms), Wait(e, 0, 0, 0, &k10Ms)};
         },
         {0, kTimeout},
         10000,
         {}},
        {"a signalled notification event stays signalled, with no time-out too",
         0,
         [](uint8_t* e) {
             Init(e, 0, 1);
             return std::vector<int32_t>{Wait(e, 0, 0, 0, &k10Ms), Wait(e, 0, 0, 0, nullptr)};
         },
         {0, 0},
         0,
         {}},
        {"an event in a pool block, a zero time-out at dispatch level",
         2,
         [](uint8_t*) {
             void* block = KernelAllocatePool(kPoolNonPaged, 16, TVB_POOL_TAG);
             Init(block, 1, 0);
             const int32_t status = Wait(block, 0, 0, 0, &kZero);
             Free(block);
             return std::vector<int32_t>{status};
         },
         {kTimeout},
         0,
         {}},
        {"an event of no type, one outside resident memory",
         0,
         [](uint8_t* e) {
             Init(e, 2, 0);
             Init(reinterpret_cast<void*>(0x10), 1, 0);
             return std::vector<int32_t>{};
         },
         {},
         0,
         {"KeInitializeEvent at IRQL 0: event type 2, neither NotificationEvent (0) nor "
          "SynchronizationEvent (1)",
          "KeInitializeEvent at IRQL 0: event at 0x00000010, outside the stack, the pool and the "
          "image: no memory the kernel can take as resident"}},
        {"an event never initialised, one overwritten",
         0,
         [](uint8_t* e) {
             alignas(4) uint8_t never[16] = {};
             const int32_t first = Wait(never, 0, 0, 0, &k10Ms);
             Init(e, 1, 0);
             e[2] = 0;
             return std::vector<int32_t>{first, Wait(e, 0, 0, 0, &k10Ms)};
         },
         {kTimeout, kTimeout},
         20000,
         {"KeWaitForSingleObject at IRQL 0: object on the stack never initialised by "
          "KeInitializeEvent",
          "KeWaitForSingleObject at IRQL 0: event on the stack overwritten since "
          "KeInitializeEvent"}},
        {"a UserMode wait for a user on the stack, a real time-out at dispatch level",
         2,
         [](uint8_t* e) {
             Init(e, 1, 0);
             return std::vector<int32_t>{Wait(e, 6, 1, 0, &k10Ms)};
         },
         {kTimeout},
         10000,
         {"KeWaitForSingleObject at IRQL 2: wait reason 6, not Executive (0): the module waits "
          "for its device, not on behalf of a user",
          "KeWaitForSingleObject at IRQL 2: UserMode: the kernel may page the stack out during "
          "the wait, and with it what the wait reads there",
          "KeWaitForSingleObject at IRQL 2: only below DISPATCH_LEVEL"}},
        {"alertable waits end at once; no time-out; a mode of neither kind",
         0,
         [](uint8_t* e) {
             Init(e, 1, 0);
             return std::vector<int32_t>{Wait(e, 0, 0, 1, &k10Ms), Wait(e, 0, 1, 1, &k10Ms),
                                         Wait(e, 0, 2, 0, nullptr)};
         },
         {kAlerted, kUserApc, kTimeout},
         0,
         {"KeWaitForSingleObject at IRQL 0: alertable: the kernel may end the wait before its "
          "time, and here ends it at once (STATUS_ALERTED)",
          "KeWaitForSingleObject at IRQL 0: UserMode: the kernel may page the stack out during "
          "the wait, and with it what the wait reads there",
          "KeWaitForSingleObject at IRQL 0: alertable: the kernel may end the wait before its "
          "time, and here ends it at once (STATUS_USER_APC)",
          "KeWaitForSingleObject at IRQL 0: wait mode 2, neither KernelMode (0) nor UserMode (1)",
          "KeWaitForSingleObject at IRQL 0: no time-out: waits forever on an event nobody "
          "signals"}},
        {"delays: the interval, an alertable one ended at once, UserMode, none",
         1,
         [](uint8_t*) {
             const int64_t interval = -10000;
             return std::vector<int32_t>{Delay(0x100, 0x100, &interval), Delay(0, 1, &interval),
                                         Delay(1, 0, &interval), Delay(0, 0, nullptr)};
         },
         {0, kAlerted, 0, 0},
         2000,
         {"KeDelayExecutionThread at IRQL 1: alertable: the kernel may end the wait before its "
          "time, and here ends it at once (STATUS_ALERTED)",
          "KeDelayExecutionThread at IRQL 1: UserMode: the kernel may page the stack out during "
          "the wait, and with it what the wait reads there",
          "KeDelayExecutionThread at IRQL 1: no interval"}},
        {"a null block freed; prints at APC level",
         1,
         [](uint8_t*) {
             Free(nullptr);
             return std::vector<int32_t>{
                 static_cast<int32_t>(DbgPrint("%S %wZ %I64u %lu", L"", nullptr, 1ull, 2ul)),
                 static_cast<int32_t>(DbgPrint(nullptr))};
         },
         {0, static_cast<int32_t>(0xC000000Du)},
         0,
         {"ExFreePool at IRQL 1: a null block: the kernel stops the machine",
          "DbgPrint at IRQL 1: %S: a Unicode conversion, only at PASSIVE_LEVEL",
          "DbgPrint at IRQL 1: %wZ: a Unicode conversion, only at PASSIVE_LEVEL",
          "DbgPrint at IRQL 1: no format"}},
    };
    for (const auto& c : cases) {
        alignas(4) uint8_t event[16] = {};
        vt::SetIrql(c.irql);
        const uint64_t start = vt::NowUs();
        EXPECT_EQ(c.calls(event), c.statuses) << c.name;
        EXPECT_EQ(vt::NowUs() - start, c.waitedUs) << c.name;
        vt::SetIrql(0);
        EXPECT_EQ(vt::TakeViolations(), c.expected) << c.name;
        EXPECT_EQ(vt::LiveAllocations(), 0) << c.name;
    }
}

#endif
