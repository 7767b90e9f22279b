// The kernel's rules as the virtual-time services hold every test to them:
// each broken rule is recorded with the call and the interrupt level, in words
// a reader of a failed test understands, and the module keeps every rule at
// any level a host may call it from. A test that breaks a rule here on
// purpose takes the violation it expected, so that only the unexpected ones
// reach the fixture's tear-down.
#include "module_fixture.h"

#include "emu/board.h"
#include "frame/kernel_services.h"
#include "virtual_time/kernel_virtual.h"
#include "host_driver/host_driver.h"
#include "include/tvboard.h"

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
        {"event wait, device level",
         [] { KernelWaitNeverSignalled(0); },
         3,
         {"KeWaitForSingleObject at IRQL 3: only below DISPATCH_LEVEL"}},
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
        {"debug print, high level", [] { KernelDebugPrint("%d", 1); }, kHighLevel, {}},
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
