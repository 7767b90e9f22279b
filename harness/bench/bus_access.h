// The bus tools' own transfers to the board's devices, made through the
// substitute host's table as the module's are (the same slots, handle and
// arguments), so that the timeline, the capture and the devices' protocol
// checks see them as they see the module's:
//   decoder      one ReadReg16 or WriteReg16 a byte; a register of the audio
//                DSP (0x400..0x500) through the handshake on 0x580: a poll
//                for ready, the request, a poll for data ready, the fetch, a
//                poll for read done; a poll for ready before a byte written;
//   demodulator  a write of the sub-address, then a read of one byte (as
//                i2cdump's byte-data access); a write of the sub-address and
//                the byte;
//   synthesizer  a write of its sub-address (the register times 16) and the
//                byte; it acknowledges only while the gate is open, and no
//                read ever.
// Each wait polls the status at most ten times, without pausing: the DSP's
// bits come by polls, not by time.
#pragma once

#include "bench/bus_devices.h"
#include "emu/host_table.h"

#include <cstdint>
#include <string>

namespace bench {

class BusAccess {
  public:
    explicit BusAccess(emu::HostTable& host) : host_(host) {}

    // A quick write to a 7-bit address: true when a device answered.
    bool Probe(uint8_t address);
    // False with one line in *why when the device did not deliver or take
    // the byte.
    bool Read(const BoardDevice& device, uint32_t reg, uint8_t* value, std::string* why);
    bool Write(const BoardDevice& device, uint32_t reg, uint8_t value, std::string* why);

  private:
    bool ReadDecoder(uint16_t reg, uint8_t* value, std::string* why);
    bool PollDsp(uint8_t bit, const char* name, std::string* why);
    bool Acknowledged(const BoardDevice& device, const char* what, std::string* why) const;

    emu::HostTable& host_;
};

} // namespace bench
