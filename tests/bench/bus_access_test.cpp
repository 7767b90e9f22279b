// The bus tools' transfers, byte for byte as the timeline records them, and
// what they say when a device does not play along: a DSP that never shows
// ready, a synthesizer cut off by its gate.
#include "bench/bus_access.h"
#include "emu/board.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Traffic(const emu::HostTable& host) {
    return host.Trace().RenderIf(emu::IsBusTraffic);
}

TEST(BusAccessTest, EachDeviceReadAndWrittenAsTheProtocolWants) {
    const struct {
        const char* what;
        bool write;
        const bench::BoardDevice& device;
        uint32_t reg;
        bool ok;
        const char* traffic;
        const char* why;
    } cases[] = {
        {"plain decoder read", false, bench::Decoder(), 0x10A, true, "42[10A] -> 00\n", ""},
        {"DSP read", false, bench::Decoder(), 0x400, true,
         "42[580] -> 01\n42[400] -> 00\n42[580] -> 03\n42[400] -> 00\n42[580] -> 05\n", ""},
        {"DSP write", true, bench::Decoder(), 0x500, true, "42[580] -> 01\n42[500] <- 5A\n", ""},
        {"demodulator read", false, bench::Demodulator(), 0x1D, true, "96 {1D}\n96 -> {FF}\n", ""},
        {"demodulator write", true, bench::Demodulator(), 0x21, true, "96 {21 5A}\n", ""},
        {"synthesizer behind its closed gate", true, bench::Synthesizer(), 4, false,
         "C2 {40 5A} (no ack)  !! synthesizer: addressed while the gate is closed\n",
         "the synthesizer did not acknowledge the write (it is on the bus only while the IF "
         "demodulator's gate is open)"},
    };
    for (const auto& c : cases) {
        emu::HostTable host;
        emu::Board board(host);
        bench::BusAccess bus(host);
        uint8_t value = 0;
        std::string why;
        const bool ok = c.write ? bus.Write(c.device, c.reg, 0x5A, &why)
                                : bus.Read(c.device, c.reg, &value, &why);
        EXPECT_EQ(ok, c.ok) << c.what;
        EXPECT_EQ(Traffic(host), c.traffic) << c.what;
        EXPECT_EQ(why, c.why) << c.what;
        const size_t violations = c.ok ? 0 : 1;
        EXPECT_EQ(host.Problems().size(), violations) << c.what;
    }
}

TEST(BusAccessTest, ADspThatNeverShowsReadyIsPolledTenTimesAndNotTouched) {
    emu::HostTable host;
    emu::Board board(host);
    board.decoder.SetReadyPolls(emu::Decoder::kNever);
    bench::BusAccess bus(host);
    uint8_t value = 0x77;
    std::string why;
    EXPECT_FALSE(bus.Read(bench::Decoder(), 0x404, &value, &why));
    EXPECT_EQ(why, "the audio DSP did not show ready in 10 polls of 0x580");
    std::string polls;
    for (int i = 0; i < 10; ++i) {
        polls += "42[580] -> 00\n";
    }
    EXPECT_EQ(Traffic(host), polls);
    EXPECT_TRUE(host.Problems().empty());
}

TEST(BusAccessTest, AQuickWriteFindsTheSynthesizerOnlyThroughAnOpenGate) {
    emu::HostTable host;
    emu::Board board(host);
    bench::BusAccess bus(host);
    EXPECT_TRUE(bus.Probe(0x21));
    EXPECT_TRUE(bus.Probe(0x4B));
    EXPECT_FALSE(bus.Probe(0x61));
    EXPECT_FALSE(bus.Probe(0x22));
    board.demod.Reg(0x21) = 0xC0;
    EXPECT_TRUE(bus.Probe(0x61));
    EXPECT_EQ(Traffic(host), "42 {}\n96 {}\nC2 {} (no ack)\n44 {} (no ack)\nC2 {}\n");
    EXPECT_TRUE(host.Problems().empty());
}

} // namespace
