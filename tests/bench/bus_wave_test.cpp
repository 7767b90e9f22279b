// The bench's view of the bus as a logic analyzer sees it: each host call as
// its two-wire transaction, the bus time it takes, and the waveform written
// as a Value Change Dump.
#include "bench/vcd.h"
#include "emu/i2c_transfers.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using emu::Event;
using emu::EventKind;

Event Call(EventKind kind, uint32_t device, uint32_t reg, const std::vector<uint8_t>& bytes,
           bool ack = true, uint64_t timeUs = 0) {
    Event e;
    e.kind = kind;
    e.device = device;
    e.reg = reg;
    e.bytes = bytes;
    e.acknowledged = ack;
    e.timeUs = timeUs;
    return e;
}

Event Wait(uint64_t us) {
    Event e;
    e.kind = EventKind::Wait;
    e.waitUs = us;
    return e;
}

std::string Text(const emu::I2cTransaction& t) {
    std::string s;
    char b[8];
    for (const emu::I2cSymbol& sym : t) {
        switch (sym.kind) {
        case emu::I2cSymbol::Start:
            s += "S ";
            break;
        case emu::I2cSymbol::RepeatedStart:
            s += "Sr ";
            break;
        case emu::I2cSymbol::Byte:
            std::snprintf(b, sizeof b, "%02X %c ", sym.value, sym.ack ? 'A' : 'N');
            s += b;
            break;
        case emu::I2cSymbol::Stop:
            s += "P";
            break;
        }
    }
    return s;
}

TEST(BusWaveTest, EachHostCallIsItsBusTransaction) {
    const struct {
        const char* name;
        Event event;
        const char* expected;
    } cases[] = {
        {"register write", Call(EventKind::RegWrite, 0x42, 0x10E, {0x5A}),
         "S 42 A 01 A 0E A 5A A P"},
        {"register read", Call(EventKind::RegRead, 0x42, 0x580, {0x07}),
         "S 42 A 05 A 80 A Sr 43 A 07 N P"},
        {"register write nobody answered", Call(EventKind::RegWrite, 0x42, 0x10E, {0x5A}, false),
         "S 42 N P"},
        {"register read nobody answered", Call(EventKind::RegRead, 0x42, 0x10E, {}, false),
         "S 42 N P"},
        {"bus write", Call(EventKind::BusWrite, 0x96, 0, {0x21, 0xC0}), "S 96 A 21 A C0 A P"},
        {"synthesizer behind a closed gate",
         Call(EventKind::BusWrite, 0xC2, 0, {0x30, 0xF2}, false), "S C2 N P"},
        {"bus read of two bytes", Call(EventKind::BusRead, 0x96, 0, {0x14, 0x80}),
         "S 97 A 14 A 80 N P"},
        {"bus read of one byte", Call(EventKind::BusRead, 0x96, 0, {0x80}), "S 97 A 80 N P"},
        {"bus read nobody answered", Call(EventKind::BusRead, 0xC2, 0, {}, false), "S C3 N P"},
        {"an odd address keeps only its write address", Call(EventKind::BusWrite, 0x97, 0, {0x01}),
         "S 96 A 01 A P"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Text(emu::ToTransaction(c.event)), c.expected);
    }
    for (EventKind k : {EventKind::Wait, EventKind::Print, EventKind::Note, EventKind::WritePins,
                        EventKind::ReadPins, EventKind::Forbidden}) {
        Event e;
        e.kind = k;
        EXPECT_TRUE(emu::ToTransaction(e).empty());
    }
}

TEST(BusWaveTest, BusTimeCountsNineClocksAByteAndTheConditions) {
    const emu::I2cTiming at100k(100000);
    const emu::I2cTiming at400k(400000);
    EXPECT_EQ(at100k.quarterNs, 2500u);
    EXPECT_EQ(at400k.quarterNs, 625u);
    // Start (half a period), 5 bytes, repeated start, stop (a period each).
    const emu::I2cTransaction read =
        emu::ToTransaction(Call(EventKind::RegRead, 0x42, 0x580, {0x07}));
    EXPECT_EQ(emu::BusBytes(read), 5u);
    EXPECT_EQ(at100k.Duration(read), 5000u + 5 * 90000u + 10000u + 10000u);
    EXPECT_EQ(at400k.Duration(read), at100k.Duration(read) / 4);
    // A register write: start, 4 bytes, stop. With the bus-free period
    // after each, 0.385 ms a write and 0.485 ms a read at 100 kHz, as the
    // bench's manual and the reliability notes say.
    const emu::I2cTransaction write =
        emu::ToTransaction(Call(EventKind::RegWrite, 0x42, 0x10A, {0x80}));
    EXPECT_EQ(at100k.Duration(write) + at100k.BusFreeNs(), 385000u);
    EXPECT_EQ(at100k.Duration(read) + at100k.BusFreeNs(), 485000u);

    const std::vector<Event> events = {Call(EventKind::RegRead, 0x42, 0x580, {0x07}), Wait(1000),
                                       Call(EventKind::BusWrite, 0xC2, 0, {0x30, 0xF2}, false)};
    const emu::BusLoad load = emu::MeasureBusLoad(events, 100000);
    EXPECT_EQ(load.transactions, 2u);
    EXPECT_EQ(load.bytes, 6u);
    // Each with the bus-free period after it; the wait is not bus time.
    EXPECT_EQ(load.busNs, (475000u + 10000u) + (5000u + 90000u + 10000u + 10000u));
}

// The dump of a timeline, from after the definitions on.
std::string Changes(const std::string& dump) {
    const std::string end = "$dumpvars\n1!\n1\"\n$end\n";
    const size_t at = dump.find(end);
    return at == std::string::npos ? "(no dumpvars)" : dump.substr(at + end.size());
}

TEST(BusWaveTest, TheDumpHasTheHeaderViewersExpect) {
    emu::Timeline t;
    std::ostringstream out;
    bench::WriteVcd(out, t, bench::VcdOptions{400000, "2024-01-02 03:04:05 UTC", "tvboard 1.0"});
    EXPECT_EQ(out.str(), "$date\n\t2024-01-02 03:04:05 UTC\n$end\n"
                         "$version\n\ttvboard 1.0\n$end\n"
                         "$comment\n\tthe board's two-wire control bus at 400000 Hz; waits are "
                         "idle bus\n$end\n"
                         "$timescale 1ns $end\n"
                         "$scope module bus $end\n"
                         "$var wire 1 ! scl $end\n"
                         "$var wire 1 \" sda $end\n"
                         "$upscope $end\n"
                         "$enddefinitions $end\n"
                         "#0\n$dumpvars\n1!\n1\"\n$end\n"
                         "#2500\n");
}

TEST(BusWaveTest, AByteIsClockedMostSignificantBitFirstWithItsAcknowledge) {
    emu::Timeline t;
    t.Add(Call(EventKind::BusRead, 0x96, 0, {0xA5}));
    std::ostringstream out;
    const uint64_t end = bench::WriteVcd(out, t, bench::VcdOptions{100000, "d", "v"});
    // Bus free for a period, start: SDA falls, SCL follows half a period
    // later. Then address 0x97 = 1001 0111 and its acknowledge (SDA low),
    // 0xA5 = 1010 0101 and no acknowledge (SDA high), stop.
    std::string want = "#10000\n0\"\n#15000\n0!\n";
    uint64_t at = 15000;
    int sda = 0;
    for (int bit : {1, 0, 0, 1, 0, 1, 1, 1, 0, 1, 0, 1, 0, 0, 1, 0, 1, 1}) {
        if (bit != sda) {
            want += "#" + std::to_string(at + 2500) + "\n" + std::to_string(bit) + "\"\n";
            sda = bit;
        }
        want += "#" + std::to_string(at + 5000) + "\n1!\n#" + std::to_string(at + 10000) + "\n0!\n";
        at += 10000;
    }
    // Stop: SDA low, SCL high, SDA high while SCL is high.
    want += "#" + std::to_string(at + 2500) + "\n0\"\n#" + std::to_string(at + 5000) + "\n1!\n#" +
            std::to_string(at + 7500) + "\n1\"\n";
    at += 10000 + 10000; // the stop's period and the bus-free period after it
    want += "#" + std::to_string(at) + "\n";
    EXPECT_EQ(Changes(out.str()), want);
    EXPECT_EQ(end, at);
}

// Where SDA falls while SCL is high (a start), in the dump's time.
std::vector<uint64_t> Starts(const std::string& dump) {
    std::istringstream in(Changes(dump));
    std::vector<uint64_t> starts;
    uint64_t now = 0;
    int scl = 1;
    for (std::string line; std::getline(in, line);) {
        if (line[0] == '#') {
            now = std::stoull(line.substr(1));
        } else if (line[1] == '!') {
            scl = line[0] - '0';
        } else if (line == "0\"" && scl == 1) {
            starts.push_back(now);
        }
    }
    return starts;
}

TEST(BusWaveTest, WaitsAreIdleBusOfTheirLength) {
    emu::Timeline t;
    t.Add(Call(EventKind::BusWrite, 0x96, 0, {0x0F, 0x88}));
    t.Add(Wait(1000));
    t.Add(Wait(150000));
    t.Add(Call(EventKind::BusWrite, 0x96, 0, {0x0F, 0x81}));
    std::ostringstream out;
    bench::WriteVcd(out, t, bench::VcdOptions{100000, "d", "v"});
    // The second start comes after the first transaction (start, three
    // bytes, stop), a bus-free period and both waits.
    const std::vector<uint64_t> starts = Starts(out.str());
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0], 10000u);
    EXPECT_EQ(starts[1], 10000u + 5000u + 3 * 90000u + 10000u + 151000000u + 10000u);
}

TEST(BusWaveTest, ALoadedBuildsCallsStartNoEarlierThanTheyWereMade) {
    // A loaded build waits for real and records no waits: the time stamps
    // (from the first event on, a bus-free period into the dump) place its
    // transactions.
    emu::Timeline t;
    t.Add(Call(EventKind::BusWrite, 0x96, 0, {0x0F, 0x88}, true, 5000000));
    t.Add(Call(EventKind::BusWrite, 0x96, 0, {0x0F, 0x81}, true, 5150000));
    t.Add(Call(EventKind::BusWrite, 0x96, 0, {0x0F, 0x81}, true, 5150001));
    std::ostringstream out;
    bench::WriteVcd(out, t, bench::VcdOptions{100000, "d", "v"});
    const std::vector<uint64_t> starts = Starts(out.str());
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[0], 10000u);
    EXPECT_EQ(starts[1], 10000u + 150000000u);
    // Right after the one before: it cannot start before that one ended.
    EXPECT_EQ(starts[2], 10000u + 150000000u + 5000u + 3 * 90000u + 10000u + 10000u);
}

} // namespace
