// The bus traffic of a timeline as a logic analyzer records it: the two bus
// wires scl and sda in a Value Change Dump (IEEE 1364), which GTKWave and
// PulseView open and sigrok's I2C decoder reads back.
//
// Each bus call becomes its transaction (emu/i2c_transfers.h) at the chosen
// clock rate: in every clock period SDA changes a quarter period after SCL
// fell, SCL is high for the second half; a start pulls SDA low while SCL is
// high, a stop lets it go high while SCL is high. The bus stays idle (both
// wires high) for a clock period after every transaction and for the whole
// length of every wait on the timeline. The dump starts a clock period of
// idle bus before the first event. A transaction starts at its event's time
// stamp (counted from the first event's) where the timeline holds the bus's
// time at this rate (emu::HostTable::SetBusRate), to the microsecond of the
// stamps; on a timeline that does not (a loaded build's, which waits for
// real and records no waits) it starts when its host call was made or when
// the bus is free again, whichever is later.
#pragma once

#include "emu/timeline.h"

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

namespace bench {

struct VcdOptions {
    uint32_t busHz = 100000;
    std::string date;    // the $date section
    std::string version; // the $version section
};

// The dump written as the run goes, event by event, so that a long run needs
// no more memory than a short one; time unit 1 ns.
class VcdWriter {
  public:
    // Writes the header.
    VcdWriter(std::ostream& out, const VcdOptions& options);
    ~VcdWriter();
    VcdWriter(const VcdWriter&) = delete;
    VcdWriter& operator=(const VcdWriter&) = delete;

    void Add(const emu::Event& event);
    // The idle bus after the last transaction; returns the time of the
    // dump's last change.
    uint64_t Finish();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The whole timeline (of the events kept) at once. Returns the time of the
// dump's last change.
uint64_t WriteVcd(std::ostream& out, const emu::Timeline& timeline, const VcdOptions& options);

} // namespace bench
