#include "benchmark/kernel_counting.h"

#include "frame/kernel_services.h"

#include <cstdlib>

namespace {
uint64_t g_waitedUs;
int g_prints;

uint64_t RelativeToUs(int64_t hundredNs) {
    return hundredNs <= 0 ? 0 : static_cast<uint64_t>(hundredNs) / 10;
}
} // namespace

namespace kernel_counting {
uint64_t WaitedUs() {
    return g_waitedUs;
}
int Prints() {
    return g_prints;
}
void Reset() {
    g_waitedUs = 0;
    g_prints = 0;
}
} // namespace kernel_counting

extern "C" {

void* KernelAllocatePool(uint32_t /*poolType*/, size_t bytes, uint32_t /*tag*/) {
    return std::malloc(bytes);
}

void KernelFreePool(void* block) {
    std::free(block);
}

int32_t KernelWaitNeverSignalled(int64_t timeout100ns) {
    g_waitedUs += RelativeToUs(timeout100ns);
    return kStatusTimeout; // nothing signals the event
}

void KernelDelayExecution(int64_t interval100ns) {
    g_waitedUs += RelativeToUs(interval100ns);
}

uint8_t KernelCurrentIrql(void) {
    return 0;
}

void KernelStallProcessor(uint32_t microseconds) {
    g_waitedUs += microseconds;
}

unsigned long KernelDebugPrint(const char* /*format*/, ...) {
    ++g_prints;
    return 0;
}

} // extern "C"
