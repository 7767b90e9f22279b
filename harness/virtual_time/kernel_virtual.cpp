// Kernel services on virtual time, for tests: nothing really waits, and every
// call is held to the kernel's rules for it (see kernel_virtual.h).
#include "virtual_time/kernel_virtual.h"

#include "frame/kernel_services.h"
#include "include/tvboard.h"
#include "text/hex.h"
#include "virtual_time/windows_kernel.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

// The address sanitizer's runtime, when the program has one (weak: null
// otherwise). This file itself may be built without instrumentation.
extern "C" {
void __asan_poison_memory_region(void const volatile* addr, size_t size) __attribute__((weak));
void __asan_unpoison_memory_region(void const volatile* addr, size_t size) __attribute__((weak));
}

namespace {

// A live pool block: what a leak report names.
struct Block {
    uint64_t number; // the how-manieth allocation since Reset
    size_t bytes;
    uint8_t irql;
};

uint64_t g_now;
uint8_t g_irql;
int g_failAllocations;
uint64_t g_allocations;
uint32_t g_lastTag;
const vt::Listener* g_listener;

// Equal waits one right after the other, held back to reach the listener as
// one (when asked for): none while `times` is 0.
struct WaitRun {
    vt::WaitKind kind;
    uint64_t us;
    uint64_t times;
};
bool g_coalesce;
WaitRun g_run;
// The length of the stalls that go straight on the run held back: the
// busy-wait's fast path. None while it is kNoFastStall.
constexpr uint64_t kNoFastStall = ~uint64_t{0};
uint64_t g_fastStallUs = kNoFastStall;

// A fresh block holds this in every byte, as a checked kernel's special pool
// fills it: a field nobody wrote shows up in a test instead of reading as 0.
constexpr unsigned char kFreshPoolByte = 0xCD;
// The longest stall the kernel allows a driver; longer pauses must wait.
constexpr uint32_t kLongestStallUs = 50;

// Held in functions, so that no constructor runs before main.
std::map<void*, Block>& LiveBlocks() {
    static std::map<void*, Block> blocks;
    return blocks;
}
// Blocks freed: kept aside until Reset, as a checked kernel's special pool
// keeps freed pages, so that no address is handed out twice in a run (a
// stale pointer of the host's then never becomes a live record by chance,
// and a run is the same whatever the heap did before it), and freeing one
// of them once more is a double free rather than a free of something never
// allocated. With the address sanitizer their bytes are poisoned, so a use
// after the free is still caught.
// (Never destroyed: blocks still kept at exit stay reachable for the leak
// checker, not leaked.)
std::map<void*, size_t>& FreedBlocks() {
    static auto* blocks = new std::map<void*, size_t>;
    return *blocks;
}
// The violations in the order they happened; the same one made again right
// after itself (a wait in a loop) is counted, not repeated.
struct Violation {
    std::string text;
    int times;
};
std::vector<Violation>& Recorded() {
    static std::vector<Violation> violations;
    return violations;
}

// "<call> at IRQL <level>: <rule>".
void Violate(const char* call, const std::string& rule) {
    const std::string text = std::string(call) + " at IRQL " + std::to_string(g_irql) + ": " + rule;
    if (!Recorded().empty() && Recorded().back().text == text) {
        ++Recorded().back().times;
    } else {
        Recorded().push_back(Violation{text, 1});
    }
}

std::vector<std::string> Texts(const std::vector<Violation>& violations) {
    std::vector<std::string> texts;
    texts.reserve(violations.size());
    for (const Violation& v : violations) {
        texts.push_back(v.times == 1 ? v.text
                                     : v.text + " (" + std::to_string(v.times) + " times)");
    }
    return texts;
}

// Non-paged pool is to be had, and given back, up to dispatch level.
void RequireAtMostDispatch(const char* call) {
    if (g_irql > kIrqlDispatch) {
        Violate(call, "only at or below DISPATCH_LEVEL");
    }
}

// The four tag bytes as text, in memory order, '.' for what is not printable.
std::string TagText(uint32_t tag) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((tag >> (8 * i)) & 0xFF);
        text += (c >= 0x20 && c < 0x7F) ? c : '.';
    }
    return text;
}

// The run held back, to the listener: stamped, as every wait is, when it
// has ended, which is now (nothing else has moved the clock since).
void FlushRun() {
    g_fastStallUs = kNoFastStall;
    if (g_run.times != 0) {
        const WaitRun run = g_run;
        g_run.times = 0;
        g_listener->onWait(g_listener->self, run.kind, run.us, run.times);
    }
}

// Called for every stall of a busy-wait (20 a millisecond), so kept inline:
// a stall that goes on a run costs a comparison and a count.
inline __attribute__((always_inline)) void Advance(vt::WaitKind kind, uint64_t us) {
    if (g_listener == nullptr || g_listener->onWait == nullptr) {
        g_now += us;
        return;
    }
    if (!g_coalesce) {
        g_now += us;
        g_listener->onWait(g_listener->self, kind, us, 1);
        return;
    }
    if (g_run.times != 0 && g_run.kind == kind && g_run.us == us) {
        g_now += us;
        ++g_run.times;
        return;
    }
    FlushRun(); // before the clock moves on: the run ended where this wait begins
    g_now += us;
    g_run = WaitRun{kind, us, 1};
    if (kind == vt::WaitKind::Stall && us <= kLongestStallUs) {
        g_fastStallUs = us;
    }
}

// A stall that does not simply go on a run (kept apart from the fast path,
// which then needs no registers of its own).
__attribute__((noinline)) void Stall(uint32_t microseconds) {
    if (microseconds > kLongestStallUs) {
        Violate("KeStallExecutionProcessor",
                std::to_string(microseconds) + " us, longer than the " +
                    std::to_string(kLongestStallUs) + " us a driver may stall");
    }
    Advance(vt::WaitKind::Stall, microseconds);
}

// What DbgPrint formats: printf's conversions, but no floating point, and the
// Unicode ones (%C, %S, %lc, %ls, %wc, %ws, %wZ) only at passive level.
void CheckFormat(const char* format) {
    constexpr const char* kCall = "DbgPrint";
    for (const char* p = std::strchr(format, '%'); p != nullptr; p = std::strchr(p, '%')) {
        ++p;
        if (*p == '%') {
            ++p;
            continue;
        }
        const char* start = p;               // the conversion after its percent sign
        p += std::strspn(p, "-+ #0");        // flags
        p += std::strspn(p, "0123456789*."); // width and precision
        const char* size = p;
        p += std::strspn(p, "hlLwIqjzt");
        if (p > size && p[-1] == 'I') {
            p += std::strspn(p, "0123456789"); // I32, I64
        }
        const std::string conversion(start, p + (*p != '\0' ? 1 : 0));
        const std::string sizeText(size, p);
        if (*p != '\0' && std::strchr("fFeEgGaA", *p) != nullptr) {
            Violate(kCall, "%" + conversion + ": the kernel formats no floating point");
        }
        const bool unicode = *p == 'C' || *p == 'S' || *p == 'Z' ||
                             ((*p == 'c' || *p == 's') && (sizeText == "l" || sizeText == "w"));
        if (unicode && g_irql != 0) {
            Violate(kCall, "%" + conversion + ": a Unicode conversion, only at PASSIVE_LEVEL");
        }
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
    g_allocations = 0;
    for (const auto& live : LiveBlocks()) {
        std::free(live.first); // what a test left behind (its own fault is reported elsewhere)
    }
    LiveBlocks().clear();
    for (const auto& freed : FreedBlocks()) {
        if (__asan_unpoison_memory_region != nullptr) {
            __asan_unpoison_memory_region(freed.first, freed.second);
        }
        std::free(freed.first);
    }
    FreedBlocks().clear();
    Recorded().clear();
    g_lastTag = 0;
    g_listener = nullptr;
    g_coalesce = false;
    g_run.times = 0;
    g_fastStallUs = kNoFastStall;
    ResetWindowsEvents();
}
uint64_t NowUs() {
    return g_now;
}
void PassUs(uint64_t us) {
    if (g_listener != nullptr && g_listener->onWait != nullptr) {
        FlushRun(); // a run of waits held back ended before this time passed
    }
    g_now += us;
}
void SetListener(const Listener* listener) {
    if (g_listener != nullptr && g_listener->onWait != nullptr) {
        FlushRun();
    }
    g_run.times = 0;
    g_fastStallUs = kNoFastStall;
    g_listener = listener;
}
void CoalesceWaits(bool on) {
    FlushWaits();
    g_coalesce = on;
}
void FlushWaits() {
    if (g_listener != nullptr && g_listener->onWait != nullptr) {
        FlushRun();
    }
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
uint32_t LastAllocationTag() {
    return g_lastTag;
}

std::vector<std::string> Violations() {
    std::vector<std::string> all = Texts(Recorded());
    std::map<uint64_t, Block> inOrder; // as they were allocated
    for (const auto& live : LiveBlocks()) {
        inOrder[live.second.number] = live.second;
    }
    for (const auto& live : inOrder) {
        all.push_back("ExAllocatePoolWithTag at IRQL " + std::to_string(live.second.irql) +
                      ": block of " + std::to_string(live.second.bytes) + " bytes never freed");
    }
    return all;
}

// The text is made only for a listener: without one (the benchmark, which
// measures the module's own work, not the kernel's formatting) a print costs
// the call alone.
unsigned long DebugPrintV(const char* format, va_list args) {
    CheckFormat(format);
    if (g_listener == nullptr || g_listener->onPrint == nullptr) {
        return 0;
    }
    FlushWaits();
    char text[512]; // the kernel hands the debugger at most 512 bytes of one print
    const int n = std::vsnprintf(text, sizeof(text), format, args);
    g_listener->onPrint(g_listener->self, text);
    return n < 0 ? 0 : static_cast<unsigned long>(n);
}

void ReportViolation(const char* call, const std::string& rule) {
    Violate(call, rule);
}

// A wait that may wait needs a thread that may be switched away; one that
// cannot wait (a zero time-out) only tests the object, up to dispatch level.
void Wait(WaitKind kind, const char* call, bool mayNotWait, uint64_t us) {
    if (mayNotWait ? g_irql > kIrqlDispatch : g_irql >= kIrqlDispatch) {
        Violate(call, mayNotWait ? "only at or below DISPATCH_LEVEL" : "only below DISPATCH_LEVEL");
    }
    Advance(kind, us);
}

bool InPool(const void* at, size_t bytes) {
    const auto* p = static_cast<const uint8_t*>(at);
    auto block = LiveBlocks().upper_bound(const_cast<uint8_t*>(p));
    if (block == LiveBlocks().begin()) {
        return false;
    }
    --block;
    const auto* start = static_cast<const uint8_t*>(block->first);
    return p >= start && bytes <= block->second.bytes &&
           static_cast<size_t>(p - start) <= block->second.bytes - bytes;
}

std::vector<std::string> TakeViolations() {
    std::vector<std::string> taken = Texts(Recorded());
    Recorded().clear();
    return taken;
}
} // namespace vt

extern "C" {

void* KernelAllocatePool(uint32_t poolType, size_t bytes, uint32_t tag) {
    constexpr const char* kCall = "ExAllocatePoolWithTag";
    RequireAtMostDispatch(kCall);
    if (poolType != kPoolNonPaged) {
        Violate(kCall, "pool type " + std::to_string(poolType) + ", not NonPagedPool (0)");
    }
    if (tag != TVB_POOL_TAG) {
        Violate(kCall, "tag " + text::Hex(tag, 8) + " \"" + TagText(tag) + "\", not \"Wdm \" (" +
                           text::Hex(TVB_POOL_TAG, 8) + ")");
    }
    if (bytes == 0) {
        Violate(kCall, "a block of 0 bytes"); // a checked kernel stops the machine for it
    }
    g_lastTag = tag;
    if (g_failAllocations > 0) {
        --g_failAllocations;
        return nullptr;
    }
    void* block = std::malloc(bytes);
    if (block != nullptr) {
        std::memset(block, kFreshPoolByte, bytes);
        LiveBlocks()[block] = Block{++g_allocations, bytes, g_irql};
    }
    return block;
}

// A block that is not live (freed already, or never handed out) is recorded
// and not freed: on the kernel that is a bugcheck, here a test sees it.
void KernelFreePool(void* block) {
    constexpr const char* kCall = "ExFreePool";
    RequireAtMostDispatch(kCall);
    if (block == nullptr) {
        return; // as on the kernel, where a null block is never handed on
    }
    const auto live = LiveBlocks().find(block);
    if (live == LiveBlocks().end()) {
        Violate(kCall,
                FreedBlocks().count(block) != 0 ? "block already freed" : "block never allocated");
        return;
    }
    if (__asan_poison_memory_region != nullptr) {
        __asan_poison_memory_region(block, live->second.bytes);
    }
    FreedBlocks()[block] = live->second.bytes;
    LiveBlocks().erase(live);
}

// What the Windows kernel services make of the module's waits: a count of
// zero or less is a zero time-out, which does not wait.
int32_t KernelWaitNeverSignalled(int64_t timeout100ns) {
    vt::Wait(vt::WaitKind::Sleep, "KeWaitForSingleObject", timeout100ns <= 0,
             RelativeToUs(timeout100ns));
    return kStatusTimeout; // nothing ever signals the event
}

void KernelDelayExecution(int64_t interval100ns) {
    vt::Wait(vt::WaitKind::Delay, "KeDelayExecutionThread", false, RelativeToUs(interval100ns));
}

uint8_t KernelCurrentIrql(void) {
    return g_irql;
}

// A busy-wait at raised level calls this 20 times a millisecond, millions of
// times in a long one: a stall that goes on the run held back costs a
// comparison, an addition and a count.
void KernelStallProcessor(uint32_t microseconds) {
    if (microseconds == g_fastStallUs) {
        g_now += microseconds;
        ++g_run.times;
        return;
    }
    Stall(microseconds);
}

unsigned long KernelDebugPrint(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const unsigned long n = vt::DebugPrintV(format, args);
    va_end(args);
    return n;
}

} // extern "C"
