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
// 0x100..0x11F (but 0x112, 0x113), 0x190..0x193 and 0x2A0..0x2AB take the
// one-time register set.
constexpr uint16_t kInputSelect = 0x102; // input routing
constexpr uint16_t kModeControl = 0x108;
constexpr uint16_t kInputControl = 0x109; // second input register
constexpr uint16_t kBrightness = 0x10A;
constexpr uint16_t kContrast = 0x10B;
constexpr uint16_t kSaturation = 0x10C;
constexpr uint16_t kHue = 0x10D; // signed
constexpr uint16_t kControl = 0x10E;
constexpr uint16_t kModeControl2 = 0x114;
constexpr uint16_t kStandard1 = 0x115; // these three follow the TV standard
constexpr uint16_t kStandard2 = 0x116;
constexpr uint16_t kStandard3 = 0x117;
constexpr uint16_t kVideoStatus = 0x11F;
constexpr uint16_t kOutputControl = 0x190;

// kInputSelect and kInputControl for each of the three inputs.
constexpr uint8_t kInputSelectInput0 = 0xC1;
constexpr uint8_t kInputSelectInput1 = 0xC0;
constexpr uint8_t kInputSelectInput2 = 0xC8;
constexpr uint8_t kInputControlInput0 = 0x40;
constexpr uint8_t kInputControlInput1 = 0x00;
constexpr uint8_t kInputControlInput2 = 0x80;
constexpr DecoderField kInputSource{kInputSelect, 0, 4}; // tells which input is on
constexpr uint8_t kInputSourceInput0 = 1;
static_assert((kInputSelectInput0 & ((1u << kInputSource.width) - 1)) == kInputSourceInput0,
              "input 0's routing carries its source bits");

constexpr uint8_t kControlInputChanged = 0x01; // kControl bit 0, set on every input change
constexpr DecoderField kInputModeField{kModeControl, 3, 2};
constexpr uint8_t kInputModeRouted = 1; // after every input change

// Mode bits, applied after every input or TV standard change.
constexpr DecoderField kModeBit7{kModeControl, 7, 1};
constexpr DecoderField kModeBit2{kModeControl, 2, 1};
constexpr DecoderField kModeBit5{kModeControl, 5, 1};
constexpr DecoderField kControlBit1{kControl, 1, 1};
constexpr DecoderField kMode2Bit2{kModeControl2, 2, 1};

// The low bytes of the standard registers, NTSC and every other standard.
constexpr DecoderField kStandard1Byte{kStandard1, 0, 8};
constexpr DecoderField kStandard2Byte{kStandard2, 0, 8};
constexpr DecoderField kStandard3Byte{kStandard3, 0, 8};
constexpr uint8_t kStandard1Ntsc = 0x04;
constexpr uint8_t kStandard1Other = 0x35;
constexpr uint8_t kStandard2Ntsc = 0x14;
constexpr uint8_t kStandard2Other = 0x15;
constexpr uint8_t kStandard3Any = 0x19;

constexpr uint8_t kVideoStatusBit0 = 0; // the two kVideoStatus bits the host reads
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
// The sound status word: a code in bits 0..4, stereo and languages in bits
// 5..9 and 11 (layout by code and bit 11), a third language in bit 12.
constexpr uint16_t kSoundStatus = 0x404;
constexpr DecoderField kSoundStatusWord{kSoundStatus, 0, 32};
constexpr DecoderField kSoundStatusLow{kSoundStatus, 0, 24};
constexpr DecoderField kSoundStatusCode{kSoundStatus, 0, 5};
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
constexpr uint16_t kStereoFlag = 0x409;
constexpr DecoderField kStereoFlagBit{kStereoFlag, 7, 1};
constexpr uint16_t kTwoLanguageFlag = 0x40A;
constexpr DecoderField kTwoLanguageFlagBit{kTwoLanguageFlag, 0, 1};

constexpr uint16_t kDemodControl = 0x454;
constexpr DecoderField kDemodLowBits{kDemodControl, 0, 2};
constexpr DecoderField kDemodMode{kDemodControl, 2, 5};
constexpr DecoderField kDemodRestart{kDemodControl, 7, 1};

constexpr uint16_t kSoundSelect = 0x464;
constexpr DecoderField kSoundSourceSelect{kSoundSelect, 0, 16};
constexpr DecoderField kSoundSource{kSoundSelect, 0, 5};
constexpr uint8_t kSourceInput0 = 0;
constexpr uint8_t kSourceOtherInputs = 3;
constexpr uint8_t kSourceThirdLanguage = 2;
constexpr DecoderField kSoundChannel{kSoundSelect, 5, 3};
constexpr uint8_t kChannelStereo = 0;
constexpr uint8_t kChannelLanguageA = 2; // also mono, and language C without its own source
constexpr uint8_t kChannelLanguageB = 3;

// Further audio set-up (named by address).
constexpr DecoderField kSoundSelect2Word{0x468, 0, 16};
constexpr DecoderField kAudioSetup46C{0x46C, 0, 24};
constexpr DecoderField kAudioSetup470{0x470, 0, 24};
constexpr DecoderField kAudioSetup474{0x474, 0, 5};
constexpr DecoderField kAudioSetup480{0x480, 0, 16};
constexpr DecoderField kAudioSetup484{0x484, 0, 16};
constexpr DecoderField kAudioSetup488{0x488, 0, 10};

} // namespace decoder
} // namespace regmap
