// The binary contract between the board module and the host streaming driver:
// records the host reads or hands in, the host's bus operations table and the
// five operation tables of the capability record. Every layout here is fixed by
// the host, so sizes and offsets are checked at compile time for the 32-bit
// target.
#pragma once

#include <stddef.h>
#include <stdint.h>

#if defined(__i386__)
#define TVB_STDCALL __attribute__((stdcall))
#else
#define TVB_STDCALL
#endif

// The three exports are the only symbols the module shows; on Windows the
// .def file names them, elsewhere they are the only default-visibility symbols.
#if defined(_WIN32)
#define TVB_EXPORT
#else
#define TVB_EXPORT __attribute__((visibility("default")))
#endif

// Every argument that crosses a table is one machine word (32 bits on the
// target). Arguments the module ignores are typed as such a word.
typedef uintptr_t Arg;
// The host's opaque handle for the open board; zero means no board is open.
typedef uintptr_t HostHandle;
typedef int32_t NtStatus;

constexpr NtStatus kStatusSuccess = 0;
constexpr NtStatus kStatusInsufficientResources = static_cast<NtStatus>(0xC000009AU);

// ---------------------------------------------------------------------------
// Settings and request record exchanged with the tuner operations.
struct TVTunerSettings {
    uint32_t Reserved0;
    uint32_t Reserved4;
    uint32_t Mode; // 1 = TV, 2 = FM radio
    uint32_t VideoStandard;
    uint32_t Frequency; // Hz
    uint32_t TuneInfo1;
    uint32_t TuneInfo2;
    uint32_t TunerInput;
    uint32_t Busy;
    uint32_t AudioMode;
    int32_t PllOffset;
    uint32_t SignalStrength;
    uint32_t RequestId;
    uint32_t Result;
};
static_assert(sizeof(TVTunerSettings) == 56, "settings record is 56 bytes");
static_assert(offsetof(TVTunerSettings, Mode) == 8, "Mode");
static_assert(offsetof(TVTunerSettings, VideoStandard) == 12, "VideoStandard");
static_assert(offsetof(TVTunerSettings, Frequency) == 16, "Frequency");
static_assert(offsetof(TVTunerSettings, TuneInfo1) == 20, "TuneInfo1");
static_assert(offsetof(TVTunerSettings, TuneInfo2) == 24, "TuneInfo2");
static_assert(offsetof(TVTunerSettings, TunerInput) == 28, "TunerInput");
static_assert(offsetof(TVTunerSettings, Busy) == 32, "Busy");
static_assert(offsetof(TVTunerSettings, AudioMode) == 36, "AudioMode");
static_assert(offsetof(TVTunerSettings, PllOffset) == 40, "PllOffset");
static_assert(offsetof(TVTunerSettings, SignalStrength) == 44, "SignalStrength");
static_assert(offsetof(TVTunerSettings, RequestId) == 48, "RequestId");
static_assert(offsetof(TVTunerSettings, Result) == 52, "Result");

// The host's board description, filled by OpenBoard.
struct BoardInfo {
    char Name[64];
    uint32_t Word64;
    uint32_t Word68;
    uint32_t Word72;
};
static_assert(offsetof(BoardInfo, Word64) == 64, "BoardInfo word at 64");
static_assert(offsetof(BoardInfo, Word72) == 72, "BoardInfo word at 72");

// ---------------------------------------------------------------------------
// The host's bus and pin operations (all stdcall, 32-bit arguments).
typedef uint32_t(TVB_STDCALL* WriteReg16Fn)(HostHandle ctx, uint32_t device, uint32_t addrBits,
                                            uint32_t reg, uint32_t value, uint32_t zero);
typedef uint32_t(TVB_STDCALL* ReadReg16Fn)(HostHandle ctx, uint32_t device, uint32_t addrBits,
                                           uint32_t reg, uint8_t* value, uint32_t zero);
typedef uint32_t(TVB_STDCALL* BusWriteFn)(HostHandle ctx, uint32_t device, uint32_t zero1,
                                          uint32_t zero2, uint32_t count, const uint8_t* bytes,
                                          uint32_t flags);
typedef uint32_t(TVB_STDCALL* BusReadFn)(HostHandle ctx, uint32_t device, uint32_t eight,
                                         uint32_t zero, uint32_t count, uint8_t* buffer,
                                         uint32_t flags);
typedef uint32_t(TVB_STDCALL* HostReservedFn)(void);
typedef uint32_t(TVB_STDCALL* WritePinsFn)(HostHandle handle, uint32_t count, const uint32_t* pins,
                                           const uint32_t* values, uint32_t zero);
typedef uint32_t(TVB_STDCALL* ReadPinsFn)(HostHandle ctx, uint32_t count, const uint32_t* pins,
                                          uint32_t* values, uint32_t one);

struct HostOpsTable {
    WriteReg16Fn WriteReg16;
    ReadReg16Fn ReadReg16;
    BusWriteFn BusWrite;
    BusReadFn BusRead;
    HostReservedFn Reserved4; // never called by the module
    HostReservedFn Reserved5; // never called by the module
    WritePinsFn WritePins;
    ReadPinsFn ReadPins;
};
static_assert(sizeof(HostOpsTable) == 8 * sizeof(void*), "host table has eight slots");

// Constant arguments the host expects with its bus operations.
constexpr uint32_t kReg16AddressBits = 16;
constexpr uint32_t kBusReadMode = 8;
constexpr uint32_t kBusTransferFlags = 0x8000;

// ---------------------------------------------------------------------------
// Records the video, audio and tuner operations fill for the host.
struct VideoStandardDescriptor {
    char Name[64];
    char Description[256];
    uint32_t Reserved320;
    uint32_t Size;
    uint32_t Standards;
    uint32_t FrameRate; // frames per second times 1001
    uint32_t Width;
    uint32_t Height;
    uint32_t Word344;
    uint8_t Tail[12];
};
static_assert(sizeof(VideoStandardDescriptor) == 360, "descriptor is 360 bytes");
static_assert(offsetof(VideoStandardDescriptor, Size) == 324, "Size");
static_assert(offsetof(VideoStandardDescriptor, Standards) == 328, "Standards");
static_assert(offsetof(VideoStandardDescriptor, Word344) == 344, "word at 344");

struct VideoPropertyDefaults {
    uint32_t Value[17]; // property k at index k - 1
};
static_assert(sizeof(VideoPropertyDefaults) == 68, "defaults are 17 words");

// Host record handed to InitializeSensor: word 0 = video input, word 1 = value
// for the audio demodulator restart property.
struct SensorInitRecord {
    uint32_t VideoInput;
    uint32_t RestartValue;
};

struct AudioFormat {
    uint32_t Reserved0;
    uint32_t SampleRate;
    uint32_t FormatMode;
    uint32_t FormatWord;
};
static_assert(sizeof(AudioFormat) == 16, "audio format record");

struct AudioInterfaceConfig {
    uint16_t Word[33];
};
static_assert(sizeof(AudioInterfaceConfig) == 66, "audio interface config is 33 words");

struct TunerModeCaps {
    uint32_t MinFrequency;
    uint32_t MaxFrequency;
    uint32_t TuningGranularity;
    uint32_t NumberOfInputs;
    uint32_t SettlingTime;
};
static_assert(sizeof(TunerModeCaps) == 20, "tuner mode caps are five words");

// ---------------------------------------------------------------------------
// The five operation tables. Each slot carries its own stdcall signature; the
// argument count is part of the contract with the host.
typedef Arg(TVB_STDCALL* Stub2Fn)(Arg, Arg);
typedef Arg(TVB_STDCALL* Stub3Fn)(Arg, Arg, Arg);
typedef Arg(TVB_STDCALL* Stub20Fn)(Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg,
                                   Arg, Arg, Arg, Arg, Arg, Arg, Arg);

typedef NtStatus(TVB_STDCALL* OpenBoardFn)(HostHandle ctx, TVTunerSettings** settingsOut,
                                           BoardInfo* info);
typedef NtStatus(TVB_STDCALL* CloseBoardFn)(TVTunerSettings* settings, Arg unused);

struct BoardOpsTable {
    OpenBoardFn OpenBoard;
    CloseBoardFn CloseBoard;
};
static_assert(sizeof(BoardOpsTable) == 2 * sizeof(void*), "BoardOps has 2 slots");

typedef uint32_t(TVB_STDCALL* GetVideoStandardsFn)(Arg, Arg, uint32_t* count,
                                                   VideoStandardDescriptor* buffer);
typedef uint32_t(TVB_STDCALL* GetVideoPropertyDefaultsFn)(Arg, Arg,
                                                          VideoPropertyDefaults* defaults);
typedef int32_t(TVB_STDCALL* InitializeSensorFn)(const SensorInitRecord* record, Arg hostValue,
                                                 int32_t restartValue, int32_t videoInput,
                                                 int32_t p1, int32_t p2, int32_t p3, int32_t p4,
                                                 int32_t p5, int32_t p6, int32_t p7, int32_t p8,
                                                 int32_t p9, int32_t p10, int32_t p11, int32_t p12,
                                                 int32_t p13, int32_t p14, int32_t p15, int32_t p16,
                                                 int32_t p17);
typedef uint32_t(TVB_STDCALL* SetVideoPropertyFn)(Arg a1, Arg a2, uint32_t property, int32_t value,
                                                  Arg a5);
typedef uint32_t(TVB_STDCALL* GetVideoPropertyFn)(Arg a1, Arg a2, uint32_t property,
                                                  uint32_t* value, Arg a5);

struct VideoOpsTable {
    Stub2Fn Slot0;
    Stub2Fn Slot1;
    GetVideoStandardsFn GetVideoStandards;
    GetVideoPropertyDefaultsFn GetVideoPropertyDefaults;
    InitializeSensorFn InitializeSensor;
    Stub2Fn Slot5;
    Stub20Fn Slot6;
    Stub2Fn Slot7;
    SetVideoPropertyFn SetVideoProperty;
    GetVideoPropertyFn GetVideoProperty;
    Stub3Fn Slot10;
    Stub3Fn Slot11;
};
static_assert(sizeof(VideoOpsTable) == 12 * sizeof(void*), "VideoOps has 12 slots");

typedef uint32_t(TVB_STDCALL* GetAudioFormatFn)(Arg, Arg, AudioInterfaceConfig* config,
                                                AudioFormat* format);
typedef uint32_t(TVB_STDCALL* SetAudioSampleRateFn)(Arg, HostHandle handle, AudioFormat* format);

struct AudioOpsTable {
    Stub2Fn Slot0;
    GetAudioFormatFn GetAudioFormat;
    SetAudioSampleRateFn SetAudioSampleRate;
    Stub2Fn Slot3;
};
static_assert(sizeof(AudioOpsTable) == 4 * sizeof(void*), "AudioOps has 4 slots");

typedef uint32_t(TVB_STDCALL* InputSelectFn)(Arg, Arg, uint32_t input);

struct InputOpsTable {
    Stub2Fn Slot0;
    Stub2Fn InputQuery;
    Stub2Fn Slot2;
    InputSelectFn InputSelect;
    Stub3Fn Slot4;
};
static_assert(sizeof(InputOpsTable) == 5 * sizeof(void*), "InputOps has 5 slots");

typedef uint32_t(TVB_STDCALL* GetTunerModeCapsFn)(Arg, Arg, uint32_t mode, TunerModeCaps* caps);
typedef uint32_t(TVB_STDCALL* TunerPropertyFn)(TVTunerSettings* settings, Arg unused,
                                               TVTunerSettings* request);

struct TunerOpsTable {
    GetTunerModeCapsFn GetTunerModeCaps;
    TunerPropertyFn GetTunerProperty;
    TunerPropertyFn SetTunerProperty;
};
static_assert(sizeof(TunerOpsTable) == 3 * sizeof(void*), "TunerOps has 3 slots");

struct BoardModuleCaps {
    uint32_t Size;
    uint32_t Word4;
    uint32_t Word8;
    uint32_t Word12;
    const BoardOpsTable* BoardOps;
    const VideoOpsTable* VideoOps;
    const AudioOpsTable* AudioOps;
    const InputOpsTable* InputOps;
    const TunerOpsTable* TunerOps;
};
static_assert(offsetof(BoardModuleCaps, BoardOps) == 16, "tables start at 16");

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(void*) == 4, "32-bit target");
static_assert(sizeof(BoardModuleCaps) == 36, "capability record is 36 bytes");
static_assert(offsetof(BoardModuleCaps, TunerOps) == 32, "TunerOps at 32");
static_assert(sizeof(BoardInfo) == 76, "BoardInfo");
#endif

// ---------------------------------------------------------------------------
// The three exports.
extern "C" {
TVB_EXPORT NtStatus TVB_STDCALL DllInitialize(void* registryPath);
TVB_EXPORT NtStatus TVB_STDCALL DllUnload(void);
TVB_EXPORT void TVB_STDCALL GetBoardModuleCaps(Arg unused, const HostOpsTable* hostOps,
                                               const BoardModuleCaps* const** listOut,
                                               uint32_t* countOut);
}
