// The protocol checks of the device models: which bus sequences each device
// reports as a violation, with what it says about how long the host waited
// and whether an injected fault explains it, and the faults the models can
// be given (status bits flapping or set without cause, requests ignored,
// transfers not acknowledged, cut short or corrupted, a lock that goes).
#include "emu/board.h"
#include "emu/decoder.h"
#include "emu/if_demod.h"
#include "emu/synth.h"
#include "regmap/decoder_map.h"
#include "regmap/if_demod_map.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using Kind = emu::Violation::Kind;
using emu::TransferFault;
namespace dmap = regmap::decoder;
namespace ifd = regmap::if_demod;

// Runs a bus sequence on the decoder: "p" polls 0x580, "rNNN" reads and
// "wNNN" writes register NNN (hex). Returns the violations it caused.
std::vector<emu::Violation> Drive(emu::Decoder& d, const std::string& sequence) {
    std::istringstream in(sequence);
    for (std::string step; in >> step;) {
        uint8_t byte = 0;
        if (step == "p") {
            d.ReadReg16(dmap::kDspStatus, &byte);
        } else {
            const auto reg = static_cast<uint16_t>(std::stoul(step.substr(1), nullptr, 16));
            if (step[0] == 'r') {
                d.ReadReg16(reg, &byte);
            } else {
                d.WriteReg16(reg, 0x5A);
            }
        }
    }
    return d.TakeViolations();
}

// The module's sequences, each status bit coming up at once: none breaks the
// handshake.
TEST(EmuProtocolTest, TheHandshakeAsTheModuleMakesItIsClean) {
    const struct {
        const char* name;
        const char* sequence;
    } cases[] = {
        {"byte read", "p r454 p r454 p"},
        {"dword read", "p r454 p r454 p p r455 p r455 p p r456 p r456 p p r457 p r457 p"},
        {"dword write", "p w454 p w455 p w456 p w457"},
        {"read, then write", "p r454 p r454 p p w454"},
        {"plain registers between", "r10E p r454 r10E p r454 w102 p p w454"},
    };
    for (const auto& c : cases) {
        emu::Decoder d;
        EXPECT_TRUE(Drive(d, c.sequence).empty()) << c.name;
        EXPECT_EQ(d.ViolationCount(), 0u) << c.name;
    }
}

TEST(EmuProtocolTest, EachBreachOfTheHandshakeIsNamed) {
    const struct {
        const char* name;
        unsigned dataReadyPolls;
        const char* sequence;
        Kind kind;
        const char* text;
    } cases[] = {
        {"request without a ready poll", 0, "r454", Kind::NotReady,
         "DSP protocol: request for 454 while not ready"},
        {"write without a ready poll", 0, "p w454 w455", Kind::NotReady,
         "DSP protocol: byte written to 455 while not ready"},
        {"skipped read-done wait", 0, "p r454 p r454 r455", Kind::NoReadDoneWait,
         "DSP protocol: read of 454 completed without the read-done wait (next access: read of "
         "455, after 0 polls without bit 2)"},
        {"skipped read-done wait before a write", 0, "p r454 p r454 w454", Kind::NoReadDoneWait,
         "DSP protocol: read of 454 completed without the read-done wait (next access: write of "
         "454, after 0 polls without bit 2)"},
        {"another register before the fetch", 5, "p r454 p p r455", Kind::Interleaved,
         "DSP protocol: accesses interleaved: read of 455 before the fetch of 454 (after 2 polls "
         "without bit 1)"},
        {"a write before the fetch", 5, "p r454 p w460", Kind::Interleaved,
         "DSP protocol: accesses interleaved: write of 460 before the fetch of 454 (after 1 polls "
         "without bit 1)"},
        {"fetch of another register", 0, "p r454 p r455", Kind::Interleaved,
         "DSP protocol: accesses interleaved: fetch of 455 while the request is for 454 (after 0 "
         "polls without bit 1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        emu::Decoder d;
        d.SetDataReadyPolls(c.dataReadyPolls);
        const std::vector<emu::Violation> v = Drive(d, c.sequence);
        ASSERT_FALSE(v.empty());
        EXPECT_EQ(v.front().kind, c.kind);
        EXPECT_EQ(v.front().text, c.text);
        EXPECT_FALSE(v.front().provoked);
    }
}

// A DSP that never answers leaves the host no right move: the record says
// how long it waited before it went on.
TEST(EmuProtocolTest, AStuckDspShowsHowLongTheHostWaited) {
    emu::Decoder d;
    d.SetReadDonePolls(emu::Decoder::kNever);
    std::vector<emu::Violation> v = Drive(d, "p r454 p r454 p p p p p p p p p p p r455");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].kind, Kind::NoReadDoneWait);
    EXPECT_EQ(v[0].unansweredPolls, 11u);

    // Data ready that comes on the host's ready poll after a full data-ready
    // wait: the request the host places again is the fetch to the DSP.
    emu::Decoder late;
    late.SetDataReadyPolls(10);
    late.SetReadDonePolls(2);
    v = Drive(late, "p r404 p p p p p p p p p p p r404 p r405");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].kind, Kind::NoReadDoneWait);
    EXPECT_EQ(v[0].unansweredPolls, 10u);
    EXPECT_EQ(v[0].text, "DSP protocol: read of 404 completed without the read-done wait (next "
                         "access: read of 405, after 1 polls without bit 2; the fetch came after "
                         "10 polls without bit 1)");

    emu::Decoder e;
    e.SetDataReadyPolls(emu::Decoder::kNever);
    // Two reads of 454 used up: a repeated request does not restart the count.
    v = Drive(e, "p r454 p p p p p r454 p p p p r454 p p r464");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].kind, Kind::Interleaved);
    EXPECT_EQ(v[0].unansweredPolls, 11u);
}

// A read the host gave up on leaves the DSP holding its request: every later
// access that clashes with it carries that read's wait and fault, also after
// other accesses went through.
TEST(EmuProtocolTest, AnAbandonedRequestKeepsItsWaitAndFault) {
    emu::Decoder d;
    d.SetDataReadyPolls(12);
    // Eleven polls without data ready, the request again, then writes.
    std::vector<emu::Violation> v = Drive(d, "p r404 p p p p p p p p p p p r404 p w464 p w465");
    ASSERT_EQ(v.size(), 2u);
    for (const emu::Violation& x : v) {
        EXPECT_EQ(x.kind, Kind::Interleaved) << x.text;
        EXPECT_EQ(x.unansweredPolls, 12u) << x.text;
        EXPECT_FALSE(x.provoked);
    }
    // Data ready that always comes one poll after the host's ten-poll wait:
    // each repeated request is a fetch to the DSP, and the host, which took
    // it for a request, goes on with the same read.
    emu::Decoder late;
    late.SetDataReadyPolls(10);
    const std::string round = " p p p p p p p p p p p r464";
    v = Drive(late, "p r464" + round + round + " p w468");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].kind, Kind::Interleaved);
    EXPECT_EQ(v[0].text, "DSP protocol: accesses interleaved: write of 468 before the fetch of 464 "
                         "(after 11 polls without bit 1)");
    EXPECT_EQ(v[0].unansweredPolls, 11u) << "counted from the first request, over the fetch";

    emu::Decoder e;
    e.LoseFirstRequestsOfEveryRead(1);
    e.SetDataReadyPolls(3);
    v = Drive(e, "p r404 p r404 p w464 p w465");
    ASSERT_EQ(v.size(), 2u);
    EXPECT_TRUE(v[0].provoked && v[1].provoked) << "the read lost a request";
}

// A status bit shown without cause, a bit withheld, an ignored request or a
// read that is not acknowledged: what follows is marked as provoked until the
// next access completes cleanly.
TEST(EmuProtocolTest, InjectedFaultsMarkWhatFollowsAsProvoked) {
    emu::Decoder d;
    d.SetStatusFilter([](uint8_t honest, unsigned) {
        return static_cast<uint8_t>(honest | dmap::kDspDataReady);
    });
    // The request already looks like a fetch on the bus.
    std::vector<emu::Violation> v = Drive(d, "p r454");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_TRUE(v[0].provoked);
    v = Drive(d, "p r454 p p w454 p r455");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].kind, Kind::FetchWithoutRequest);
    EXPECT_EQ(v[0].text, "DSP protocol: fetch of 455 without a pending request");
    EXPECT_TRUE(v[0].provoked);

    emu::Decoder e;
    e.FailReads(0x454, 1, 1); // the fetch is lost
    v = Drive(e, "p r454 p r454 p p r460");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].kind, Kind::Interleaved);
    EXPECT_TRUE(v[0].provoked);
    v = Drive(e, "p r460 p p r464 p r464 p p w468");
    EXPECT_TRUE(v.empty()) << "the DSP took 460 as a request: its fetch, then clean again";

    emu::Decoder f;
    f.SetStatusFilter([](uint8_t honest, unsigned poll) {
        return poll == 2 ? static_cast<uint8_t>(honest & ~dmap::kDspReadDone) : honest;
    });
    v = Drive(f, "p r454 p r454 p r455");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].kind, Kind::NoReadDoneWait);
    EXPECT_TRUE(v[0].provoked) << "read done was withheld";
}

TEST(EmuProtocolTest, StatusFilterSeesEveryPollNumbered) {
    emu::Decoder d;
    std::vector<unsigned> polls;
    d.SetStatusFilter([&polls](uint8_t, unsigned poll) {
        polls.push_back(poll);
        return static_cast<uint8_t>(poll % 2 == 0 ? 0x07 : 0x00);
    });
    uint8_t shown[4] = {};
    for (uint8_t& s : shown) {
        d.ReadReg16(dmap::kDspStatus, &s);
    }
    EXPECT_EQ(polls, (std::vector<unsigned>{0, 1, 2, 3}));
    EXPECT_EQ(shown[0], 0x07);
    EXPECT_EQ(shown[1], 0x00);
}

// The first requests of every read are ignored: each read needs one more.
TEST(EmuProtocolTest, EveryReadLosesItsFirstRequests) {
    emu::Decoder d;
    d.Reg(0x454) = 0x7C;
    d.Reg(0x455) = 0x11;
    d.LoseFirstRequestsOfEveryRead(2);
    for (uint16_t reg : {uint16_t{0x454}, uint16_t{0x455}, uint16_t{0x454}}) {
        uint8_t status = 0;
        uint8_t byte = 0;
        int requests = 0;
        for (;;) {
            d.ReadReg16(dmap::kDspStatus, &status);
            d.ReadReg16(reg, &byte);
            d.ReadReg16(dmap::kDspStatus, &status);
            ++requests;
            if ((status & dmap::kDspDataReady) != 0) {
                break;
            }
        }
        d.ReadReg16(reg, &byte);
        d.ReadReg16(dmap::kDspStatus, &status);
        EXPECT_EQ(requests, 3) << std::hex << reg;
        EXPECT_EQ(byte, d.Reg(reg));
    }
    EXPECT_TRUE(d.TakeViolations().empty());
}

// --- IF demodulator and synthesizer ---------------------------------------

class EmuTunerProtocolTest : public ::testing::Test {
  protected:
    bool Write(emu::BusDevice& dev, std::vector<uint8_t> bytes) {
        return dev.Write(bytes.data(), bytes.size());
    }
    emu::Antenna antenna_;
    emu::IfDemod demod_{antenna_};
    emu::Synth synth_{demod_};
};

TEST_F(EmuTunerProtocolTest, ADemodulatorReadNeedsTheSubAddressJustBefore) {
    uint8_t bytes[2] = {};
    const struct {
        const char* name;
        std::vector<std::vector<uint8_t>> writes; // before the read
        bool violation;
    } cases[] = {
        {"sub-address alone", {{0x1B}}, false},
        {"nothing at all", {}, true},
        {"a register write", {{0x0F, 0x88}}, true},
        {"an empty transfer", {{0x1B}, {}}, true},
    };
    for (const auto& c : cases) {
        emu::IfDemod demod(antenna_);
        for (const auto& w : c.writes) {
            demod.Write(w.data(), w.size());
        }
        demod.Read(bytes, 2);
        const std::vector<emu::Violation> v = demod.TakeViolations();
        EXPECT_EQ(v.size(), c.violation ? 1u : 0u) << c.name;
        if (c.violation && !v.empty()) {
            EXPECT_EQ(v[0].kind, Kind::NoSubAddress);
            EXPECT_EQ(v[0].text, "IF demodulator: read without a sub-address set (the last "
                                 "transfer was not the sub-address alone)");
        }
    }
    Write(demod_, {0x1B});
    demod_.Read(bytes, 1);
    demod_.Read(bytes, 1);
    EXPECT_EQ(demod_.TakeViolations().size(), 1u) << "a second read moved the pointer on";
}

TEST_F(EmuTunerProtocolTest, TransferFaultsOnTheDemodulator) {
    demod_.Reg(0x10) = 0x11;
    demod_.Reg(0x11) = 0x22;
    demod_.Reg(0x12) = 0x33;
    const TransferFault none{};
    const TransferFault noAck{TransferFault::Kind::NoAck, 0, 0, 0};
    const TransferFault cut{TransferFault::Kind::CutShort, 2, 0, 0};
    const TransferFault corrupt{TransferFault::Kind::Corrupt, 0, 1, 0x0F};
    std::vector<TransferFault> plan;
    demod_.SetTransferFaults(
        [&plan](bool, size_t, unsigned n) { return n < plan.size() ? plan[n] : TransferFault{}; });
    plan = {noAck, cut, corrupt, none, none, none, cut, none, corrupt};
    EXPECT_FALSE(Write(demod_, {0x10, 0xAA}));
    EXPECT_EQ(demod_.Reg(0x10), 0x11) << "not acknowledged: nothing taken";
    EXPECT_FALSE(Write(demod_, {0x10, 0xAA, 0xBB}));
    EXPECT_EQ(demod_.Reg(0x10), 0xAA) << "cut short after two bytes";
    EXPECT_EQ(demod_.Reg(0x11), 0x22);
    EXPECT_TRUE(Write(demod_, {0x11, 0xCC}));
    EXPECT_EQ(demod_.Reg(0x11), 0xC3) << "the value's bits turned";
    EXPECT_TRUE(Write(demod_, {0x10}));
    uint8_t b[3] = {};
    EXPECT_TRUE(demod_.Read(b, 3));
    EXPECT_EQ(b[0], 0xAA);
    EXPECT_TRUE(Write(demod_, {0x10}));
    EXPECT_TRUE(demod_.Read(b, 3));
    EXPECT_EQ(b[1], 0xC3);
    EXPECT_EQ(b[2], 0xFF) << "cut short: the idle bus";
    EXPECT_TRUE(Write(demod_, {0x10}));
    EXPECT_TRUE(demod_.Read(b, 3));
    EXPECT_EQ(b[1], 0xCC) << "corrupted on the way back";
    EXPECT_TRUE(demod_.TakeViolations().empty());

    plan = {};
    demod_.SetTransferFaults([](bool read, size_t, unsigned) {
        return read ? TransferFault{} : TransferFault{TransferFault::Kind::NoAck, 0, 0, 0};
    });
    Write(demod_, {0x1B});
    demod_.Read(b, 1);
    const std::vector<emu::Violation> v = demod_.TakeViolations();
    ASSERT_EQ(v.size(), 1u);
    EXPECT_TRUE(v[0].provoked) << "the sub-address was lost on the way";
}

TEST_F(EmuTunerProtocolTest, ASynthesizerBehindAClosedGateOrGivenBadTransfers) {
    const struct {
        const char* name;
        bool gateOpen;
        std::vector<uint8_t> bytes;
        Kind kind;
        const char* text;
    } cases[] = {
        {"gate closed",
         false,
         {0x00, 0x24},
         Kind::GateClosed,
         "synthesizer: addressed while the gate is closed"},
        {"no bytes", true, {}, Kind::Rejected, "synthesizer: transfer rejected: no bytes"},
        {"sub-address not a register",
         true,
         {0x31, 0x24},
         Kind::Rejected,
         "synthesizer: transfer rejected: sub-address names no register"},
        {"past R12",
         true,
         {0xC0, 1, 2},
         Kind::Rejected,
         "synthesizer: transfer rejected: more bytes than registers"},
    };
    for (const auto& c : cases) {
        Write(demod_, {ifd::kGate, c.gateOpen ? ifd::kGateOpen : ifd::kGateClosed});
        EXPECT_FALSE(Write(synth_, c.bytes)) << c.name;
        const std::vector<emu::Violation> v = synth_.TakeViolations();
        ASSERT_EQ(v.size(), 1u) << c.name;
        EXPECT_EQ(v[0].kind, c.kind) << c.name;
        EXPECT_EQ(v[0].text, c.text);
        EXPECT_FALSE(v[0].provoked) << c.name;
    }
    uint8_t byte = 0;
    EXPECT_FALSE(synth_.Read(&byte, 1));
    EXPECT_EQ(synth_.TakeViolations().at(0).text,
              "synthesizer: transfer rejected: a read (the synthesizer is write-only)");

    // The gate write is lost on the way: the closed gate is provoked, until
    // the gate register is written cleanly again.
    demod_.SetTransferFaults([](bool, size_t, unsigned n) {
        return n == 0 ? TransferFault{TransferFault::Kind::Corrupt, 1, 1, 0x40} : TransferFault{};
    });
    Write(demod_, {ifd::kGate, ifd::kGateOpen});
    EXPECT_FALSE(demod_.GateOpen());
    Write(synth_, {0x00, 0x24});
    EXPECT_TRUE(synth_.TakeViolations().at(0).provoked);
    Write(demod_, {ifd::kGate, ifd::kGateClosed});
    Write(synth_, {0x00, 0x24});
    EXPECT_FALSE(synth_.TakeViolations().at(0).provoked);
}

TEST_F(EmuTunerProtocolTest, SynthesizerTransferFaults) {
    Write(demod_, {ifd::kGate, ifd::kGateOpen});
    std::vector<TransferFault> plan = {{TransferFault::Kind::NoAck, 0, 0, 0},
                                       {TransferFault::Kind::CutShort, 2, 0, 0},
                                       {TransferFault::Kind::Corrupt, 0, 0, 0x01}};
    synth_.SetTransferFaults(
        [&plan](bool, size_t, unsigned n) { return n < plan.size() ? plan[n] : TransferFault{}; });
    EXPECT_FALSE(Write(synth_, {0x00, 0x24, 0x80}));
    EXPECT_EQ(synth_.Reg(0), 0x00);
    EXPECT_FALSE(Write(synth_, {0x00, 0x24, 0x80}));
    EXPECT_EQ(synth_.Reg(0), 0x24);
    EXPECT_EQ(synth_.Reg(1), 0x00) << "cut after the first register";
    EXPECT_FALSE(Write(synth_, {0x00, 0x25}));
    const std::vector<emu::Violation> v = synth_.TakeViolations();
    ASSERT_EQ(v.size(), 1u);
    EXPECT_TRUE(v[0].provoked) << "the corrupted sub-address names no register";
    EXPECT_EQ(synth_.Transfers(), 0);
}

TEST(EmuLockTest, ALockThatComesAndGoes) {
    emu::HostTable host;
    emu::Board board(host);
    board.antenna.Add({175250000, 0x10, emu::kMonoSound, 200});
    const uint8_t standard[] = {ifd::kStandard, ifd::kCodeB};
    board.demod.Write(standard, 2);
    const uint8_t gate[] = {ifd::kGate, ifd::kGateOpen};
    board.demod.Write(gate, 2);
    // 182 MHz of oscillator: 728 MHz (the divider 2912) on the 590..750 MHz
    // oscillator (R4 bits 5..3 = 2), divided by 2^2 (R4 bits 7..6).
    const uint8_t block[] = {0x00, 2912 >> 6, (2912 << 2) & 0xFF, 0x40, 0x52, 0x90};
    ASSERT_TRUE(board.synth.Write(block, sizeof block));
    ASSERT_NE(board.demod.Receiving(), nullptr);
    board.demod.LoseLockAfterReads(2);
    std::string seen;
    for (int i = 0; i < 4; ++i) {
        const uint8_t sub = ifd::kStatus;
        uint8_t status = 0;
        board.demod.Write(&sub, 1);
        board.demod.Read(&status, 1);
        seen += (status & ifd::kLockBit) != 0 ? 'L' : '-';
    }
    EXPECT_EQ(seen, "LL--");
}

} // namespace
