// The user-mode kernel services: real waits that are never shorter than asked,
// debug text on stderr, busy-waiting at raised level. These tests wait for
// real, briefly.
#include "frame/debug.h"
#include "frame/kernel_user.h"
#include "frame/waits.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {
template <typename F> double ElapsedMs(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}
} // namespace

TEST(UserKernelServices, SleepMsLastsItsTime) {
    EXPECT_GE(ElapsedMs([] { SleepMs(10); }), 10.0);
}

TEST(UserKernelServices, WaitsSleepBelowAndSpinAtDispatch) {
    EXPECT_GE(ElapsedMs([] { DelayMs(5); }), 5.0);
    KsUserSetIrql(2);
    EXPECT_GE(ElapsedMs([] { DelayMs(3); }), 3.0);
    EXPECT_LT(ElapsedMs([] { DelayMs(0); }), 1.0);
    EXPECT_GE(ElapsedMs([] { SleepMs(3); }), 3.0);
    EXPECT_LT(ElapsedMs([] { SleepMs(0); }), 1.0);
    KsUserSetIrql(0);
}

TEST(UserKernelServices, DebugTextGoesToStderr) {
    testing::internal::CaptureStderr();
    DebugPrint("SetVideoProperty %d %d", 1, 50);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "<ORVELSTRM.SYS> SetVideoProperty 1 50\n");
}

TEST(UserKernelServices, PoolBlocksAreUsable) {
    void* block = KernelAllocatePool(kPoolNonPaged, 56, TVB_POOL_TAG);
    ASSERT_NE(block, nullptr);
    static_cast<char*>(block)[55] = 1;
    KernelFreePool(block);
}
