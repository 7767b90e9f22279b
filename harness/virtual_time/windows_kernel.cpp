// The Windows kernel's routines as a Windows image calls them, on virtual
// time, held to the kernel's rules for every argument (see windows_kernel.h).
#include "virtual_time/windows_kernel.h"

#include "frame/kernel_services.h"
#include "virtual_time/kernel_virtual.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#if defined(__i386__) && defined(__linux__)
#include <pthread.h>
#include <strings.h>

#include <cstdarg>
#define TVB_WINDOWS_ROUTINES 1
#endif

namespace {

const uint8_t* g_imageBase;
size_t g_imageBytes;

// The events KeInitializeEvent initialised, with the type it gave each.
// (Held in a function, so that no constructor runs before main.)
std::map<const void*, uint8_t>& Events() {
    static std::map<const void*, uint8_t> events;
    return events;
}

#if defined(TVB_WINDOWS_ROUTINES)

// The image's code may leave the stack only 4-byte aligned, as Windows allows.
#define TVB_KERNEL_ROUTINE __attribute__((stdcall, force_align_arg_pointer))

constexpr int32_t kStatusSuccess = 0;
constexpr int32_t kStatusAlerted = 0x101;
constexpr int32_t kStatusUserApc = 0xC0;
constexpr int32_t kStatusInvalidParameter = static_cast<int32_t>(0xC000000Du);

constexpr uint8_t kKernelMode = 0; // KPROCESSOR_MODE
constexpr uint8_t kUserMode = 1;
constexpr uint32_t kNotificationEvent = 0; // EVENT_TYPE
constexpr uint32_t kSynchronizationEvent = 1;
constexpr uint32_t kExecutive = 0; // KWAIT_REASON: a driver's wait of its own

// The kernel's event object on 32-bit x86 (KEVENT: a dispatcher header) as
// the kernel writes it into the memory the driver reserves for it.
struct ListEntry {
    const void* flink;
    const void* blink;
};
struct KernelEvent {
    uint8_t type; // EVENT_TYPE
    uint8_t signalling;
    uint8_t size; // in 32-bit words
    uint8_t inserted;
    int32_t signalState; // nonzero: signalled
    ListEntry waitList;  // the threads waiting: none, the list's head links to itself
};
static_assert(sizeof(KernelEvent) == 16, "KEVENT is 16 bytes on 32-bit x86");
static_assert(offsetof(KernelEvent, signalState) == 4, "KEVENT's SignalState");
static_assert(offsetof(KernelEvent, waitList) == 8, "KEVENT's WaitListHead");
constexpr uint8_t kEventWords = sizeof(KernelEvent) / 4;

std::string Number(uint64_t n) {
    return std::to_string(n);
}

// A BOOLEAN or KPROCESSOR_MODE argument: a byte, in a 4-byte stack slot whose
// other bytes the caller need not have cleared.
uint8_t Byte(uint32_t slot) {
    return static_cast<uint8_t>(slot & 0xFF);
}

// The calling thread's stack: from the routine's own frame up to its top.
bool OnStack(const void* p) {
    static thread_local uintptr_t top = 0;
    if (top == 0) {
        pthread_attr_t attr;
        void* low = nullptr;
        size_t size = 0;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            pthread_attr_getstack(&attr, &low, &size);
            pthread_attr_destroy(&attr);
        }
        top = reinterpret_cast<uintptr_t>(low) + size;
    }
    const auto at = reinterpret_cast<uintptr_t>(p);
    return at >= reinterpret_cast<uintptr_t>(__builtin_frame_address(0)) && at < top;
}

bool InImage(const void* p, size_t bytes) {
    const auto* at = static_cast<const uint8_t*>(p);
    return g_imageBase != nullptr && at >= g_imageBase && bytes <= g_imageBytes &&
           static_cast<size_t>(at - g_imageBase) <= g_imageBytes - bytes;
}

// Memory the kernel takes as resident: the caller's stack (while it waits in
// KernelMode), a non-paged pool block, the image.
bool Resident(const void* p, size_t bytes) {
    return p != nullptr && (OnStack(p) || vt::InPool(p, bytes) || InImage(p, bytes));
}

// Where an object lies, in words for a violation: no stack or pool address,
// which differs from run to run.
std::string Place(const void* p, size_t bytes) {
    char text[80];
    if (p != nullptr && OnStack(p)) {
        return "on the stack";
    }
    if (p != nullptr && vt::InPool(p, bytes)) {
        return "in a pool block";
    }
    if (p != nullptr && InImage(p, bytes)) {
        std::snprintf(text, sizeof text, "in the image at +0x%X",
                      static_cast<unsigned>(static_cast<const uint8_t*>(p) - g_imageBase));
        return text;
    }
    std::snprintf(text, sizeof text, "at 0x%08X, outside the stack, the pool and the image",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)));
    return text;
}

// A relative time in 100 ns (negative), as microseconds; zero and positive
// times (an absolute system time, long past for any value a driver could
// mean) end the wait at once.
uint64_t RelativeUs(const int64_t* time) {
    if (time == nullptr || *time >= 0) {
        return 0;
    }
    return (static_cast<uint64_t>(-(*time + 1)) + 1) / 10;
}

// The rules for a wait's mode and alertability, which both waits share: a
// driver below the host waits in KernelMode, where the kernel keeps its
// stack resident, and not alertable, so that only its own time ends it.
// True when the wait is ended at once, with `*status`.
bool EndsEarly(const char* call, uint8_t mode, bool alertable, bool stackParameters,
               int32_t* status) {
    if (mode == kUserMode) {
        vt::ReportViolation(call, stackParameters
                                      ? "UserMode: the kernel may page the stack out during the "
                                        "wait, and with it what the wait reads there"
                                      : "UserMode: a driver below the host waits in KernelMode");
    } else if (mode != kKernelMode) {
        vt::ReportViolation(call, "wait mode " + Number(mode) +
                                      ", neither KernelMode (0) nor UserMode (1)");
    }
    if (!alertable) {
        return false;
    }
    *status = mode == kUserMode ? kStatusUserApc : kStatusAlerted;
    vt::ReportViolation(call, std::string("alertable: the kernel may end the wait before its "
                                          "time, and here ends it at once (") +
                                  (mode == kUserMode ? "STATUS_USER_APC)" : "STATUS_ALERTED)"));
    return true;
}

void* TVB_KERNEL_ROUTINE RoutineExAllocatePoolWithTag(uint32_t type, uint32_t bytes, uint32_t tag) {
    return KernelAllocatePool(type, bytes, tag);
}

void TVB_KERNEL_ROUTINE RoutineExFreePool(void* block) {
    if (block == nullptr) {
        vt::ReportViolation("ExFreePool", "a null block: the kernel stops the machine");
        return;
    }
    KernelFreePool(block);
}

// Variadic as the kernel's own DbgPrint is.
__attribute__((cdecl, force_align_arg_pointer, format(printf, 1, 2))) uint32_t
RoutineDbgPrint(const char* format, ...) { // NOLINT(cert-dcl50-cpp)
    if (format == nullptr) {
        vt::ReportViolation("DbgPrint", "no format");
        return static_cast<uint32_t>(kStatusInvalidParameter);
    }
    va_list args;
    va_start(args, format);
    vt::DebugPrintV(format, args);
    va_end(args);
    return kStatusSuccess;
}

void TVB_KERNEL_ROUTINE RoutineKeInitializeEvent(void* event, uint32_t type, uint32_t state) {
    constexpr const char* kCall = "KeInitializeEvent";
    if (type != kNotificationEvent && type != kSynchronizationEvent) {
        vt::ReportViolation(kCall, "event type " + Number(type) +
                                       ", neither NotificationEvent (0) nor "
                                       "SynchronizationEvent (1)");
    }
    if (!Resident(event, sizeof(KernelEvent))) {
        // Not written: the memory may not even be there.
        vt::ReportViolation(kCall, "event " + Place(event, sizeof(KernelEvent)) +
                                       ": no memory the kernel can take as resident");
        return;
    }
    const auto* head = static_cast<const uint8_t*>(event) + offsetof(KernelEvent, waitList);
    const KernelEvent e{static_cast<uint8_t>(type), 0, kEventWords, 0, Byte(state) != 0 ? 1 : 0,
                        ListEntry{head, head}};
    std::memcpy(event, &e, sizeof e);
    Events()[event] = e.type;
}

int32_t TVB_KERNEL_ROUTINE RoutineKeWaitForSingleObject(void* object, uint32_t reason,
                                                        uint32_t mode, uint32_t alertable,
                                                        const int64_t* timeout) {
    constexpr const char* kCall = "KeWaitForSingleObject";
    // The object: an event as KeInitializeEvent left it, or as a wait did.
    KernelEvent e{};
    const auto known = object != nullptr ? Events().find(object) : Events().end();
    bool intact = object != nullptr && known != Events().end();
    if (!intact) {
        vt::ReportViolation(kCall, "object " + Place(object, sizeof e) +
                                       " never initialised by KeInitializeEvent");
    } else {
        std::memcpy(&e, object, sizeof e);
        const auto* head = static_cast<const uint8_t*>(object) + offsetof(KernelEvent, waitList);
        intact = e.type == known->second && e.size == kEventWords && e.waitList.flink == head &&
                 e.waitList.blink == head;
        if (!intact) {
            vt::ReportViolation(kCall, "event " + Place(object, sizeof e) +
                                           " overwritten since KeInitializeEvent");
        }
    }
    if (reason != kExecutive) {
        vt::ReportViolation(kCall, "wait reason " + Number(reason) +
                                       ", not Executive (0): the module waits for its device, "
                                       "not on behalf of a user");
    }
    const bool stackParameters =
        (object != nullptr && OnStack(object)) || (timeout != nullptr && OnStack(timeout));
    int32_t status = kStatusTimeout;
    const bool early = EndsEarly(kCall, Byte(mode), Byte(alertable) != 0, stackParameters, &status);
    const bool mayNotWait = timeout != nullptr && *timeout == 0;
    // A signalled event satisfies the wait at once; a synchronization event
    // is reset by the wait it satisfies.
    if (intact && e.signalState != 0) {
        if (e.type == kSynchronizationEvent) {
            const int32_t reset = 0;
            std::memcpy(static_cast<uint8_t*>(object) + offsetof(KernelEvent, signalState), &reset,
                        sizeof reset);
        }
        vt::Wait(vt::WaitKind::Sleep, kCall, mayNotWait, 0);
        return kStatusSuccess;
    }
    if (early) {
        vt::Wait(vt::WaitKind::Sleep, kCall, mayNotWait, 0);
        return status;
    }
    if (timeout == nullptr) {
        vt::ReportViolation(kCall, "no time-out: waits forever on an event nobody signals");
    }
    vt::Wait(vt::WaitKind::Sleep, kCall, mayNotWait, RelativeUs(timeout));
    return kStatusTimeout; // nothing signals the event
}

int32_t TVB_KERNEL_ROUTINE RoutineKeDelayExecutionThread(uint32_t mode, uint32_t alertable,
                                                         const int64_t* interval) {
    constexpr const char* kCall = "KeDelayExecutionThread";
    int32_t status = kStatusSuccess;
    const bool early = EndsEarly(kCall, Byte(mode), Byte(alertable) != 0,
                                 interval != nullptr && OnStack(interval), &status);
    if (interval == nullptr) {
        vt::ReportViolation(kCall, "no interval");
    }
    vt::Wait(vt::WaitKind::Delay, kCall, false, early ? 0 : RelativeUs(interval));
    return status;
}

uint8_t TVB_KERNEL_ROUTINE RoutineKeGetCurrentIrql() {
    return KernelCurrentIrql();
}

void TVB_KERNEL_ROUTINE RoutineKeStallExecutionProcessor(uint32_t microseconds) {
    KernelStallProcessor(microseconds);
}

template <typename Routine> const void* Entry(Routine routine) {
    return reinterpret_cast<const void*>(routine);
}

// Made at the first look-up, so that no constructor runs before main.
const vt::WindowsRoutine* Routines(size_t* count) {
    static const vt::WindowsRoutine routines[] = {
        {"ntoskrnl.exe", "ExAllocatePoolWithTag", Entry(RoutineExAllocatePoolWithTag), 12},
        {"ntoskrnl.exe", "ExFreePool", Entry(RoutineExFreePool), 4},
        {"ntoskrnl.exe", "DbgPrint", Entry(RoutineDbgPrint), 0},
        {"ntoskrnl.exe", "KeInitializeEvent", Entry(RoutineKeInitializeEvent), 12},
        {"ntoskrnl.exe", "KeWaitForSingleObject", Entry(RoutineKeWaitForSingleObject), 20},
        {"ntoskrnl.exe", "KeDelayExecutionThread", Entry(RoutineKeDelayExecutionThread), 12},
        {"hal.dll", "KeGetCurrentIrql", Entry(RoutineKeGetCurrentIrql), 0},
        {"hal.dll", "KeStallExecutionProcessor", Entry(RoutineKeStallExecutionProcessor), 4},
    };
    *count = sizeof(routines) / sizeof(routines[0]);
    return routines;
}

#endif

} // namespace

namespace vt {

const WindowsRoutine* FindWindowsRoutine(const char* module, const char* name) {
#if defined(TVB_WINDOWS_ROUTINES)
    size_t count = 0;
    const WindowsRoutine* routines = Routines(&count);
    for (size_t i = 0; i < count; ++i) {
        if (strcasecmp(module, routines[i].module) == 0 &&
            std::strcmp(name, routines[i].name) == 0) {
            return &routines[i];
        }
    }
#else
    (void)module;
    (void)name;
#endif
    return nullptr;
}

const WindowsRoutine* WindowsRoutines(size_t* count) {
#if defined(TVB_WINDOWS_ROUTINES)
    return Routines(count);
#else
    *count = 0;
    return nullptr;
#endif
}

void SetImageMemory(const void* base, size_t bytes) {
    g_imageBase = static_cast<const uint8_t*>(base);
    g_imageBytes = bytes;
}

void ResetWindowsEvents() {
    Events().clear();
}

} // namespace vt
