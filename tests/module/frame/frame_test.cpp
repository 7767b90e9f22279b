// The module frame: exports, capability record, tables and stubs, opening and
// closing the board, debug output and waits.
#include "module_fixture.h"

#include "exports/tables.h"
#include "frame/host_calls.h"
#include "frame/kernel_services.h"
#include "frame/waits.h"
#include "virtual_time/kernel_virtual.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

const char kLoadLines[] = "dbg \"<ORVELSTRM.SYS> \"\n"
                          "dbg \"************ Load Board Module *************\"\n"
                          "dbg \"\\n\"\n";

// Mode, standard, frequency, tune info 1 and 2, input, busy, audio mode.
using Settings = std::array<uint32_t, 8>;
constexpr Settings kDefaults = {1, 1, 67250000, 1, 4, 0, 0, 1};
Settings Fields(const TVTunerSettings& s) {
    return {s.Mode,      s.VideoStandard, s.Frequency, s.TuneInfo1,
            s.TuneInfo2, s.TunerInput,    s.Busy,      s.AudioMode};
}

// Bus writes made through a second host table.
int g_secondTableWrites;
uint32_t TVB_API CountingBusWrite(TVB_HOST_HANDLE, uint32_t, uint32_t, uint32_t, uint32_t,
                                  const uint8_t*, uint32_t) {
    ++g_secondTableWrites;
    return 0;
}

} // namespace

using FrameTest = ModuleTest;

TEST_F(FrameTest, LoadPrintsThreePartsAndCapsListHasOneRecord) {
    DllInitialize(nullptr);
    EXPECT_EQ(Trace(), kLoadLines);

    GetBoardModuleCaps(0, host_->Ops(), nullptr, nullptr); // null outputs are not written
    EXPECT_EQ(HostOps, host_->Ops());
    const TVB_BOARD_MODULE_CAPS* const* list = nullptr;
    uint32_t count = 0;
    GetBoardModuleCaps(0, host_->Ops(), &list, &count);
    ASSERT_EQ(count, 1u);
    const TVB_BOARD_MODULE_CAPS* caps = list[0];
    // The record's real size: 36 on the 32-bit target (checked at compile time).
    EXPECT_EQ((std::array<uint32_t, 4>{caps->Size, caps->Word4, caps->Word8, caps->Word12}),
              (std::array<uint32_t, 4>{sizeof(TVB_BOARD_MODULE_CAPS), 0x10FD, 0xDE00, 1}));
    EXPECT_EQ(caps->BoardOps, &BoardOps);
    EXPECT_EQ(caps->VideoOps, &VideoOps);
    EXPECT_EQ(caps->AudioOps, &AudioOps);
    EXPECT_EQ(caps->InputOps, &InputOps);
    EXPECT_EQ(caps->TunerOps, &TunerOps);
    EXPECT_EQ(Trace(), kLoadLines) << "GetBoardModuleCaps touches no hardware";

    EXPECT_EQ(DllUnload(), 0);
    EXPECT_EQ(Messages(0).back(), "*********** Unload Board Module ************");
}

// A second table handed in replaces the first for all later bus access; the
// list and its count stay the same.
TEST_F(FrameTest, SecondGetBoardModuleCapsSwitchesTables) {
    const TVB_BOARD_MODULE_CAPS* first = Load();
    TVB_HOST_OPS second = *host_->Ops();
    second.BusWrite = CountingBusWrite;
    g_secondTableWrites = 0;

    const TVB_BOARD_MODULE_CAPS* const* list = nullptr;
    uint32_t count = 0;
    GetBoardModuleCaps(0, &second, &list, &count);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(list[0], first);

    const uint8_t bytes[] = {0x21, 0xC0};
    const size_t mark = Mark();
    HostBusWrite(0x96, bytes, 2);
    EXPECT_EQ(g_secondTableWrites, 1);
    EXPECT_EQ(TraceFrom(mark), "");
}

TEST_F(FrameTest, OpenBoardWritesDefaultsAndDescribesTheBoard) {
    Load();
    std::memset(&info_, 0xCC, sizeof info_);
    ModeSet = VideoStandardSet = FrequencySet = TunerInputSet = AudioModeSet = 1;
    CurrentVideoInput = 2;
    g_bIsScalerInitialized = g_bIsTvInitialized = 1;
    audioInitializeCount = 3;
    g_TVTuner_Settings.Frequency = 1;
    const size_t mark = Mark();
    EXPECT_EQ(caps_->BoardOps->OpenBoard(emu::HostTable::kBoardHandle, &settings_, &info_), 0);
    ASSERT_NE(settings_, nullptr);
    // The fields without a default read 0, not what the pool block held.
    const TVTunerSettings whole = {0, 0, 1, 1, 67250000, 1, 4, 0, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(settings_, &whole, sizeof whole), 0);
    EXPECT_EQ(Fields(g_TVTuner_Settings), kDefaults);
    EXPECT_EQ(ModeSet + VideoStandardSet + FrequencySet + TunerInputSet + AudioModeSet, 0);
    EXPECT_EQ(CurrentVideoInput, 0u);
    EXPECT_STREQ(info_.Name, "TV Tuner Board");
    EXPECT_EQ(static_cast<uint8_t>(info_.Name[15]), 0xCC) << "rest of the name area left alone";
    EXPECT_EQ((std::array<uint32_t, 3>{info_.Word64, info_.Word68, info_.Word72}),
              (std::array<uint32_t, 3>{0x208, 0, 15}));
    EXPECT_EQ(HostContext, emu::HostTable::kBoardHandle);
    EXPECT_EQ(vt::LastAllocationTag(), 0x206D6457u);
    EXPECT_EQ(vt::LiveAllocations(), 1);
    EXPECT_EQ(TraceFrom(mark), "") << "opening sends nothing to the hardware";

    // A second open hands out a second record; the first stays the host's.
    settings_->Frequency = 123;
    TVTunerSettings* second = nullptr;
    EXPECT_EQ(caps_->BoardOps->OpenBoard(emu::HostTable::kBoardHandle, &second, &info_), 0);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, settings_);
    EXPECT_EQ(settings_->Frequency, 123u);
    EXPECT_EQ(vt::LiveAllocations(), 2);
    caps_->BoardOps->CloseBoard(second, 0);

    // One-time initialisations survive any number of open/close cycles.
    Close();
    EXPECT_EQ(g_bIsScalerInitialized + g_bIsTvInitialized, 2);
    EXPECT_EQ(audioInitializeCount, 3);
}

TEST_F(FrameTest, CloseBoardClosesTheBoardAndFreesEachRecord) {
    TVTunerSettings* record = Open();
    EXPECT_EQ(caps_->BoardOps->CloseBoard(nullptr, 0), 0);
    EXPECT_EQ(HostContext, 0u);
    EXPECT_EQ(vt::LiveAllocations(), 1);

    Open();
    EXPECT_EQ(caps_->BoardOps->CloseBoard(record, 0), 0);
    EXPECT_EQ(caps_->BoardOps->CloseBoard(settings_, 0), 0);
    settings_ = nullptr;
    EXPECT_EQ(HostContext, 0u);
    EXPECT_EQ(vt::LiveAllocations(), 0);
    EXPECT_EQ(g_TVTuner_Settings.Frequency, 67250000u) << "closing keeps the module's copy";
}

// Without pool, whether it is empty or the host calls above dispatch level
// (where the kernel forbids allocating), the open fails: a null record, the
// board and the module's state as they were, and no pool call where none is
// allowed.
TEST_F(FrameTest, OpenBoardWithoutPoolLeavesTheBoardClosed) {
    const struct {
        const char* name;
        int failAllocations;
        uint8_t irql;
    } cases[] = {{"pool empty", 1, 0}, {"above dispatch level", 0, 3}};
    Load();
    for (const auto& c : cases) {
        g_TVTuner_Settings.Frequency = 5;
        ModeSet = 1;
        vt::FailNextAllocations(c.failAllocations);
        vt::SetIrql(c.irql);
        TVTunerSettings* record = reinterpret_cast<TVTunerSettings*>(0x1234);
        EXPECT_EQ(caps_->BoardOps->OpenBoard(emu::HostTable::kBoardHandle, &record, &info_),
                  static_cast<TVB_STATUS>(0xC000009A))
            << c.name;
        EXPECT_EQ(record, nullptr) << c.name;
        EXPECT_EQ(HostContext, 0u) << c.name;
        EXPECT_EQ(g_TVTuner_Settings.Frequency, 5u) << c.name;
        EXPECT_EQ(ModeSet, 1) << c.name;
        EXPECT_EQ(vt::LiveAllocations(), 0) << c.name;
        EXPECT_EQ(vt::Violations(), std::vector<std::string>{}) << c.name;
    }
    vt::SetIrql(2); // dispatch level itself may allocate
    EXPECT_NE(Open(), nullptr);
}

// Host mistakes at CloseBoard. Only a record the module handed out and has not
// freed yet is freed; anything else is left alone with a message (on the
// kernel, freeing it would stop the machine). The board is closed and the
// result is 0 in every case.
TEST_F(FrameTest, CloseBoardFreesOnlyRecordsItHandedOut) {
    static TVTunerSettings hostsOwn;
    std::vector<TVTunerSettings*> opened;
    auto openOne = [&] {
        TVTunerSettings* record = nullptr;
        caps_->BoardOps->OpenBoard(emu::HostTable::kBoardHandle, &record, &info_);
        opened.push_back(record);
        return record;
    };
    const struct {
        const char* name;
        std::function<TVTunerSettings*()> recordToClose;
        bool freed;
        uint8_t irql;
    } cases[] = {
        {"the record just handed out", [&] { return openOne(); }, true, 0},
        {"closed twice",
         [&] {
             TVTunerSettings* record = openOne();
             caps_->BoardOps->CloseBoard(record, 0);
             return record;
         },
         false, 0},
        {"a record of the host's own", [&] { return &hostsOwn; }, false, 0},
        {"the older of two open records",
         [&] {
             TVTunerSettings* older = openOne();
             openOne();
             return older;
         },
         true, 0},
        {"the oldest of seventeen, pushed out of the list",
         [&] {
             TVTunerSettings* oldest = openOne();
             for (int i = 0; i < 16; ++i) {
                 openOne();
             }
             return oldest;
         },
         false, 0},
        {"at dispatch level", [&] { return openOne(); }, true, 2},
        {"above dispatch level", [&] { return openOne(); }, false, 3},
    };
    Load();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        opened.clear();
        TVTunerSettings* record = c.recordToClose();
        const int live = vt::LiveAllocations();
        vt::SetIrql(c.irql);
        const size_t mark = Mark();
        EXPECT_EQ(caps_->BoardOps->CloseBoard(record, 0), 0);
        vt::SetIrql(0);
        EXPECT_EQ(HostContext, 0u);
        EXPECT_EQ(vt::LiveAllocations(), live - (c.freed ? 1 : 0));
        char pointer[32];
        std::snprintf(pointer, sizeof pointer, "%p", static_cast<void*>(record));
        std::vector<std::string> want;
        if (!c.freed) {
            want.push_back(c.irql > 2 ? "CloseBoard: called above dispatch level; record " +
                                            std::string(pointer) + " not freed, left to the host"
                                      : "CloseBoard: record " + std::string(pointer) +
                                            " was not handed out by OpenBoard or is already "
                                            "freed; left alone");
        }
        EXPECT_EQ(Messages(mark), want);
        // The host closes the others; a record pushed out of the list is the
        // host's to lose, as it would be on the kernel (freed here by hand).
        for (TVTunerSettings* other : opened) {
            if (other != record || c.irql > 2) {
                caps_->BoardOps->CloseBoard(other, 0);
            }
        }
        if (vt::LiveAllocations() != 0) {
            KernelFreePool(opened.front());
        }
        EXPECT_EQ(vt::Violations(), std::vector<std::string>{});
    }
}

// The host gives a record back to the pool itself instead of closing it, and
// the pool hands the same address out with the next open: the module lists
// the address once, so one close frees it and a second is refused.
TEST_F(FrameTest, ARecordFreedBehindTheModulesBackIsListedOnce) {
    Load();
    TVTunerSettings* first = nullptr;
    caps_->BoardOps->OpenBoard(emu::HostTable::kBoardHandle, &first, &info_);
    KernelFreePool(first);
    Open();
    if (settings_ != first) {
        GTEST_SKIP() << "the pool did not hand the address out again (as under the address "
                        "sanitizer, which keeps freed memory aside)";
    }
    EXPECT_EQ(caps_->BoardOps->CloseBoard(settings_, 0), 0);
    const size_t mark = Mark();
    EXPECT_EQ(caps_->BoardOps->CloseBoard(settings_, 0), 0);
    char pointer[32];
    std::snprintf(pointer, sizeof pointer, "%p", static_cast<void*>(settings_));
    settings_ = nullptr;
    EXPECT_EQ(Messages(mark),
              std::vector<std::string>{"CloseBoard: record " + std::string(pointer) +
                                       " was not handed out by OpenBoard or is "
                                       "already freed; left alone"});
    EXPECT_EQ(vt::LiveAllocations(), 0);
}

TEST_F(FrameTest, OpenBoardWithNullPointersWritesNothingThroughThem) {
    Load();
    EXPECT_EQ(caps_->BoardOps->OpenBoard(emu::HostTable::kBoardHandle, nullptr, nullptr), 0);
    EXPECT_EQ(vt::LiveAllocations(), 0) << "a record nobody can receive is not made";
    EXPECT_EQ(HostContext, emu::HostTable::kBoardHandle);
    EXPECT_EQ(Fields(g_TVTuner_Settings), kDefaults);
}

TEST_F(FrameTest, BusIsUnreachableWithoutTableOrBoard) {
    EXPECT_FALSE(BoardReachable());
    Open();
    EXPECT_TRUE(BoardReachable());
    HostOps = nullptr; // the host never handed in a table
    EXPECT_FALSE(BoardReachable());
    uint8_t byte = 0x5A;
    HostReadReg16(0x10E, &byte);
    HostWriteReg16(0x10E, 1);
    EXPECT_EQ(byte, 0x5A);
}

TEST_F(FrameTest, EveryStubReturnsItsConstantAndTouchesNothing) {
    Open();
    const TVB_BOARD_MODULE_CAPS* c = caps_;
    const struct {
        const char* name;
        TVB_ARG got, expected;
    } stubs[] = {
        {"video 0", c->VideoOps->Slot0(9, 9), 341},
        {"video 1", c->VideoOps->Slot1(9, 9), 0},
        {"video 5", c->VideoOps->Slot5(9, 9), 0},
        {"video 6",
         c->VideoOps->Slot6(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20),
         0},
        {"video 7", c->VideoOps->Slot7(9, 9), 0},
        {"video 10", c->VideoOps->Slot10(9, 9, 9), 0},
        {"video 11", c->VideoOps->Slot11(9, 9, 9), 0},
        {"audio 0", c->AudioOps->Slot0(9, 9), 0x131001},
        {"audio 3", c->AudioOps->Slot3(9, 9), 0},
        {"input 0", c->InputOps->Slot0(9, 9), 7},
        {"input 2", c->InputOps->Slot2(9, 9), 3},
        {"input 4", c->InputOps->Slot4(9, 9, 9), 0},
    };
    for (const auto& stub : stubs) {
        EXPECT_EQ(stub.got, stub.expected) << stub.name;
    }
    EXPECT_EQ(Trace(), kLoadLines) << "the stubs print nothing and touch no hardware";
}

TEST_F(FrameTest, NoOutputWithDebugFlagsZero) {
    DbgFlags = 0;
    DllInitialize(nullptr);
    DllUnload();
    EXPECT_EQ(Trace(), "");
}

TEST_F(FrameTest, WaitsBelowAndAtDispatchLevel) {
    DelayMs(0);
    DelayMs(5);
    EXPECT_EQ(SleepMs(10), 0x102);
    EXPECT_EQ(Trace(), "[0 ms]\n[5 ms]\n[sleep 10 ms]\n");
    SleepMs(300000); // 3e9 units of 100 ns: past the signed 32-bit range
    EXPECT_EQ(vt::NowUs(), 15000u + 300000000u);
    SleepMs(0xFFFFFFFFu);
    EXPECT_EQ(vt::NowUs(), 15000u + 300000000u + 4294967295000ull);

    // Where nothing may wait, both helpers busy-wait for the same time.
    for (uint8_t irql : {2, 3}) {
        vt::SetIrql(irql);
        const uint64_t start = vt::NowUs();
        const size_t mark = Mark();
        DelayMs(0);
        SleepMs(0);
        EXPECT_EQ(TraceFrom(mark), "") << "no stall at all for 0 ms";
        DelayMs(5);
        EXPECT_EQ(SleepMs(5), 0x102) << "reported as the wait would have ended";
        EXPECT_EQ(TraceFrom(mark), Repeat("[stall 50 us]\n", 200)) << "IRQL " << int{irql};
        EXPECT_EQ(vt::NowUs() - start, 10000u);
    }
}
