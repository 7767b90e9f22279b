// Synthesizer programming: divider and band bytes, the start-up sequence with
// its waits, the settle check and its corrections, and frequencies the
// synthesizer cannot reach.
#include "tuner_fixture.h"

#include "frame/ks_constants.h"
#include "frame/module_state.h"
#include "tuner/synth.h"

#include <cstring>

namespace {

constexpr char kGateOpen[] = "96 {21 C0}\n";
constexpr char kGateClosed[] = "96 {21 80}\n";

// The settle check with a strong station received and locked.
constexpr char kSettledCheck[] = "96 {1D}\n96 -> {37}\n"
                                 "96 {1B}\n96 -> {80}\n"
                                 "96 {1A}\n96 -> {00}\n";

// Steps 1 to 15 for 67.25 MHz with the NTSC offset.
constexpr char kNtsc67Sequence[] = "C2 {00 24 80 40 72 C8 BF 8F}\n"
                                   "C2 {80 00}\n"
                                   "C2 {60 BF}\n"
                                   "C2 {30 F2}\n"
                                   "[1 ms]\n"
                                   "C2 {30 76}\n"
                                   "[1 ms]\n"
                                   "C2 {30 72}\n"
                                   "[150 ms]\n"
                                   "C2 {30 70}\n"
                                   "C2 {60 7F}\n"
                                   "C2 {80 08}\n";

class SynthTest : public TunerTest {
  protected:
    // Tuned for NTSC M, with a station where the tuner will land.
    void PrepareNtsc67(uint8_t strength = 200) {
        OpenInitialised();
        IfOffsetHz = 5750000;
        NtscSelected = 1;
        Board().demod.Reg(0x01) = 0x01;
        Board().antenna.Add({67250000, ks::AnalogVideo_NTSC_M, emu::kMonoSound, strength});
    }
};

struct WorkedExample {
    uint32_t frequencyHz;
    uint32_t ifOffsetHz;
    uint8_t ntsc;
    uint32_t videoStandard;
    uint8_t ifCode;        // the demodulator's standard for the station
    uint32_t stationStd;   // the station's standard
    uint64_t oscillatorHz; // what the synthesizer model must run at
    const char* synth;     // every synthesizer transfer
};

const WorkedExample kWorkedExamples[] = {
    {67250000, 5750000, 1, ks::AnalogVideo_NTSC_M, 0x01, ks::AnalogVideo_NTSC_M, 73000000,
     "C2 {00 24 80 40 72 C8 BF 8F}\nC2 {80 00}\nC2 {60 BF}\nC2 {30 F2}\nC2 {30 76}\n"
     "C2 {30 72}\nC2 {30 70}\nC2 {60 7F}\nC2 {80 08}\n"},
    {175250000, 6750000, 0, ks::AnalogVideo_PAL_B, 0x02, ks::AnalogVideo_PAL_B, 182000000,
     "C2 {00 2D 80 40 52 91 8F 8F}\nC2 {80 00}\nC2 {60 BF}\nC2 {30 D2}\nC2 {30 56}\n"
     "C2 {30 52}\nC2 {30 50}\nC2 {60 7F}\nC2 {80 08}\n"},
    {727250000, 7750000, 0, ks::AnalogVideo_PAL_G, 0x04, ks::AnalogVideo_PAL_G, 735000000,
     "C2 {00 2D F0 40 52 14 8F 8F}\nC2 {80 00}\nC2 {60 BF}\nC2 {30 D2}\nC2 {30 56}\n"
     "C2 {30 52}\nC2 {30 51}\nC2 {60 7F}\nC2 {80 08}\n"},
    {55250000, 5750000, 1, ks::AnalogVideo_NTSC_M_J, 0x01, ks::AnalogVideo_NTSC_M_J, 61000000,
     "C2 {00 1E 80 40 72 F0 BF 8F}\nC2 {80 00}\nC2 {60 AF}\nC2 {30 F2}\nC2 {30 76}\n"
     "C2 {30 72}\nC2 {30 70}\nC2 {60 6F}\nC2 {80 08}\n"},
};

} // namespace

TEST_F(SynthTest, FirstWorkedExampleAsWholeTimeline) {
    PrepareNtsc67();
    const size_t mark = Mark();
    EXPECT_EQ(ProgramSynthesizer(67250000), 0u);
    EXPECT_EQ(TunerFrom(mark),
              std::string(kGateOpen) + kNtsc67Sequence + kSettledCheck + kGateClosed);
    const uint8_t shadow[9] = {0x24, 0x80, 0x40, 0x70, 0xC8, 0xBF, 0x7F, 0x2A, 0x08};
    EXPECT_EQ(std::memcmp(SynthShadow.R, shadow, sizeof(shadow)), 0);
}

TEST_F(SynthTest, WorkedExamplesBytesWaitsAndOscillator) {
    for (const WorkedExample& ex : kWorkedExamples) {
        SCOPED_TRACE(ex.frequencyHz);
        Fresh();
        OpenInitialised();
        IfOffsetHz = ex.ifOffsetHz;
        NtscSelected = ex.ntsc;
        g_TVTuner_Settings.VideoStandard = ex.videoStandard;
        Board().demod.Reg(0x01) = ex.ifCode;
        Board().antenna.Add({ex.frequencyHz, ex.stationStd, emu::kMonoSound, 200});

        const size_t mark = Mark();
        ProgramSynthesizer(ex.frequencyHz);
        EXPECT_EQ(SynthFrom(mark), ex.synth);
        EXPECT_EQ(WaitsFrom(mark), "[1 ms]\n[1 ms]\n[150 ms]\n") << "settled: no correction";
        EXPECT_EQ(Board().synth.OscillatorHz(), ex.oscillatorHz);
        EXPECT_EQ(Board().demod.TunedHz(), ex.frequencyHz);
        EXPECT_FALSE(Board().demod.GateOpen());
    }
}

// Each band row ends at its LoMaxHz: the oscillator frequency there stays in
// the row, one hertz more moves on. R4 carries DivExp, sub-band and RF band
// code; R3's final bits come from the row.
TEST_F(SynthTest, BandRowBoundaries) {
    struct Case {
        uint32_t loHz;
        uint8_t r4;
        uint8_t finalR3;
    };
    const Case cases[] = {
        {62000000, 0xF0, 0x50},  {62000001, 0xF8, 0x50},  // rows 0 | 1
        {76000000, 0xC8, 0x50},  {76000001, 0xD0, 0x50},  // rows 2 | 3
        {109000000, 0xD9, 0x50}, {109000001, 0xB1, 0x50}, // rows 6 | 7, DivExp 3 | 2
        {217000000, 0x9A, 0x50}, {217000001, 0x72, 0x50}, // rows 13 | 14, DivExp 2 | 1
        {454000000, 0x5B, 0x50}, {454000001, 0x33, 0x50}, // rows 19 | 20, DivExp 1 | 0
        {696000000, 0x14, 0x50}, {696000001, 0x14, 0x51}, // rows 24 | 25, final bits
        {740000000, 0x14, 0x51}, {740000001, 0x1C, 0x50}, // rows 25 | 26
        {865000000, 0x1C, 0x51},                          // row 27, the last
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.loHz);
        Fresh();
        OpenInitialised();
        IfOffsetHz = 5750000;
        ProgramSynthesizer(c.loHz - 5750000);
        EXPECT_EQ(Board().synth.Reg(4), c.r4);
        EXPECT_EQ(Board().synth.Reg(3), c.finalR3);
        const uint64_t n = (static_cast<uint64_t>(c.loHz) << Board().synth.DivExp()) / 250000;
        EXPECT_EQ(Board().synth.Divider(), n);
    }
}

TEST_F(SynthTest, RfCodesFollowTheTuningFrequency) {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frequencyHz);
        Fresh();
        OpenInitialised();
        ProgramSynthesizer(c.frequencyHz);
        EXPECT_EQ(Board().synth.Reg(4) & 7, c.band);
        EXPECT_EQ(Board().synth.Reg(5), 0x8F | c.aux << 4);
    }
}

TEST_F(SynthTest, RowFromOscillatorCodesFromFrequency) {
    OpenInitialised();
    IfOffsetHz = 6750000;
    ProgramSynthesizer(150000000);                      // oscillator 156.75 MHz: row 11
    EXPECT_EQ(Board().synth.Reg(4), 0x80 | 2 << 3 | 1); // DivExp 2, sub-band 2, band code 1
    EXPECT_EQ(Board().synth.Reg(5), 0x9F);              // aux code 1
    EXPECT_EQ(Board().synth.OscillatorHz(), 156750000u);
}

TEST_F(SynthTest, SettledAtOnceNeedsNoCorrection) {
    PrepareNtsc67();
    const size_t mark = Mark();
    ProgramSynthesizer(67250000);
    EXPECT_EQ(TunerFrom(mark).find("96 {28"), std::string::npos);
    EXPECT_EQ(WaitedUsFrom(mark), 152000u);
}

TEST_F(SynthTest, CorrectionsInTurnUntilSettled) {
    struct Case {
        int lockAfterReads; // -1: never
        const char* tail;   // after the first status read
        uint64_t waitedUs;
    };
    const Case cases[] = {
        {1,
         "96 {1A}\n96 -> {00}\n"
         "96 {28 64}\n[100 ms]\n96 {1D}\n96 -> {37}\n96 {1B}\n96 -> {80}\n",
         252000},
        {2,
         "96 {1A}\n96 -> {00}\n"
         "96 {28 64}\n[100 ms]\n96 {1D}\n96 -> {37}\n96 {1B}\n96 -> {00}\n"
         "C2 {80 0C}\n[100 ms]\n96 {1D}\n96 -> {37}\n96 {1B}\n96 -> {80}\n",
         352000},
        {-1,
         "96 {1A}\n96 -> {00}\n"
         "96 {28 64}\n[100 ms]\n96 {1D}\n96 -> {37}\n96 {1B}\n96 -> {00}\n"
         "C2 {80 0C}\n[100 ms]\n96 {1D}\n96 -> {37}\n96 {1B}\n96 -> {00}\n"
         "96 {05 01}\n96 {0D 27}\n[100 ms]\n",
         452000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lockAfterReads);
        Fresh();
        PrepareNtsc67();
        if (c.lockAfterReads < 0) {
            Board().demod.LockNever();
        } else {
            Board().demod.LockAfterReads(c.lockAfterReads);
        }
        const size_t mark = Mark();
        ProgramSynthesizer(67250000);
        const std::string expected = std::string(kGateOpen) + kNtsc67Sequence +
                                     "96 {1D}\n96 -> {37}\n96 {1B}\n96 -> {00}\n" + c.tail +
                                     kGateClosed;
        EXPECT_EQ(TunerFrom(mark), expected);
        EXPECT_EQ(WaitedUsFrom(mark), c.waitedUs);
    }
}

// The level must be 115 or less as well as locked.
TEST_F(SynthTest, LevelDecidesTogetherWithLock) {
    struct Case {
        uint8_t strength;
        bool corrected;
    };
    const Case cases[] = {{140, false}, {139, true}, {255, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.strength));
        Fresh();
        PrepareNtsc67(c.strength);
        const size_t mark = Mark();
        ProgramSynthesizer(67250000);
        EXPECT_EQ(TunerFrom(mark).find("96 {28 64}") != std::string::npos, c.corrected);
        EXPECT_EQ(WaitedUsFrom(mark), c.corrected ? 452000u : 152000u);
    }
}

TEST_F(SynthTest, CounterOfTwentySkipsCorrectionsWithoutLock) {
    for (uint8_t counter : {uint8_t{19}, uint8_t{20}, uint8_t{0xFF}}) {
        SCOPED_TRACE(static_cast<int>(counter));
        Fresh();
        OpenInitialised(); // nothing to receive: not locked
        Board().demod.Reg(0x1A) = counter;
        const size_t mark = Mark();
        ProgramSynthesizer(67250000);
        const std::string trace = TunerFrom(mark);
        const bool skipped = counter >= 20;
        EXPECT_EQ(trace.find("96 {28 64}") == std::string::npos, skipped);
        if (skipped) {
            char tail[64];
            std::snprintf(tail, sizeof tail, "96 {1A}\n96 -> {%02X}\n96 {21 80}\n", counter);
            EXPECT_EQ(trace.substr(trace.size() - std::strlen(tail)), tail);
        }
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
}

// The top of the table, and frequencies whose oscillator frequency lies past
// it, also where frequency plus offset no longer fits in 32 bits: nothing is
// sent, not even the gate, and the shadow keeps what was last written.
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frequencyHz);
        Fresh();
        OpenInitialised();
        IfOffsetHz = c.offsetHz;
        SynthRegisters before = SynthShadow;
        const int transfers = Board().synth.Transfers();
        const size_t mark = Mark();
        EXPECT_EQ(ProgramSynthesizer(c.frequencyHz), 0u);
        if (c.programmed) {
            EXPECT_EQ(Board().synth.OscillatorHz(), 865000000u);
        } else {
            char message[256];
            std::snprintf(message, sizeof message,
                          "dbg \"<ORVELSTRM.SYS> \"\n"
                          "dbg \"ProgramSynthesizer: %u Hz plus IF offset %u Hz is above the "
                          "synthesizer's range (865000000 Hz), synthesizer not programmed\"\n"
                          "dbg \"\\n\"\n",
                          c.frequencyHz, c.offsetHz);
            EXPECT_EQ(TunerFrom(mark), message);
            EXPECT_EQ(Board().synth.Transfers(), transfers);
            EXPECT_EQ(std::memcmp(SynthShadow.R, before.R, sizeof(before.R)), 0);
        }
    }
}

TEST_F(SynthTest, NothingWithoutBoard) {
    Load();
    EXPECT_EQ(ProgramSynthesizer(67250000), 0u);
    SetTunerGate(1);
    EXPECT_EQ(Trace().find("96 "), std::string::npos);
    EXPECT_EQ(Trace().find("C2 "), std::string::npos);
    EXPECT_EQ(WaitedUsFrom(0), 0u);
}

TEST_F(SynthTest, GateComparesTheLowByteOnly) {
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
}

// The synthesizer is reachable only through the open gate.
TEST_F(SynthTest, SynthesizerBehindClosedGateDoesNotAnswer) {
    Open();
    const uint8_t block[3] = {0x00, 0x24, 0x80};
    host_->Ops()->BusWrite(emu::Host::kBoardHandle, 0xC2, 0, 0, 3, block, 0x8000);
    EXPECT_EQ(Board().synth.Transfers(), 0);
    EXPECT_NE(Trace().find("C2 {00 24 80} (no ack)"), std::string::npos);
    SetTunerGate(1);
    host_->Ops()->BusWrite(emu::Host::kBoardHandle, 0xC2, 0, 0, 3, block, 0x8000);
    EXPECT_EQ(Board().synth.Divider(), 0x24u << 6 | 0x80 >> 2);
}
