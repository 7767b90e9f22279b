#include "emu/i2c_transfers.h"

namespace emu {

namespace {

constexpr uint8_t kReadBit = 0x01;
// Nine clock periods of four quarters: eight bits and the acknowledge.
constexpr uint64_t kQuartersPerByte = uint64_t{9} * 4;

I2cSymbol Byte(uint8_t value, bool ack) {
    return I2cSymbol{I2cSymbol::Byte, value, ack};
}

// The address byte a device did not answer, and the stop after it.
I2cTransaction Unanswered(uint8_t address) {
    return {{I2cSymbol::Start}, Byte(address, false), {I2cSymbol::Stop}};
}

} // namespace

I2cTransaction ToTransaction(const Event& e) {
    const uint8_t write = static_cast<uint8_t>(e.device & 0xFEu);
    const uint8_t read = static_cast<uint8_t>(write | kReadBit);
    const uint8_t regHi = static_cast<uint8_t>(e.reg >> 8);
    const uint8_t regLo = static_cast<uint8_t>(e.reg);
    const uint8_t first = e.bytes.empty() ? 0 : e.bytes[0];
    switch (e.kind) {
    case EventKind::RegWrite:
        if (!e.acknowledged) {
            return Unanswered(write);
        }
        return {{I2cSymbol::Start}, Byte(write, true), Byte(regHi, true),
                Byte(regLo, true),  Byte(first, true), {I2cSymbol::Stop}};
    case EventKind::RegRead:
        if (!e.acknowledged) {
            return Unanswered(write);
        }
        return {{I2cSymbol::Start}, Byte(write, true),          Byte(regHi, true),
                Byte(regLo, true),  {I2cSymbol::RepeatedStart}, Byte(read, true),
                Byte(first, false), {I2cSymbol::Stop}};
    case EventKind::BusWrite: {
        if (!e.acknowledged) {
            return Unanswered(write);
        }
        I2cTransaction t = {{I2cSymbol::Start}, Byte(write, true)};
        for (uint8_t b : e.bytes) {
            t.push_back(Byte(b, true));
        }
        t.push_back({I2cSymbol::Stop});
        return t;
    }
    case EventKind::BusRead: {
        if (!e.acknowledged) {
            return Unanswered(read);
        }
        I2cTransaction t = {{I2cSymbol::Start}, Byte(read, true)};
        for (size_t i = 0; i < e.bytes.size(); ++i) {
            t.push_back(Byte(e.bytes[i], i + 1 < e.bytes.size()));
        }
        t.push_back({I2cSymbol::Stop});
        return t;
    }
    default:
        return {};
    }
}

I2cTiming::I2cTiming(uint32_t busHz)
    : quarterNs((1000000000ull + 2ull * busHz) / (4ull * (busHz == 0 ? 1 : busHz))) {}

uint64_t I2cTiming::Duration(const I2cTransaction& t) const {
    uint64_t quarters = 0;
    for (const I2cSymbol& s : t) {
        switch (s.kind) {
        case I2cSymbol::Start:
            quarters += 2;
            break;
        case I2cSymbol::RepeatedStart:
        case I2cSymbol::Stop:
            quarters += 4;
            break;
        case I2cSymbol::Byte:
            quarters += kQuartersPerByte;
            break;
        }
    }
    return quarters * quarterNs;
}

size_t BusBytes(const I2cTransaction& t) {
    size_t n = 0;
    for (const I2cSymbol& s : t) {
        n += s.kind == I2cSymbol::Byte ? 1 : 0;
    }
    return n;
}

BusLoad MeasureBusLoad(const std::vector<Event>& events, uint32_t busHz) {
    const I2cTiming timing(busHz);
    BusLoad load;
    for (const Event& e : events) {
        const I2cTransaction t = ToTransaction(e);
        if (t.empty()) {
            continue;
        }
        ++load.transactions;
        load.bytes += BusBytes(t);
        load.busNs += timing.Duration(t) + timing.BusFreeNs();
    }
    return load;
}

} // namespace emu
