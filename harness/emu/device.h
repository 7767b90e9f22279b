// A device on the emulated serial bus. A device answers register-style access
// (16-bit register addresses, one byte each) and/or sub-addressed transfers
// (first byte written is the sub-address). Returning false means the device
// did not acknowledge: nothing changes and a read delivers nothing.
//
// A device also watches the order of the transfers it is given and keeps a
// record of each one its protocol forbids or the real part would reject
// (what each device counts is said in its own header). The substitute host
// takes them after every call and shows them on that call's line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace emu {

// A transfer the device's protocol forbids or the real part would reject.
struct Violation {
    enum class Kind {
        NotReady,            // DSP: an access with no poll that showed ready since the last one
        FetchWithoutRequest, // DSP: a fetch while the DSP holds no request
        NoReadDoneWait,      // DSP: the next access before a poll showed read done
        Interleaved,         // DSP: another access between a request and its fetch
        NoSubAddress,        // IF demodulator: a read with no sub-address set just before
        GateClosed,          // synthesizer: addressed while the gate is closed
        Rejected,            // a transfer the part refuses (sub-address, length, a read)
    };
    Kind kind;
    std::string text; // one line: what the part saw
    // Polls of the DSP's status in a row, since the step the host was in
    // began, that did not show the bit that step waits for: how long the
    // host waited before it went on regardless (0 where no wait applies).
    unsigned unansweredPolls = 0;
    // A fault injected into the device (a status bit shown without cause, a
    // request or transfer lost, cut short or corrupted) since the step began
    // explains the violation: the host could not have known better.
    bool provoked = false;
};

class BusDevice {
  public:
    virtual ~BusDevice() = default;
    virtual bool WriteReg16(uint16_t /*reg*/, uint8_t /*value*/) { return false; }
    virtual bool ReadReg16(uint16_t /*reg*/, uint8_t* /*value*/) { return false; }
    virtual bool Write(const uint8_t* /*bytes*/, size_t /*count*/) { return false; }
    virtual bool Read(uint8_t* /*buffer*/, size_t /*count*/) { return false; }
    // Whether the part acknowledges its address now: what a quick write (the
    // address alone, no data, as a bus scan probes) finds. No protocol
    // applies to it, and nothing changes.
    virtual bool AnswersAddress() const { return true; }

    // The violations seen since the last call, oldest first; the device
    // forgets them.
    std::vector<Violation> TakeViolations() { return std::exchange(violations_, {}); }
    bool HasViolations() const { return !violations_.empty(); }
    // All violations seen since the device was made (taken or not).
    unsigned ViolationCount() const { return violationCount_; }

  protected:
    void Violate(Violation v) {
        ++violationCount_;
        violations_.push_back(std::move(v));
    }

  private:
    std::vector<Violation> violations_;
    unsigned violationCount_ = 0;
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
