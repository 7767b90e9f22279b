/* tvboard.h: what a host streaming driver needs to load and drive the TV
 * tuner board module tvboard.sys.
 *
 * The module is a kernel-mode export driver for 32-bit x86 Windows. The
 * host links against its import library (lib/libtvboard.a with MinGW,
 * lib/tvboard.lib with the WDK's linker), calls
 * GetBoardModuleCaps once with its table of bus operations, and reaches
 * everything else through the five operation tables of the capability
 * record. Every operation, in both directions, is stdcall with 32-bit
 * arguments; the number of arguments of each slot is part of the contract.
 *
 * Plain C (C89 and later) and C++; MinGW-w64 and the WDK's compiler. This
 * header is the one definition of the interface: the module, its emulated
 * board, the host driver and the tools all build on it. The layouts below
 * are checked at compile time wherever it is included.
 *
 * Records carry two names: the struct tag the module's documentation uses
 * (TVTunerSettings, BoardInfo, ...) and an upper-case typedef for C hosts. */
#ifndef TVBOARD_H
#define TVBOARD_H

/* The release this header belongs to; the image's version resource carries
 * the same as its file and product version (MAJOR.MINOR.PATCH.0). */
#define TVBOARD_VERSION_MAJOR 1
#define TVBOARD_VERSION_MINOR 0
#define TVBOARD_VERSION_PATCH 0

#include <stddef.h>
#if defined(_MSC_VER) && _MSC_VER < 1600
typedef unsigned __int8 uint8_t;
typedef unsigned __int16 uint16_t;
typedef __int32 int32_t;
typedef unsigned __int32 uint32_t;
typedef unsigned int uintptr_t;
#else
#include <stdint.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The calling convention of every operation. */
#if defined(_MSC_VER) || defined(__MINGW32__) || defined(_WIN32)
#define TVB_API __stdcall
#elif defined(__GNUC__) && defined(__i386__)
#define TVB_API __attribute__((stdcall))
#else
#define TVB_API
#endif

/* How the exports are declared: a host imports GetBoardModuleCaps from the
 * image (unless it links the module statically, TVBOARD_STATIC); the
 * module's own build (TVBOARD_MODULE) defines all three, named on Windows by
 * its .def file and elsewhere the only symbols of default visibility. */
#if defined(TVBOARD_MODULE)
#if defined(_WIN32)
#define TVB_DECLSPEC
#else
#define TVB_DECLSPEC __attribute__((visibility("default")))
#endif
#elif defined(_WIN32) && !defined(TVBOARD_STATIC)
#define TVB_DECLSPEC __declspec(dllimport)
#else
#define TVB_DECLSPEC
#endif

/* Compile-time checks of the layouts (an array of negative size otherwise). */
#define TVB_CHECK(name, condition) typedef char tvb_check_##name[(condition) ? 1 : -1]

/* One argument or result of a table operation: a machine word, 32 bits on
 * the target. Arguments the module ignores are typed as such a word. */
typedef uintptr_t TVB_ARG;
/* The host's handle for the open board; zero means no board is open. */
typedef uintptr_t TVB_HOST_HANDLE;
typedef int32_t TVB_STATUS;

/* Results of the exports and of OpenBoard (NTSTATUS values). */
#define TVB_STATUS_SUCCESS 0 /* STATUS_SUCCESS */
/* STATUS_INSUFFICIENT_RESOURCES: OpenBoard got no pool for the record. */
#define TVB_STATUS_INSUFFICIENT_RESOURCES ((TVB_STATUS)0xC000009AL)

/* ------------------------------------------------------------------------
 * Constants */

/* The fixed words of the capability record. */
#define TVB_CAPS_WORD4 0x10FDu
#define TVB_CAPS_WORD8 0xDE00u
#define TVB_CAPS_WORD12 1u

/* What the slots the board does not support return, whatever their
 * arguments, where it is not 0 (the tables' lists below say which return
 * what); their meaning is the host's. */
#define TVB_VIDEO_SLOT0_RESULT 0x155u    /* VideoOps slot 0 */
#define TVB_AUDIO_SLOT0_RESULT 0x131001u /* AudioOps slot 0 */
#define TVB_INPUT_SLOT0_RESULT 7u        /* InputOps slot 0 */
#define TVB_INPUT_SLOT2_RESULT 3u        /* InputOps slot 2 */

/* TVB_BOARD_INFO as OpenBoard fills it: the name with its terminating zero
 * (the rest of the name area is left alone) and three words. */
#define TVB_BOARD_NAME "TV Tuner Board"
#define TVB_BOARD_INFO_WORD64 0x208u
#define TVB_BOARD_INFO_WORD68 0u
#define TVB_BOARD_INFO_WORD72 15u

/* Bus devices the module addresses through the host's operations. */
#define TVB_DECODER_ADDRESS 0x42u  /* audio/video decoder, 16-bit registers */
#define TVB_IF_DEMOD_ADDRESS 0x96u /* IF demodulator, 8-bit sub-addresses */
#define TVB_SYNTH_ADDRESS 0xC2u    /* tuner synthesizer, behind the demodulator's gate */
/* Constant arguments of the bus and pin operations, as the module passes
 * them in every call: the width of the decoder's register addresses
 * (WriteReg16, ReadReg16), the third argument of BusWrite and of BusRead,
 * the flag word of both, the last argument of ReadPins, and zero in every
 * other place the slot types below name zero (docs/host-interface.md). */
#define TVB_REG16_ADDRESS_BITS 16u
#define TVB_BUS_WRITE_MODE 0u
#define TVB_BUS_READ_MODE 8u
#define TVB_BUS_TRANSFER_FLAGS 0x8000u
#define TVB_READ_PINS_MODE 1u
#define TVB_HOST_ZERO_ARG 0u
/* The longest transfers: BusWrite carries at most this many bytes, the
 * sub-address included (the synthesizer's register block); BusRead asks
 * for at most two (a register and the next). */
#define TVB_BUS_WRITE_MAX_BYTES 14u
#define TVB_BUS_READ_MAX_BYTES 2u

/* The decoder's audio DSP: its registers, TVB_DSP_FIRST_REGISTER to
 * TVB_DSP_LAST_REGISTER (both included), are reached only through the
 * handshake on the status register, outside that range, whose three bits
 * the board sets (docs/board-registers.md). */
#define TVB_DSP_FIRST_REGISTER 0x400u
#define TVB_DSP_LAST_REGISTER 0x500u
#define TVB_DSP_STATUS_REGISTER 0x580u
#define TVB_DSP_READY 0x01u      /* bit 0: the DSP takes an access */
#define TVB_DSP_DATA_READY 0x02u /* bit 1: the value asked for can be fetched */
#define TVB_DSP_READ_DONE 0x04u  /* bit 2: the fetch has been seen */

/* The board's general-purpose pins, numbered 0 to TVB_PIN_COUNT - 1. The
 * module drives one (the audio clock, from SetAudioSampleRate) and reads all
 * of them at once as the board's pin byte (frequency get request), which
 * counts only while TVB_PIN_BYTE_VALID reads 1. */
#define TVB_PIN_COUNT 8u
#define TVB_PIN_SAMPLE_RATE 0u /* driven: 1 for 48 kHz, 0 for 44.1 kHz */
#define TVB_PIN_RATE_48000 1u
#define TVB_PIN_RATE_44100 0u
#define TVB_PIN_BYTE_VALID 7u   /* read: the byte counts only while this reads 1 */
#define TVB_PIN_BYTE_MASK 0x9Fu /* the bits of the byte reported: 5 and 6 are not */

/* Tuner modes (TVB_TUNER_SETTINGS.Mode, GetTunerModeCaps). The board tunes
 * TV only; an FM radio mode is stored and reported, nothing more. */
#define TVB_TUNER_MODE_TV 1u       /* KSPROPERTY_TUNER_MODE_TV */
#define TVB_TUNER_MODE_FM_RADIO 2u /* KSPROPERTY_TUNER_MODE_FM_RADIO */

/* TVB_TUNER_SETTINGS.RequestId of the tuner property operations: the
 * property numbers of ksmedia.h's tuner and TV audio property sets. */
#define TVB_REQUEST_AUDIO_MODE 1u /* set/get the TV audio mode: KSPROPERTY_TVAUDIO_MODE */
/* set: the tuner mode (KSPROPERTY_TUNER_MODE); get: the TV audio modes the
 * broadcast offers now (KSPROPERTY_TVAUDIO_CURRENTLY_AVAILABLE_MODES) */
#define TVB_REQUEST_MODE 2u
#define TVB_REQUEST_VIDEO_STANDARD 3u /* set the video standard: KSPROPERTY_TUNER_STANDARD */
/* set: tune; get: frequency and the board's pin byte (KSPROPERTY_TUNER_FREQUENCY) */
#define TVB_REQUEST_FREQUENCY 4u
#define TVB_REQUEST_TUNER_INPUT 5u /* set the tuner input: KSPROPERTY_TUNER_INPUT */
#define TVB_REQUEST_STATUS 6u      /* get: lock, AFC step, signal: KSPROPERTY_TUNER_STATUS */

/* TVB_TUNER_SETTINGS.Result of an audio-mode set request. */
#define TVB_AUDIO_MODE_REFUSED 0u /* not every mode asked for is on the air now */
#define TVB_AUDIO_MODE_APPLIED 1u
/* TVB_TUNER_SETTINGS.SignalStrength of a status request that found the tuner
 * locked right on the carrier (AFC step 0); 0 otherwise. */
#define TVB_SIGNAL_FULL 100u

/* Video property numbers of SetVideoProperty and GetVideoProperty; every
 * other number is accepted and does nothing. */
#define TVB_PROPERTY_VIDEO_INPUT 0u         /* set: a TVB_VIDEO_INPUT_* */
#define TVB_PROPERTY_BRIGHTNESS 1u          /* set: TVB_BRIGHTNESS_MIN..MAX */
#define TVB_PROPERTY_CONTRAST 3u            /* set: TVB_CONTRAST_MIN..MAX */
#define TVB_PROPERTY_HUE 5u                 /* set: TVB_HUE_MIN..MAX */
#define TVB_PROPERTY_SATURATION 7u          /* set: TVB_SATURATION_MIN..MAX */
#define TVB_PROPERTY_STATUS_BIT1 0x1000u    /* get: decoder status bit 1, 0 or 1 */
#define TVB_PROPERTY_STATUS_BIT0 0x1001u    /* get: decoder status bit 0, 0 or 1 */
#define TVB_PROPERTY_AUDIO_RESTART 0x1002u  /* set: restart the audio demodulator */
#define TVB_PROPERTY_OUTPUT_CONTROL 0x1003u /* set: decoder output on (nonzero) or off */
/* The video properties 1 to 17 InitializeSensor takes (arguments 5 to 21)
 * and GetVideoPropertyDefaults reports, in property order. */
#define TVB_VIDEO_PROPERTY_COUNT 17u

/* The picture controls' ranges, both ends included; a value outside its
 * range leaves the control as it was (and the call still returns 0). */
#define TVB_BRIGHTNESS_MIN 0
#define TVB_BRIGHTNESS_MAX 100
#define TVB_CONTRAST_MIN 0
#define TVB_CONTRAST_MAX 100
#define TVB_SATURATION_MIN 0
#define TVB_SATURATION_MAX 100
#define TVB_HUE_MIN (-50)
#define TVB_HUE_MAX 50

/* Video inputs (TVB_PROPERTY_VIDEO_INPUT, InputOps slots 1 and 3,
 * InitializeSensor argument 4, TVB_SENSOR_INIT_RECORD.VideoInput). Any other
 * number is set up as the tuner input and reported back as passed. */
#define TVB_VIDEO_INPUT_TUNER 0u     /* the tuner: picture and TV sound */
#define TVB_VIDEO_INPUT_COMPOSITE 1u /* external composite video, line-in sound */
#define TVB_VIDEO_INPUT_SVIDEO 2u    /* external S-video (Y/C), line-in sound */

/* InitializeSensor: argument 3 (audio restart value) or 4 (video input) at
 * this value takes the value from the record of argument 1; the result
 * without a record. */
#define TVB_SENSOR_USE_RECORD (-1)
#define TVB_SENSOR_NO_RECORD (-1)

/* Audio sample rates: SetAudioSampleRate drives the board's rate pin for
 * these two; GetAudioFormat always reports the 32 kHz the audio path
 * delivers. */
#define TVB_SAMPLE_RATE_48000 48000u
#define TVB_SAMPLE_RATE_44100 44100u
#define TVB_SAMPLE_RATE_32000 32000u

/* The number of video standard descriptors GetVideoStandards writes. */
#define TVB_VIDEO_STANDARD_COUNT 3u

/* The pool tag of the settings record, the bytes "Wdm ". */
#define TVB_POOL_TAG 0x206D6457u

/* Analog video standards, one bit each (TVB_TUNER_SETTINGS.VideoStandard,
 * TVB_VIDEO_STANDARD_DESCRIPTOR.Standards), with the values and, in the
 * comments, the names of Windows' ksmedia.h. */
#define TVB_STANDARD_NTSC_M 0x00000001u   /* KS_AnalogVideo_NTSC_M */
#define TVB_STANDARD_NTSC_M_J 0x00000002u /* KS_AnalogVideo_NTSC_M_J */
#define TVB_STANDARD_NTSC_433 0x00000004u /* KS_AnalogVideo_NTSC_433 */
#define TVB_STANDARD_PAL_B 0x00000010u    /* KS_AnalogVideo_PAL_B */
#define TVB_STANDARD_PAL_D 0x00000020u    /* KS_AnalogVideo_PAL_D */
#define TVB_STANDARD_PAL_G 0x00000040u    /* KS_AnalogVideo_PAL_G */
#define TVB_STANDARD_PAL_H 0x00000080u    /* KS_AnalogVideo_PAL_H */
#define TVB_STANDARD_PAL_I 0x00000100u    /* KS_AnalogVideo_PAL_I */
#define TVB_STANDARD_PAL_M 0x00000200u    /* KS_AnalogVideo_PAL_M */
#define TVB_STANDARD_PAL_N 0x00000400u    /* KS_AnalogVideo_PAL_N */
#define TVB_STANDARD_PAL_60 0x00000800u   /* KS_AnalogVideo_PAL_60 */
#define TVB_STANDARD_SECAM_B 0x00001000u  /* KS_AnalogVideo_SECAM_B */
#define TVB_STANDARD_SECAM_D 0x00002000u  /* KS_AnalogVideo_SECAM_D */
#define TVB_STANDARD_SECAM_G 0x00004000u  /* KS_AnalogVideo_SECAM_G */
#define TVB_STANDARD_SECAM_H 0x00008000u  /* KS_AnalogVideo_SECAM_H */
#define TVB_STANDARD_SECAM_K 0x00010000u  /* KS_AnalogVideo_SECAM_K */
#define TVB_STANDARD_SECAM_K1 0x00020000u /* KS_AnalogVideo_SECAM_K1 */
#define TVB_STANDARD_SECAM_L 0x00040000u  /* KS_AnalogVideo_SECAM_L */
#define TVB_STANDARD_SECAM_L1 0x00080000u /* KS_AnalogVideo_SECAM_L1, L' */

/* TV audio modes (TVB_TUNER_SETTINGS.AudioMode), as in ksmedia.h. */
#define TVB_AUDIO_MODE_MONO 0x0001u   /* KS_TVAUDIO_MODE_MONO */
#define TVB_AUDIO_MODE_STEREO 0x0002u /* KS_TVAUDIO_MODE_STEREO */
#define TVB_AUDIO_MODE_LANG_A 0x0010u /* KS_TVAUDIO_MODE_LANG_A */
#define TVB_AUDIO_MODE_LANG_B 0x0020u /* KS_TVAUDIO_MODE_LANG_B */
#define TVB_AUDIO_MODE_LANG_C 0x0040u /* KS_TVAUDIO_MODE_LANG_C */

/* ------------------------------------------------------------------------
 * Records */

/* Settings and request record of the tuner operations. OpenBoard hands the
 * host one, allocated from non-paged pool; CloseBoard takes it back. */
typedef struct TVTunerSettings {
    uint32_t Reserved0;
    uint32_t Reserved4;
    uint32_t Mode;          /* TVB_TUNER_MODE_* */
    uint32_t VideoStandard; /* one KS_AnalogVideo_* bit */
    uint32_t Frequency;     /* Hz */
    uint32_t TuneInfo1;
    uint32_t TuneInfo2;
    uint32_t TunerInput;
    uint32_t Busy;      /* status request: 1 while not locked */
    uint32_t AudioMode; /* KS_TVAUDIO_MODE_* bits */
    int32_t PllOffset;  /* status request: AFC step, -2..+2 */
    uint32_t SignalStrength;
    uint32_t RequestId; /* TVB_REQUEST_* */
    uint32_t Result;    /* audio mode request: 1 accepted, 0 refused */
} TVB_TUNER_SETTINGS;

/* The host's board description, filled by OpenBoard. */
typedef struct BoardInfo {
    char Name[64];
    uint32_t Word64;
    uint32_t Word68;
    uint32_t Word72;
} TVB_BOARD_INFO;

typedef struct VideoStandardDescriptor {
    char Name[64];
    char Description[256];
    uint32_t Reserved320;
    uint32_t Size;      /* 360 */
    uint32_t Standards; /* KS_AnalogVideo_* bits */
    uint32_t FrameRate; /* frames per second times 1001 */
    uint32_t Width;
    uint32_t Height;
    uint32_t Word344;
    uint8_t Tail[12];
} TVB_VIDEO_STANDARD_DESCRIPTOR;

typedef struct VideoPropertyDefaults {
    uint32_t Value[17]; /* property k at index k - 1 */
} TVB_VIDEO_PROPERTY_DEFAULTS;

/* First argument of InitializeSensor: the video input used when argument 4
 * is -1, and the audio restart value used when argument 3 is -1. */
typedef struct TVB_SENSOR_INIT_RECORD {
    uint32_t VideoInput;
    uint32_t RestartValue;
} TVB_SENSOR_INIT_RECORD;

typedef struct AudioFormat {
    uint32_t Reserved0;
    uint32_t SampleRate; /* Hz */
    uint32_t FormatMode;
    uint32_t FormatWord;
} TVB_AUDIO_FORMAT;

typedef struct AudioInterfaceConfig {
    uint16_t Word[33];
} TVB_AUDIO_INTERFACE_CONFIG;

typedef struct TunerModeCaps {
    uint32_t MinFrequency;      /* Hz */
    uint32_t MaxFrequency;      /* Hz */
    uint32_t TuningGranularity; /* Hz */
    uint32_t NumberOfInputs;
    uint32_t SettlingTime; /* ms */
} TVB_TUNER_MODE_CAPS;

/* ------------------------------------------------------------------------
 * The host's bus and pin operations, handed to GetBoardModuleCaps. Slots 4
 * and 5 are never called. */
typedef uint32_t(TVB_API* TVB_WRITE_REG16_FN)(TVB_HOST_HANDLE ctx, uint32_t device,
                                              uint32_t addressBits, uint32_t reg, uint32_t value,
                                              uint32_t zero);
typedef uint32_t(TVB_API* TVB_READ_REG16_FN)(TVB_HOST_HANDLE ctx, uint32_t device,
                                             uint32_t addressBits, uint32_t reg, uint8_t* value,
                                             uint32_t zero);
typedef uint32_t(TVB_API* TVB_BUS_WRITE_FN)(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t zero1,
                                            uint32_t zero2, uint32_t count, const uint8_t* bytes,
                                            uint32_t flags);
typedef uint32_t(TVB_API* TVB_BUS_READ_FN)(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t eight,
                                           uint32_t zero, uint32_t count, uint8_t* buffer,
                                           uint32_t flags);
typedef uint32_t(TVB_API* TVB_HOST_RESERVED_FN)(void);
typedef uint32_t(TVB_API* TVB_WRITE_PINS_FN)(TVB_HOST_HANDLE handle, uint32_t count,
                                             const uint32_t* pins, const uint32_t* values,
                                             uint32_t zero);
typedef uint32_t(TVB_API* TVB_READ_PINS_FN)(TVB_HOST_HANDLE ctx, uint32_t count,
                                            const uint32_t* pins, uint32_t* values, uint32_t one);

typedef struct TVB_HOST_OPS {
    TVB_WRITE_REG16_FN WriteReg16;
    TVB_READ_REG16_FN ReadReg16;
    TVB_BUS_WRITE_FN BusWrite;
    TVB_BUS_READ_FN BusRead;
    TVB_HOST_RESERVED_FN Reserved4;
    TVB_HOST_RESERVED_FN Reserved5;
    TVB_WRITE_PINS_FN WritePins;
    TVB_READ_PINS_FN ReadPins;
} TVB_HOST_OPS;

/* ------------------------------------------------------------------------
 * The five operation tables of the capability record: the slots' types,
 * then the tables slot by slot. */
typedef TVB_ARG(TVB_API* TVB_STUB2_FN)(TVB_ARG, TVB_ARG);
typedef TVB_ARG(TVB_API* TVB_STUB3_FN)(TVB_ARG, TVB_ARG, TVB_ARG);
typedef TVB_ARG(TVB_API* TVB_STUB20_FN)(TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG,
                                        TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG,
                                        TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG,
                                        TVB_ARG, TVB_ARG);

typedef TVB_STATUS(TVB_API* TVB_OPEN_BOARD_FN)(TVB_HOST_HANDLE ctx,
                                               TVB_TUNER_SETTINGS** settingsOut,
                                               TVB_BOARD_INFO* info);
typedef TVB_STATUS(TVB_API* TVB_CLOSE_BOARD_FN)(TVB_TUNER_SETTINGS* settings, TVB_ARG unused);

typedef uint32_t(TVB_API* TVB_GET_VIDEO_STANDARDS_FN)(TVB_ARG, TVB_ARG, uint32_t* count,
                                                      TVB_VIDEO_STANDARD_DESCRIPTOR* buffer);
typedef uint32_t(TVB_API* TVB_GET_VIDEO_PROPERTY_DEFAULTS_FN)(
    TVB_ARG, TVB_ARG, TVB_VIDEO_PROPERTY_DEFAULTS* defaults);
typedef int32_t(TVB_API* TVB_INITIALIZE_SENSOR_FN)(
    const TVB_SENSOR_INIT_RECORD* record, TVB_ARG hostValue, int32_t restartValue,
    int32_t videoInput, int32_t p1, int32_t p2, int32_t p3, int32_t p4, int32_t p5, int32_t p6,
    int32_t p7, int32_t p8, int32_t p9, int32_t p10, int32_t p11, int32_t p12, int32_t p13,
    int32_t p14, int32_t p15, int32_t p16, int32_t p17);
typedef uint32_t(TVB_API* TVB_SET_VIDEO_PROPERTY_FN)(TVB_ARG a1, TVB_ARG a2, uint32_t property,
                                                     int32_t value, TVB_ARG a5);
typedef uint32_t(TVB_API* TVB_GET_VIDEO_PROPERTY_FN)(TVB_ARG a1, TVB_ARG a2, uint32_t property,
                                                     uint32_t* value, TVB_ARG a5);

typedef uint32_t(TVB_API* TVB_GET_AUDIO_FORMAT_FN)(TVB_ARG, TVB_ARG,
                                                   TVB_AUDIO_INTERFACE_CONFIG* config,
                                                   TVB_AUDIO_FORMAT* format);
typedef uint32_t(TVB_API* TVB_SET_AUDIO_SAMPLE_RATE_FN)(TVB_ARG, TVB_HOST_HANDLE handle,
                                                        TVB_AUDIO_FORMAT* format);

typedef uint32_t(TVB_API* TVB_INPUT_SELECT_FN)(TVB_ARG, TVB_ARG, uint32_t input);

typedef uint32_t(TVB_API* TVB_GET_TUNER_MODE_CAPS_FN)(TVB_ARG, TVB_ARG, uint32_t mode,
                                                      TVB_TUNER_MODE_CAPS* caps);
typedef uint32_t(TVB_API* TVB_TUNER_PROPERTY_FN)(TVB_TUNER_SETTINGS* settings, TVB_ARG unused,
                                                 TVB_TUNER_SETTINGS* request);

/* Each table, slot by slot. These lists are the one description of the
 * tables: the structs below, the module's tables and the tools that call,
 * list or check every slot are all made from them. One entry a slot, in slot
 * order, as one of
 *   OP(table, slot, member, type, arguments, routine)
 *       an operation: the member's stdcall type, its number of arguments and
 *       the module's routine that fills the slot;
 *   STUB(table, slot, member, arguments, result)
 *       a slot the board does not support: a TVB_STUB<arguments>_FN that
 *       ignores its arguments and returns `result`.
 * `table` is the capability record's member that points to the table. A
 * host uses the structs and need not expand the lists itself. */
#define TVB_BOARD_OPS_SLOTS(OP, STUB)                                                              \
    OP(BoardOps, 0, OpenBoard, TVB_OPEN_BOARD_FN, 3, OpenBoard)                                    \
    OP(BoardOps, 1, CloseBoard, TVB_CLOSE_BOARD_FN, 2, CloseBoard)

#define TVB_VIDEO_OPS_SLOTS(OP, STUB)                                                              \
    STUB(VideoOps, 0, Slot0, 2, TVB_VIDEO_SLOT0_RESULT)                                            \
    STUB(VideoOps, 1, Slot1, 2, 0u)                                                                \
    OP(VideoOps, 2, GetVideoStandards, TVB_GET_VIDEO_STANDARDS_FN, 4, GetVideoStandards)           \
    OP(VideoOps, 3, GetVideoPropertyDefaults, TVB_GET_VIDEO_PROPERTY_DEFAULTS_FN, 3,               \
       GetVideoPropertyDefaults)                                                                   \
    OP(VideoOps, 4, InitializeSensor, TVB_INITIALIZE_SENSOR_FN, 21, InitializeSensor)              \
    STUB(VideoOps, 5, Slot5, 2, 0u)                                                                \
    STUB(VideoOps, 6, Slot6, 20, 0u)                                                               \
    STUB(VideoOps, 7, Slot7, 2, 0u)                                                                \
    OP(VideoOps, 8, SetVideoProperty, TVB_SET_VIDEO_PROPERTY_FN, 5, SetVideoProperty)              \
    OP(VideoOps, 9, GetVideoProperty, TVB_GET_VIDEO_PROPERTY_FN, 5, GetVideoProperty)              \
    STUB(VideoOps, 10, Slot10, 3, 0u)                                                              \
    STUB(VideoOps, 11, Slot11, 3, 0u)

#define TVB_AUDIO_OPS_SLOTS(OP, STUB)                                                              \
    STUB(AudioOps, 0, Slot0, 2, TVB_AUDIO_SLOT0_RESULT)                                            \
    OP(AudioOps, 1, GetAudioFormat, TVB_GET_AUDIO_FORMAT_FN, 4, GetAudioFormat)                    \
    OP(AudioOps, 2, SetAudioSampleRate, TVB_SET_AUDIO_SAMPLE_RATE_FN, 3, SetAudioSampleRate)       \
    STUB(AudioOps, 3, Slot3, 2, 0u)

/* Slot 1 returns the input selected last, slot 3 selects one. */
#define TVB_INPUT_OPS_SLOTS(OP, STUB)                                                              \
    STUB(InputOps, 0, Slot0, 2, TVB_INPUT_SLOT0_RESULT)                                            \
    OP(InputOps, 1, InputQuery, TVB_STUB2_FN, 2, QueryVideoInput)                                  \
    STUB(InputOps, 2, Slot2, 2, TVB_INPUT_SLOT2_RESULT)                                            \
    OP(InputOps, 3, InputSelect, TVB_INPUT_SELECT_FN, 3, ChooseVideoInput)                         \
    STUB(InputOps, 4, Slot4, 3, 0u)

#define TVB_TUNER_OPS_SLOTS(OP, STUB)                                                              \
    OP(TunerOps, 0, GetTunerModeCaps, TVB_GET_TUNER_MODE_CAPS_FN, 4, GetTunerModeCaps)             \
    OP(TunerOps, 1, GetTunerProperty, TVB_TUNER_PROPERTY_FN, 3, GetTunerProperty)                  \
    OP(TunerOps, 2, SetTunerProperty, TVB_TUNER_PROPERTY_FN, 3, SetTunerProperty)

/* The five tables in the capability record's order: TABLE(table, struct,
 * slots), `slots` the table's list above. */
#define TVB_OPS_TABLES(TABLE)                                                                      \
    TABLE(BoardOps, TVB_BOARD_OPS, TVB_BOARD_OPS_SLOTS)                                            \
    TABLE(VideoOps, TVB_VIDEO_OPS, TVB_VIDEO_OPS_SLOTS)                                            \
    TABLE(AudioOps, TVB_AUDIO_OPS, TVB_AUDIO_OPS_SLOTS)                                            \
    TABLE(InputOps, TVB_INPUT_OPS, TVB_INPUT_OPS_SLOTS)                                            \
    TABLE(TunerOps, TVB_TUNER_OPS, TVB_TUNER_OPS_SLOTS)

/* The tables' structs: one member a slot, of the slot's type. */
#define TVB_OP_MEMBER_(table, slot, member, type, arguments, routine) type member;
#define TVB_STUB_MEMBER_(table, slot, member, arguments, result) TVB_STUB##arguments##_FN member;
typedef struct TVB_BOARD_OPS {
    TVB_BOARD_OPS_SLOTS(TVB_OP_MEMBER_, TVB_STUB_MEMBER_)
} TVB_BOARD_OPS;
typedef struct TVB_VIDEO_OPS {
    TVB_VIDEO_OPS_SLOTS(TVB_OP_MEMBER_, TVB_STUB_MEMBER_)
} TVB_VIDEO_OPS;
typedef struct TVB_AUDIO_OPS {
    TVB_AUDIO_OPS_SLOTS(TVB_OP_MEMBER_, TVB_STUB_MEMBER_)
} TVB_AUDIO_OPS;
typedef struct TVB_INPUT_OPS {
    TVB_INPUT_OPS_SLOTS(TVB_OP_MEMBER_, TVB_STUB_MEMBER_)
} TVB_INPUT_OPS;
typedef struct TVB_TUNER_OPS {
    TVB_TUNER_OPS_SLOTS(TVB_OP_MEMBER_, TVB_STUB_MEMBER_)
} TVB_TUNER_OPS;
#undef TVB_STUB_MEMBER_
#undef TVB_OP_MEMBER_

typedef struct TVB_BOARD_MODULE_CAPS {
    uint32_t Size;   /* of this record */
    uint32_t Word4;  /* TVB_CAPS_WORD4 */
    uint32_t Word8;  /* TVB_CAPS_WORD8 */
    uint32_t Word12; /* TVB_CAPS_WORD12 */
    const TVB_BOARD_OPS* BoardOps;
    const TVB_VIDEO_OPS* VideoOps;
    const TVB_AUDIO_OPS* AudioOps;
    const TVB_INPUT_OPS* InputOps;
    const TVB_TUNER_OPS* TunerOps;
} TVB_BOARD_MODULE_CAPS;

/* ------------------------------------------------------------------------
 * The exports. GetBoardModuleCaps stores the host's operations table (which
 * must stay valid while the module is used) and hands out a one-entry list
 * of capability records and its count. DllInitialize and DllUnload are the
 * kernel loader's; a host does not call them. */
typedef TVB_STATUS(TVB_API* TVB_DLL_INITIALIZE_FN)(void* registryPath);
typedef TVB_STATUS(TVB_API* TVB_DLL_UNLOAD_FN)(void);
typedef void(TVB_API* TVB_GET_BOARD_MODULE_CAPS_FN)(TVB_ARG unused, const TVB_HOST_OPS* hostOps,
                                                    const TVB_BOARD_MODULE_CAPS* const** listOut,
                                                    uint32_t* countOut);
TVB_DECLSPEC void TVB_API GetBoardModuleCaps(TVB_ARG unused, const TVB_HOST_OPS* hostOps,
                                             const TVB_BOARD_MODULE_CAPS* const** listOut,
                                             uint32_t* countOut);
#if defined(TVBOARD_MODULE) || defined(TVBOARD_STATIC)
TVB_DECLSPEC TVB_STATUS TVB_API DllInitialize(void* registryPath);
TVB_DECLSPEC TVB_STATUS TVB_API DllUnload(void);
#endif

/* ------------------------------------------------------------------------
 * Layouts, as the host and the module exchange them. */
TVB_CHECK(settings_size, sizeof(TVB_TUNER_SETTINGS) == 56);
TVB_CHECK(settings_mode, offsetof(TVB_TUNER_SETTINGS, Mode) == 8);
TVB_CHECK(settings_standard, offsetof(TVB_TUNER_SETTINGS, VideoStandard) == 12);
TVB_CHECK(settings_frequency, offsetof(TVB_TUNER_SETTINGS, Frequency) == 16);
TVB_CHECK(settings_info1, offsetof(TVB_TUNER_SETTINGS, TuneInfo1) == 20);
TVB_CHECK(settings_info2, offsetof(TVB_TUNER_SETTINGS, TuneInfo2) == 24);
TVB_CHECK(settings_input, offsetof(TVB_TUNER_SETTINGS, TunerInput) == 28);
TVB_CHECK(settings_busy, offsetof(TVB_TUNER_SETTINGS, Busy) == 32);
TVB_CHECK(settings_audio, offsetof(TVB_TUNER_SETTINGS, AudioMode) == 36);
TVB_CHECK(settings_offset, offsetof(TVB_TUNER_SETTINGS, PllOffset) == 40);
TVB_CHECK(settings_signal, offsetof(TVB_TUNER_SETTINGS, SignalStrength) == 44);
TVB_CHECK(settings_request, offsetof(TVB_TUNER_SETTINGS, RequestId) == 48);
TVB_CHECK(settings_result, offsetof(TVB_TUNER_SETTINGS, Result) == 52);
TVB_CHECK(board_info_words, offsetof(TVB_BOARD_INFO, Word64) == 64);
TVB_CHECK(board_info_word72, offsetof(TVB_BOARD_INFO, Word72) == 72);
TVB_CHECK(board_info_size, sizeof(TVB_BOARD_INFO) == 76);
TVB_CHECK(descriptor_size, sizeof(TVB_VIDEO_STANDARD_DESCRIPTOR) == 360);
TVB_CHECK(descriptor_record_size, offsetof(TVB_VIDEO_STANDARD_DESCRIPTOR, Size) == 324);
TVB_CHECK(descriptor_standards, offsetof(TVB_VIDEO_STANDARD_DESCRIPTOR, Standards) == 328);
TVB_CHECK(descriptor_word344, offsetof(TVB_VIDEO_STANDARD_DESCRIPTOR, Word344) == 344);
TVB_CHECK(defaults_size, sizeof(TVB_VIDEO_PROPERTY_DEFAULTS) == 68);
TVB_CHECK(sensor_record_size, sizeof(TVB_SENSOR_INIT_RECORD) == 8);
TVB_CHECK(audio_format_size, sizeof(TVB_AUDIO_FORMAT) == 16);
TVB_CHECK(audio_config_size, sizeof(TVB_AUDIO_INTERFACE_CONFIG) == 66);
TVB_CHECK(mode_caps_size, sizeof(TVB_TUNER_MODE_CAPS) == 20);
TVB_CHECK(host_ops_size, sizeof(TVB_HOST_OPS) == 8 * sizeof(void*));
TVB_CHECK(board_ops_size, sizeof(TVB_BOARD_OPS) == 2 * sizeof(void*));
TVB_CHECK(video_ops_size, sizeof(TVB_VIDEO_OPS) == 12 * sizeof(void*));
TVB_CHECK(audio_ops_size, sizeof(TVB_AUDIO_OPS) == 4 * sizeof(void*));
TVB_CHECK(input_ops_size, sizeof(TVB_INPUT_OPS) == 5 * sizeof(void*));
TVB_CHECK(tuner_ops_size, sizeof(TVB_TUNER_OPS) == 3 * sizeof(void*));
TVB_CHECK(caps_tables, offsetof(TVB_BOARD_MODULE_CAPS, BoardOps) == 16);
TVB_CHECK(caps_tuner_ops, offsetof(TVB_BOARD_MODULE_CAPS, TunerOps) == 16 + 4 * sizeof(void*));
#if defined(_M_IX86) || defined(__i386__)
TVB_CHECK(word_size, sizeof(TVB_ARG) == 4);
TVB_CHECK(caps_size, sizeof(TVB_BOARD_MODULE_CAPS) == 36);
#endif

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* TVBOARD_H */
