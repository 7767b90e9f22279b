/* Modules that are wrong in the ways a bench must survive and name, built as
 * shared libraries the bench loads with --module:
 *   FAKE_NULL_TABLES  a capability record whose tables are null
 *   FAKE_NULL_SLOT    a record with a null slot (SetTunerProperty)
 *   FAKE_LIAR         a module that answers every call but never touches
 *                     the board: it says "locked" on every frequency, on
 *                     the carrier, with stereo and every language.
 *   FAKE_BAD_RECORDS  the liar, whose records also describe what no board
 *                     does: an NTSC descriptor of 576 lines at 25 frames/s,
 *                     a TV range up to 1000 MHz, a 32 kHz audio format
 *                     with the 48 kHz rate code.
 *   FAKE_MISBEHAVE    the liar, which misbehaves as TVB_FAKE in the
 *                     environment says: WHAT:CALL makes the export or
 *                     operation CALL abort, fault on a null pointer (segv),
 *                     loop forever (hang), end the process with _exit(0)
 *                     (exit), print to stdout (print) or take half a second
 *                     (slow); garbage-table hands out a record with a
 *                     VideoOps table that points nowhere, size one whose size
 *                     reads 0xFFFFFFFF, tuner-caps TV caps with the lowest
 *                     frequency above the highest. */
#include "include/tvboard.h"

#include <string.h>

#if defined(FAKE_MISBEHAVE)
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static volatile int* volatile g_nowhere = 0;

static const char* Fault(void) {
    const char* fault = getenv("TVB_FAKE");
    return fault != 0 ? fault : "";
}
/* Whether TVB_FAKE is WHAT:CALL (or WHAT, for a call of null). */
static int Asked(const char* what, const char* call) {
    const char* fault = Fault();
    const size_t n = strlen(what);
    if (strncmp(fault, what, n) != 0) {
        return 0;
    }
    return call == 0 ? fault[n] == 0 : fault[n] == ':' && strcmp(fault + n + 1, call) == 0;
}
static void Misbehave(const char* call) {
    if (Asked("abort", call)) {
        abort();
    }
    if (Asked("segv", call)) {
        *g_nowhere = 1;
    }
    if (Asked("hang", call)) {
        for (;;) {
            *(volatile const char*)call;
        }
    }
    if (Asked("exit", call)) {
        _exit(0);
    }
    if (Asked("print", call)) {
        printf("%s was here\n", call);
    }
    if (Asked("slow", call)) {
        const struct timespec half = {0, 500000000};
        nanosleep(&half, 0);
    }
}
#define MISBEHAVE(call) Misbehave(call)
#else
#define MISBEHAVE(call) ((void)0)
#endif

static TVB_TUNER_SETTINGS g_settings;

static TVB_ARG TVB_API Stub2(TVB_ARG a, TVB_ARG b) {
    (void)a;
    (void)b;
    return 0;
}
static TVB_ARG TVB_API Stub3(TVB_ARG a, TVB_ARG b, TVB_ARG c) {
    (void)a;
    (void)b;
    (void)c;
    return 0;
}
static TVB_ARG TVB_API Stub20(TVB_ARG a1, TVB_ARG a2, TVB_ARG a3, TVB_ARG a4, TVB_ARG a5,
                              TVB_ARG a6, TVB_ARG a7, TVB_ARG a8, TVB_ARG a9, TVB_ARG a10,
                              TVB_ARG a11, TVB_ARG a12, TVB_ARG a13, TVB_ARG a14, TVB_ARG a15,
                              TVB_ARG a16, TVB_ARG a17, TVB_ARG a18, TVB_ARG a19, TVB_ARG a20) {
    return a1 & a2 & a3 & a4 & a5 & a6 & a7 & a8 & a9 & a10 & a11 & a12 & a13 & a14 & a15 & a16 &
           a17 & a18 & a19 & a20 & 0;
}

static TVB_STATUS TVB_API FakeOpenBoard(TVB_HOST_HANDLE ctx, TVB_TUNER_SETTINGS** out,
                                        TVB_BOARD_INFO* info) {
    MISBEHAVE("OpenBoard");
    (void)ctx;
    (void)info;
    memset(&g_settings, 0, sizeof g_settings);
    g_settings.Frequency = 67250000;
    *out = &g_settings;
    return TVB_STATUS_SUCCESS;
}
static TVB_STATUS TVB_API FakeCloseBoard(TVB_TUNER_SETTINGS* settings, TVB_ARG unused) {
    MISBEHAVE("CloseBoard");
    (void)settings;
    (void)unused;
    return TVB_STATUS_SUCCESS;
}
static uint32_t TVB_API FakeGetVideoStandards(TVB_ARG a, TVB_ARG b, uint32_t* count,
                                              TVB_VIDEO_STANDARD_DESCRIPTOR* buffer) {
    MISBEHAVE("GetVideoStandards");
    (void)a;
    (void)b;
    *count = 0;
#if defined(FAKE_BAD_RECORDS)
    memset(buffer, 0, sizeof *buffer);
    strcpy(buffer->Name, "Decoder NTSC");
    buffer->Size = sizeof *buffer;
    buffer->Standards = TVB_STANDARD_NTSC_M;
    buffer->FrameRate = 25025;
    buffer->Width = 720;
    buffer->Height = 576;
    *count = 1;
#else
    (void)buffer;
#endif
    return 0;
}
static uint32_t TVB_API FakeGetVideoPropertyDefaults(TVB_ARG a, TVB_ARG b,
                                                     TVB_VIDEO_PROPERTY_DEFAULTS* d) {
    MISBEHAVE("GetVideoPropertyDefaults");
    (void)a;
    (void)b;
    memset(d, 0, sizeof *d);
    return 0;
}
static int32_t TVB_API FakeInitializeSensor(const TVB_SENSOR_INIT_RECORD* r, TVB_ARG h, int32_t a3,
                                            int32_t a4, int32_t p1, int32_t p2, int32_t p3,
                                            int32_t p4, int32_t p5, int32_t p6, int32_t p7,
                                            int32_t p8, int32_t p9, int32_t p10, int32_t p11,
                                            int32_t p12, int32_t p13, int32_t p14, int32_t p15,
                                            int32_t p16, int32_t p17) {
    MISBEHAVE("InitializeSensor");
    (void)r;
    (void)h;
    return a3 & a4 & p1 & p2 & p3 & p4 & p5 & p6 & p7 & p8 & p9 & p10 & p11 & p12 & p13 & p14 &
           p15 & p16 & p17 & 0;
}
static uint32_t TVB_API FakeSetVideoProperty(TVB_ARG a1, TVB_ARG a2, uint32_t p, int32_t v,
                                             TVB_ARG a5) {
    MISBEHAVE("SetVideoProperty");
    (void)a1;
    (void)a2;
    (void)p;
    (void)v;
    (void)a5;
    return 0;
}
static uint32_t TVB_API FakeGetVideoProperty(TVB_ARG a1, TVB_ARG a2, uint32_t p, uint32_t* v,
                                             TVB_ARG a5) {
    MISBEHAVE("GetVideoProperty");
    (void)a1;
    (void)a2;
    (void)p;
    (void)v;
    (void)a5;
    return 0;
}
static uint32_t TVB_API FakeGetAudioFormat(TVB_ARG a, TVB_ARG b, TVB_AUDIO_INTERFACE_CONFIG* c,
                                           TVB_AUDIO_FORMAT* f) {
    MISBEHAVE("GetAudioFormat");
    (void)a;
    (void)b;
#if defined(FAKE_BAD_RECORDS)
    memset(c, 0, sizeof *c);
    f->SampleRate = TVB_SAMPLE_RATE_32000;
    c->Word[1] = 8; /* the code of 48 kHz */
#else
    (void)c;
    (void)f;
#endif
    return 0;
}
static uint32_t TVB_API FakeSetAudioSampleRate(TVB_ARG a, TVB_HOST_HANDLE h, TVB_AUDIO_FORMAT* f) {
    MISBEHAVE("SetAudioSampleRate");
    (void)a;
    (void)h;
    (void)f;
    return 0;
}
static uint32_t TVB_API FakeInputSelect(TVB_ARG a, TVB_ARG b, uint32_t input) {
    MISBEHAVE("InputSelect");
    (void)a;
    (void)b;
    (void)input;
    return 0;
}
static uint32_t TVB_API FakeGetTunerModeCaps(TVB_ARG a, TVB_ARG b, uint32_t mode,
                                             TVB_TUNER_MODE_CAPS* caps) {
    MISBEHAVE("GetTunerModeCaps");
    (void)a;
    (void)b;
    if (mode == TVB_TUNER_MODE_TV) {
        caps->MinFrequency = 40000000;
#if defined(FAKE_BAD_RECORDS)
        caps->MaxFrequency = 1000000000;
#else
        caps->MaxFrequency = 847000000;
#endif
#if defined(FAKE_MISBEHAVE)
        if (Asked("tuner-caps", 0)) {
            caps->MinFrequency = 847000000;
            caps->MaxFrequency = 40000000;
        }
#endif
        caps->TuningGranularity = 62500;
        caps->NumberOfInputs = 2;
        caps->SettlingTime = 500;
    }
    return 0;
}
static uint32_t TVB_API FakeGetTunerProperty(TVB_TUNER_SETTINGS* s, TVB_ARG u,
                                             TVB_TUNER_SETTINGS* r) {
    MISBEHAVE("GetTunerProperty");
    (void)u;
    r->Frequency = s->Frequency;
    if (r->RequestId == TVB_REQUEST_STATUS) {
        r->Busy = 0; /* "locked", without asking the demodulator */
        r->PllOffset = 0;
        r->SignalStrength = TVB_SIGNAL_FULL;
    } else if (r->RequestId == TVB_REQUEST_MODE) {
        r->AudioMode = 0x73; /* every mode there is */
    }
    return 0;
}
static uint32_t TVB_API SetTuner(TVB_TUNER_SETTINGS* s, TVB_ARG u, TVB_TUNER_SETTINGS* r) {
    MISBEHAVE("SetTunerProperty");
    (void)u;
    if (r->RequestId == TVB_REQUEST_FREQUENCY) {
        s->Frequency = r->Frequency; /* "tuned", without a word to the synthesizer */
    }
    r->Result = TVB_AUDIO_MODE_APPLIED;
    return 0;
}

/* What a variant leaves out: a null pointer of the entry's type. */
#define ABSENT(entry) (0 ? (entry) : 0)
#if defined(FAKE_NULL_TABLES)
#define TABLE(t) ABSENT(t)
#else
#define TABLE(t) (t)
#endif
#if defined(FAKE_NULL_SLOT)
#define SLOT(f) ABSENT(f)
#else
#define SLOT(f) (f)
#endif
/* The slot FAKE_NULL_SLOT leaves out. */
#define FakeSetTunerProperty SLOT(SetTuner)
/* The input last selected is always the tuner. */
static TVB_ARG TVB_API FakeInputQuery(TVB_ARG a, TVB_ARG b) {
    MISBEHAVE("InputQuery");
    return a & b & 0;
}

/* The tables as the header lists them: each operation the fake's own of its
 * name, each stub one of its argument count that returns 0. */
#define FAKE_OP(table, slot, member, type, arguments, routine) Fake##member,
#define FAKE_STUB(table, slot, member, arguments, result) Stub##arguments,
#define FAKE_TABLE(table, type, slots) static const type k##table = {slots(FAKE_OP, FAKE_STUB)};
TVB_OPS_TABLES(FAKE_TABLE)
static const TVB_BOARD_MODULE_CAPS kCaps = {sizeof(TVB_BOARD_MODULE_CAPS),
                                            TVB_CAPS_WORD4,
                                            TVB_CAPS_WORD8,
                                            TVB_CAPS_WORD12,
                                            &kBoardOps,
                                            TABLE(&kVideoOps),
                                            &kAudioOps,
                                            TABLE(&kInputOps),
                                            &kTunerOps};
static const TVB_BOARD_MODULE_CAPS* const kList[1] = {&kCaps};
#if defined(FAKE_MISBEHAVE)
static const TVB_BOARD_MODULE_CAPS kGarbageTable = {sizeof(TVB_BOARD_MODULE_CAPS),
                                                    TVB_CAPS_WORD4,
                                                    TVB_CAPS_WORD8,
                                                    TVB_CAPS_WORD12,
                                                    &kBoardOps,
                                                    (const TVB_VIDEO_OPS*)(uintptr_t)0x5A5A5A50u,
                                                    &kAudioOps,
                                                    &kInputOps,
                                                    &kTunerOps};
static const TVB_BOARD_MODULE_CAPS kHugeSize = {0xFFFFFFFFu,     TVB_CAPS_WORD4, TVB_CAPS_WORD8,
                                                TVB_CAPS_WORD12, &kBoardOps,     &kVideoOps,
                                                &kAudioOps,      &kInputOps,     &kTunerOps};
static const TVB_BOARD_MODULE_CAPS* const kGarbageTableList[1] = {&kGarbageTable};
static const TVB_BOARD_MODULE_CAPS* const kHugeSizeList[1] = {&kHugeSize};
#endif

TVB_DECLSPEC TVB_STATUS TVB_API DllInitialize(void* registryPath) {
    (void)registryPath;
    MISBEHAVE("DllInitialize");
    return TVB_STATUS_SUCCESS;
}
TVB_DECLSPEC TVB_STATUS TVB_API DllUnload(void) {
    MISBEHAVE("DllUnload");
    return TVB_STATUS_SUCCESS;
}
TVB_DECLSPEC void TVB_API GetBoardModuleCaps(TVB_ARG unused, const TVB_HOST_OPS* hostOps,
                                             const TVB_BOARD_MODULE_CAPS* const** listOut,
                                             uint32_t* countOut) {
    (void)unused;
    (void)hostOps;
    MISBEHAVE("GetBoardModuleCaps");
    if (listOut != 0) {
        *listOut = kList;
#if defined(FAKE_MISBEHAVE)
        if (Asked("garbage-table", 0)) {
            *listOut = kGarbageTableList;
        } else if (Asked("size", 0)) {
            *listOut = kHugeSizeList;
        }
#endif
    }
    if (countOut != 0) {
        *countOut = 1;
    }
}
