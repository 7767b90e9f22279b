// Faults injected into the transfers a bus device is given, as a marginal bus
// or a confused part would make them: a transfer not acknowledged, cut short
// after some bytes, or with one byte corrupted on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace emu {

struct TransferFault {
    enum class Kind : uint8_t {
        None,
        NoAck,    // the device takes nothing and does not acknowledge
        CutShort, // write: the first `keep` bytes are taken, then no acknowledge;
                  // read: the first `keep` bytes are delivered, the rest read
                  // as the idle bus (FF)
        Corrupt,  // byte `index` (modulo the count) has the bits `flip` turned
    };
    Kind kind = Kind::None;
    size_t keep = 0;
    size_t index = 0;
    uint8_t flip = 0;
};

// Decides the fault of each transfer from its direction, its byte count and
// its number (from 0, counted over the device's life). Null: no faults.
using TransferFaultPlan = std::function<TransferFault(bool read, size_t count, unsigned transfer)>;

// The bytes of a write that reach the device under fault `f`.
inline std::vector<uint8_t> BytesTaken(const TransferFault& f, const uint8_t* bytes, size_t count) {
    std::vector<uint8_t> taken(bytes, bytes + count);
    if (f.kind == TransferFault::Kind::NoAck) {
        taken.clear();
    } else if (f.kind == TransferFault::Kind::CutShort && f.keep < count) {
        taken.resize(f.keep);
    } else if (f.kind == TransferFault::Kind::Corrupt && count != 0) {
        taken[f.index % count] ^= f.flip;
    }
    return taken;
}

} // namespace emu
