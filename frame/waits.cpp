#include "frame/waits.h"

#include "frame/kservices.h"

namespace {
constexpr int64_t kHundredNsPerMs = 10000;
constexpr uint32_t kStallUs = 50;
constexpr uint64_t kStallsPerMs = 1000 / kStallUs;
} // namespace

int32_t SleepMs(uint32_t ms) {
    // Formed in 64 bits: a 32-bit product would wrap for waits above 214 s.
    return KsWaitNeverSignalled(static_cast<int64_t>(ms) * kHundredNsPerMs);
}

void DelayMs(uint32_t ms) {
    if (KsCurrentIrql() < kIrqlDispatch) {
        KsDelayExecution(static_cast<int64_t>(ms) * kHundredNsPerMs);
        return;
    }
    const uint64_t stalls = static_cast<uint64_t>(ms) * kStallsPerMs;
    for (uint64_t i = 0; i < stalls; ++i) {
        KsStallProcessor(kStallUs);
    }
}
