// Register map of the audio/video decoder at bus address 0x42: single-byte
// registers at 16-bit addresses, reached one byte per host call. Registers
// 0x400 to 0x500 belong to the audio DSP and are reached only through the
// handshake on status register 0x580. A field is named by the register its
// 32-bit little-endian word starts at, its lowest bit and its width; a field
// write rewrites the whole word.
//
// Shared by the module and the emulated decoder. Plain constexpr data.
#pragma once

#include <stdint.h>

#include "include/tvboard.h" // the device's bus address

namespace regmap {

// A bit field of the decoder dword that starts at `reg`.
struct DecoderField {
    uint16_t reg;
    uint8_t lowBit;
    uint8_t width;
};

namespace decoder {

// --- Audio DSP window and its handshake --------------------------------
constexpr uint16_t kDspFirst = 0x400;
constexpr uint16_t kDspLast = 0x500;    // part of the window
constexpr uint16_t kDspStatus = 0x580;  // outside the window: always read plainly
constexpr uint8_t kDspReady = 0x01;     // bit 0: the DSP takes an access
constexpr uint8_t kDspDataReady = 0x02; // bit 1: the value asked for can be fetched
constexpr uint8_t kDspReadDone = 0x04;  // bit 2: the fetch has been seen

constexpr bool InDspWindow(uint32_t reg) {
    return reg >= kDspFirst && reg <= kDspLast;
}

// --- Video decoder -----------------------------------------------------
//  reg    name                 use
//  0x100..0x11F                one-time register set (0x112, 0x113 left alone)
//  0x102  kInputSelect         input routing: low 4 bits 1 / 0 / 8 for inputs 0 / 1 / 2
//  0x108  kModeControl         mode bits 2, 5, 7 and the two-bit field 3..4
//  0x109  kInputControl        second input register
//  0x10A  kBrightness
//  0x10B  kContrast
//  0x10C  kSaturation
//  0x10D  kHue                 signed
//  0x10E  kControl             bit 0 set on every input change, mode bit 1
//  0x114  kModeControl2        mode bit 2
//  0x115  kStandard1           follows the TV standard
//  0x116  kStandard2           follows the TV standard
//  0x117  kStandard3           follows the TV standard (0x19)
//  0x11F  kVideoStatus         bits 0 and 1 reported to the host
//  0x190  kOutputControl       0x18 on, 0x00 off
//  0x190..0x193, 0x2A0..0x2AB  one-time register set
constexpr uint16_t kInputSelect = 0x102;
constexpr uint16_t kModeControl = 0x108;
constexpr uint16_t kInputControl = 0x109;
constexpr uint16_t kBrightness = 0x10A;
constexpr uint16_t kContrast = 0x10B;
constexpr uint16_t kSaturation = 0x10C;
constexpr uint16_t kHue = 0x10D;
constexpr uint16_t kControl = 0x10E;
constexpr uint16_t kModeControl2 = 0x114;
constexpr uint16_t kStandard1 = 0x115;
constexpr uint16_t kStandard2 = 0x116;
constexpr uint16_t kStandard3 = 0x117;
constexpr uint16_t kVideoStatus = 0x11F;
constexpr uint16_t kOutputControl = 0x190;

constexpr DecoderField kInputSource{kInputSelect, 0, 4};
constexpr uint8_t kInputSourceInput0 = 1;      // the low bits while the decoder is on input 0
constexpr uint8_t kControlInputChanged = 0x01; // kControl bit 0
constexpr DecoderField kInputModeField{kModeControl, 3, 2};
constexpr DecoderField kModeBit7{kModeControl, 7, 1};
constexpr DecoderField kModeBit2{kModeControl, 2, 1};
constexpr DecoderField kModeBit5{kModeControl, 5, 1};
constexpr DecoderField kControlBit1{kControl, 1, 1};
constexpr DecoderField kMode2Bit2{kModeControl2, 2, 1};
constexpr DecoderField kStandard1Byte{kStandard1, 0, 8};
constexpr DecoderField kStandard2Byte{kStandard2, 0, 8};
constexpr DecoderField kStandard3Byte{kStandard3, 0, 8};
constexpr uint8_t kVideoStatusBit0 = 0;
constexpr uint8_t kVideoStatusBit1 = 1;
constexpr uint8_t kOutputOn = 0x18;
constexpr uint8_t kOutputOff = 0x00;

// --- Audio set-up: plain registers (named by address: only their values
// matter to the board) --------------------------------------------------
constexpr DecoderField kAudioSetup598{0x598, 0, 32};
constexpr DecoderField kAudioSetup1C0{0x1C0, 0, 8};
constexpr DecoderField kAudioSetup594{0x594, 0, 5};
constexpr DecoderField kAudioInputSelect{0x59B, 6, 2}; // 1 while the sound is not from input 0

// --- Audio DSP (inside the window) --------------------------------------
//  0x404  sound status word: code in bits 0..4; stereo / languages in bits
//         5..9 and 11 (layout by code and bit 11); bit 12 a third language
//  0x409  bit 7: stereo, for status codes 5, 9, 10 and 11
//  0x40A  bit 0: two languages, for the same codes
//  0x454  demodulator control: bits 0..1, 2..6, restart bit 7
//  0x464  sound select: source in bits 0..4, channel in bits 5..7
//  0x468  second sound select
//  0x46C, 0x470, 0x474, 0x480, 0x484, 0x488  audio set-up (named by address)
constexpr uint16_t kSoundStatus = 0x404;
constexpr uint16_t kStereoFlag = 0x409;
constexpr uint16_t kTwoLanguageFlag = 0x40A;
constexpr uint16_t kDemodControl = 0x454;
constexpr uint16_t kSoundSelect = 0x464;

constexpr DecoderField kSoundStatusWord{kSoundStatus, 0, 32};
constexpr DecoderField kSoundStatusLow{kSoundStatus, 0, 24};
constexpr DecoderField kSoundStatusCode{kSoundStatus, 0, 5};
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
constexpr DecoderField kStereoFlagBit{kStereoFlag, 7, 1};
constexpr DecoderField kTwoLanguageFlagBit{kTwoLanguageFlag, 0, 1};

constexpr DecoderField kDemodLowBits{kDemodControl, 0, 2};
constexpr DecoderField kDemodMode{kDemodControl, 2, 5};
constexpr DecoderField kDemodRestart{kDemodControl, 7, 1};

constexpr DecoderField kSoundSourceSelect{kSoundSelect, 0, 16};
constexpr DecoderField kSoundSource{kSoundSelect, 0, 5};
constexpr DecoderField kSoundChannel{kSoundSelect, 5, 3};
constexpr uint8_t kSourceInput0 = 0;
constexpr uint8_t kSourceOtherInputs = 3;
constexpr uint8_t kSourceThirdLanguage = 2;

constexpr DecoderField kSoundSelect2Word{0x468, 0, 16};
constexpr DecoderField kAudioSetup46C{0x46C, 0, 24};
constexpr DecoderField kAudioSetup470{0x470, 0, 24};
constexpr DecoderField kAudioSetup474{0x474, 0, 5};
constexpr DecoderField kAudioSetup480{0x480, 0, 16};
constexpr DecoderField kAudioSetup484{0x484, 0, 16};
constexpr DecoderField kAudioSetup488{0x488, 0, 10};

} // namespace decoder
} // namespace regmap
