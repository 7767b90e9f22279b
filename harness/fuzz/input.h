// The fuzz input format: a header byte, then operations until the input
// ends. Each operation is an opcode byte and its operands. An operation whose
// operands run past the end of the input is not made: every input, however
// short, is a valid (possibly empty) session, and a prefix of an input makes
// the same calls as the input up to where it ends.
//
//   header   bits 0..1: the host table of the first GetBoardModuleCaps
//            (0, 1 the whole table; 2 with slots left empty, the mask in the
//            next byte, bit k empties slot k; 3 no table at all)
//   op       opcode (taken modulo kOpCount), operands as listed at Op
//
// Operands:
//   u8       one byte
//   V(kind)  a 32-bit value: a byte below kRawValue picks entry
//            (byte modulo size) of the kind's table of values that matter;
//            kRawValue and above are followed by the value's four bytes,
//            least significant first
//   R        a record: a byte picks how (Record), then for a short record
//            one more byte for its length
//   plan     a transfer fault plan: period u8 (1..8 after modulo), phase
//            u8, kind u8 (TransferFault::Kind modulo 4), keep u8, index u8,
//            flip u8, reads-too u8 (odd: reads are hit as well)
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz {

enum class Op : uint8_t {
    Call,            // table u8 (BoardOps, VideoOps, AudioOps, InputOps, TunerOps), slot u8,
                     // then the slot's arguments (calls.cpp, tuner_calls.cpp)
    Initialize,      // DllInitialize
    Unload,          // DllUnload
    Caps,            // GetBoardModuleCaps: table u8 (as the header; 2: mask u8 follows),
                     // list u8 (odd: a place for it), count u8 (odd: a place for it)
    Irql,            // level u8: the interrupt level of the calls that follow
    DspTiming,       // ready u8, data ready u8, read done u8: polls before each bit
                     // comes up (below 0xF0: that many modulo 16; else never)
    DspNoise,        // period u8, phase u8, hide u8, add u8: on the polls whose number
                     // modulo (period % 16 + 1) is phase, the bits `hide` are withheld
                     // and the bits `add` shown without cause; period 0xFF: no noise;
                     // period 0xFE: every wait answered at its last poll, the first
                     // (phase % 5) data-ready waits of every read not at all
    DspRequests,     // lose-next u8 (% 8), lose-first-of-every-read u8 (% 6)
    DspFailReads,    // register V(Register), skip u8, count u8 (0xFF: every later read)
    DemodFaults,     // plan (period 0xFF: no faults)
    SynthFaults,     // plan (period 0xFF: no faults)
    Lock,            // mode u8 (% 4: on time, late by n reads, never, lost after n), n u8
    Station,         // frequency V(Frequency), standard V(Standard), sound u8 (bits 0..2:
                     // stereo, two languages, third language), strength u8
    NoStations,      // the antenna receives nothing
    SoundReport,     // status code u8, bit 11 u8 (odd: set)
    VideoStatus,     // bits u8 of register 0x11F
    DecoderReg,      // register V(Register), value u8 (the decoder as it came up)
    Pin,             // pin u8 (% 8), value u8 (% 2)
    FailAllocations, // count u8 (% 4): the next pool allocations fail
    Count,
};
constexpr uint8_t kOpCount = static_cast<uint8_t>(Op::Count);

// How a record argument is made (the byte modulo kRecordCount).
enum class Record : uint8_t {
    Null,
    Full,  // the harness's own, exactly the record's size, at the end of its allocation
    Short, // shorter than the record but covering what the call may touch
    Live,  // the settings record OpenBoard handed out last (tuner calls; else Full)
    Older, // an earlier settings record still alive (tuner calls; else Full)
    Same,  // the same memory as the call's other record (overlapping)
    Count,
};
constexpr uint8_t kRecordCount = static_cast<uint8_t>(Record::Count);

// What a 32-bit value stands for, to pick it from values that matter there.
enum class Kind : uint8_t {
    Any,
    Frequency,
    Standard,
    Property,
    PropertyValue,
    RequestId,
    AudioMode,
    Input,
    SampleRate,
    Mode,
    Handle,
    Register,
    Count,
};

constexpr uint8_t kRawValue = 0xE0;

// The tables of values that matter, per kind.
const std::vector<uint32_t>& ValuesOf(Kind kind);

// Reads operands off the input; past its end every read yields 0 and marks
// the input as ended.
class Reader {
  public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t U8() {
        if (at_ >= size_) {
            ended_ = true;
            return 0;
        }
        return data_[at_++];
    }
    uint32_t U32() {
        uint32_t v = 0;
        for (int k = 0; k < 4; ++k) {
            v |= static_cast<uint32_t>(U8()) << (8 * k);
        }
        return v;
    }
    uint32_t Value(Kind kind) {
        const uint8_t b = U8();
        if (b >= kRawValue) {
            return U32();
        }
        const std::vector<uint32_t>& table = ValuesOf(kind);
        return table[b % table.size()];
    }
    bool Ended() const { return ended_; }
    uint8_t ByteAt(size_t i) const { return i < size_ ? data_[i] : 0; }
    bool AtEnd() const { return at_ >= size_; }
    size_t Offset() const { return at_; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    bool ended_ = false;
};

} // namespace fuzz
