// Synthesizer programming: channels across the bands with their divider and
// band bytes and the start-up sequence with its waits, stations across the
// whole range tuned end to end, the settle check and its corrections,
// frequencies the synthesizer cannot reach, and the gate in front of it.
#include "tuner_fixture.h"

#include <vector>

namespace {

// Divider, band and start-up for 67.25 MHz with the NTSC offset.
constexpr char kNtsc67[] = "C2 {00 24 80 40 72 C8 BF 8F}\nC2 {80 00}\nC2 {60 BF}\nC2 {30 F2}\n"
                           "[1 ms]\nC2 {30 76}\n[1 ms]\nC2 {30 72}\n[150 ms]\nC2 {30 70}\n"
                           "C2 {60 7F}\nC2 {80 08}\n";

// The settle check reads level and status, the first time also the counter;
// the corrections follow in turn.
std::string Check(uint8_t level, uint8_t status) {
    return Format("96 {1D}\n96 -> {%02X}\n96 {1B}\n96 -> {%02X}\n", level, status);
}
std::string Counter(uint8_t value) {
    return Format("96 {1A}\n96 -> {%02X}\n", value);
}
// A whole programming: the gate around start-up and settle check, here with
// a strong station received and locked at once.
std::string Programming(const std::string& startUp,
                        const std::string& check = Check(0x37, 0x80) + Counter(0)) {
    return "96 {21 C0}\n" + startUp + check + "96 {21 80}\n";
}
constexpr char kFix1[] = "96 {28 64}\n[100 ms]\n";
constexpr char kFix2[] = "C2 {80 0C}\n[100 ms]\n";
constexpr char kFix3[] = "96 {05 01}\n96 {0D 27}\n[100 ms]\n";

class SynthTest : public TunerTest {
  protected:
    // As the selection of a standard leaves the module and the demodulator,
    // with a station of the standard where the tuner will land.
    void Prepare(uint32_t hz, uint32_t standard, uint32_t offsetHz, uint8_t ntsc,
                 uint8_t strength = 200) {
        IfOffsetHz = offsetHz;
        NtscSelected = ntsc;
        g_TVTuner_Settings.VideoStandard = standard;
        Board().demod.Reg(0x01) = emu::IfDemod::CodeOf(standard);
        if (strength != 0) {
            AddStation(hz, standard, emu::kMonoSound, strength);
        }
    }
};

} // namespace

// Channels across the bands, one after the other on one board, so that each
// starts from the shadow the one before left: the 727.25 MHz row leaves final
// bits in R3 that the next must clear, and the first, before the tuner is
// initialised, shows that the block's R3 byte is fixed whatever the shadow
// holds while the steps after it build on the shadow. 150 MHz takes its row
// from the oscillator frequency (156.75 MHz), its RF codes from the frequency.
TEST_F(SynthTest, ChannelsAcrossTheBandsWholeTimeline) {
    struct Example {
        uint32_t frequencyHz;
        uint32_t standard;
        uint32_t ifOffsetHz;
        uint8_t ntsc;
        bool initFirst; // run InitTuner before this one
        uint64_t oscillatorHz;
        const char* startUp; // divider, band and start-up with its waits
    };
    const Example examples[] = {
        {67250000, TVB_STANDARD_NTSC_M, 5750000, 1, false, 73000000,
         "C2 {00 24 80 40 72 C8 BF 8F}\nC2 {80 00}\nC2 {60 BF}\nC2 {30 A2}\n[1 ms]\nC2 {30 26}\n"
         "[1 ms]\nC2 {30 22}\n[150 ms]\nC2 {30 20}\nC2 {60 7F}\nC2 {80 08}\n"},
        {67250000, TVB_STANDARD_NTSC_M, 5750000, 1, true, 73000000, kNtsc67},
        {175250000, TVB_STANDARD_PAL_B, 6750000, 0, false, 182000000,
         "C2 {00 2D 80 40 52 91 8F 8F}\nC2 {80 00}\nC2 {60 BF}\nC2 {30 D2}\n[1 ms]\nC2 {30 56}\n"
         "[1 ms]\nC2 {30 52}\n[150 ms]\nC2 {30 50}\nC2 {60 7F}\nC2 {80 08}\n"},
        {727250000, TVB_STANDARD_PAL_G, 7750000, 0, false, 735000000,
         "C2 {00 2D F0 40 52 14 8F 8F}\nC2 {80 00}\nC2 {60 BF}\nC2 {30 D2}\n[1 ms]\nC2 {30 56}\n"
         "[1 ms]\nC2 {30 52}\n[150 ms]\nC2 {30 51}\nC2 {60 7F}\nC2 {80 08}\n"},
        {55250000, TVB_STANDARD_NTSC_M_J, 5750000, 1, false, 61000000,
         "C2 {00 1E 80 40 72 F0 BF 8F}\nC2 {80 00}\nC2 {60 AF}\nC2 {30 F2}\n[1 ms]\nC2 {30 76}\n"
         "[1 ms]\nC2 {30 72}\n[150 ms]\nC2 {30 70}\nC2 {60 6F}\nC2 {80 08}\n"},
        {150000000, TVB_STANDARD_PAL_B, 6750000, 0, false, 156750000,
         "C2 {00 27 30 40 52 91 9F 8F}\nC2 {80 00}\nC2 {60 BF}\nC2 {30 D2}\n[1 ms]\nC2 {30 56}\n"
         "[1 ms]\nC2 {30 52}\n[150 ms]\nC2 {30 50}\nC2 {60 7F}\nC2 {80 08}\n"},
    };
    Open();
    for (const Example& ex : examples) {
        SCOPED_TRACE(ex.frequencyHz);
        if (ex.initFirst) {
            InitTuner();
        }
        Prepare(ex.frequencyHz, ex.standard, ex.ifOffsetHz, ex.ntsc);
        const size_t mark = Mark();
        EXPECT_EQ(ProgramSynthesizer(ex.frequencyHz), 0u);
        EXPECT_EQ(TunerFrom(mark), Programming(ex.startUp));
        EXPECT_EQ(Board().synth.OscillatorHz(), ex.oscillatorHz);
        EXPECT_EQ(Board().demod.TunedHz(), ex.frequencyHz);
        for (int i = 0; i < 9; ++i) {
            EXPECT_EQ(SynthShadow.R[i], Board().synth.Reg(i)) << "shadow R" << i;
        }
    }
}

// Stations across the whole tuning range, one every 2 MHz from 48.25 to
// 856.25 MHz (closer than any band of the synthesizer is wide), tuned one
// after the other through TunerOps with PAL B: each must lock right on its
// station, the oscillator at the station plus the 6.75 MHz IF offset. The
// emulated synthesizer runs at the divider and exponent it is sent, so a
// divider that does not give the oscillator frequency puts the demodulator
// off the station.
TEST_F(SynthTest, StationsAcrossTheWholeRangeLockEndToEnd) {
    std::vector<uint32_t> stations;
    for (uint32_t hz = 48250000; hz <= 856250000; hz += 2000000) {
        stations.push_back(hz);
        AddStation(hz, TVB_STANDARD_PAL_B);
    }
    Open();
    SetStandard(TVB_STANDARD_PAL_B);
    for (uint32_t hz : stations) {
        SCOPED_TRACE(hz);
        Tune(hz);
        const TVTunerSettings status = Get(6);
        EXPECT_EQ(status.Busy, 0u);
        EXPECT_EQ(status.PllOffset, 0);
        EXPECT_EQ(status.SignalStrength, 100u);
        EXPECT_EQ(Board().synth.OscillatorHz(), uint64_t{hz} + 6750000);
    }
}

// An oscillator frequency of exactly 76 MHz still belongs to the band that
// ends there (R4 C8: exponent 3, sub-band 1); one hertz more to the next one
// (R4 D0: sub-band 2). NTSC M tunes with the 5.75 MHz IF offset.
TEST_F(SynthTest, OscillatorAtTheEdgeOf76MHz) {
    Open();
    SetStandard(TVB_STANDARD_NTSC_M);
    Tune(70250000);
    EXPECT_EQ(Board().synth.Reg(4), 0xC8);
    Tune(70250001);
    EXPECT_EQ(Board().synth.Reg(4), 0xD0);
}

// The RF input stage follows the tuning frequency itself: band code in R4
// bits 2..0, auxiliary code in R5 bits 5..4.
TEST_F(SynthTest, RfCodesAtEveryBoundary) {
    struct Case {
        uint32_t frequencyHz;
        uint8_t band;
        uint8_t aux;
    };
    const Case cases[] = {
        {83999999, 0, 3},  {84000000, 0, 1},  {97999999, 0, 1},  {98000000, 1, 1},
        {153999999, 1, 1}, {154000000, 1, 0}, {180999999, 1, 0}, {181000000, 2, 1},
        {323999999, 2, 1}, {324000000, 3, 1}, {553999999, 3, 1}, {554000000, 4, 0},
    };
    OpenInitialised();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frequencyHz);
        ProgramSynthesizer(c.frequencyHz);
        EXPECT_EQ(Board().synth.Reg(4) & 7, c.band);
        EXPECT_EQ(Board().synth.Reg(5), 0x8F | c.aux << 4);
    }
}

// Settled means level 115 or less and locked. Up to three corrections, each
// only while the one before did not settle the tuner, the last unchecked; a
// counter of 20 or more at the first check skips them even without lock.
TEST_F(SynthTest, SettleCheckAndCorrectionsInTurn) {
    const std::string settled = Check(0x37, 0x80);
    const std::string unlocked = Check(0x37, 0x00);
    const std::string empty = Check(0xFF, 0x00); // nothing received
    struct Case {
        const char* name;
        uint8_t strength;   // of the station; 0: none
        int lockAfterReads; // status reads without lock
        uint8_t counter;    // register 0x1A
        std::string tail;   // after the start-up sequence, up to the gate's closing
    };
    const Case cases[] = {
        {"settled at once", 200, 0, 0, settled + Counter(0)},
        {"level 115", 140, 0, 0, Check(0x73, 0x80) + Counter(0)},
        {"level 0", 255, 0, 0, Check(0x00, 0x80) + Counter(0)},
        {"level 116", 139, 0, 0,
         Check(0x74, 0x80) + Counter(0) + kFix1 + Check(0x74, 0x80) + kFix2 + Check(0x74, 0x80) +
             kFix3},
        {"lock after the first correction", 200, 1, 0, unlocked + Counter(0) + kFix1 + settled},
        {"lock after the second", 200, 2, 0,
         unlocked + Counter(0) + kFix1 + unlocked + kFix2 + settled},
        {"never locked", 200, 99, 0,
         unlocked + Counter(0) + kFix1 + unlocked + kFix2 + unlocked + kFix3},
        {"counter 19", 0, 0, 19, empty + Counter(19) + kFix1 + empty + kFix2 + empty + kFix3},
        {"counter 20", 0, 0, 20, empty + Counter(20)},
        {"counter 255", 0, 0, 0xFF, empty + Counter(0xFF)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        OpenInitialised();
        Prepare(67250000, TVB_STANDARD_NTSC_M, 5750000, 1, c.strength);
        Board().demod.LockAfterReads(c.lockAfterReads);
        Board().demod.Reg(0x1A) = c.counter;
        const size_t mark = Mark();
        ProgramSynthesizer(67250000);
        EXPECT_EQ(TunerFrom(mark), Programming(kNtsc67, c.tail));
    }
}

// A failed read leaves the cleared byte: with no demodulator answering the
// tuner counts as unsettled and all three corrections run.
TEST_F(SynthTest, UnansweredReadsCountAsUnsettled) {
    OpenInitialised();
    host_->Detach(0x96);
    const size_t mark = Mark();
    ProgramSynthesizer(67250000);
    EXPECT_EQ(WaitedUsFrom(mark), 452000u);
    EXPECT_EQ(SynthShadow.R[8], 0x0C);
    // The gate never opened: every synthesizer transfer met it closed.
    EXPECT_EQ(ConsumeProblems("synthesizer: addressed while the gate is closed"), 10u);
}

// The last row ends at 865 MHz. Past it, also where frequency plus offset no
// longer fits in 32 bits, nothing is sent, not even the gate: the synthesizer
// stays on the frequency it had and the shadow keeps what was last written.
TEST_F(SynthTest, OscillatorAboveTheTableIsRefused) {
    struct Case {
        uint32_t frequencyHz;
        uint32_t offsetHz;
        bool programmed;
    };
    const Case cases[] = {
        {857250000, 7750000, true},              // exactly 865 MHz: last row
        {857250001, 7750000, false},             // one hertz above
        {0xFFFFFFFFu, 5750000, false},           // the 32-bit sum would be 5 749 999
        {0xFFFFFFFFu - 5749999, 5750000, false}, // the 32-bit sum would be 0
    };
    OpenInitialised();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frequencyHz);
        IfOffsetHz = c.offsetHz;
        ProgramSynthesizer(175250000);
        const RegisterCopy<9> before = SynthShadow;
        const uint64_t oscillatorHz = Board().synth.OscillatorHz();
        const size_t mark = Mark();
        EXPECT_EQ(ProgramSynthesizer(c.frequencyHz), 0u);
        if (c.programmed) {
            EXPECT_EQ(Board().synth.OscillatorHz(), 865000000u);
            continue;
        }
        EXPECT_EQ(TunerFrom(mark),
                  Format("dbg \"<ORVELSTRM.SYS> \"\n"
                         "dbg \"ProgramSynthesizer: %u Hz plus IF offset %u Hz is above the "
                         "synthesizer's range (865000000 Hz), synthesizer not programmed\"\n"
                         "dbg \"\\n\"\n",
                         c.frequencyHz, c.offsetHz));
        EXPECT_EQ(Board().synth.OscillatorHz(), oscillatorHz);
        EXPECT_EQ(std::memcmp(SynthShadow.R, before.R, sizeof before.R), 0);
    }
}

// Only the argument's low byte is compared with 1. The emulated synthesizer
// answers only behind the open gate.
TEST_F(SynthTest, GateOpensForOneOnly) {
    struct Case {
        uint32_t argument;
        const char* line;
    };
    const Case cases[] = {{1, "96 {21 C0}\n"},
                          {0, "96 {21 80}\n"},
                          {2, "96 {21 80}\n"},
                          {0x101, "96 {21 C0}\n"},
                          {0xFF, "96 {21 80}\n"}};
    Open();
    for (const Case& c : cases) {
        const size_t mark = Mark();
        SetTunerGate(c.argument);
        EXPECT_EQ(TunerFrom(mark), c.line) << c.argument;
    }
    const uint8_t block[3] = {0x00, 0x24, 0x80};
    const size_t closed = Mark();
    host_->Ops()->BusWrite(emu::HostTable::kBoardHandle, 0xC2, 0, 0, 3, block, 0x8000);
    EXPECT_EQ(TraceFrom(closed),
              "C2 {00 24 80} (no ack)  !! synthesizer: addressed while the gate is closed\n");
    EXPECT_EQ(ConsumeProblems("synthesizer: addressed while the gate is closed"), 1u);
    EXPECT_EQ(Board().synth.Transfers(), 0);
    SetTunerGate(1);
    host_->Ops()->BusWrite(emu::HostTable::kBoardHandle, 0xC2, 0, 0, 3, block, 0x8000);
    EXPECT_EQ(Board().synth.Divider(), 0x24u << 6 | 0x80 >> 2);
}
