// The substitute host: the eight operations of the host's table, routed to
// device models attached at bus addresses, with eight general-purpose pins,
// and every call, wait and debug print recorded on one timeline.
#pragma once

#include "emu/device.h"
#include "emu/timeline.h"
#include "frame/abi.h"

#include <array>
#include <map>

namespace emu {

class Host {
  public:
    // The handle this host passes to OpenBoard.
    static constexpr HostHandle kBoardHandle = 0x00B0A4D0;

    Host();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    const HostOpsTable* Ops() const;
    Timeline& Trace() { return timeline_; }
    const Timeline& Trace() const { return timeline_; }

    void Attach(uint8_t address, BusDevice* device) { devices_[address] = device; }
    void Detach(uint8_t address) { devices_.erase(address); }

    // Pins the board drives toward the host (what ReadPins delivers).
    void SetPinInput(uint32_t pin, uint32_t value) { pinInputs_.at(pin) = value; }
    // The level the module last drove on a pin (255: never driven).
    uint32_t PinOutput(uint32_t pin) const { return pinOutputs_.at(pin); }

    // Calls of slots 4 and 5, which the module must never make.
    int ForbiddenCalls() const { return forbidden_; }

    void Note(const std::string& text);
    // A debug print of the module, for a module whose prints do not reach
    // the virtual-time services (a loaded build): recorded as it arrives.
    void Print(const std::string& text);

    // Where event time stamps come from: virtual time (the default), or a
    // real clock in microseconds when a loaded build waits for real.
    using Clock = uint64_t (*)();
    void SetClock(Clock clock) { clock_ = clock; }
    uint64_t Now() const;
    // Called before every event the host records except prints, e.g. to
    // bring onto the timeline the prints a loaded build made meanwhile.
    using Hook = void (*)(void* self);
    void SetBeforeEvent(Hook hook, void* self) {
        beforeEvent_ = hook;
        beforeSelf_ = self;
    }

    // Routing targets of the table's slots.
    uint32_t DoWriteReg16(HostHandle ctx, uint32_t device, uint32_t bits, uint32_t reg,
                          uint32_t value, uint32_t zero);
    uint32_t DoReadReg16(HostHandle ctx, uint32_t device, uint32_t bits, uint32_t reg,
                         uint8_t* value, uint32_t zero);
    uint32_t DoBusWrite(HostHandle ctx, uint32_t device, uint32_t a, uint32_t b, uint32_t count,
                        const uint8_t* bytes, uint32_t flags);
    uint32_t DoBusRead(HostHandle ctx, uint32_t device, uint32_t a, uint32_t b, uint32_t count,
                       uint8_t* buffer, uint32_t flags);
    uint32_t DoForbidden();
    uint32_t DoWritePins(HostHandle handle, uint32_t count, const uint32_t* pins,
                         const uint32_t* values, uint32_t zero);
    uint32_t DoReadPins(HostHandle ctx, uint32_t count, const uint32_t* pins, uint32_t* values,
                        uint32_t one);

  private:
    Event Begin(EventKind kind);
    BusDevice* At(uint32_t address);

    Timeline timeline_;
    std::map<uint32_t, BusDevice*> devices_;
    std::array<uint32_t, 8> pinInputs_{};
    std::array<uint32_t, 8> pinOutputs_{};
    int forbidden_ = 0;
    Clock clock_ = nullptr;
    Hook beforeEvent_ = nullptr;
    void* beforeSelf_ = nullptr;
    vt::Listener listener_{};
};

} // namespace emu
