// The emulated tuner synthesizer at 0xC2: thirteen write-only registers R0 to
// R12, behind the IF demodulator's gate.
//
// A transfer starts with the sub-address, the number of the first register
// times 16; the bytes after it go to that register and the ones that follow.
// With the gate closed the synthesizer is cut off from the bus: the transfer
// is not acknowledged and nothing changes. A sub-address that is not a
// multiple of 16, a first register past R12 or more bytes than registers are
// left is not acknowledged either. Reads are never acknowledged.
//
// The oscillator runs at N x 250 kHz / 2^k, with the 14-bit divider N of R0
// and R1 and the exponent k of R4 (regmap/synth_map.h): the
// voltage-controlled oscillator itself runs at N x 250 kHz and is divided
// down by 2^k. R4's sub-band chooses one of five oscillators (300 to 910 MHz
// between them, see synth.cpp), each of which can only run within its own
// range; asked for a frequency outside it, the loop never locks and the
// synthesizer gives no usable frequency.
//
// Protocol checks (emu/device.h): every transfer the part does not take is
// recorded, as "addressed while the gate is closed" when the gate is closed,
// otherwise as rejected (an empty transfer, a bad sub-address, more bytes
// than registers, or any read). It counts as provoked when a fault injected
// into it, or into the demodulator's gate since that was last set cleanly,
// explains it.
#pragma once

#include "emu/device.h"
#include "emu/transfer_faults.h"
#include "regmap/synth_map.h"

#include <array>

namespace emu {

class IfDemod;

class Synth : public BusDevice {
  public:
    static constexpr int kRegisters = regmap::synth::kRegisters;

    explicit Synth(IfDemod& demod) : demod_(demod) {}

    bool Write(const uint8_t* bytes, size_t count) override;
    bool Read(uint8_t* buffer, size_t count) override;
    // Only while the gate is open: otherwise cut off from the bus.
    bool AnswersAddress() const override;
    void SetTransferFaults(TransferFaultPlan plan) { faults_ = std::move(plan); }

    uint8_t Reg(int index) const { return regs_.at(static_cast<size_t>(index)); }
    uint32_t Divider() const;
    uint32_t DivExp() const;
    // The frequency the divider asks for, whether or not the loop can lock.
    uint64_t OscillatorHz() const;
    // The oscillator's own frequency, N x 250 kHz.
    uint64_t VcoHz() const;
    // True when the chosen oscillator can run at VcoHz(), so the loop locks.
    bool Locked() const;
    // The step between two oscillator frequencies the divider can give now.
    uint64_t ResolutionHz() const;
    // The lowest and highest oscillator frequencies any divider, exponent and
    // sub-band can give with the loop locked.
    static uint64_t LowestOscillatorHz();
    static uint64_t HighestOscillatorHz();
    // Transfers the synthesizer acknowledged.
    int Transfers() const { return transfers_; }

  private:
    bool Refuse(bool closed, const char* why, bool faulted);

    IfDemod& demod_;
    TransferFaultPlan faults_;
    unsigned faultTransfers_ = 0;
    std::array<uint8_t, kRegisters> regs_{};
    int transfers_ = 0;
};

} // namespace emu
