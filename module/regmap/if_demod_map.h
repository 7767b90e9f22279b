// Register map of the IF demodulator at bus address 0x96: 8-bit registers
// at 8-bit sub-addresses. A write is one transfer whose first byte is the
// sub-address, the bytes after it going to that register and the following
// ones; a read is a one-byte transfer of the sub-address, then a read of as
// many bytes (the register and those after it). Register 0x21 is the gate
// through which the tuner synthesizer reaches the bus.
//
// The registers and their bit fields are listed once, in
// TVB_IF_DEMOD_REGISTERS and TVB_IF_DEMOD_FIELDS, from which both the names
// below and any table of them (the bench's register view) are made; then
// come the values the board writes and the limits it reads against. Shared
// by the module and the emulated demodulator. Plain constexpr data.
#pragma once

#include <stdint.h>

#include "include/tvboard.h" // the device's bus address

namespace regmap {
namespace if_demod {

// The registers, by name and sub-address, with what they are for
// (X(name, subAddress, meaning)): the standard code, the detector, the hold
// before a standard change, the loop, the nudge pulsed after tuning SECAM L
// and L', the tuning control; read back: the counter (kStatus follows it),
// the status and the level; two start-up registers, the gate, the AGC.
#define TVB_IF_DEMOD_REGISTERS(X)                                                                  \
    X(kStandard, 0x01, "standard code, with the tuning flag while tuning")                         \
    X(kDetector, 0x05, "detector: set for tuning (SECAM L and L' apart) and by a correction")      \
    X(kHold, 0x07, "hold: written before a standard change and at start-up")                       \
    X(kLoop, 0x0D, "loop: set for tuning and by a correction")                                     \
    X(kNudge, 0x0E, "nudge, pulsed after tuning SECAM L and L' until it comes to rest")            \
    X(kTuningControl, 0x0F, "tuning control: started before the synthesizer is set, done after")   \
    X(kCounter, 0x1A, "settling counter, read back: high values mean no rest")                     \
    X(kStatus, 0x1B, "status the board sets: lock and AFC value")                                  \
    X(kLevel, 0x1D, "signal level the board sets: low values mean a settled tuner")                \
    X(kStartup20, 0x20, "written once, at start-up")                                               \
    X(kGate, 0x21, "gate: connects the synthesizer to the bus")                                    \
    X(kAgc, 0x28, "AGC: set for tuning and by a correction")                                       \
    X(kStartup30, 0x30, "written once, at start-up")

#define TVB_IF_DEMOD_REGISTER(name, subAddress, meaning) constexpr uint8_t name = subAddress;
TVB_IF_DEMOD_REGISTERS(TVB_IF_DEMOD_REGISTER)
#undef TVB_IF_DEMOD_REGISTER

// The bit fields, as masks in place within their register, with what they
// are for (X(name, register, mask, meaning)): the tuning flag set with the
// standard code while tuning (bit 7), the nudge bit (bit 1), the status's AFC
// value (bits 6..0, a 7-bit two's-complement number) and lock bit (bit 7),
// the gate's connect bit (bit 6: the synthesizer is on the bus).
#define TVB_IF_DEMOD_FIELDS(X)                                                                     \
    X(kTuningFlag, kStandard, 0x80, "set with the standard code while tuning")                     \
    X(kNudgeBit, kNudge, 0x02, "the nudge")                                                        \
    X(kAfcMask, kStatus, 0x7F, "AFC value, 7-bit two's complement: where the carrier lies")        \
    X(kLockBit, kStatus, 0x80, "locked")                                                           \
    X(kGateConnect, kGate, 0x40, "the synthesizer is on the bus")

#define TVB_IF_DEMOD_FIELD(name, reg, mask, meaning) constexpr uint8_t name = mask;
TVB_IF_DEMOD_FIELDS(TVB_IF_DEMOD_FIELD)
#undef TVB_IF_DEMOD_FIELD

// kDetector
constexpr uint8_t kDetectorTuning = 0x04;
constexpr uint8_t kDetectorTuningSecamL = 0x02; // for SECAM L and L'
constexpr uint8_t kDetectorCorrection = 0x01;   // the third correction

// kHold: before a standard change and at start-up
constexpr uint8_t kHoldOn = 0x00;

// kLoop
constexpr uint8_t kLoopTuning = 0x47;
constexpr uint8_t kLoopCorrection = 0x27; // the third correction

// kTuningControl
constexpr uint8_t kTuningStart = 0x88;
constexpr uint8_t kTuningDone = 0x81;

// kCounter: up to this count the demodulator has come to rest; from it on,
// corrections to the synthesizer cannot help.
constexpr uint8_t kCounterLimit = 20;

// kLevel: a settled tuner reads this or less
constexpr uint8_t kLevelSettledMax = 115;

// kStartup20, kStartup30
constexpr uint8_t kStartup20Value = 0x0B;
constexpr uint8_t kStartup30Value = 0x6F;

// kGate
constexpr uint8_t kGateOpen = 0xC0;
constexpr uint8_t kGateClosed = 0x80;

// kAgc
constexpr uint8_t kAgcTuning = 0x14;
constexpr uint8_t kAgcCorrection = 0x64; // the first correction

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
