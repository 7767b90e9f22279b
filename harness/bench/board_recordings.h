// What the module did to the board's three bus devices in the bench's
// recordings of every scenario: who wrote and read each register, the
// values written, the fields as the writes left them, the transfer
// lengths and the gate to the synthesizer. The board's register reference
// is made from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace bench {

struct RegisterAccess {
    std::set<std::string> writers; // host calls, as the reference names them
    std::set<std::string> readers;
    std::set<uint32_t> values; // bytes written
    unsigned mostWrites = 0;   // in one scenario, that is one load of the module
    std::set<size_t> lengths;  // of the transfers that wrote it (synthesizer)
};

struct BoardRecordings {
    std::map<uint32_t, RegisterAccess> decoder;       // by register
    std::map<uint32_t, RegisterAccess> demod;         // by sub-address
    std::map<uint32_t, RegisterAccess> synth;         // by register number
    std::map<std::string, std::set<uint32_t>> fields; // values, by field name
    std::set<size_t> demodWrites;                     // transfer lengths
    std::set<size_t> demodReads;
    std::set<size_t> synthWrites;
    unsigned synthTransfers = 0;
    unsigned synthWhileGateOpen = 0;
    unsigned gateOpenings = 0;
};

// Records every scenario; false with "SCENARIO: why" when one fails.
bool RecordBoard(BoardRecordings* out, std::string* error);

} // namespace bench
