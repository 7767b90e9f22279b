// The emulated IF demodulator at 0x96, with the gate to the synthesizer and
// the reception of the emulated antenna.
//
// Registers are 8-bit sub-addresses. A transfer's first byte sets the
// register pointer; further bytes are written from there on, and a read
// delivers the register at the pointer and those after it (auto-increment).
// All registers hold what was last written, except these, which the device
// computes when they are read:
//   0x1B  status: bit 7 lock, bits 6..0 the AFC value (0 while unlocked)
//   0x1D  level: 255 - strength of the station received, 255 with none
// 0x1A is a plain register that a test may preset (0 at power-up).
// 0x21 is the gate: bit 6 set (0xC0) connects the synthesizer, clear (0x80)
// cuts it off. 0x01 holds the standard code; bit 7 is ignored.
//
// Reception. The demodulator is tuned to the synthesizer's oscillator
// frequency minus the IF offset of its standard code (0x01 M/N: 5.75 MHz;
// 0x02 B: 6.75 MHz; 0x04 G/H, 0x08 I, 0x10 D, 0x20 L: 7.75 MHz; 0x40 L':
// 1.75 MHz; any other code receives nothing). It receives the nearest station
// of the same standard within 200 kHz of that frequency, and is then locked.
//
// AFC. With offset = station frequency - tuned frequency, the AFC value is
// offset / 3125 Hz, truncated toward zero, as a 7-bit two's-complement number
// (-64 .. +63; the 200 kHz capture range ends at -64). 3125 Hz is a twentieth
// of the tuner's 62.5 kHz tuning step, so the module's AFC step reads:
//   |offset| below 59 375 Hz                     -> 0
//   59 375 .. 118 749 Hz (about one tuning step)  -> +1 above, -1 below
//   118 750 Hz and more                           -> +2 above, -2 below
// A positive step means the station lies above the tuned frequency.
//
// Lock can be delayed: after LockAfterReads(n) the next n reads of 0x1B
// report no lock (n polls of the status), or never with LockNever(); and it
// can be lost: after LoseLockAfterReads(n), once n reads have shown the lock,
// every later one shows it gone.
//
// Protocol check (emu/device.h): a read without a sub-address set, that is a
// read whose previous transfer to the demodulator was not a write of the
// sub-address alone (one byte, taken whole). The part's pointer then stands
// wherever the last transfer left it, so the bytes come from a register the
// reader did not name. A fault injected into a transfer (SetTransferFaults)
// marks what follows as provoked until the sub-address is set cleanly again.
#pragma once

#include "emu/antenna.h"
#include "emu/device.h"
#include "emu/transfer_faults.h"

#include <array>
#include <bitset>
#include <functional>
#include <optional>

namespace emu {

class Synth;

class IfDemod : public BusDevice {
  public:
    static constexpr uint32_t kCaptureRangeHz = 200000;
    static constexpr uint32_t kAfcUnitHz = 3125;

    explicit IfDemod(const Antenna& antenna) : antenna_(antenna) {}

    void ConnectSynth(const Synth* synth) { synth_ = synth; }

    bool Write(const uint8_t* bytes, size_t count) override;
    bool Read(uint8_t* buffer, size_t count) override;

    // What the registers hold as written (the computed ones read through
    // Read). Tests may preset registers here.
    uint8_t& Reg(uint8_t reg) { return regs_[reg]; }

    bool GateOpen() const;
    // The standard code without the tuning flag.
    uint8_t StandardCode() const;
    static uint32_t IfOffsetHz(uint8_t code);
    static uint8_t CodeOf(uint32_t standard);
    // A standard code as the demodulator's set-up is called: "M/N", "B",
    // "G/H", "I", "D", "L", "L'"; "none" for any other.
    static const char* CodeName(uint8_t code);
    // 0 while the synthesizer gives no usable frequency.
    uint32_t TunedHz() const;
    // The station received now, or null.
    const Station* Receiving() const;
    uint8_t AfcValue() const;
    // What a read of `reg` would deliver now, without counting as one (no
    // lock delay used up): for the computed registers what the device
    // computes, for the others what was written.
    uint8_t Peek(uint8_t reg) const;
    // The status byte the last read of 0x1B delivered (0 before any).
    uint8_t LastStatusShown() const { return lastStatus_; }

    void LockAfterReads(int n) { lockDelayReads_ = n; }
    void LockNever(bool never = true) { lockNever_ = never; }
    // After n more reads of 0x1B that show the lock, the lock is lost for
    // good (a negative n: never lost).
    void LoseLockAfterReads(int n) { lockLossAfter_ = n; }
    void SetTransferFaults(TransferFaultPlan plan) { faults_ = std::move(plan); }
    // A fault was injected into a write since the gate register was last
    // written cleanly: the synthesizer's gate may not be what the host set.
    bool GateFaulted() const { return gateFaulted_; }
    // Makes 0x1B read this value regardless of reception (nullopt: computed).
    void ForceStatus(std::optional<uint8_t> status) { forcedStatus_ = status; }
    int StatusReads() const { return statusReads_; }
    // Whether a register was written or read (a sub-address set alone is
    // neither).
    bool Touched(uint8_t reg) const { return touched_.test(reg); }

    // Called with the station received (or null) whenever reception may have
    // changed: after every acknowledged write to the demodulator or the
    // synthesizer.
    void OnReception(std::function<void(const Station*)> listener) {
        listener_ = std::move(listener);
    }
    void ReceptionMayHaveChanged();

  private:
    uint8_t ReadRegister(uint8_t reg);
    uint8_t ReadStatus();

    const Antenna& antenna_;
    const Synth* synth_ = nullptr;
    std::array<uint8_t, 256> regs_{};
    std::bitset<256> touched_;
    uint8_t pointer_ = 0;
    int lockDelayReads_ = 0;
    bool lockNever_ = false;
    int lockLossAfter_ = -1;
    TransferFaultPlan faults_;
    unsigned transfers_ = 0;
    bool addressed_ = false;    // the last transfer set the sub-address alone
    bool faultedSince_ = false; // a fault fired since the sub-address was last set cleanly
    bool gateFaulted_ = false;
    std::optional<uint8_t> forcedStatus_;
    int statusReads_ = 0;
    uint8_t lastStatus_ = 0;
    std::function<void(const Station*)> listener_;
};

} // namespace emu
