#include "bench/vcd.h"

#include "bench/i2c_transfers.h"

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
uint64_t Draw(Wires& w, const I2cTransaction& t, uint64_t at, uint64_t q) {
    for (const I2cSymbol& s : t) {
        switch (s.kind) {
        case I2cSymbol::Start:
            w.Set(at, kSda, 0);
            w.Set(at + 2 * q, kScl, 0);
            at += 2 * q;
            break;
        case I2cSymbol::RepeatedStart:
            w.Set(at + q, kSda, 1);
            w.Set(at + 2 * q, kScl, 1);
            w.Set(at + 3 * q, kSda, 0);
            w.Set(at + 4 * q, kScl, 0);
            at += 4 * q;
            break;
        case I2cSymbol::Byte:
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
        case I2cSymbol::Stop:
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

uint64_t WriteVcd(std::ostream& out, const emu::Timeline& timeline, const VcdOptions& options) {
    const I2cTiming timing(options.busHz);
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

    Wires wires(out);
    const std::vector<emu::Event>& events = timeline.Events();
    const uint64_t originUs = events.empty() ? 0 : events.front().timeUs;
    uint64_t now = 0;
    for (const emu::Event& e : events) {
        if (e.kind == emu::EventKind::Wait) {
            now += e.waitUs * 1000;
            continue;
        }
        const I2cTransaction t = ToTransaction(e);
        if (t.empty()) {
            continue;
        }
        now += timing.BusFreeNs(); // the bus is free before every start
        const uint64_t called = e.timeUs >= originUs ? (e.timeUs - originUs) * 1000 : 0;
        now = std::max(now, called);
        now = Draw(wires, t, now, timing.quarterNs);
    }
    now += timing.BusFreeNs();
    wires.Mark(now); // the idle bus after the last stop
    return now;
}

} // namespace bench
