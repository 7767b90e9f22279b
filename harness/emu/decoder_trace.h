// A condensed view of decoder traffic for whole-sequence timelines. It is
// exact: only these shapes are condensed, everything else stays a raw line.
//   42[454] -> 7C (dsp)        a DSP byte read whose handshake went through
//                              at once: ready, request, data ready, fetch,
//                              read done
//   42[454] <- 7C (dsp)        a DSP byte write: ready, then the byte
//   42[454..457] -> 0000007C   four reads of consecutive registers of one
//                              kind, as the dword they form (plain or dsp)
//   42[454..457] <- 0000007C   the four writes that follow such a read on the
//                              same registers: a field write
//   dbg "<ORVELSTRM.SYS> " "text" "\n"
//                              the three prints of one debug message
// Plain single reads and writes, waits and any other event keep their line.
#pragma once

#include "emu/timeline.h"
#include "regmap/decoder_map.h"

#include <cstdio>
#include <string>
#include <vector>

namespace decoder_trace {

struct ByteOp {
    enum Kind { Raw, Read, Write } kind;
    bool dsp;
    uint32_t reg;
    uint8_t value;
    std::string line;     // for raw events
    size_t event = 0;     // its first event
    bool message = false; // a raw line that stands for the three prints of one message
};

namespace dmap = regmap::decoder;

inline bool IsStatusPoll(const emu::Event& e, uint8_t bit) {
    return e.kind == emu::EventKind::RegRead && e.device == TVB_DECODER_ADDRESS &&
           e.reg == dmap::kDspStatus && e.acknowledged && e.text.empty() && !e.bytes.empty() &&
           (e.bytes[0] & bit) != 0;
}

inline bool IsPlain(const emu::Event& e, emu::EventKind kind) {
    return e.kind == kind && e.device == TVB_DECODER_ADDRESS && e.reg != dmap::kDspStatus &&
           e.acknowledged && e.text.empty() && !e.bytes.empty();
}

inline bool IsPrintOf(const emu::Event& e, const char* text = nullptr) {
    return e.kind == emu::EventKind::Print && (text == nullptr || e.text == text);
}

inline std::vector<ByteOp> ByteOps(const std::vector<emu::Event>& ev, size_t from) {
    std::vector<ByteOp> ops;
    using K = emu::EventKind;
    size_t i = from;
    while (i < ev.size()) {
        const size_t left = ev.size() - i;
        if (left >= 3 && IsPrintOf(ev[i], "<ORVELSTRM.SYS> ") && IsPrintOf(ev[i + 1]) &&
            IsPrintOf(ev[i + 2], "\n")) {
            const std::string middle = emu::Timeline::Line(ev[i + 1]).substr(4);
            ops.push_back({ByteOp::Raw, false, 0, 0,
                           "dbg \"<ORVELSTRM.SYS> \" " + middle + " \"\\n\"", i, true});
            i += 3;
        } else if (left >= 5 && IsStatusPoll(ev[i], dmap::kDspReady) &&
                   IsPlain(ev[i + 1], K::RegRead) && IsStatusPoll(ev[i + 2], dmap::kDspDataReady) &&
                   IsPlain(ev[i + 3], K::RegRead) && ev[i + 3].reg == ev[i + 1].reg &&
                   IsStatusPoll(ev[i + 4], dmap::kDspReadDone)) {
            ops.push_back({ByteOp::Read, true, ev[i + 3].reg, ev[i + 3].bytes[0], {}, i});
            i += 5;
        } else if (left >= 2 && IsStatusPoll(ev[i], dmap::kDspReady) &&
                   IsPlain(ev[i + 1], K::RegWrite)) {
            ops.push_back({ByteOp::Write, true, ev[i + 1].reg, ev[i + 1].bytes[0], {}, i});
            i += 2;
        } else if (IsPlain(ev[i], K::RegRead) || IsPlain(ev[i], K::RegWrite)) {
            const bool read = ev[i].kind == K::RegRead;
            ops.push_back(
                {read ? ByteOp::Read : ByteOp::Write, false, ev[i].reg, ev[i].bytes[0], {}, i});
            ++i;
        } else {
            ops.push_back({ByteOp::Raw, false, 0, 0, emu::Timeline::Line(ev[i]), i});
            ++i;
        }
    }
    return ops;
}

// Four ops of `kind` and one path at r, r+1, r+2, r+3 starting at ops[i].
inline bool IsDword(const std::vector<ByteOp>& ops, size_t i, ByteOp::Kind kind) {
    if (i + 4 > ops.size()) {
        return false;
    }
    for (size_t k = 0; k < 4; ++k) {
        const ByteOp& op = ops[i + k];
        if (op.kind != kind || op.dsp != ops[i].dsp || op.reg != ops[i].reg + k) {
            return false;
        }
    }
    return true;
}

inline std::string ByteLine(const ByteOp& op) {
    char b[48];
    std::snprintf(b, sizeof b, "%02X[%03X] %s %02X%s", TVB_DECODER_ADDRESS, op.reg,
                  op.kind == ByteOp::Read ? "->" : "<-", op.value, op.dsp ? " (dsp)" : "");
    return b;
}

inline std::string DwordLine(const std::vector<ByteOp>& ops, size_t i) {
    uint32_t value = 0;
    for (size_t k = 0; k < 4; ++k) {
        value |= static_cast<uint32_t>(ops[i + k].value) << (8 * k);
    }
    char b[64];
    std::snprintf(b, sizeof b, "%02X[%03X..%03X] %s %08X%s", TVB_DECODER_ADDRESS, ops[i].reg,
                  ops[i].reg + 3, ops[i].kind == ByteOp::Read ? "->" : "<-", value,
                  ops[i].dsp ? " (dsp)" : "");
    return b;
}

// One line of the condensed view: one byte operation, four of them as a
// dword (`ops` 4), or a raw line; `first` is its first byte operation.
struct Condensed {
    size_t first;
    size_t ops;
    std::string line;
};

// The byte operations `ops` condensed as described above.
inline std::vector<Condensed> Condense(const std::vector<ByteOp>& ops) {
    std::vector<Condensed> out;
    size_t i = 0;
    while (i < ops.size()) {
        if (IsDword(ops, i, ByteOp::Read)) {
            out.push_back({i, 4, DwordLine(ops, i)});
            const bool fieldWrite = IsDword(ops, i + 4, ByteOp::Write) &&
                                    ops[i + 4].reg == ops[i].reg && ops[i + 4].dsp == ops[i].dsp;
            if (fieldWrite) {
                out.push_back({i + 4, 4, DwordLine(ops, i + 4)});
            }
            i += fieldWrite ? 8 : 4;
        } else {
            out.push_back({i, 1, ops[i].kind == ByteOp::Raw ? ops[i].line : ByteLine(ops[i])});
            ++i;
        }
    }
    return out;
}

// The events from `from` on, condensed, one line each.
inline std::string Summary(const std::vector<emu::Event>& events, size_t from) {
    std::string out;
    for (const Condensed& c : Condense(ByteOps(events, from))) {
        out += c.line + "\n";
    }
    return out;
}

// The timeline from event `from` on (of those kept), condensed.
inline std::string Summary(const emu::Timeline& timeline, size_t from) {
    return Summary(timeline.Events(), from);
}

} // namespace decoder_trace
