// Register map of the IF demodulator at bus address 0x96: 8-bit registers
// at 8-bit sub-addresses. A write is one transfer whose first byte is the
// sub-address, the bytes after it going to that register and the following
// ones; a read is a one-byte transfer of the sub-address, then a read of as
// many bytes (the register and those after it). Register 0x21 is the gate
// through which the tuner synthesizer reaches the bus.
//
// Each register is followed by the values the board writes to it and the
// bits and limits it reads from it. Shared by the module and the emulated
// demodulator. Plain constexpr data.
#pragma once

#include <stdint.h>

#include "include/tvboard.h" // the device's bus address

namespace regmap {
namespace if_demod {

constexpr uint8_t kStandard = 0x01;   // the standard code (below)
constexpr uint8_t kTuningFlag = 0x80; // bit 7, set with the code while tuning

constexpr uint8_t kDetector = 0x05;
constexpr uint8_t kDetectorTuning = 0x04;
constexpr uint8_t kDetectorTuningSecamL = 0x02; // for SECAM L and L'
constexpr uint8_t kDetectorCorrection = 0x01;   // the third correction

constexpr uint8_t kHold = 0x07;
constexpr uint8_t kHoldOn = 0x00; // before a standard change and at start-up

constexpr uint8_t kLoop = 0x0D;
constexpr uint8_t kLoopTuning = 0x47;
constexpr uint8_t kLoopCorrection = 0x27; // the third correction

constexpr uint8_t kNudge = 0x0E;
constexpr uint8_t kNudgeBit = 0x02; // bit 1, pulsed after tuning SECAM L and L'

constexpr uint8_t kTuningControl = 0x0F;
constexpr uint8_t kTuningStart = 0x88;
constexpr uint8_t kTuningDone = 0x81;

constexpr uint8_t kCounter = 0x1A; // read back; kStatus follows it
// Up to this count the demodulator has come to rest; from it on, corrections
// to the synthesizer cannot help.
constexpr uint8_t kCounterLimit = 20;

constexpr uint8_t kStatus = 0x1B;  // read back
constexpr uint8_t kLockBit = 0x80; // bit 7
constexpr uint8_t kAfcMask = 0x7F; // bits 6..0: AFC, a 7-bit two's-complement number

constexpr uint8_t kLevel = 0x1D;          // read back
constexpr uint8_t kLevelSettledMax = 115; // a settled tuner reads this or less

constexpr uint8_t kStartup20 = 0x20;
constexpr uint8_t kStartup20Value = 0x0B;

constexpr uint8_t kGate = 0x21;
constexpr uint8_t kGateConnect = 0x40; // bit 6: the synthesizer is on the bus
constexpr uint8_t kGateOpen = 0xC0;
constexpr uint8_t kGateClosed = 0x80;

constexpr uint8_t kAgc = 0x28;
constexpr uint8_t kAgcTuning = 0x14;
constexpr uint8_t kAgcCorrection = 0x64; // the first correction

constexpr uint8_t kStartup30 = 0x30;
constexpr uint8_t kStartup30Value = 0x6F;

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
