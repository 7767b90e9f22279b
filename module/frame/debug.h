// Debug output: every message goes out as three kernel prints (prefix,
// message, line break), only while its guard holds.
#pragma once

#include "frame/kernel_services.h"
#include "frame/module_state.h" // DbgFlags: nonzero means output is on

#define TVB_DEBUG_PREFIX "<ORVELSTRM.SYS> "

#define DebugPrintIf(guard, ...)                                                                   \
    do {                                                                                           \
        if (guard) {                                                                               \
            KernelDebugPrint(TVB_DEBUG_PREFIX);                                                    \
            KernelDebugPrint(__VA_ARGS__);                                                         \
            KernelDebugPrint("\n");                                                                \
        }                                                                                          \
    } while (0)

// The common guard: any bit of DbgFlags.
#define DebugPrint(...) DebugPrintIf(DbgFlags != 0, __VA_ARGS__)
