// The IF demodulator: one-time initialisation, the tuning sequence around the
// synthesizer, lock polling and the AFC step, against the emulated board.
#include "tuner_fixture.h"

#include "frame/ks_constants.h"
#include "frame/module_state.h"
#include "tuner/if_demod.h"

#include <cstring>

namespace {

class IfDemodTest : public TunerTest {
  protected:
    // A board tuned to an NTSC M station at 67.25 MHz plus offsetHz.
    void TuneNtscStation(int32_t offsetHz) {
        OpenInitialised();
        Board().antenna.Add({static_cast<uint32_t>(67250000 + offsetHz), ks::AnalogVideo_NTSC_M,
                             emu::kMonoSound, 200});
        TuneFrequency(67250000);
    }
    // The SECAM L standard as its selection leaves it.
    void UseSecamL(uint8_t code = 0x20, uint32_t offsetHz = 7750000) {
        IfStandardCode = code;
        IfOffsetHz = offsetHz;
        NtscSelected = 0;
    }
};

constexpr char kInitTrace[] = "96 {21 C0}\n"
                              "C2 {00 00 00 00 7C 04 A3 3F 2A 04 FF 00 00 40}\n"
                              "96 {21 80}\n"
                              "96 {07 00}\n"
                              "96 {30 6F}\n"
                              "96 {20 0B}\n";

// The demodulator's part of the tuning sequence; the synthesizer's part is
// tested on its own.
std::string IfOnly(const std::string& trace) {
    std::string out;
    size_t start = 0;
    bool inSynth = false;
    while (start < trace.size()) {
        const size_t end = trace.find('\n', start);
        const std::string line = trace.substr(start, end - start);
        start = end + 1;
        if (line == "96 {21 C0}") {
            inSynth = true;
            out += "<synthesizer>\n";
        }
        if (!inSynth) {
            out += line + "\n";
        }
        if (line == "96 {21 80}") {
            inSynth = false;
        }
    }
    return out;
}

} // namespace

TEST_F(IfDemodTest, InitTunerWritesBlockAndDemodulatorDefaults) {
    Open();
    const size_t mark = Mark();
    InitTuner();
    EXPECT_EQ(TunerFrom(mark), kInitTrace);
    EXPECT_EQ(g_bIsTvInitialized, 1);
    const uint8_t shadow[9] = {0x00, 0x00, 0x00, 0x7C, 0x04, 0xA3, 0x3F, 0x2A, 0x04};
    EXPECT_EQ(std::memcmp(SynthShadow.R, shadow, sizeof(shadow)), 0);
    EXPECT_EQ(Board().synth.Reg(12), 0x40);
    EXPECT_FALSE(Board().demod.GateOpen());
}

TEST_F(IfDemodTest, InitTunerWithoutBoardLeavesFlagClear) {
    Load();
    const size_t mark = Mark();
    InitTuner();
    EXPECT_EQ(g_bIsTvInitialized, 0);
    EXPECT_EQ(SynthShadow.R[3], 0);
    EXPECT_EQ(TunerFrom(mark), "");
}

TEST_F(IfDemodTest, TuneFrequencyForNtscWrapsTheSynthesizer) {
    OpenInitialised();
    Board().antenna.Add({67250000, ks::AnalogVideo_NTSC_M, emu::kMonoSound, 200});
    const size_t mark = Mark();
    EXPECT_EQ(TuneFrequency(67250000), 1u);
    EXPECT_EQ(IfOnly(TunerFrom(mark)), "96 {01 81}\n"
                                       "96 {0F 88}\n"
                                       "96 {28 14}\n"
                                       "96 {05 04}\n"
                                       "96 {0D 47}\n"
                                       "<synthesizer>\n"
                                       "96 {0F 81}\n");
    EXPECT_EQ(Board().demod.TunedHz(), 67250000u);
    EXPECT_NE(Board().demod.Receiving(), nullptr);
}

// SECAM L and L' read counter and status together after tuning; a counter
// above 20 or a missing lock pulses bit 1 of register 0x0E.
TEST_F(IfDemodTest, TuneFrequencyForSecamLChecksAndPulses) {
    struct Case {
        const char* name;
        uint8_t code;
        uint32_t offsetHz;
        uint32_t stationStd; // 0: no station
        uint8_t counter;
        uint8_t reg0E;
        const char* check;
    };
    const Case cases[] = {
        {"locked, counter 20", 0x20, 7750000, ks::AnalogVideo_SECAM_L, 20, 0x45,
         "96 {1A}\n96 -> {14 80}\n"},
        {"locked, counter 21", 0x20, 7750000, ks::AnalogVideo_SECAM_L, 21, 0x45,
         "96 {1A}\n96 -> {15 80}\n96 {0E}\n96 -> {45}\n96 {0E 47}\n96 {0E 45}\n"},
        {"no lock", 0x20, 7750000, 0, 0, 0x02,
         "96 {1A}\n96 -> {00 00}\n96 {0E}\n96 -> {02}\n96 {0E 02}\n96 {0E 00}\n"},
        {"L', locked", 0x40, 1750000, ks::AnalogVideo_SECAM_L1, 0, 0xFF,
         "96 {1A}\n96 -> {00 80}\n"},
        {"L', no lock", 0x40, 1750000, 0, 0, 0xFF,
         "96 {1A}\n96 -> {00 00}\n96 {0E}\n96 -> {FF}\n96 {0E FF}\n96 {0E FD}\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        OpenInitialised();
        UseSecamL(c.code, c.offsetHz);
        if (c.stationStd != 0) {
            Board().antenna.Add({55250000, c.stationStd, emu::kMonoSound, 200});
        }
        Board().demod.Reg(0x1A) = c.counter;
        Board().demod.Reg(0x0E) = c.reg0E;
        const size_t mark = Mark();
        EXPECT_EQ(TuneFrequency(55250000), 1u);
        char head[128];
        std::snprintf(head, sizeof head,
                      "96 {01 %02X}\n96 {0F 88}\n96 {28 14}\n96 {05 02}\n96 {0D 47}\n"
                      "<synthesizer>\n",
                      c.code | 0x80);
        EXPECT_EQ(IfOnly(TunerFrom(mark)), std::string(head) + c.check + "96 {0F 81}\n");
    }
}

// When nothing answers, the check sees the bytes it cleared: no lock, so
// the pulse goes out, built on a register value of 0.
TEST_F(IfDemodTest, SecamLCheckStartsFromClearedBytes) {
    OpenInitialised();
    UseSecamL();
    host_->Detach(0x96);
    const size_t mark = Mark();
    TuneFrequency(55250000);
    const std::string trace = TunerFrom(mark);
    EXPECT_NE(trace.find("96 {0E} (no ack)\n96 -> (no ack)\n96 {0E 02} (no ack)\n"
                         "96 {0E 00} (no ack)\n96 {0F 81} (no ack)\n"),
              std::string::npos)
        << trace;
}

TEST_F(IfDemodTest, NothingWithoutBoard) {
    Load();
    const size_t mark = Mark();
    int32_t out = 77;
    EXPECT_EQ(TuneFrequency(67250000), 0u);
    EXPECT_EQ(ReadTunerLock(4, &out), 0u);
    EXPECT_EQ(ReadTunerLock(16, &out), 0u);
    EXPECT_EQ(out, 77);
    int32_t afc = 168;
    int32_t busy = 1;
    EXPECT_EQ(ReadTunerStatus(&afc, &busy), 1u);
    EXPECT_EQ(busy, 0);
    EXPECT_EQ(afc, 168);
    EXPECT_EQ(TunerFrom(mark), "");
}

// The raw 7-bit AFC value folds into -2..+2 at fixed boundaries; without
// lock there is no AFC value (168).
TEST_F(IfDemodTest, AfcStepAtEveryBoundary) {
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
        Board().demod.ForceStatus(c.status);
        int32_t out = 55;
        const size_t mark = Mark();
        EXPECT_EQ(ReadTunerLock(16, &out), 1u);
        EXPECT_EQ(out, c.step) << std::hex << static_cast<int>(c.status);
        EXPECT_EQ(WaitedUsFrom(mark), 0u);
    }
}

TEST_F(IfDemodTest, LockAtOnceAtTheLastPollAndNever) {
    struct Case {
        int lockAfterReads; // -1: never
        int32_t lock;
        uint64_t waitedUs;
        int statusReads;
    };
    const Case cases[] = {
        {0, 1, 0, 1},         {1, 1, 100000, 2},    {25, 1, 2500000, 26}, // locked at the 25th poll
        {26, 0, 2500000, 26}, {-1, 0, 2500000, 26},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lockAfterReads);
        Fresh();
        TuneNtscStation(0);
        if (c.lockAfterReads < 0) {
            Board().demod.LockNever();
        } else {
            Board().demod.LockAfterReads(c.lockAfterReads);
        }
        const int readsBefore = Board().demod.StatusReads();
        const size_t mark = Mark();
        int32_t out = 55;
        EXPECT_EQ(ReadTunerLock(4, &out), 1u);
        EXPECT_EQ(out, c.lock);
        EXPECT_EQ(WaitedUsFrom(mark), c.waitedUs);
        EXPECT_EQ(Board().demod.StatusReads() - readsBefore, c.statusReads);
    }
}

TEST_F(IfDemodTest, PollsAreOneHundredMillisecondsApart) {
    TuneNtscStation(0);
    Board().demod.LockAfterReads(2);
    const size_t mark = Mark();
    int32_t out = 0;
    ReadTunerLock(4, &out);
    EXPECT_EQ(TunerFrom(mark), "96 {1B}\n96 -> {00}\n"
                               "[100 ms]\n96 {1B}\n96 -> {00}\n"
                               "[100 ms]\n96 {1B}\n96 -> {80}\n");
}

TEST_F(IfDemodTest, UnknownRequestLeavesOutputAlone) {
    Open();
    Board().demod.ForceStatus(0x93);
    for (uint32_t request : {0u, 5u, 6u, 15u, 17u}) {
        int32_t out = 55;
        EXPECT_EQ(ReadTunerLock(request, &out), 0u) << request;
        EXPECT_EQ(out, 55) << request;
    }
}

TEST_F(IfDemodTest, StatusTurnsLockIntoBusy) {
    struct Case {
        uint8_t status;
        int32_t busy;
        int32_t afc;
    };
    const Case cases[] = {{0x80, 0, 0}, {0x80 | 20, 0, 1}, {0x80 | 100, 0, -1}, {0x00, 1, 168}};
    Open();
    for (const Case& c : cases) {
        Board().demod.ForceStatus(c.status);
        int32_t afc = 168;
        int32_t busy = 1;
        EXPECT_EQ(ReadTunerStatus(&afc, &busy), 1u);
        EXPECT_EQ(busy, c.busy) << std::hex << static_cast<int>(c.status);
        EXPECT_EQ(afc, c.afc) << std::hex << static_cast<int>(c.status);
    }
}

// The emulated demodulator's AFC, read through the module: the station's
// offset from the tuned frequency gives the step, in 62.5 kHz tuning steps;
// past 200 kHz there is no lock.
TEST_F(IfDemodTest, StationOffsetGivesMatchingAfcStep) {
    struct Case {
        int32_t offsetHz;
        int32_t step;
    };
    const Case cases[] = {
        {0, 0},        {59374, 0},    {59375, 1},    {62500, 1},     {118749, 1},  {118750, 2},
        {199999, 2},   {200000, 2},   {-59374, 0},   {-59375, -1},   {-62500, -1}, {-118749, -1},
        {-118750, -2}, {-200000, -2}, {200001, 168}, {-200001, 168},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offsetHz);
        Fresh();
        TuneNtscStation(c.offsetHz);
        int32_t out = 55;
        EXPECT_EQ(ReadTunerLock(16, &out), 1u);
        EXPECT_EQ(out, c.step);
    }
}

// A station of another standard is not received, however close.
TEST_F(IfDemodTest, StationOfAnotherStandardIsNotReceived) {
    OpenInitialised();
    Board().antenna.Add({67250000, ks::AnalogVideo_PAL_B, emu::kMonoSound, 200});
    TuneFrequency(67250000);
    EXPECT_EQ(Board().demod.Receiving(), nullptr);
    int32_t afc = 168;
    int32_t busy = 1;
    ReadTunerStatus(&afc, &busy);
    EXPECT_EQ(busy, 1);
}
