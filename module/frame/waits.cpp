#include "frame/waits.h"

#include "frame/kernel_services.h"

namespace {
constexpr int64_t kHundredNsPerMs = 10000;
constexpr uint32_t kStallUs = 50;
constexpr uint64_t kStallsPerMs = 1000 / kStallUs;

// At dispatch level and above the thread must not wait on anything; the time
// is spent busy-waiting instead, in 50 us stalls (none at all for 0 ms).
bool MustNotWait() {
    return KernelCurrentIrql() >= kIrqlDispatch;
}

void StallMs(uint32_t ms) {
    const uint64_t stalls = static_cast<uint64_t>(ms) * kStallsPerMs;
    for (uint64_t i = 0; i < stalls; ++i) {
        KernelStallProcessor(kStallUs);
    }
}
} // namespace

int32_t SleepMs(uint32_t ms) {
    // An event wait with a time-out is forbidden at raised level, but the
    // devices still need their pause: it is stalled instead, as DelayMs does,
    // and reported as the wait would have ended.
    if (MustNotWait()) {
        StallMs(ms);
        return kStatusTimeout;
    }
    // Formed in 64 bits: a 32-bit product would wrap for waits above 214 s.
    return KernelWaitNeverSignalled(static_cast<int64_t>(ms) * kHundredNsPerMs);
}

void DelayMs(uint32_t ms) {
    if (MustNotWait()) {
        StallMs(ms);
        return;
    }
    KernelDelayExecution(static_cast<int64_t>(ms) * kHundredNsPerMs);
}
