// A device on the emulated serial bus. A device answers register-style access
// (16-bit register addresses, one byte each) and/or sub-addressed transfers
// (first byte written is the sub-address). Returning false means the device
// did not acknowledge: nothing changes and a read delivers nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace emu {

class BusDevice {
  public:
    virtual ~BusDevice() = default;
    virtual bool WriteReg16(uint16_t /*reg*/, uint8_t /*value*/) { return false; }
    virtual bool ReadReg16(uint16_t /*reg*/, uint8_t* /*value*/) { return false; }
    virtual bool Write(const uint8_t* /*bytes*/, size_t /*count*/) { return false; }
    virtual bool Read(uint8_t* /*buffer*/, size_t /*count*/) { return false; }
};

// A plain register file: 64 KiB of byte registers for register-style access,
// and a sub-address pointer with auto-increment for transfers.
class RegisterFile : public BusDevice {
  public:
    bool WriteReg16(uint16_t reg, uint8_t value) override {
        regs_[reg] = value;
        return true;
    }
    bool ReadReg16(uint16_t reg, uint8_t* value) override {
        *value = regs_[reg];
        return true;
    }
    bool Write(const uint8_t* bytes, size_t count) override {
        if (count == 0) {
            return true;
        }
        pointer_ = bytes[0];
        for (size_t i = 1; i < count; ++i) {
            regs_[pointer_++ & 0xFFu] = bytes[i];
        }
        return true;
    }
    bool Read(uint8_t* buffer, size_t count) override {
        for (size_t i = 0; i < count; ++i) {
            buffer[i] = regs_[pointer_++ & 0xFFu];
        }
        return true;
    }
    uint8_t& operator[](uint16_t reg) { return regs_[reg]; }

  private:
    uint8_t regs_[65536] = {};
    uint16_t pointer_ = 0;
};

} // namespace emu
