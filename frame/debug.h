// Debug output: every message goes out as three kernel prints (prefix,
// message, line break), only while its guard holds.
#pragma once

#include "frame/kservices.h"
#include "frame/module_state.h" // DbgFlags: nonzero means output is on

#define TVB_DEBUG_PREFIX "<ORVELSTRM.SYS> "

#define DebugPrintIf(guard, ...)                                                                   \
    do {                                                                                           \
        if (guard) {                                                                               \
            KsDebugPrint(TVB_DEBUG_PREFIX);                                                        \
            KsDebugPrint(__VA_ARGS__);                                                             \
            KsDebugPrint("\n");                                                                    \
        }                                                                                          \
    } while (0)

// The common guard: any bit of DbgFlags.
#define DebugPrint(...) DebugPrintIf(DbgFlags != 0, __VA_ARGS__)
