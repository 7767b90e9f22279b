// Register map of the tuner synthesizer at bus address 0xC2, on the bus only
// while the IF demodulator's gate is open: thirteen write-only 8-bit
// registers R0 to R12. A transfer's first byte is the sub-address, the number
// of the first register written times 16; the bytes after it go to that
// register and the following ones.
//
// Each register is followed by its fields (a mask in place, with the shift
// of its lowest bit) and the values the board writes to it. Registers not
// named here (R7, R9 to R12) are written only by the initial block.
// Shared by the module and the emulated synthesizer. Plain constexpr data.
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

// The 14-bit divider N: R0 holds bits 13..6, R1 bits 5..0 in its bits 7..2.
constexpr uint8_t kDividerHigh = 0; // R0 = N >> kDividerHighShift
constexpr uint8_t kDividerLow = 1;  // R1 = N << kDividerLowShift
constexpr uint8_t kDividerHighShift = 6;
constexpr uint8_t kDividerLowShift = 2;

constexpr uint8_t kControl2 = 2;
constexpr uint8_t kControl2Tuning = 0x40;

constexpr uint8_t kControl3 = 3;
constexpr uint8_t kControl3Kick = 0x80;     // bit 7: charge-pump kick during start-up
constexpr uint8_t kControl3Ntsc = 0x20;     // bit 5
constexpr uint8_t kControl3StepMask = 0x0C; // bits 3..2: start-up step
constexpr uint8_t kControl3Step = 0x04;
constexpr uint8_t kControl3LoopMask = 0x03;     // bits 1..0: loop bits
constexpr uint8_t kControl3LoopStarting = 0x02; // until the band's final bits replace them
// R3 as the divider block sends it, whatever the board's copy holds: bits 6
// and 4, the loop bits starting, and kControl3Ntsc for NTSC.
constexpr uint8_t kControl3Block = 0x52;

constexpr uint8_t kBand = 4;
constexpr uint8_t kDividerExpMask = 0xC0; // bits 7..6: divider exponent k
constexpr uint8_t kDividerExpShift = 6;
constexpr uint8_t kSubBandMask = 0x38; // bits 5..3: the VCO within the exponent's group
constexpr uint8_t kSubBandShift = 3;
constexpr uint8_t kRfBandMask = 0x07; // bits 2..0: RF band code

constexpr uint8_t kRfAux = 5;
constexpr uint8_t kRfAuxMask = 0x30; // bits 5..4: RF auxiliary code
constexpr uint8_t kRfAuxShift = 4;
constexpr uint8_t kRfAuxFixed = 0x8F; // the other bits

constexpr uint8_t kControl6 = 6;
constexpr uint8_t kControl6Tuning = 0x8F;
constexpr uint8_t kControl6StandardMask = 0x30; // bits 5..4, by the TV standard:
constexpr uint8_t kControl6NtscMJ = 0x20;
constexpr uint8_t kControl6OtherStandards = 0x30;
constexpr uint8_t kControl6EndMask = 0xC0; // bits 7..6, once the loop has started
constexpr uint8_t kControl6End = 0x40;

constexpr uint8_t kControl8 = 8;
constexpr uint8_t kControl8Tuning = 0x00;
constexpr uint8_t kControl8Loop = 0x08;       // bit 3, once the loop has started
constexpr uint8_t kControl8Correction = 0x04; // bit 2: the second correction

} // namespace synth
} // namespace regmap
