// Register map of the tuner synthesizer at bus address 0xC2, on the bus only
// while the IF demodulator's gate is open: thirteen write-only 8-bit
// registers R0 to R12. A transfer's first byte is the sub-address, the
// number of the first register written times 16; the bytes after it go to
// that register and the following ones.
//
// The registers the board names and their bit fields are listed once, in
// TVB_SYNTH_REGISTERS and TVB_SYNTH_FIELDS, from which both the names below
// and any table of them (the bench's register view) are made; then come the
// shifts and the values the board writes. Registers not named (R7, R9 to
// R12) are written only by the initial block. Shared by the module and the
// emulated synthesizer. Plain constexpr data.
#pragma once

#include <stdint.h>

#include "include/tvboard.h" // the device's bus address

namespace regmap {
namespace synth {

constexpr uint8_t kRegisters = 13;

constexpr uint8_t kSubAddressShift = 4; // sub-address = register number << 4
constexpr uint8_t SubAddress(uint8_t index) {
    return static_cast<uint8_t>(index << kSubAddressShift);
}

// The registers, by name and number, with what they are for
// (X(name, index, meaning)). The 14-bit divider N: kDividerHigh (R0) holds
// bits 13..6, kDividerLow (R1) bits 5..0 in its bits 7..2.
#define TVB_SYNTH_REGISTERS(X)                                                                     \
    X(kDividerHigh, 0, "divider N, bits 13..6")                                                    \
    X(kDividerLow, 1, "divider N, bits 5..0 (in bits 7..2)")                                       \
    X(kControl2, 2, "control, set for tuning")                                                     \
    X(kControl3, 3, "charge pump and loop, stepped through the start-up")                          \
    X(kBand, 4, "band: divider exponent, sub-band (the VCO) and RF band")                          \
    X(kRfAux, 5, "RF auxiliary code")                                                              \
    X(kControl6, 6, "control: by the TV standard, and once the loop has started")                  \
    X(kControl8, 8, "loop bit, and the second correction")

#define TVB_SYNTH_REGISTER(name, index, meaning) constexpr uint8_t name = index;
TVB_SYNTH_REGISTERS(TVB_SYNTH_REGISTER)
#undef TVB_SYNTH_REGISTER

// The bit fields, as masks in place within their register, with what they
// are for (X(name, register, mask, meaning)). R3: the charge-pump kick during
// start-up (bit 7), NTSC (bit 5), the start-up step (bits 3..2) and the loop
// bits (bits 1..0). R4: the divider exponent k (bits 7..6), the sub-band, the
// VCO within the exponent's group (bits 5..3), and the RF band code (bits
// 2..0). R5: the RF auxiliary code (bits 5..4). R6: bits 5..4 by the TV
// standard, bits 7..6 once the loop has started. R8: the loop bit (bit 3,
// once the loop has started) and the second correction (bit 2).
#define TVB_SYNTH_FIELDS(X)                                                                        \
    X(kControl3Kick, kControl3, 0x80, "charge-pump kick during start-up")                          \
    X(kControl3Ntsc, kControl3, 0x20, "NTSC")                                                      \
    X(kControl3StepMask, kControl3, 0x0C, "start-up step")                                         \
    X(kControl3LoopMask, kControl3, 0x03, "loop bits: starting, then the band's final bits")       \
    X(kDividerExpMask, kBand, 0xC0, "divider exponent k: the oscillator counts 2^k times")         \
    X(kSubBandMask, kBand, 0x38, "sub-band: the VCO within the exponent's group")                  \
    X(kRfBandMask, kBand, 0x07, "RF band code, by the tuning frequency")                           \
    X(kRfAuxMask, kRfAux, 0x30, "RF auxiliary code, by the tuning frequency")                      \
    X(kControl6StandardMask, kControl6, 0x30, "by the TV standard")                                \
    X(kControl6EndMask, kControl6, 0xC0, "set once the loop has started")                          \
    X(kControl8Loop, kControl8, 0x08, "set once the loop has started")                             \
    X(kControl8Correction, kControl8, 0x04, "the second correction")

#define TVB_SYNTH_FIELD(name, reg, mask, meaning) constexpr uint8_t name = mask;
TVB_SYNTH_FIELDS(TVB_SYNTH_FIELD)
#undef TVB_SYNTH_FIELD

// The divider's halves: R0 = N >> kDividerHighShift, R1 = N << kDividerLowShift.
constexpr uint8_t kDividerHighShift = 6;
constexpr uint8_t kDividerLowShift = 2;

// kControl2
constexpr uint8_t kControl2Tuning = 0x40;

// kControl3
constexpr uint8_t kControl3Step = 0x04;         // in kControl3StepMask
constexpr uint8_t kControl3LoopStarting = 0x02; // until the band's final bits replace them
// R3 as the divider block sends it, whatever the board's copy holds: bits 6
// and 4, the loop bits starting, and kControl3Ntsc for NTSC.
constexpr uint8_t kControl3Block = 0x52;

// kBand
constexpr uint8_t kDividerExpShift = 6;
constexpr uint8_t kSubBandShift = 3;

// kRfAux
constexpr uint8_t kRfAuxShift = 4;
constexpr uint8_t kRfAuxFixed = 0x8F; // the other bits

// kControl6
constexpr uint8_t kControl6Tuning = 0x8F;
constexpr uint8_t kControl6NtscMJ = 0x20; // in kControl6StandardMask
constexpr uint8_t kControl6OtherStandards = 0x30;
constexpr uint8_t kControl6End = 0x40; // in kControl6EndMask

// kControl8
constexpr uint8_t kControl8Tuning = 0x00;

} // namespace synth
} // namespace regmap
