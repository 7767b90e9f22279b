// Channel changes as the host makes them, through TunerOps only, against the
// emulated board with stations on its antenna: standard, frequency, lock
// status, AFC step and the TV sound the station carries.
#include "tuner_fixture.h"

#include "frame/ks_constants.h"
#include "frame/module_state.h"

#include <cstring>

namespace {

constexpr uint32_t kUntouched = 0xA5A5A5A5u;

class TuningEndToEndTest : public TunerTest {
  protected:
    TVTunerSettings Request(uint32_t id) {
        TVTunerSettings r;
        std::memset(&r, 0xA5, sizeof(r));
        r.RequestId = id;
        return r;
    }
    TVTunerSettings Set(TVTunerSettings request) {
        caps_->TunerOps->SetTunerProperty(settings_, 0, &request);
        return request;
    }
    TVTunerSettings Get(uint32_t id) {
        TVTunerSettings request = Request(id);
        caps_->TunerOps->GetTunerProperty(settings_, 0, &request);
        return request;
    }
    void SetStandard(uint32_t standard) {
        TVTunerSettings r = Request(3);
        r.VideoStandard = standard;
        Set(r);
    }
    void Tune(uint32_t hz) {
        TVTunerSettings r = Request(4);
        r.Frequency = hz;
        r.TuneInfo1 = 1;
        r.TuneInfo2 = 4;
        Set(r);
    }
    uint8_t SetAudioMode(uint32_t mode) {
        TVTunerSettings r = Request(1);
        r.AudioMode = mode;
        return static_cast<uint8_t>(Set(r).Result);
    }
    void AddStation(uint32_t hz, uint32_t standard, emu::Sound sound = emu::kMonoSound) {
        Board().antenna.Add({hz, standard, sound, 200});
    }
};

} // namespace

TEST_F(TuningEndToEndTest, TuneOntoStationLockedWithItsSound) {
    AddStation(175250000, ks::AnalogVideo_PAL_B, emu::kStereoSound);
    Open();
    SetStandard(ks::AnalogVideo_PAL_B);
    const size_t mark = Mark();
    Tune(175250000);
    EXPECT_EQ(WaitedUsFrom(mark), 152000u) << "settled at once";
    EXPECT_EQ(Board().demod.TunedHz(), 175250000u);

    const size_t status = Mark();
    const TVTunerSettings r = Get(6);
    EXPECT_EQ(WaitedUsFrom(status), 0u);
    EXPECT_EQ(r.Busy, 0u);
    EXPECT_EQ(r.PllOffset, 0);
    EXPECT_EQ(r.Frequency, 175250000u);
    EXPECT_EQ(r.SignalStrength, 100u);
    EXPECT_EQ(settings_->Busy, 0u);
    EXPECT_EQ(settings_->SignalStrength, 0u);

    EXPECT_EQ(Get(2).AudioMode, ks::TVAudioMode_Mono | ks::TVAudioMode_Stereo);
    EXPECT_EQ(SetAudioMode(ks::TVAudioMode_Stereo), 1);
    EXPECT_EQ(settings_->AudioMode, ks::TVAudioMode_Stereo);
}

// The AFC step reported matches the station's offset from the frequency
// tuned, in 62.5 kHz tuning steps; full signal only when right on it.
TEST_F(TuningEndToEndTest, AfcStepMatchesStationOffset) {
    struct Case {
        int32_t offsetHz;
        int32_t step;
    };
    const Case cases[] = {{0, 0},        {30000, 0},  {-30000, 0},   {62500, 1},
                          {-62500, -1},  {125000, 2}, {-125000, -2}, {187500, 2},
                          {-187500, -2}, {100000, 1}, {-100000, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offsetHz);
        Fresh();
        AddStation(static_cast<uint32_t>(175250000 + c.offsetHz), ks::AnalogVideo_PAL_B);
        Open();
        SetStandard(ks::AnalogVideo_PAL_B);
        Tune(175250000);
        const TVTunerSettings r = Get(6);
        EXPECT_EQ(r.Busy, 0u);
        EXPECT_EQ(r.PllOffset, c.step);
        EXPECT_EQ(r.SignalStrength, c.step == 0 ? 100u : 0u);
    }
}

// Between two stations nothing is received: busy after 2.5 s of polling, no
// AFC value, and the decoder hears no stereo any more.
TEST_F(TuningEndToEndTest, BetweenStationsIsBusy) {
    AddStation(175250000, ks::AnalogVideo_PAL_B, emu::kStereoSound);
    AddStation(182250000, ks::AnalogVideo_PAL_B, emu::kStereoSound);
    Open();
    SetStandard(ks::AnalogVideo_PAL_B);
    Tune(175250000);
    EXPECT_EQ(Get(2).AudioMode, 0x3u);

    size_t mark = Mark();
    Tune(178750000);
    EXPECT_EQ(WaitedUsFrom(mark), 452000u) << "all three corrections";
    mark = Mark();
    const TVTunerSettings r = Get(6);
    EXPECT_EQ(WaitedUsFrom(mark), 2500000u);
    EXPECT_EQ(r.Busy, 1u);
    EXPECT_EQ(r.PllOffset, static_cast<int32_t>(kUntouched));
    EXPECT_EQ(r.Frequency, kUntouched);
    EXPECT_EQ(r.SignalStrength, 0u);
    EXPECT_EQ(Get(2).AudioMode, 0x1u);

    Tune(182250000);
    EXPECT_EQ(Get(6).Busy, 0u);
}

TEST_F(TuningEndToEndTest, StationOfAnotherStandardStaysBusy) {
    AddStation(175250000, ks::AnalogVideo_PAL_G);
    Open();
    SetStandard(ks::AnalogVideo_PAL_B);
    Tune(175250000);
    EXPECT_EQ(Get(6).Busy, 1u);

    SetStandard(ks::AnalogVideo_PAL_G); // the same frequency is not tuned again,
    EXPECT_EQ(Get(6).Busy, 1u);         // so the new IF offset does not apply yet
    Tune(175250000 + 62500);
    Tune(175250000);
    EXPECT_EQ(Get(6).Busy, 0u);
}

TEST_F(TuningEndToEndTest, LateLockIsWaitedFor) {
    AddStation(175250000, ks::AnalogVideo_PAL_B);
    Open();
    SetStandard(ks::AnalogVideo_PAL_B);
    Tune(175250000);
    Board().demod.LockAfterReads(10);
    const size_t mark = Mark();
    const TVTunerSettings r = Get(6);
    EXPECT_EQ(WaitedUsFrom(mark), 1000000u);
    EXPECT_EQ(r.Busy, 0u);
    EXPECT_EQ(r.SignalStrength, 100u);
}

// SECAM L stations in band I are broadcast as L'; the module follows the
// frequency and the demodulator receives both.
TEST_F(TuningEndToEndTest, SecamLAndLPrimeFollowTheFrequency) {
    AddStation(55750000, ks::AnalogVideo_SECAM_L1);
    AddStation(175250000, ks::AnalogVideo_SECAM_L);
    Open();
    SetStandard(ks::AnalogVideo_SECAM_L);
    Tune(55750000);
    EXPECT_EQ(g_TVTuner_Settings.VideoStandard, ks::AnalogVideo_SECAM_L1);
    EXPECT_EQ(Get(6).Busy, 0u);
    Tune(175250000);
    EXPECT_EQ(g_TVTuner_Settings.VideoStandard, ks::AnalogVideo_SECAM_L);
    EXPECT_EQ(Get(6).Busy, 0u);
    EXPECT_EQ(settings_->VideoStandard, ks::AnalogVideo_SECAM_L);
}

TEST_F(TuningEndToEndTest, TwoLanguageStation) {
    AddStation(67250000, ks::AnalogVideo_NTSC_M, emu::kTwoLanguageSound);
    Open();
    SetStandard(ks::AnalogVideo_NTSC_M);
    Tune(67250000);
    EXPECT_EQ(Get(2).AudioMode, 0x31u);
    EXPECT_EQ(SetAudioMode(ks::TVAudioMode_LangB), 1);
    EXPECT_EQ(SetAudioMode(ks::TVAudioMode_Stereo), 0);
    EXPECT_EQ(Get(1).AudioMode, ks::TVAudioMode_LangB);
}

// A frequency the synthesizer cannot reach leaves it on the station it had;
// the gate is not opened for it.
TEST_F(TuningEndToEndTest, UnreachableFrequencyLeavesSynthesizerAlone) {
    AddStation(175250000, ks::AnalogVideo_PAL_B);
    Open();
    SetStandard(ks::AnalogVideo_PAL_B);
    Tune(175250000);
    const int transfers = Board().synth.Transfers();
    for (uint32_t hz : {860000000u, 0xFFFFFFFFu}) {
        const size_t mark = Mark();
        Tune(hz);
        const std::string trace = TraceFrom(mark);
        EXPECT_EQ(trace.find("96 {21 C0}"), std::string::npos);
        EXPECT_NE(trace.find("synthesizer not programmed"), std::string::npos);
        EXPECT_EQ(Board().synth.Transfers(), transfers);
        EXPECT_EQ(Board().demod.TunedHz(), 175250000u);
    }
}
