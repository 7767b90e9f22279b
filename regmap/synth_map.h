// Register map of the tuner synthesizer at bus address 0xC2, on the bus only
// while the IF demodulator's gate is open: thirteen write-only 8-bit
// registers R0 to R12. A transfer's first byte is the sub-address, the number
// of the first register written times 16; the bytes after it go to that
// register and the following ones.
//
// Shared by the module and the emulated synthesizer. Plain constexpr data.
#pragma once

#include <stdint.h>

#include "include/tvboard.h" // the device's bus address

namespace regmap {
namespace synth {

constexpr uint8_t kRegisters = 13;

constexpr uint8_t SubAddress(uint8_t index) {
    return static_cast<uint8_t>(index << 4);
}

//  reg  bits   use
//  R0   7..0   divider bits 13..6
//  R1   7..2   divider bits 5..0
//  R2          0x40
//  R3   7      charge-pump kick during start-up
//       5      NTSC
//       2      start-up step
//       1..0   the band's final bits once settled
//  R4   7..6   divider exponent k: the oscillator counts 2^k times
//       5..3   sub-band (VCO within the exponent's group)
//       2..0   RF band code
//  R5   5..4   RF auxiliary code (other bits 0x8F)
//  R6          0x8F; then bits 5..4 by the standard, bits 7..6 at the end
//  R8   3, 2   loop settings; bit 2 the second correction
//  R9..R12     written only by the initial block
constexpr uint8_t kDivider = 0; // R0, R1
constexpr uint8_t kControl3 = 3;
constexpr uint8_t kBand = 4;
constexpr uint8_t kRfAux = 5;
constexpr uint8_t kControl6 = 6;
constexpr uint8_t kControl8 = 8;

constexpr uint8_t kDividerExpShift = 6; // in R4
constexpr uint8_t kSubBandShift = 3;    // in R4
constexpr uint8_t kRfAuxShift = 4;      // in R5
constexpr uint8_t kNtscBit = 0x20;      // in R3

constexpr uint8_t kSubAddressShift = 4;  // sub-address = register number << 4
constexpr uint8_t kDividerHighShift = 6; // R0 holds divider bits 13..6
constexpr uint8_t kDividerLowShift = 2;  // R1 bits 7..2 hold divider bits 5..0

} // namespace synth
} // namespace regmap
