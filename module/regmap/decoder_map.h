// Register map of the audio/video decoder at bus address 0x42: single-byte
// registers at 16-bit addresses, reached one byte per host call. Registers
// 0x400 to 0x500 belong to the audio DSP and are reached only through the
// handshake on status register 0x580. A field is named by the register its
// 32-bit little-endian word starts at, its lowest bit and its width; a field
// write rewrites the whole word.
//
// Shared by the module and the emulated decoder. Plain constexpr data. The
// registers and fields are listed once, in TVB_DECODER_REGISTERS and
// TVB_DECODER_FIELDS, from which both the names below and any table of them
// (the bench's register view) are made.
#pragma once

#include <stdint.h>

#include "include/tvboard.h" // the bus address, the DSP window and its status register

namespace regmap {

// A bit field of the decoder dword that starts at `reg`.
struct DecoderField {
    uint16_t reg;
    uint8_t lowBit;
    uint8_t width;
};

namespace decoder {

// --- Audio DSP window and its handshake --------------------------------
// The host sees these on its bus; the public header defines them.
constexpr uint16_t kDspFirst = TVB_DSP_FIRST_REGISTER;
constexpr uint16_t kDspLast = TVB_DSP_LAST_REGISTER;     // part of the window
constexpr uint16_t kDspStatus = TVB_DSP_STATUS_REGISTER; // outside the window: always read plainly
constexpr uint8_t kDspReady = TVB_DSP_READY;
constexpr uint8_t kDspDataReady = TVB_DSP_DATA_READY;
constexpr uint8_t kDspReadDone = TVB_DSP_READ_DONE;

constexpr bool InDspWindow(uint32_t reg) {
    return reg >= kDspFirst && reg <= kDspLast;
}

// --- Registers and fields -----------------------------------------------
// The registers the board names, by name and address, with what they are
// for (X(name, address, meaning)). Video: kInputSelect and kInputControl
// route the input, kBrightness to kHue are the picture (kHue signed),
// kStandard1..3 follow the TV standard. 0x100..0x11F (but 0x112, 0x113),
// 0x190..0x193 and 0x2A0..0x2AB take the one-time register set. Audio DSP,
// inside its window: kSoundStatus is the sound status word (a code in bits
// 0..4, stereo and languages in bits 5..9 and 11, laid out by code and bit
// 11, a third language in bit 12), with the flag registers kStereoFlag and
// kTwoLanguageFlag; kSoundSelect chooses the sound source and channel. The
// meanings are the board's documentation (docs/board-registers.md).
#define TVB_DECODER_REGISTERS(X)                                                                   \
    X(kInputSelect, 0x102, "video input select; its low four bits say which input is on")          \
    X(kModeControl, 0x108, "mode control: the input mode and three of the mode bits")              \
    X(kInputControl, 0x109, "video input control, the other half of the input routing")            \
    X(kBrightness, 0x10A, "brightness")                                                            \
    X(kContrast, 0x10B, "contrast")                                                                \
    X(kSaturation, 0x10C, "saturation")                                                            \
    X(kHue, 0x10D, "hue, a signed byte")                                                           \
    X(kControl, 0x10E, "control: bit 0 marks an input change, bit 1 is a mode bit")                \
    X(kModeControl2, 0x114, "second mode control, with one of the mode bits")                      \
    X(kStandard1, 0x115, "follows the TV standard: one value for NTSC, one for the rest")          \
    X(kStandard2, 0x116, "follows the TV standard: one value for NTSC, one for the rest")          \
    X(kStandard3, 0x117, "rewritten with every TV standard change, the same for all")              \
    X(kVideoStatus, 0x11F, "video status: the board sets bits 0 and 1, the host reads them")       \
    X(kOutputControl, 0x190, "decoder output on or off")                                           \
    X(kSoundStatus, 0x404, "audio DSP: the sound status word, set by the board")                   \
    X(kStereoFlag, 0x409, "audio DSP: the stereo flag, set by the board")                          \
    X(kTwoLanguageFlag, 0x40A, "audio DSP: the two-language flag, set by the board")               \
    X(kDemodControl, 0x454, "audio DSP: audio demodulator control and restart")                    \
    X(kSoundSelect, 0x464, "audio DSP: sound source and channel")

#define TVB_DECODER_REGISTER(name, address, meaning) constexpr uint16_t name = address;
TVB_DECODER_REGISTERS(TVB_DECODER_REGISTER)
#undef TVB_DECODER_REGISTER

// The bit fields, by name, register (a name above or an address), lowest bit
// and width, with what they are for (X(name, register, lowBit, width,
// meaning)). kInputSource tells which input is on; kModeBit7..kMode2Bit2 are
// the mode bits applied after every input or TV standard change;
// kAudioInputSelect is 1 while the sound is not from input 0. The audio
// set-up's plain registers are named by address: only their values matter to
// the board.
#define TVB_DECODER_FIELDS(X)                                                                      \
    X(kInputSource, kInputSelect, 0, 4, "which input is on (the audio mode switch reads it)")      \
    X(kInputModeField, kModeControl, 3, 2, "input mode, written after every input change")         \
    X(kModeBit7, kModeControl, 7, 1, "mode bit, applied after every input or TV standard change")  \
    X(kModeBit2, kModeControl, 2, 1, "mode bit, applied after every input or TV standard change")  \
    X(kModeBit5, kModeControl, 5, 1, "mode bit, applied after every input or TV standard change")  \
    X(kControlBit1, kControl, 1, 1, "mode bit, applied after every input or TV standard change")   \
    X(kMode2Bit2, kModeControl2, 2, 1,                                                             \
      "mode bit, applied after every input or TV standard change")                                 \
    X(kStandard1Byte, kStandard1, 0, 8, "the standard's first byte")                               \
    X(kStandard2Byte, kStandard2, 0, 8, "the standard's second byte")                              \
    X(kStandard3Byte, kStandard3, 0, 8, "the standard's third byte")                               \
    X(kAudioSetup598, 0x598, 0, 32, "audio set-up: its first step")                                \
    X(kAudioSetup1C0, 0x1C0, 0, 8, "audio set-up")                                                 \
    X(kAudioSetup594, 0x594, 0, 5, "audio set-up: its last write")                                 \
    X(kAudioInputSelect, 0x59B, 6, 2, "audio input: the tuner's sound or the line input")          \
    X(kSoundStatusWord, kSoundStatus, 0, 32, "the status word, as the sound detection reads it")   \
    X(kSoundStatusLow, kSoundStatus, 0, 24, "its low three bytes, read again when a mode is set")  \
    X(kSoundStatusCode, kSoundStatus, 0, 5,                                                        \
      "status code: says where stereo and languages are reported")                                 \
    X(kStereoFlagBit, kStereoFlag, 7, 1, "stereo on the air")                                      \
    X(kTwoLanguageFlagBit, kTwoLanguageFlag, 0, 1, "two languages on the air")                     \
    X(kDemodLowBits, kDemodControl, 0, 2, "cleared by the audio set-up")                           \
    X(kDemodMode, kDemodControl, 2, 5, "demodulator mode, set by the audio set-up")                \
    X(kDemodRestart, kDemodControl, 7, 1, "restart, pulsed to restart the audio demodulator")      \
    X(kSoundSourceSelect, kSoundSelect, 0, 16,                                                     \
      "source and channel together, set by the audio set-up")                                      \
    X(kSoundSource, kSoundSelect, 0, 5,                                                            \
      "sound source: input 0, another input, or the third language")                               \
    X(kSoundChannel, kSoundSelect, 5, 3, "sound channel: stereo, language A (also mono) or B")     \
    X(kSoundSelect2Word, 0x468, 0, 16, "second sound selection, by input")                         \
    X(kAudioSetup46C, 0x46C, 0, 24, "audio set-up")                                                \
    X(kAudioSetup470, 0x470, 0, 24, "audio set-up")                                                \
    X(kAudioSetup474, 0x474, 0, 5, "audio set-up")                                                 \
    X(kAudioSetup480, 0x480, 0, 16, "audio set-up")                                                \
    X(kAudioSetup484, 0x484, 0, 16, "audio set-up")                                                \
    X(kAudioSetup488, 0x488, 0, 10, "audio set-up")

#define TVB_DECODER_FIELD(name, reg, lowBit, width, meaning)                                       \
    constexpr DecoderField name{reg, lowBit, width};
TVB_DECODER_FIELDS(TVB_DECODER_FIELD)
#undef TVB_DECODER_FIELD

// --- Values ---------------------------------------------------------------
// kInputSelect and kInputControl for each of the three inputs.
constexpr uint8_t kInputSelectInput0 = 0xC1;
constexpr uint8_t kInputSelectInput1 = 0xC0;
constexpr uint8_t kInputSelectInput2 = 0xC8;
constexpr uint8_t kInputControlInput0 = 0x40;
constexpr uint8_t kInputControlInput1 = 0x00;
constexpr uint8_t kInputControlInput2 = 0x80;
constexpr uint8_t kInputSourceInput0 = 1;
static_assert((kInputSelectInput0 & ((1u << kInputSource.width) - 1)) == kInputSourceInput0,
              "input 0's routing carries its source bits");

constexpr uint8_t kControlInputChanged = 0x01; // kControl bit 0, set on every input change
constexpr uint8_t kInputModeRouted = 1;        // kInputModeField after every input change

// The low bytes of the standard registers, NTSC and every other standard.
constexpr uint8_t kStandard1Ntsc = 0x04;
constexpr uint8_t kStandard1Other = 0x35;
constexpr uint8_t kStandard2Ntsc = 0x14;
constexpr uint8_t kStandard2Other = 0x15;
constexpr uint8_t kStandard3Any = 0x19;

constexpr uint8_t kVideoStatusBit0 = 0; // the two kVideoStatus bits the host reads
constexpr uint8_t kVideoStatusBit1 = 1;

constexpr uint8_t kOutputOn = 0x18;
constexpr uint8_t kOutputOff = 0x00;

// Bits of the sound status word.
constexpr uint8_t kStatusBitStereo11 = 5;    // with bit 11 set
constexpr uint8_t kStatusBitLanguages11 = 6; // with bit 11 set, bit 5 clear
constexpr uint8_t kStatusBitValid = 7;       // with bit 11 clear: bits 8, 9 count
constexpr uint8_t kStatusBitLanguages = 8;   // with bit 11 clear
constexpr uint8_t kStatusBitStereo = 9;      // with bit 11 clear
constexpr uint8_t kStatusBitLayout = 11;     // which group above applies
constexpr uint8_t kStatusBitThirdLanguage = 12;
// Status codes that report stereo and languages in the flag registers.
constexpr bool ReportsInFlagRegisters(uint32_t code) {
    return code == 5 || code == 9 || code == 10 || code == 11;
}

// kSoundSource and kSoundChannel.
constexpr uint8_t kSourceInput0 = 0;
constexpr uint8_t kSourceOtherInputs = 3;
constexpr uint8_t kSourceThirdLanguage = 2;
constexpr uint8_t kChannelStereo = 0;
constexpr uint8_t kChannelLanguageA = 2; // also mono, and language C without its own source
constexpr uint8_t kChannelLanguageB = 3;

} // namespace decoder
} // namespace regmap
