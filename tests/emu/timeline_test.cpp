// How the timeline reads: one line per event kind, the (no ack) marks and
// argument complaints, waits, prints, time stamps and filters; the condensed
// decoder trace built on those lines.
#include "emu/decoder.h"
#include "emu/decoder_trace.h"
#include "emu/host_table.h"
#include "emu/timeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using emu::Event;
using emu::EventKind;

Event Call(EventKind kind, uint32_t device, uint32_t reg, std::vector<uint8_t> bytes,
           bool acknowledged = true, std::string complaint = "") {
    Event e;
    e.kind = kind;
    e.device = device;
    e.reg = reg;
    e.bytes = std::move(bytes);
    e.acknowledged = acknowledged;
    e.text = std::move(complaint);
    return e;
}

Event Pins(EventKind kind, std::vector<uint32_t> pins, std::vector<uint32_t> values) {
    Event e;
    e.kind = kind;
    e.pins = std::move(pins);
    e.values = std::move(values);
    return e;
}

Event Wait(emu::WaitKind kind, uint64_t us) {
    Event e;
    e.kind = EventKind::Wait;
    e.wait = kind;
    e.waitUs = us;
    return e;
}

Event Text(EventKind kind, std::string text) {
    Event e;
    e.kind = kind;
    e.text = std::move(text);
    return e;
}

TEST(EmuTimelineTest, EachEventKindHasItsLine) {
    struct Case {
        Event event;
        const char* line;
    };
    const Case cases[] = {
        {Call(EventKind::RegWrite, 0x42, 0x102, {0xC1}), "42[102] <- C1"},
        {Call(EventKind::RegWrite, 0x42, 0x102, {0xC1}, false), "42[102] <- C1 (no ack)"},
        {Call(EventKind::RegWrite, 0x42, 0x10000, {0x01}), "42[10000] <- 01"},
        {Call(EventKind::RegWrite, 0x42, 0x05, {}), "42[005] <- 00"},
        {Call(EventKind::RegRead, 0x42, 0x10E, {0x5A}), "42[10E] -> 5A"},
        {Call(EventKind::RegRead, 0x42, 0x10E, {}, false), "42[10E] -> (no ack)"},
        {Call(EventKind::BusWrite, 0x96, 0, {0x21, 0xC0}), "96 {21 C0}"},
        {Call(EventKind::BusWrite, 0xC2, 0, {0x00, 0x01}, false), "C2 {00 01} (no ack)"},
        {Call(EventKind::BusWrite, 0x96, 0, {}), "96 {}"},
        {Call(EventKind::BusRead, 0x96, 0, {0x80, 0x11}), "96 -> {80 11}"},
        {Call(EventKind::BusRead, 0xC2, 0, {}, false), "C2 -> (no ack)"},
        {Call(EventKind::Forbidden, 0, 0, {}), "HOST SLOT CALLED THAT THE MODULE MUST NEVER CALL"},
        {Pins(EventKind::WritePins, {0, 7}, {1, 0}), "pins <- 0=1 7=0"},
        {Pins(EventKind::ReadPins, {7}, {1}), "pins -> 7=1"},
        {Pins(EventKind::ReadPins, {3, 4}, {2}), "pins -> 3=2 4=?"},
        {Wait(emu::WaitKind::Sleep, 10000), "[sleep 10 ms]"},
        {Wait(emu::WaitKind::Delay, 1000), "[1 ms]"},
        {Wait(emu::WaitKind::Delay, 150000), "[150 ms]"},
        {Wait(emu::WaitKind::Stall, 50), "[stall 50 us]"},
        {Wait(emu::WaitKind::Stall, 2000), "[stall 2 ms]"},
        {Wait(emu::WaitKind::Delay, 1500), "[1500 us]"},
        {Wait(emu::WaitKind::Sleep, 0), "[sleep 0 ms]"},
        {Text(EventKind::Print, "<ORVELSTRM.SYS> "), "dbg \"<ORVELSTRM.SYS> \""},
        {Text(EventKind::Print, "say \"hi\"\n"), "dbg \"say \\\"hi\\\"\\n\""},
        {Text(EventKind::Note, "host: OpenBoard"), "# host: OpenBoard"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(emu::Timeline::Line(c.event), c.line);
    }
}

TEST(EmuTimelineTest, ComplaintsFollowTheCallsLine) {
    EXPECT_EQ(emu::Timeline::Line(Call(EventKind::RegWrite, 0x42, 0x102, {1}, false, "flags")),
              "42[102] <- 01 (no ack)  !! flags");
    EXPECT_EQ(emu::Timeline::Line(Call(EventKind::BusRead, 0x96, 0, {}, false, "handle")),
              "96 -> (no ack)  !! handle");
    Event pins = Pins(EventKind::WritePins, {0}, {1});
    pins.text = "handle 0x55";
    EXPECT_EQ(emu::Timeline::Line(pins), "pins <- 0=1  !! handle 0x55");
}

TEST(EmuTimelineTest, RenderingStampsFiltersAndStartsWhereAsked) {
    emu::Timeline t;
    t.Add(Text(EventKind::Note, "host: Tune"));
    Event write = Call(EventKind::BusWrite, 0x96, 0, {0x0F, 0x88});
    write.timeUs = 250;
    t.Add(write);
    Event wait = Wait(emu::WaitKind::Delay, 150000);
    wait.timeUs = 250;
    t.Add(wait);
    Event read = Call(EventKind::RegRead, 0x42, 0x580, {0x01});
    read.timeUs = 150250;
    t.Add(read);
    t.Add(Call(EventKind::RegWrite, 0x96, 0x01, {0x02})); // not the decoder
    t.Add(Call(EventKind::BusRead, 0xC2, 0, {}, false));
    t.Add(Call(EventKind::BusWrite, 0x42, 0, {0x01})); // not a tuner device
    t.Add(Text(EventKind::Print, "x"));
    ASSERT_EQ(t.Size(), 8u);

    const std::string stamped = "     0.000 ms  # host: Tune\n"
                                "     0.250 ms  96 {0F 88}\n"
                                "     0.250 ms  [150 ms]\n"
                                "   150.250 ms  42[580] -> 01\n";
    EXPECT_EQ(t.Render(true).substr(0, stamped.size()), stamped);
    EXPECT_EQ(t.RenderFrom(5), "C2 -> (no ack)\n42 {01}\ndbg \"x\"\n");
    EXPECT_EQ(t.RenderFrom(8), "");
    EXPECT_EQ(t.RenderFrom(2, true), "     0.250 ms  [150 ms]\n   150.250 ms  42[580] -> 01\n"
                                     "     0.000 ms  96[001] <- 02\n     0.000 ms  C2 -> (no ack)\n"
                                     "     0.000 ms  42 {01}\n     0.000 ms  dbg \"x\"\n");
    EXPECT_EQ(t.RenderIf(emu::IsDecoder), "42[580] -> 01\n");
    EXPECT_EQ(t.RenderIf(emu::IsTuner), "96 {0F 88}\nC2 -> (no ack)\n");
    EXPECT_EQ(t.RenderIf(emu::IsBusTraffic),
              "96 {0F 88}\n42[580] -> 01\n96[001] <- 02\nC2 -> (no ack)\n42 {01}\n");
    EXPECT_EQ(t.RenderIf(emu::IsWait), "[150 ms]\n");
    EXPECT_EQ(t.RenderIf(emu::IsPrint), "dbg \"x\"\n");
    t.Clear();
    EXPECT_EQ(t.Render(), "");
}

// Decoder traffic made through the host against the emulated decoder, then
// condensed: only the exact shapes of a handshake fold into one line.
class EmuDecoderTraceTest : public ::testing::Test {
  protected:
    void SetUp() override { host_.Attach(emu::Decoder::kAddress, &decoder_); }
    uint8_t Read(uint32_t reg) {
        uint8_t v = 0;
        host_.Ops()->ReadReg16(emu::HostTable::kBoardHandle, 0x42, 16, reg, &v, 0);
        return v;
    }
    void Write(uint32_t reg, uint8_t value) {
        host_.Ops()->WriteReg16(emu::HostTable::kBoardHandle, 0x42, 16, reg, value, 0);
    }
    // Ready, request, data ready, fetch, read done: each poll seeing its bit.
    void DspRead(uint32_t reg) {
        Read(0x580);
        Read(reg);
        Read(0x580);
        Read(reg);
        Read(0x580);
    }
    void DspWrite(uint32_t reg, uint8_t value) {
        Read(0x580);
        Write(reg, value);
    }
    std::string Summary() const { return decoder_trace::Summary(host_.Trace(), 0); }

    emu::HostTable host_;
    emu::Decoder decoder_;
};

TEST_F(EmuDecoderTraceTest, HandshakesFoldIntoOneLineEach) {
    decoder_.SetDword(0x454, 0x0000007C);
    decoder_.Reg(0x10E) = 0x5A;
    DspRead(0x454);
    Read(0x10E);
    DspWrite(0x464, 0x21);
    EXPECT_EQ(Summary(), "42[454] -> 7C (dsp)\n42[10E] -> 5A\n42[464] <- 21 (dsp)\n");
}

TEST_F(EmuDecoderTraceTest, AFieldWriteFoldsIntoItsDwords) {
    decoder_.SetDword(0x454, 0x1122337C);
    decoder_.SetDword(0x115, 0x00000035);
    for (uint32_t k = 0; k < 4; ++k) {
        DspRead(0x454 + k);
    }
    for (uint32_t k = 0; k < 4; ++k) {
        DspWrite(0x454 + k, static_cast<uint8_t>(k == 0 ? 0xFC : decoder_.Reg(0x454 + k)));
    }
    for (uint32_t k = 0; k < 4; ++k) {
        Read(0x115 + k);
    }
    for (uint32_t k = 0; k < 4; ++k) {
        Write(0x115 + k, static_cast<uint8_t>(k == 0 ? 0x04 : 0));
    }
    for (uint32_t k = 0; k < 4; ++k) {
        Read(0x200 + k);
    }
    EXPECT_EQ(Summary(), "42[454..457] -> 1122337C (dsp)\n"
                         "42[454..457] <- 112233FC (dsp)\n"
                         "42[115..118] -> 00000035\n"
                         "42[115..118] <- 00000004\n"
                         "42[200..203] -> 00000000\n");
}

TEST_F(EmuDecoderTraceTest, AnythingElseKeepsItsRawLines) {
    decoder_.SetReadyPolls(1); // the first poll finds the DSP busy
    DspRead(0x454);
    Read(0x580);
    decoder_.FailReads(0x10E, 0, 1);
    Read(0x10E);
    Read(0x454); // three reads of a kind are no dword
    Read(0x455);
    Read(0x456);
    // The lone reads break the DSP's protocol, as their lines say.
    const std::string interleaved = "; DSP protocol: accesses interleaved: read of ";
    EXPECT_EQ(Summary(), "42[580] -> 00\n"
                         "42[454] -> 00  !! DSP protocol: request for 454 while not ready\n"
                         "42[580] -> 02\n"
                         "42[454] -> 00\n"
                         "42[580] -> 04\n"
                         "42[580] -> 05\n"
                         "42[10E] -> (no ack)\n"
                         "42[454] -> 00\n"
                         "42[455] -> 00  !! DSP protocol: request for 455 while not ready" +
                             interleaved +
                             "455 before the fetch of 454 (after 0 polls without bit 1)\n"
                             "42[456] -> 00  !! DSP protocol: request for 456 while not ready" +
                             interleaved +
                             "456 before the fetch of 454 (after 0 polls without bit 1)\n");
}

// The fetch must read the register the request asked for, and each poll must
// see its own bit, or the five events stay as they are.
TEST(EmuDecoderTraceShapes, OnlyAWholeHandshakeOnOneRegisterFolds) {
    const auto poll = [](uint8_t status) {
        return Call(EventKind::RegRead, 0x42, 0x580, {status});
    };
    const auto read = [](uint32_t reg, uint8_t value) {
        return Call(EventKind::RegRead, 0x42, reg, {value});
    };
    struct Case {
        std::vector<Event> events;
        const char* summary;
    };
    const Case cases[] = {
        {{poll(0x01), read(0x454, 0), poll(0x02), read(0x454, 0x7C), poll(0x04)},
         "42[454] -> 7C (dsp)\n"},
        {{poll(0x01), read(0x454, 0), poll(0x02), read(0x455, 0x7C), poll(0x04)},
         "42[580] -> 01\n42[454] -> 00\n42[580] -> 02\n42[455] -> 7C\n42[580] -> 04\n"},
        {{poll(0x01), read(0x454, 0), poll(0x01), read(0x454, 0x7C), poll(0x04)},
         "42[580] -> 01\n42[454] -> 00\n42[580] -> 01\n42[454] -> 7C\n42[580] -> 04\n"},
        {{poll(0x01), read(0x454, 0), poll(0x02), read(0x454, 0x7C), poll(0x03)},
         "42[580] -> 01\n42[454] -> 00\n42[580] -> 02\n42[454] -> 7C\n42[580] -> 03\n"},
    };
    for (const Case& c : cases) {
        emu::Timeline t;
        for (const Event& e : c.events) {
            t.Add(e);
        }
        EXPECT_EQ(decoder_trace::Summary(t, 0), c.summary);
    }
}

TEST_F(EmuDecoderTraceTest, TheThreePrintsOfAMessageShareALine) {
    host_.Print("<ORVELSTRM.SYS> ");
    host_.Print("Load \"Board\"");
    host_.Print("\n");
    host_.Print("<ORVELSTRM.SYS> ");
    host_.Wait(emu::WaitKind::Delay, 1000);
    host_.Print("late");
    host_.Print("\n");
    EXPECT_EQ(Summary(), "dbg \"<ORVELSTRM.SYS> \" \"Load \\\"Board\\\"\" \"\\n\"\n"
                         "dbg \"<ORVELSTRM.SYS> \"\n"
                         "[1 ms]\n"
                         "dbg \"late\"\n"
                         "dbg \"\\n\"\n");
}

} // namespace
