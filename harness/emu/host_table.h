// The substitute host: the eight operations of the host's table, routed to
// device models attached at bus addresses, with eight general-purpose pins,
// and every call, wait and debug print recorded on one timeline.
//
// The host needs none of the module's code: whoever drives a module through
// it reports the module's waits and debug prints with Wait and Print (for the
// module linked on virtual time, host_driver/virtual_time_link.h does), and may give
// it the clock its events are stamped with.
//
// Problems. Every call with an argument the host did not expect (a
// complaint) and every transfer a device's protocol forbids (a violation,
// emu/device.h) is shown after `!!` on the call's line and kept in a list,
// so that whoever drives the module can see that nothing went wrong, or take
// out (consume) the problems it provoked on purpose.
#pragma once

#include "emu/device.h"
#include "emu/timeline.h"
#include "include/tvboard.h" // TVB_HOST_OPS and TVB_HOST_HANDLE: the table's layout as the module takes it

#include <array>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

struct Problem {
    size_t event;          // its call on the timeline
    std::string text;      // the complaint or the violation's text
    bool isViolation;      // a device's protocol violation (else a complaint)
    Violation violation{}; // the violation, when it is one
};

class HostTable {
  public:
    // The handle this host passes to OpenBoard.
    static constexpr TVB_HOST_HANDLE kBoardHandle = 0x00B0A4D0;

    HostTable();
    ~HostTable();
    HostTable(const HostTable&) = delete;
    HostTable& operator=(const HostTable&) = delete;

    const TVB_HOST_OPS* Ops() const;
    Timeline& Trace() { return timeline_; }
    const Timeline& Trace() const { return timeline_; }

    void Attach(uint8_t address, BusDevice* device) { devices_.at(address) = device; }
    void Detach(uint8_t address) { devices_.at(address) = nullptr; }

    // Pins the board drives toward the host (what ReadPins delivers).
    void SetPinInput(uint32_t pin, uint32_t value) { pinInputs_.at(pin) = value; }
    // The level the module last drove on a pin (255: never driven).
    uint32_t PinOutput(uint32_t pin) const { return pinOutputs_.at(pin); }

    // Calls of slots 4 and 5, which the module must never make.
    int ForbiddenCalls() const { return forbidden_; }

    // The handle the module is expected to pass (kBoardHandle unless the
    // board was opened with another).
    void ExpectHandle(TVB_HOST_HANDLE handle) { expectedHandle_ = handle; }
    TVB_HOST_HANDLE ExpectedHandle() const { return expectedHandle_; }

    // Complaints and violations not consumed yet, oldest first.
    const std::vector<Problem>& Problems() const { return problems_; }
    // Takes out the problems for which `match` holds; returns how many.
    size_t ConsumeProblems(const std::function<bool(const Problem&)>& match);
    // The same for problems whose text contains `text`.
    size_t ConsumeProblems(const std::string& text);

    void Note(std::string_view text);
    // One debug print of the module, recorded as it arrives.
    void Print(std::string_view text);
    // A wait of the module that has just ended (or `times` equal ones, one
    // right after the other), stamped with the time it began. It also
    // advances the host's own time.
    void Wait(WaitKind kind, uint64_t microseconds, uint64_t times = 1);

    // Where event time stamps come from, in microseconds: by default the
    // host's own time, which passes by the waits recorded and the bus's
    // time; or a clock given here, with what moves it on by the bus's time
    // (virtual time), or with nothing for a clock that runs by itself (a
    // real clock when a loaded build waits for real: the emulated bus takes
    // none of it). Null goes back to the host's own time.
    using Clock = uint64_t (*)();
    using Advance = void (*)(uint64_t microseconds);
    void SetClock(Clock clock, Advance advance = nullptr) {
        clock_ = clock;
        advance_ = advance;
    }
    uint64_t Now() const;
    // The bus's own time at a clock rate in Hz (0, the default: a bus that
    // takes no time). Every bus call (slots 0 to 3, a quick write) then
    // lasts as long as its transaction on the two-wire bus and the bus-free
    // time after it (emu/i2c_transfers.h): its event is stamped when it
    // starts, and the clock has moved on by that much (in whole
    // microseconds, the rest carried to the next call) when it returns. A
    // logic analyzer's capture at that rate then shows each transaction at
    // its event's time.
    void SetBusRate(uint32_t hz) { busHz_ = hz; }
    uint32_t BusRate() const { return busHz_; }
    // Called before every host call and note the host records (not before
    // prints and waits), e.g. to bring onto the timeline the prints a loaded
    // build made meanwhile.
    using Hook = void (*)(void* self);
    void SetBeforeEvent(Hook hook, void* self) {
        beforeEvent_ = hook;
        beforeSelf_ = self;
    }

    // Routing targets of the table's slots.
    uint32_t DoWriteReg16(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t bits, uint32_t reg,
                          uint32_t value, uint32_t zero);
    uint32_t DoReadReg16(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t bits, uint32_t reg,
                         uint8_t* value, uint32_t zero);
    uint32_t DoBusWrite(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t a, uint32_t b,
                        uint32_t count, const uint8_t* bytes, uint32_t flags);
    uint32_t DoBusRead(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t a, uint32_t b, uint32_t count,
                       uint8_t* buffer, uint32_t flags);
    uint32_t DoForbidden();

    // A bus tool's probe of an address (not one of the module's calls): a
    // quick write, the address byte with the write bit and a stop, no data.
    // On the timeline as a bus write of no bytes; true when a device
    // acknowledged its address (BusDevice::AnswersAddress).
    bool QuickWrite(uint32_t address);
    // Whether a device acknowledged the latest call of slots 0 to 3 (which
    // return nothing that says so).
    bool LastAcknowledged() const { return lastAcknowledged_; }
    uint32_t DoWritePins(TVB_HOST_HANDLE handle, uint32_t count, const uint32_t* pins,
                         const uint32_t* values, uint32_t zero);
    uint32_t DoReadPins(TVB_HOST_HANDLE ctx, uint32_t count, const uint32_t* pins, uint32_t* values,
                        uint32_t one);

  private:
    Event Begin(EventKind kind);
    BusDevice* At(uint32_t address);
    // Adds the event, after taking the device's violations onto it, and
    // lists its problems.
    void Record(Event&& e, BusDevice* device);

    Timeline timeline_;
    std::array<BusDevice*, 256> devices_{}; // by bus address
    std::array<uint32_t, TVB_PIN_COUNT> pinInputs_{};
    std::array<uint32_t, TVB_PIN_COUNT> pinOutputs_{};
    int forbidden_ = 0;
    bool lastAcknowledged_ = false;
    TVB_HOST_HANDLE expectedHandle_ = kBoardHandle;
    std::vector<Problem> problems_;
    Clock clock_ = nullptr;
    Advance advance_ = nullptr;
    uint32_t busHz_ = 0;
    uint64_t busNs_ = 0; // bus time not yet on the clock, under a microsecond
    uint64_t ownUs_ = 0; // the host's own time: the waits and bus time so far
    Hook beforeEvent_ = nullptr;
    void* beforeSelf_ = nullptr;
};

} // namespace emu
