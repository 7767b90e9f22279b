// The host's bus calls as the transactions they are on the two-wire serial
// bus (SCL, SDA), with 8-bit device addresses (the read/write bit included):
//
//   WriteReg16 to the decoder (0x42, 16-bit register, high byte first):
//     S 42 A regHi A regLo A value A P
//   ReadReg16: the register address is written, then read after a repeated
//   start:
//     S 42 A regHi A regLo A Sr 43 A data N P
//   BusWrite to 0x96 or 0xC2 (first byte the sub-address):
//     S addr A byte A ... byte A P
//   BusRead (starts where the previous BusWrite left the sub-address):
//     S addr|1 A data A ... data N P     (the master acknowledges every byte
//                                          but the last)
//   A transfer no device answered: S addr N P (the address byte is not
//   acknowledged; the master stops at once).
//
// S start, Sr repeated start, P stop, A acknowledge (SDA low in the ninth
// clock), N no acknowledge (SDA left high). Pins, waits, prints and notes are
// not bus traffic.
#pragma once

#include "emu/timeline.h"

#include <cstdint>
#include <vector>

namespace emu {

struct I2cSymbol {
    enum Kind { Start, RepeatedStart, Byte, Stop } kind;
    uint8_t value = 0; // a byte's value
    bool ack = false;  // a byte's ninth bit: acknowledged
};

using I2cTransaction = std::vector<I2cSymbol>;

// The transaction of one bus call; empty for any other event.
I2cTransaction ToTransaction(const Event& event);

// The bus clock of the two-wire bus's standard mode, which the board's
// devices all take.
constexpr uint32_t kStandardBusHz = 100000;

// Bus timing at a clock rate, in nanoseconds: every byte takes nine clock
// periods, a start half a period, a repeated start and a stop one period
// each, and the bus stays free for one period between two transactions.
struct I2cTiming {
    explicit I2cTiming(uint32_t busHz);
    uint64_t quarterNs; // a quarter of the clock period
    uint64_t Duration(const I2cTransaction& t) const;
    uint64_t BusFreeNs() const { return 4 * quarterNs; }
};

// Bytes a transaction puts on the bus, address bytes included.
size_t BusBytes(const I2cTransaction& t);

// All bus calls of a timeline: their count, the bytes on the bus and the
// time they take at a clock rate (bus-free time between them included).
struct BusLoad {
    size_t transactions = 0;
    size_t bytes = 0;
    uint64_t busNs = 0;
};
BusLoad MeasureBusLoad(const std::vector<Event>& events, uint32_t busHz);

} // namespace emu
