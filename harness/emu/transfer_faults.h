// Faults injected into the transfers a bus device is given, as a marginal bus
// or a confused part would make them: a transfer not acknowledged, cut short
// after some bytes, or with one byte corrupted on the way.
#pragma once

#include "emu/small_vector.h"

#include <cstddef>
#include <cstdint>
#include <functional>

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

// The bytes of a write that reach the device under fault `f` (kept inside
// the result for a write of the usual length: one is made for every write).
inline SmallVector<uint8_t, 16> BytesTaken(const TransferFault& f, const uint8_t* bytes,
                                           size_t count) {
    SmallVector<uint8_t, 16> taken;
    if (f.kind == TransferFault::Kind::NoAck) {
        return taken;
    }
    const size_t kept = f.kind == TransferFault::Kind::CutShort && f.keep < count ? f.keep : count;
    const bool corrupt = f.kind == TransferFault::Kind::Corrupt && count != 0;
    for (size_t i = 0; i < kept; ++i) {
        taken.push_back(corrupt && i == f.index % count ? static_cast<uint8_t>(bytes[i] ^ f.flip)
                                                        : bytes[i]);
    }
    return taken;
}

} // namespace emu
