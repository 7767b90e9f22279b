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
// The oscillator runs at N x 250 kHz / 2^k, with the divider
// N = R0 << 6 | R1 >> 2 (14 bits) and k = R4 bits 7..6 (DivExp).
#pragma once

#include "emu/device.h"
#include "regmap/synth_map.h"

#include <array>

namespace emu {

class IfDemod;

class Synth : public BusDevice {
  public:
    static constexpr int kRegisters = regmap::synth::kRegisters;

    explicit Synth(IfDemod& demod) : demod_(demod) {}

    bool Write(const uint8_t* bytes, size_t count) override;

    uint8_t Reg(int index) const { return regs_.at(static_cast<size_t>(index)); }
    uint32_t Divider() const;
    uint32_t DivExp() const;
    uint64_t OscillatorHz() const;
    // Transfers the synthesizer acknowledged.
    int Transfers() const { return transfers_; }

  private:
    IfDemod& demod_;
    std::array<uint8_t, kRegisters> regs_{};
    int transfers_ = 0;
};

} // namespace emu
