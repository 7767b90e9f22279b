// Kernel services for a user-mode host: waits really wait, debug text goes to
// stderr.
#include "frame/kernel_user.h"

#include "frame/kernel_services.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace {
uint8_t g_irql;

uint64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000ULL + static_cast<uint64_t>(now.tv_nsec);
}

// Sleeps at least the given time: early wake-ups (signals) sleep again for
// what is left.
void SleepAtLeastNs(uint64_t ns) {
    const uint64_t end = MonotonicNs() + ns;
    for (;;) {
        const uint64_t now = MonotonicNs();
        if (now >= end) {
            return;
        }
        const uint64_t left = end - now;
        timespec request{};
        request.tv_sec = static_cast<time_t>(left / 1000000000ULL);
        request.tv_nsec = static_cast<long>(left % 1000000000ULL);
        nanosleep(&request, nullptr);
    }
}

uint64_t RelativeToNs(int64_t hundredNs) {
    return hundredNs <= 0 ? 0 : static_cast<uint64_t>(hundredNs) * 100;
}
} // namespace

void KsUserSetIrql(uint8_t level) {
    g_irql = level;
}

extern "C" {

void* KernelAllocatePool(uint32_t /*poolType*/, size_t bytes, uint32_t /*tag*/) {
    return std::malloc(bytes);
}

void KernelFreePool(void* block) {
    std::free(block);
}

int32_t KernelWaitNeverSignalled(int64_t timeout100ns) {
    SleepAtLeastNs(RelativeToNs(timeout100ns));
    return kStatusTimeout;
}

void KernelDelayExecution(int64_t interval100ns) {
    SleepAtLeastNs(RelativeToNs(interval100ns));
}

uint8_t KernelCurrentIrql(void) {
    return g_irql;
}

void KernelStallProcessor(uint32_t microseconds) {
    const uint64_t end = MonotonicNs() + static_cast<uint64_t>(microseconds) * 1000;
    while (MonotonicNs() < end) {
    }
}

// Each print reaches stderr in one write, as one kernel debug print is one
// record for a debugger: a reader can take the prints apart again.
unsigned long KernelDebugPrint(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    if (n <= 0) {
        return 0;
    }
    const size_t length =
        static_cast<size_t>(n) < sizeof(text) ? static_cast<size_t>(n) : sizeof(text) - 1;
    return write(STDERR_FILENO, text, length) < 0 ? 0 : static_cast<unsigned long>(length);
}

} // extern "C"
