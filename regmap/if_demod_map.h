// Register map of the IF demodulator at bus address 0x96: 8-bit registers
// at 8-bit sub-addresses. A write is one transfer whose first byte is the
// sub-address, the bytes after it going to that register and the following
// ones; a read is a one-byte transfer of the sub-address, then a read of as
// many bytes (the register and those after it). Register 0x21 is the gate
// through which the tuner synthesizer reaches the bus.
//
// Shared by the module and the emulated demodulator. Plain constexpr data.
#pragma once

#include <stdint.h>

#include "include/tvboard.h" // the device's bus address

namespace regmap {
namespace if_demod {

//  sub  name               use
//  0x01 kStandard          standard code; bit 7 set while tuning
//  0x05 kDetector          0x04 (0x02 for SECAM L, L'); 0x01 as third correction
//  0x07 kHold              0x00 before a standard change and at start-up
//  0x0D kLoop              0x47 while tuning; 0x27 as third correction
//  0x0E kNudge             bit 1 pulsed after tuning SECAM L and L'
//  0x0F kTuningControl     0x88 while tuning, 0x81 when done
//  0x1A kCounter           read back: 20 and more means corrections cannot help
//  0x1B kStatus            read back: bit 7 lock, bits 6..0 AFC (7-bit two's complement)
//  0x1D kLevel             read back: 115 and below is a settled level
//  0x20 kStartup20         0x0B at start-up
//  0x21 kGate              0xC0 connects the synthesizer, 0x80 cuts it off
//  0x28 kAgc               0x14 while tuning, 0x64 as first correction
//  0x30 kStartup30         0x6F at start-up
constexpr uint8_t kStandard = 0x01;
constexpr uint8_t kDetector = 0x05;
constexpr uint8_t kHold = 0x07;
constexpr uint8_t kLoop = 0x0D;
constexpr uint8_t kNudge = 0x0E;
constexpr uint8_t kTuningControl = 0x0F;
constexpr uint8_t kCounter = 0x1A;
constexpr uint8_t kStatus = 0x1B;
constexpr uint8_t kLevel = 0x1D;
constexpr uint8_t kStartup20 = 0x20;
constexpr uint8_t kGate = 0x21;
constexpr uint8_t kAgc = 0x28;
constexpr uint8_t kStartup30 = 0x30;

constexpr uint8_t kTuningFlag = 0x80;  // kStandard bit 7
constexpr uint8_t kNudgeBit = 0x02;    // kNudge bit 1
constexpr uint8_t kLockBit = 0x80;     // kStatus bit 7
constexpr uint8_t kAfcMask = 0x7F;     // kStatus bits 6..0
constexpr uint8_t kGateConnect = 0x40; // kGate bit 6
constexpr uint8_t kGateOpen = 0xC0;
constexpr uint8_t kGateClosed = 0x80;

// Standard codes (kStandard without the tuning flag).
constexpr uint8_t kCodeMN = 0x01;
constexpr uint8_t kCodeB = 0x02;
constexpr uint8_t kCodeGH = 0x04;
constexpr uint8_t kCodeI = 0x08;
constexpr uint8_t kCodeD = 0x10;
constexpr uint8_t kCodeL = 0x20;
constexpr uint8_t kCodeL1 = 0x40; // L', SECAM L below 66 MHz

} // namespace if_demod
} // namespace regmap
