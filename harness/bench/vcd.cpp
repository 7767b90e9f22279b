#include "bench/vcd.h"

#include "emu/i2c_transfers.h"

#include <algorithm>
#include <vector>

namespace bench {

namespace {

constexpr char kScl = '!';
constexpr char kSda = '"';

// The two wires' changes in time order, written as they come.
class Wires {
  public:
    explicit Wires(std::ostream& out) : out_(out) {}

    void Set(uint64_t timeNs, char wire, int level) {
        int& current = wire == kScl ? scl_ : sda_;
        if (current == level) {
            return;
        }
        current = level;
        if (timeNs != lastTime_) {
            out_ << '#' << timeNs << '\n';
            lastTime_ = timeNs;
        }
        out_ << level << wire << '\n';
    }
    void Mark(uint64_t timeNs) {
        if (timeNs != lastTime_) {
            out_ << '#' << timeNs << '\n';
            lastTime_ = timeNs;
        }
    }

  private:
    std::ostream& out_;
    int scl_ = 1;
    int sda_ = 1;
    uint64_t lastTime_ = 0;
};

// Draws one transaction from `at` on (both wires high there); returns its end.
uint64_t Draw(Wires& w, const emu::I2cTransaction& t, uint64_t at, uint64_t q) {
    for (const emu::I2cSymbol& s : t) {
        switch (s.kind) {
        case emu::I2cSymbol::Start:
            w.Set(at, kSda, 0);
            w.Set(at + 2 * q, kScl, 0);
            at += 2 * q;
            break;
        case emu::I2cSymbol::RepeatedStart:
            w.Set(at + q, kSda, 1);
            w.Set(at + 2 * q, kScl, 1);
            w.Set(at + 3 * q, kSda, 0);
            w.Set(at + 4 * q, kScl, 0);
            at += 4 * q;
            break;
        case emu::I2cSymbol::Byte:
            for (int bit = 8; bit >= 0; --bit) {
                // Eight data bits, most significant first, then the
                // acknowledge bit: low for A, high for N.
                const int level = bit > 0 ? (s.value >> (bit - 1)) & 1 : (s.ack ? 0 : 1);
                w.Set(at + q, kSda, level);
                w.Set(at + 2 * q, kScl, 1);
                w.Set(at + 4 * q, kScl, 0);
                at += 4 * q;
            }
            break;
        case emu::I2cSymbol::Stop:
            w.Set(at + q, kSda, 0);
            w.Set(at + 2 * q, kScl, 1);
            w.Set(at + 3 * q, kSda, 1);
            at += 4 * q;
            break;
        }
    }
    return at;
}

} // namespace

struct VcdWriter::State {
    State(std::ostream& out, uint32_t busHz) : wires(out), timing(busHz), now(timing.BusFreeNs()) {}
    Wires wires;
    emu::I2cTiming timing;
    bool haveOrigin = false;
    uint64_t originUs = 0;
    uint64_t now; // the idle bus before the first event, then the end of the latest transaction
};

VcdWriter::VcdWriter(std::ostream& out, const VcdOptions& options)
    : state_(std::make_unique<State>(out, options.busHz)) {
    out << "$date\n\t" << options.date << "\n$end\n"
        << "$version\n\t" << options.version << "\n$end\n"
        << "$comment\n\tthe board's two-wire control bus at " << options.busHz
        << " Hz; waits are idle bus\n$end\n"
        << "$timescale 1ns $end\n"
        << "$scope module bus $end\n"
        << "$var wire 1 " << kScl << " scl $end\n"
        << "$var wire 1 " << kSda << " sda $end\n"
        << "$upscope $end\n"
        << "$enddefinitions $end\n"
        << "#0\n$dumpvars\n1" << kScl << "\n1" << kSda << "\n$end\n";
}

VcdWriter::~VcdWriter() = default;

void VcdWriter::Add(const emu::Event& e) {
    State& s = *state_;
    if (!s.haveOrigin) {
        // The first event's stamp is the capture's origin, and the capture
        // starts a bus-free period before it (`now` and `called` begin one
        // period in), as an analyzer triggered just before the run: a
        // decoder sees the idle bus before the first start.
        s.haveOrigin = true;
        s.originUs = e.timeUs;
    }
    if (e.kind == emu::EventKind::Wait) {
        s.now += e.waitUs * e.times * 1000;
        return;
    }
    const emu::I2cTransaction t = emu::ToTransaction(e);
    if (t.empty()) {
        return;
    }
    // A transaction starts when its host call was made, or when the bus is
    // free again after the one before (its stamps may not hold the bus's
    // time: a build that waits for real).
    const uint64_t called =
        s.timing.BusFreeNs() + (e.timeUs >= s.originUs ? (e.timeUs - s.originUs) * 1000 : 0);
    s.now = std::max(s.now, called);
    s.now = Draw(s.wires, t, s.now, s.timing.quarterNs);
    s.now += s.timing.BusFreeNs(); // the bus is free after every stop
}

uint64_t VcdWriter::Finish() {
    State& s = *state_;
    s.wires.Mark(s.now); // the idle bus after the last stop
    return s.now;
}

uint64_t WriteVcd(std::ostream& out, const emu::Timeline& timeline, const VcdOptions& options) {
    VcdWriter writer(out, options);
    for (const emu::Event& e : timeline.Events()) {
        writer.Add(e);
    }
    return writer.Finish();
}

} // namespace bench
