// Channel changes as the host makes them, through TunerOps only, against the
// emulated board with stations on its antenna: standard, frequency, lock
// status, AFC step and the TV sound the station carries.
#include "tuner_fixture.h"

namespace {

class TuningEndToEndTest : public TunerTest {
  protected:
    void OpenAndTune(uint32_t standard, uint32_t hz) {
        Open();
        SetStandard(standard);
        Tune(hz);
    }
};

constexpr int32_t kNoPllOffset = static_cast<int32_t>(kUntouched);

} // namespace

TEST_F(TuningEndToEndTest, TuneOntoStationLockedWithItsSound) {
    AddStation(175250000, TVB_STANDARD_PAL_B, emu::kStereoSound);
    Open();
    SetStandard(TVB_STANDARD_PAL_B);
    const size_t mark = Mark();
    Tune(175250000);
    EXPECT_EQ(WaitedUsFrom(mark), 152000u) << "settled at once";
    EXPECT_EQ(Board().demod.TunedHz(), 175250000u);
    EXPECT_EQ(Get(2).AudioMode, TVB_AUDIO_MODE_MONO | TVB_AUDIO_MODE_STEREO);
    EXPECT_EQ(Set(Request(1, &TVTunerSettings::AudioMode, TVB_AUDIO_MODE_STEREO)).Result, 1u);
    EXPECT_EQ(settings_->AudioMode, TVB_AUDIO_MODE_STEREO);

    // Locked at once, after a wait, and only after the last poll: busy then,
    // although the AFC read right after it finds the tuner locked.
    for (uint32_t lockAfterReads : {0u, 10u, 26u}) {
        SCOPED_TRACE(lockAfterReads);
        const bool busy = lockAfterReads > 25;
        Board().demod.LockAfterReads(static_cast<int>(lockAfterReads));
        const size_t status = Mark();
        const TVTunerSettings r = Get(6);
        EXPECT_EQ(WaitedUsFrom(status), (busy ? 25 : lockAfterReads) * 100000u);
        EXPECT_EQ(r.Busy, busy ? 1u : 0u);
        EXPECT_EQ(settings_->Busy, r.Busy);
        EXPECT_EQ(r.PllOffset, busy ? kNoPllOffset : 0);
        EXPECT_EQ(r.Frequency, busy ? kUntouched : 175250000u);
        EXPECT_EQ(r.SignalStrength, busy ? 0u : 100u);
        EXPECT_EQ(settings_->SignalStrength, 0u);
    }
}

// The AFC step reported matches the station's offset from the frequency
// tuned, in 62.5 kHz tuning steps; full signal only when right on it. Past
// the demodulator's 200 kHz capture range nothing is received.
TEST_F(TuningEndToEndTest, AfcStepMatchesStationOffset) {
    struct Case {
        int32_t offsetHz;
        int32_t step;
    };
    constexpr int32_t none = kNoPllOffset; // not received
    const Case cases[] = {
        {0, 0},        {59374, 0},    {59375, 1},     {62500, 1},      {118749, 1},  {118750, 2},
        {199999, 2},   {200000, 2},   {-59374, 0},    {-59375, -1},    {-62500, -1}, {-118749, -1},
        {-118750, -2}, {-200000, -2}, {200001, none}, {-200001, none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offsetHz);
        Fresh();
        AddStation(static_cast<uint32_t>(175250000 + c.offsetHz), TVB_STANDARD_PAL_B);
        OpenAndTune(TVB_STANDARD_PAL_B, 175250000);
        const TVTunerSettings r = Get(6);
        EXPECT_EQ(r.Busy, c.step == none ? 1u : 0u);
        EXPECT_EQ(r.PllOffset, c.step);
        EXPECT_EQ(r.SignalStrength, c.step == 0 ? 100u : 0u);
    }
}

// Between two stations nothing is received: all three corrections while
// tuning, busy after 2.5 s of polling, and no stereo any more.
TEST_F(TuningEndToEndTest, BetweenStationsIsBusy) {
    AddStation(175250000, TVB_STANDARD_PAL_B, emu::kStereoSound);
    AddStation(182250000, TVB_STANDARD_PAL_B, emu::kStereoSound);
    OpenAndTune(TVB_STANDARD_PAL_B, 175250000);
    EXPECT_EQ(Get(2).AudioMode, 0x3u);

    const size_t mark = Mark();
    Tune(178750000);
    EXPECT_EQ(WaitedUsFrom(mark), 452000u);
    EXPECT_EQ(Get(6).Busy, 1u);
    EXPECT_EQ(WaitedUsFrom(mark), 452000u + 2500000u);
    EXPECT_EQ(Get(2).AudioMode, 0x1u);

    Tune(182250000);
    EXPECT_EQ(Get(6).Busy, 0u);
}

// A station of another standard is not received. Selecting its standard does
// not retune an unchanged frequency, so the new IF offset waits for the next
// frequency request.
TEST_F(TuningEndToEndTest, StationOfAnotherStandardStaysBusy) {
    AddStation(175250000, TVB_STANDARD_PAL_G);
    OpenAndTune(TVB_STANDARD_PAL_B, 175250000);
    EXPECT_EQ(Get(6).Busy, 1u);
    SetStandard(TVB_STANDARD_PAL_G);
    EXPECT_EQ(Get(6).Busy, 1u);
    Tune(175250000 + 62500);
    Tune(175250000);
    EXPECT_EQ(Get(6).Busy, 0u);
}
