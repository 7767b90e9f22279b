// Kernel services on virtual time, for tests: nothing really waits.
#include "frame/ks_virtual.h"

#include "frame/kservices.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace {
uint64_t g_now;
uint8_t g_irql;
int g_failAllocations;
int g_badFrees;
int g_poolCallsAboveDispatch;
uint32_t g_lastTag;
const vt::Listener* g_listener;

// A fresh block holds this in every byte, as a checked kernel's special pool
// fills it: a field nobody wrote shows up in a test instead of reading as 0.
constexpr unsigned char kFreshPoolByte = 0xCD;

std::set<void*>& LiveBlocks() {
    static std::set<void*> blocks;
    return blocks;
}

// Pool calls are allowed only at or below dispatch level.
void CountPoolCall() {
    if (g_irql > kIrqlDispatch) {
        ++g_poolCallsAboveDispatch;
    }
}

void Advance(vt::WaitKind kind, uint64_t us) {
    g_now += us;
    if (g_listener != nullptr && g_listener->onWait != nullptr) {
        g_listener->onWait(g_listener->self, kind, us);
    }
}

uint64_t RelativeToUs(int64_t hundredNs) {
    return hundredNs <= 0 ? 0 : static_cast<uint64_t>(hundredNs) / 10;
}
} // namespace

namespace vt {
void Reset() {
    g_now = 0;
    g_irql = 0;
    g_failAllocations = 0;
    for (void* block : LiveBlocks()) {
        std::free(block); // what a test left behind (its own fault is reported elsewhere)
    }
    LiveBlocks().clear();
    g_badFrees = 0;
    g_poolCallsAboveDispatch = 0;
    g_lastTag = 0;
    g_listener = nullptr;
}
uint64_t NowUs() {
    return g_now;
}
void SetListener(const Listener* listener) {
    g_listener = listener;
}
void SetIrql(uint8_t level) {
    g_irql = level;
}
void FailNextAllocations(int count) {
    g_failAllocations = count;
}
int LiveAllocations() {
    return static_cast<int>(LiveBlocks().size());
}
int BadFrees() {
    return g_badFrees;
}
int PoolCallsAboveDispatch() {
    return g_poolCallsAboveDispatch;
}
uint32_t LastAllocationTag() {
    return g_lastTag;
}
} // namespace vt

extern "C" {

void* KsAllocatePool(uint32_t /*poolType*/, size_t bytes, uint32_t tag) {
    CountPoolCall();
    g_lastTag = tag;
    if (g_failAllocations > 0) {
        --g_failAllocations;
        return nullptr;
    }
    void* block = std::malloc(bytes);
    if (block != nullptr) {
        std::memset(block, kFreshPoolByte, bytes);
        LiveBlocks().insert(block);
    }
    return block;
}

// A block that is not live (freed already, or never handed out) is counted
// and not freed: on the kernel that is a bugcheck, here a test sees it.
void KsFreePool(void* block) {
    CountPoolCall();
    if (block == nullptr) {
        return; // as on the kernel, where a null block is never handed on
    }
    if (LiveBlocks().erase(block) == 0) {
        ++g_badFrees;
        return;
    }
    std::free(block);
}

int32_t KsWaitNeverSignalled(int64_t timeout100ns) {
    Advance(vt::WaitKind::Sleep, RelativeToUs(timeout100ns));
    return 0x102; // STATUS_TIMEOUT: nothing ever signals the event
}

void KsDelayExecution(int64_t interval100ns) {
    Advance(vt::WaitKind::Delay, RelativeToUs(interval100ns));
}

uint8_t KsCurrentIrql(void) {
    return g_irql;
}

void KsStallProcessor(uint32_t microseconds) {
    Advance(vt::WaitKind::Stall, microseconds);
}

unsigned long KsDebugPrint(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    if (g_listener != nullptr && g_listener->onPrint != nullptr) {
        g_listener->onPrint(g_listener->self, text);
    }
    return n < 0 ? 0 : static_cast<unsigned long>(n);
}

} // extern "C"
