// On the 32-bit target every operation is stdcall: the callee removes its own
// arguments. Each slot is called through a raw call that pushes exactly the
// argument count of its contract; a slot that removes more or fewer leaves
// the stack pointer moved.
#include "module_fixture.h"

#include "virtual_time/kernel_virtual.h"
#include "virtual_time/windows_kernel.h"

#include <string>
#include <vector>

#if defined(__i386__)

extern "C" int32_t tvb_raw_call(const void* fn, const uint32_t* args, uint32_t count,
                                uint32_t* result);

namespace {
uint32_t P(const void* p) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

struct Slot {
    const char* name;
    const void* fn;
    std::vector<uint32_t> args;
};

template <typename F> const void* Fn(F f) {
    return reinterpret_cast<const void*>(f);
}
} // namespace

using StdcallTest = ModuleTest;

TEST_F(StdcallTest, EverySlotRemovesExactlyItsArguments) {
    Load();
    const TVB_BOARD_MODULE_CAPS* c = caps_;
    TVTunerSettings* record = nullptr;
    BoardInfo info{};
    static VideoStandardDescriptor standards[3];
    uint32_t count = 0;
    VideoPropertyDefaults defaults{};
    TVB_SENSOR_INIT_RECORD sensor{0, 0};
    uint32_t value = 0;
    AudioInterfaceConfig config{};
    AudioFormat format{0, 48000, 1, 0};
    TunerModeCaps modeCaps{};
    TVTunerSettings settings{};
    TVTunerSettings request{};
    request.RequestId = 99;
    const TVB_BOARD_MODULE_CAPS* const* list = nullptr;
    uint8_t byte = 0;
    const uint32_t pin = 0;
    uint32_t pinValue = 0;

    std::vector<uint32_t> sensorArgs = {P(&sensor), 0, 0xFFFFFFFFu, 0xFFFFFFFFu};
    sensorArgs.resize(4 + 17); // the seventeen property values
    const std::vector<uint32_t> twenty(20, 7);
    const TVB_HOST_HANDLE h = emu::HostTable::kBoardHandle;
    const TVB_HOST_OPS* ops = host_->Ops();

    const Slot slots[] = {
        {"DllInitialize", Fn(DllInitialize), {0}},
        {"DllUnload", Fn(DllUnload), {}},
        {"GetBoardModuleCaps", Fn(GetBoardModuleCaps), {0, P(ops), P(&list), P(&count)}},
        {"OpenBoard", Fn(c->BoardOps->OpenBoard), {h, P(&record), P(&info)}},
        {"VideoOps 0", Fn(c->VideoOps->Slot0), {1, 2}},
        {"VideoOps 1", Fn(c->VideoOps->Slot1), {1, 2}},
        {"GetVideoStandards", Fn(c->VideoOps->GetVideoStandards), {0, 0, P(&count), P(standards)}},
        {"GetVideoPropertyDefaults",
         Fn(c->VideoOps->GetVideoPropertyDefaults),
         {0, 0, P(&defaults)}},
        {"InitializeSensor", Fn(c->VideoOps->InitializeSensor), sensorArgs},
        {"VideoOps 5", Fn(c->VideoOps->Slot5), {1, 2}},
        {"VideoOps 6", Fn(c->VideoOps->Slot6), twenty},
        {"VideoOps 7", Fn(c->VideoOps->Slot7), {1, 2}},
        {"SetVideoProperty", Fn(c->VideoOps->SetVideoProperty), {0, 0, 2, 0, 0}},
        {"GetVideoProperty", Fn(c->VideoOps->GetVideoProperty), {0, 0, 2, P(&value), 0}},
        {"VideoOps 10", Fn(c->VideoOps->Slot10), {1, 2, 3}},
        {"VideoOps 11", Fn(c->VideoOps->Slot11), {1, 2, 3}},
        {"AudioOps 0", Fn(c->AudioOps->Slot0), {1, 2}},
        {"GetAudioFormat", Fn(c->AudioOps->GetAudioFormat), {0, 0, P(&config), P(&format)}},
        {"SetAudioSampleRate", Fn(c->AudioOps->SetAudioSampleRate), {0, h, P(&format)}},
        {"AudioOps 3", Fn(c->AudioOps->Slot3), {1, 2}},
        {"InputOps 0", Fn(c->InputOps->Slot0), {1, 2}},
        {"InputOps 1 InputQuery", Fn(c->InputOps->InputQuery), {1, 2}},
        {"InputOps 2", Fn(c->InputOps->Slot2), {1, 2}},
        {"InputOps 3 InputSelect", Fn(c->InputOps->InputSelect), {0, 0, 1}},
        {"InputOps 4", Fn(c->InputOps->Slot4), {1, 2, 3}},
        {"GetTunerModeCaps", Fn(c->TunerOps->GetTunerModeCaps), {0, 0, 1, P(&modeCaps)}},
        {"GetTunerProperty", Fn(c->TunerOps->GetTunerProperty), {P(&settings), 0, P(&request)}},
        {"SetTunerProperty", Fn(c->TunerOps->SetTunerProperty), {P(&settings), 0, P(&request)}},
        // The substitute host's own slots are called by the module the same way.
        {"host WriteReg16", Fn(ops->WriteReg16), {h, 0x42, 16, 0x100, 1, 0}},
        {"host ReadReg16", Fn(ops->ReadReg16), {h, 0x42, 16, 0x100, P(&byte), 0}},
        {"host BusWrite", Fn(ops->BusWrite), {h, 0x96, 0, 0, 1, P(&byte), 0x8000}},
        {"host BusRead", Fn(ops->BusRead), {h, 0x96, 8, 0, 1, P(&byte), 0x8000}},
        {"host WritePins", Fn(ops->WritePins), {h, 1, P(&pin), P(&pinValue), 0}},
        {"host ReadPins", Fn(ops->ReadPins), {h, 1, P(&pin), P(&pinValue), 1}},
    };
    for (const Slot& slot : slots) {
        uint32_t result = 0;
        const int32_t moved = tvb_raw_call(slot.fn, slot.args.data(),
                                           static_cast<uint32_t>(slot.args.size()), &result);
        EXPECT_EQ(moved, 0) << slot.name << " with " << slot.args.size() << " arguments";
    }
    ASSERT_NE(record, nullptr);
    uint32_t result = 0;
    const uint32_t closeArgs[] = {P(record), 0};
    EXPECT_EQ(tvb_raw_call(Fn(c->BoardOps->CloseBoard), closeArgs, 2, &result), 0) << "CloseBoard";
}

// The kernel's routines a Windows image is bound to take their arguments off
// the stack as the kernel's own do (DbgPrint, cdecl, none of them).
TEST_F(StdcallTest, EveryKernelRoutineRemovesExactlyItsArguments) {
    size_t count = 0;
    const vt::WindowsRoutine* routines = vt::WindowsRoutines(&count);
    ASSERT_EQ(count, 8u);
    uint8_t event[16] = {};
    const int64_t shortTime = -10;
    uint32_t block = 0;
    const char* format = "%s";
    const char* text = "";
    for (size_t i = 0; i < count; ++i) {
        const vt::WindowsRoutine& r = routines[i];
        const std::string name = r.name;
        std::vector<uint32_t> args;
        if (name == "ExAllocatePoolWithTag") {
            args = {0, 16, TVB_POOL_TAG};
        } else if (name == "ExFreePool") {
            args = {block};
        } else if (name == "DbgPrint") {
            args = {P(format), P(text)};
        } else if (name == "KeInitializeEvent") {
            args = {P(event), 1, 0};
        } else if (name == "KeWaitForSingleObject") {
            args = {P(event), 0, 0, 0, P(&shortTime)};
        } else if (name == "KeDelayExecutionThread") {
            args = {0, 0, P(&shortTime)};
        } else if (name == "KeStallExecutionProcessor") {
            args = {1};
        }
        uint32_t result = 0;
        const auto pushed = static_cast<uint32_t>(args.size());
        EXPECT_EQ(tvb_raw_call(r.routine, args.data(), pushed, &result),
                  static_cast<int32_t>(r.stackBytes) - static_cast<int32_t>(4 * pushed))
            << name;
        block = name == "ExAllocatePoolWithTag" ? result : block;
    }
    EXPECT_EQ(vt::Violations(), std::vector<std::string>{});
}

TEST_F(StdcallTest, RawCallNoticesAWrongCount) {
    // A 2-argument stub called with 3 pushed arguments leaves one behind.
    Load();
    const uint32_t args[] = {1, 2, 3};
    uint32_t result = 0;
    EXPECT_EQ(tvb_raw_call(reinterpret_cast<const void*>(caps_->InputOps->Slot0), args, 3, &result),
              -4);
    EXPECT_EQ(result, 7u);
}

#else

TEST(StdcallTest, OnlyMeaningfulOnThe32BitTarget) {
    GTEST_SKIP() << "stdcall is the real convention only in the i386 build";
}

#endif
