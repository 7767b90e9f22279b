// The IF demodulator: one-time initialisation, the tuning sequence around the
// synthesizer, lock polling and the AFC step; and every tuner routine with no
// board open.
#include "tuner_fixture.h"

#include "emu/decoder_trace.h"
#include "sequences.h"

#include <regex>

namespace {

using IfDemodTest = TunerTest;

// The demodulator's part of a tuning sequence: the synthesizer's, from the
// gate's opening to its closing, is tested on its own.
std::string IfOnly(const std::string& trace) {
    static const std::regex synth("96 \\{21 C0\\}\n[\\s\\S]*?96 \\{21 80\\}\n");
    return std::regex_replace(trace, synth, "<synthesizer>\n");
}

} // namespace

TEST_F(IfDemodTest, InitTunerWritesBlockAndDemodulatorDefaults) {
    Open();
    const size_t mark = Mark();
    InitTuner();
    sequences::ExpectMatches(decoder_trace::Summary(host_->Trace(), mark),
                             sequences::kTunerStartUp);
    EXPECT_EQ(g_bIsTvInitialized, 1);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(SynthShadow.R[i], Board().synth.Reg(i)) << "shadow R" << i;
    }
}

// A strong PAL B station right at 175.25 MHz, tuned and settled at the first
// check.
TEST_F(IfDemodTest, TuningSettledAtOnceWholeTimeline) {
    OpenInitialised();
    SelectTvStandard(TVB_STANDARD_PAL_B);
    AddStation(175250000, TVB_STANDARD_PAL_B);
    const size_t mark = Mark();
    EXPECT_EQ(TuneFrequency(175250000), 1u);
    sequences::ExpectMatches(decoder_trace::Summary(host_->Trace(), mark),
                             sequences::kTuningSettled);
    EXPECT_EQ(Board().demod.Receiving()->frequencyHz, 175250000u);
}

// No traffic, no waits, no state changed and outputs left alone; the status
// reader turns the caller's presets into "not busy" with no AFC value.
TEST_F(IfDemodTest, NothingWithoutBoard) {
    Load();
    const size_t mark = Mark();
    InitTuner();
    SetTunerGate(1);
    EXPECT_EQ(ProgramSynthesizer(67250000), 0u);
    EXPECT_EQ(SelectTvStandard(TVB_STANDARD_PAL_I), 0u);
    EXPECT_EQ(TuneFrequency(67250000), 0u);
    int32_t out = 77;
    EXPECT_EQ(ReadTunerLock(4, &out), 0u);
    EXPECT_EQ(ReadTunerLock(16, &out), 0u);
    EXPECT_EQ(out, 77);
    int32_t afc = 168;
    int32_t busy = 1;
    EXPECT_EQ(ReadTunerStatus(&afc, &busy), 1u);
    EXPECT_EQ(busy, 0);
    EXPECT_EQ(afc, 168);
    EXPECT_EQ(TraceFrom(mark), "");
    EXPECT_EQ(g_bIsTvInitialized, 0);
    EXPECT_EQ(SynthShadow.R[3], 0);
    EXPECT_EQ(CurrentTvStandard, 0u);
    EXPECT_EQ(IfStandardCode, 0x01);
}

// The sequence around the synthesizer follows the standard selected. SECAM L
// and L' then read counter and status together; a counter above 20 or a
// missing lock pulses bit 1 of register 0x0E.
TEST_F(IfDemodTest, TuningSequenceForTheSelectedStandard) {
    struct Case {
        const char* name;
        uint32_t standard;
        bool station; // one of the standard on the frequency
        uint8_t counter;
        uint8_t reg0E;
        uint8_t codeByte; // register 0x01 while tuning
        uint8_t reg05;
        const char* check;
    };
    constexpr uint32_t L = TVB_STANDARD_SECAM_L;
    constexpr uint32_t L1 = TVB_STANDARD_SECAM_L1;
    const Case cases[] = {
        {"NTSC M", TVB_STANDARD_NTSC_M, true, 0, 0, 0x81, 0x04, ""},
        {"L, counter 20", L, true, 20, 0x45, 0xA0, 0x02, "96 {1A}\n96 -> {14 80}\n"},
        {"L, counter 21", L, true, 21, 0x45, 0xA0, 0x02,
         "96 {1A}\n96 -> {15 80}\n96 {0E}\n96 -> {45}\n96 {0E 47}\n96 {0E 45}\n"},
        {"L, no lock", L, false, 0, 0x02, 0xA0, 0x02,
         "96 {1A}\n96 -> {00 00}\n96 {0E}\n96 -> {02}\n96 {0E 02}\n96 {0E 00}\n"},
        {"L', locked", L1, true, 0, 0xFF, 0xC0, 0x02, "96 {1A}\n96 -> {00 80}\n"},
        {"L', no lock", L1, false, 0, 0xFF, 0xC0, 0x02,
         "96 {1A}\n96 -> {00 00}\n96 {0E}\n96 -> {FF}\n96 {0E FF}\n96 {0E FD}\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        OpenInitialised();
        SelectTvStandard(c.standard);
        if (c.station) {
            AddStation(55250000, c.standard);
        }
        Board().demod.Reg(0x1A) = c.counter;
        Board().demod.Reg(0x0E) = c.reg0E;
        const size_t mark = Mark();
        EXPECT_EQ(TuneFrequency(55250000), 1u);
        EXPECT_EQ(IfOnly(TunerFrom(mark)),
                  Format("96 {01 %02X}\n96 {0F 88}\n96 {28 14}\n96 {05 %02X}\n96 {0D 47}\n"
                         "<synthesizer>\n%s96 {0F 81}\n",
                         c.codeByte, c.reg05, c.check));
        EXPECT_EQ(Board().demod.TunedHz(), 55250000u);
        EXPECT_EQ(Board().demod.Receiving() != nullptr, c.station);
    }
}

// When nothing answers, the check sees the bytes it cleared: no lock, so
// the pulse goes out, built on a register value of 0.
TEST_F(IfDemodTest, SecamLCheckStartsFromClearedBytes) {
    OpenInitialised();
    SelectTvStandard(TVB_STANDARD_SECAM_L);
    host_->Detach(0x96);
    const size_t mark = Mark();
    TuneFrequency(55250000);
    EXPECT_NE(TunerFrom(mark).find("96 {1A} (no ack)\n96 -> (no ack)\n96 {0E} (no ack)\n"
                                   "96 -> (no ack)\n96 {0E 02} (no ack)\n96 {0E 00} (no ack)\n"
                                   "96 {0F 81} (no ack)\n"),
              std::string::npos)
        << TunerFrom(mark);
    EXPECT_EQ(ConsumeProblems("synthesizer: addressed while the gate is closed"), 10u)
        << "the gate never opened";
}

// The 7-bit AFC value folds into -2..+2 at fixed boundaries, read at once;
// without lock there is no AFC value (168) and the status reader reports
// busy. Other requests leave the output alone.
TEST_F(IfDemodTest, AfcStepAndBusyFromTheStatusByte) {
    struct Case {
        uint8_t status;
        int32_t step;
    };
    const Case cases[] = {
        {0x80, 0},       {0x80 | 18, 0},  {0x80 | 19, 1},  {0x80 | 37, 1},  {0x80 | 38, 2},
        {0x80 | 63, 2},  {0x80 | 64, -2}, {0x80 | 90, -2}, {0x80 | 91, -1}, {0x80 | 109, -1},
        {0x80 | 110, 0}, {0xFF, 0},       {0x93, 1},       {0x92, 0},       {0xC0, -2},
        {0x25, 168},     {0x00, 168},     {0x7F, 168},
    };
    Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(Format("status %02X", c.status));
        Board().demod.ForceStatus(c.status);
        int32_t out = 55;
        const size_t mark = Mark();
        EXPECT_EQ(ReadTunerLock(16, &out), 1u);
        EXPECT_EQ(out, c.step);
        EXPECT_EQ(TunerFrom(mark), Format("96 {1B}\n96 -> {%02X}\n", c.status));
        int32_t afc = 168;
        int32_t busy = 1;
        EXPECT_EQ(ReadTunerStatus(&afc, &busy), 1u);
        EXPECT_EQ(busy, (c.status & 0x80) != 0 ? 0 : 1);
        EXPECT_EQ(afc, c.step);
    }
    Board().demod.ForceStatus(0x93);
    for (uint32_t request : {0u, 5u, 6u, 15u, 17u}) {
        int32_t out = 55;
        EXPECT_EQ(ReadTunerLock(request, &out), 0u) << request;
        EXPECT_EQ(out, 55) << request;
    }
}

// A lock that has not come is polled for every 100 ms, 25 times at most; the
// answer is 1 as soon as it comes, 0 when the last poll finds none.
TEST_F(IfDemodTest, LockPolledEveryHundredMillisecondsUpToTwentyFiveTimes) {
    for (int lockAfterReads : {0, 1, 2, 25, 26, 1000}) { // status reads without lock
        SCOPED_TRACE(lockAfterReads);
        Fresh();
        OpenInitialised();
        AddStation(67250000, TVB_STANDARD_NTSC_M);
        TuneFrequency(67250000);
        Board().demod.LockAfterReads(lockAfterReads);
        const bool locks = lockAfterReads <= 25;
        std::string expected;
        for (int read = 0; read < (locks ? lockAfterReads + 1 : 26); ++read) {
            expected += read == 0 ? "" : "[100 ms]\n";
            expected += read == lockAfterReads ? "96 {1B}\n96 -> {80}\n" : "96 {1B}\n96 -> {00}\n";
        }
        const size_t mark = Mark();
        int32_t out = 55;
        EXPECT_EQ(ReadTunerLock(4, &out), 1u);
        EXPECT_EQ(out, locks ? 1 : 0);
        EXPECT_EQ(TunerFrom(mark), expected);
    }
}
