// Every piece of module state that can change while the module is loaded,
// with the value it has when the image is loaded. The list is the single
// place where such state is defined; the test build can put all of it back
// to its load value, as a fresh load of the image would.
#pragma once

#include "include/tvboard.h"

// A row of byte registers kept as a copy of a device's (e.g. the tuner's
// synthesizer, which cannot be read back).
template <size_t N> struct RegisterCopy { uint8_t R[N]; };

// The settings records OpenBoard handed out and CloseBoard has not freed yet,
// oldest first, the unused entries null. CloseBoard frees only what is listed
// here. When all entries are taken, a new record pushes out the oldest, which
// is then never freed by the module: leaked, but never freed twice.
struct SettingsRecordList {
    TVTunerSettings* Record[16];
};

// X(type, name, value at load)
#define TVB_MODULE_STATE(X)                                                                        \
    /* host interface */                                                                           \
    X(const TVB_HOST_OPS*, HostOps, nullptr)                                                       \
    X(TVB_HOST_HANDLE, HostContext, 0)                                                             \
    X(uint32_t, DbgFlags, 0xFFF7FFFFu)                                                             \
    /* open board */                                                                               \
    X(TVTunerSettings, g_TVTuner_Settings, {})                                                     \
    X(uint8_t, ModeSet, 0)                                                                         \
    X(uint8_t, VideoStandardSet, 0)                                                                \
    X(uint8_t, FrequencySet, 0)                                                                    \
    X(uint8_t, TunerInputSet, 0)                                                                   \
    X(uint8_t, AudioModeSet, 0)                                                                    \
    /* 1 while the tuner may not be tuned as the stored frequency and the */                       \
    /* standard now want (after a standard change, a refused frequency or a */                     \
    /* tuning that reached no board): the next frequency request tunes */                          \
    /* even if unchanged */                                                                        \
    X(uint8_t, RetuneNeeded, 0)                                                                    \
    X(uint32_t, CurrentVideoInput, 0)                                                              \
    X(SettingsRecordList, HandedOutRecords, {})                                                    \
    /* one-time initialisation markers, kept for the life of the module */                         \
    X(uint8_t, g_bIsScalerInitialized, 0)                                                          \
    X(uint8_t, g_bIsTvInitialized, 0)                                                              \
    X(uint8_t, audioInitializeCount, 0)                                                            \
    /* tuner and IF demodulator */                                                                 \
    /* the synthesizer's R0 to R8 as last written */                                               \
    X(RegisterCopy<9>, SynthShadow, {})                                                            \
    X(uint8_t, IfStandardCode, 0x01)                                                               \
    X(uint32_t, IfOffsetHz, 5750000)                                                               \
    X(uint8_t, NtscSelected, 0)                                                                    \
    X(uint32_t, CurrentTvStandard, 0)

#define TVB_DECLARE_STATE(type, name, init) extern type name;
TVB_MODULE_STATE(TVB_DECLARE_STATE)
#undef TVB_DECLARE_STATE

#if defined(TVBOARD_TEST_HOOKS)
// Puts every entry of the list back to its load value.
void RestoreLoadState();
#endif
