// On the 32-bit target every operation is stdcall: the callee removes its own
// arguments. Each slot the public header lists is called through a raw call
// that pushes exactly the argument count listed; a slot that removes more or
// fewer leaves the stack pointer moved.
#include "host_driver/slots.h"
#include "module_fixture.h"

#include "virtual_time/kernel_virtual.h"
#include "virtual_time/windows_kernel.h"
#include <iterator>
#include <map>
#include <numeric>

#include <string>
#include <vector>

#if defined(__i386__)

extern "C" int32_t tvb_raw_call(const void* fn, const uint32_t* args, uint32_t count,
                                uint32_t* result);

namespace {
uint32_t P(const void* p) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

// One raw call: a routine, the words pushed for it, and for a stub the
// constant it must return.
struct Raw {
    std::string name;
    const void* fn;
    std::vector<uint32_t> args;
    const host_driver::Slot* stub = nullptr;
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
    const TVB_HOST_HANDLE h = emu::HostTable::kBoardHandle;
    const TVB_HOST_OPS* ops = host_->Ops();

    // The operations' arguments; a stub gets 1, 2, 3, ... CloseBoard comes
    // last, with the record OpenBoard handed out.
    const std::map<std::string, std::vector<uint32_t>> operations = {
        {"BoardOps.OpenBoard", {h, P(&record), P(&info)}},
        {"VideoOps.GetVideoStandards", {0, 0, P(&count), P(standards)}},
        {"VideoOps.GetVideoPropertyDefaults", {0, 0, P(&defaults)}},
        {"VideoOps.InitializeSensor", sensorArgs},
        {"VideoOps.SetVideoProperty", {0, 0, 2, 0, 0}},
        {"VideoOps.GetVideoProperty", {0, 0, 2, P(&value), 0}},
        {"AudioOps.GetAudioFormat", {0, 0, P(&config), P(&format)}},
        {"AudioOps.SetAudioSampleRate", {0, h, P(&format)}},
        {"InputOps.InputQuery", {1, 2}},
        {"InputOps.InputSelect", {0, 0, 1}},
        {"TunerOps.GetTunerModeCaps", {0, 0, 1, P(&modeCaps)}},
        {"TunerOps.GetTunerProperty", {P(&settings), 0, P(&request)}},
        {"TunerOps.SetTunerProperty", {P(&settings), 0, P(&request)}},
    };
    const host_driver::Slot& close = host_driver::kTables[host_driver::kBoardOps].slots[1];
    ASSERT_STREQ(close.name, "CloseBoard");

    std::vector<Raw> calls = {
        {"DllInitialize", Fn(DllInitialize), {0}},
        {"DllUnload", Fn(DllUnload), {}},
        {"GetBoardModuleCaps", Fn(GetBoardModuleCaps), {0, P(ops), P(&list), P(&count)}},
    };
    for (const host_driver::Table& t : host_driver::kTables) {
        for (size_t i = 0; i < t.count; ++i) {
            const host_driver::Slot& s = t.slots[i];
            const std::string name = std::string(t.name) + "." + s.name;
            if (s.stub) {
                std::vector<uint32_t> words(s.args);
                std::iota(words.begin(), words.end(), 1u);
                calls.push_back({name, s.routine(*c), words, &s});
            } else if (&s != &close) {
                const auto found = operations.find(name);
                ASSERT_NE(found, operations.end()) << name << ": no arguments to call it with";
                ASSERT_EQ(found->second.size(), s.args) << name;
                calls.push_back({name, s.routine(*c), found->second});
            }
        }
    }
    // The substitute host's own slots are called by the module the same way.
    const std::vector<Raw> host = {
        {"host WriteReg16", Fn(ops->WriteReg16), {h, 0x42, 16, 0x100, 1, 0}},
        {"host ReadReg16", Fn(ops->ReadReg16), {h, 0x42, 16, 0x100, P(&byte), 0}},
        {"host BusWrite", Fn(ops->BusWrite), {h, 0x96, 0, 0, 1, P(&byte), 0x8000}},
        {"host BusRead", Fn(ops->BusRead), {h, 0x96, 8, 0, 1, P(&byte), 0x8000}},
        {"host WritePins", Fn(ops->WritePins), {h, 1, P(&pin), P(&pinValue), 0}},
        {"host ReadPins", Fn(ops->ReadPins), {h, 1, P(&pin), P(&pinValue), 1}},
    };
    calls.insert(calls.end(), host.begin(), host.end());

    for (const Raw& call : calls) {
        uint32_t result = 0;
        const int32_t moved = tvb_raw_call(call.fn, call.args.data(),
                                           static_cast<uint32_t>(call.args.size()), &result);
        EXPECT_EQ(moved, 0) << call.name << " with " << call.args.size() << " arguments";
        if (call.stub != nullptr) {
            EXPECT_EQ(result, call.stub->result) << call.name;
        }
    }
    ASSERT_NE(record, nullptr);
    uint32_t result = 0;
    const uint32_t closeArgs[] = {P(record), 0};
    ASSERT_EQ(std::size(closeArgs), close.args);
    EXPECT_EQ(tvb_raw_call(close.routine(*c), closeArgs, 2, &result), 0) << "CloseBoard";
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
