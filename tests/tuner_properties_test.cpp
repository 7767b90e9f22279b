// The tuner property interface as the host calls it through TunerOps: every
// RequestId in both directions, the set flags and the unchanged-value skips,
// the SECAM L / L' switch, the pin byte, and calls with no board open or with
// null records.
#include "tuner_fixture.h"

#include "frame/ks_constants.h"
#include "frame/module_state.h"

#include <cstring>

namespace {

constexpr uint32_t kUntouched = 0xA5A5A5A5u;

TVTunerSettings Sentinel() {
    TVTunerSettings r;
    std::memset(&r, 0xA5, sizeof(r));
    return r;
}

TVTunerSettings Request(uint32_t id) {
    TVTunerSettings r = Sentinel();
    r.RequestId = id;
    return r;
}

class TunerPropertiesTest : public TunerTest {
  protected:
    uint32_t Get(TVTunerSettings* settings, TVTunerSettings* request) {
        return caps_->TunerOps->GetTunerProperty(settings, 0, request);
    }
    uint32_t Set(TVTunerSettings* settings, TVTunerSettings* request) {
        return caps_->TunerOps->SetTunerProperty(settings, 0, request);
    }
    void Set(TVTunerSettings request) { EXPECT_EQ(Set(settings_, &request), 0u); }
    // An open board past its one-time initialisation.
    void OpenReady() {
        Open();
        Set(Request(0));
    }
    void SetFrequency(uint32_t hz) {
        TVTunerSettings r = Request(4);
        r.Frequency = hz;
        r.TuneInfo1 = hz / 1000;
        r.TuneInfo2 = 9;
        Set(r);
    }
    void SetStandard(uint32_t standard) {
        TVTunerSettings r = Request(3);
        r.VideoStandard = standard;
        Set(r);
    }
    // Distinct values in the module's copy, to see where answers come from.
    void FillModuleCopy() {
        g_TVTuner_Settings.Mode = 2;
        g_TVTuner_Settings.VideoStandard = 0x100;
        g_TVTuner_Settings.Frequency = 175250000;
        g_TVTuner_Settings.TuneInfo1 = 11;
        g_TVTuner_Settings.TuneInfo2 = 22;
        g_TVTuner_Settings.TunerInput = 1;
        g_TVTuner_Settings.AudioMode = 0x31;
    }
};

void ExpectCommonFields(const TVTunerSettings& r) {
    EXPECT_EQ(r.Mode, 2u);
    EXPECT_EQ(r.VideoStandard, 0x100u);
    EXPECT_EQ(r.TuneInfo1, 11u);
    EXPECT_EQ(r.TuneInfo2, 22u);
    EXPECT_EQ(r.TunerInput, 1u);
}

} // namespace

TEST_F(TunerPropertiesTest, ModeCapsForTvAndRadioOnly) {
    Load(); // no board needed
    struct Case {
        uint32_t mode;
        TunerModeCaps expected;
    };
    const TunerModeCaps untouched = {kUntouched, kUntouched, kUntouched, kUntouched, kUntouched};
    const Case cases[] = {
        {1, {40000000, 847000000, 62500, 2, 500}},
        {2, {88100000, 107900000, 200000, 1, 100}},
        {0, untouched},
        {3, untouched},
        {4, untouched},
    };
    const size_t mark = Mark();
    for (const Case& c : cases) {
        TunerModeCaps caps = untouched;
        EXPECT_EQ(caps_->TunerOps->GetTunerModeCaps(0, 0, c.mode, &caps), 0u);
        EXPECT_EQ(std::memcmp(&caps, &c.expected, sizeof(caps)), 0) << c.mode;
    }
    EXPECT_EQ(caps_->TunerOps->GetTunerModeCaps(0, 0, 1, nullptr), 0u);
    EXPECT_EQ(TraceFrom(mark), "");
}

// Every get answers the common fields into both records, request first;
// requests without more to say leave the rest alone.
TEST_F(TunerPropertiesTest, GetCommonFieldsForEveryRequest) {
    Open();
    FillModuleCopy();
    for (uint32_t id : {0u, 3u, 5u, 7u, 16u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(id);
        TVTunerSettings settings = Sentinel();
        TVTunerSettings request = Request(id);
        EXPECT_EQ(Get(&settings, &request), 0u);
        ExpectCommonFields(settings);
        ExpectCommonFields(request);
        for (const TVTunerSettings* r : {&settings, &request}) {
            EXPECT_EQ(r->Frequency, kUntouched);
            EXPECT_EQ(r->AudioMode, kUntouched);
            EXPECT_EQ(r->Busy, kUntouched);
            EXPECT_EQ(r->SignalStrength, kUntouched);
            EXPECT_EQ(r->Result, kUntouched);
            EXPECT_EQ(r->Reserved0, kUntouched);
        }
    }
}

TEST_F(TunerPropertiesTest, GetAudioModeLastSetAndAvailable) {
    Open();
    FillModuleCopy();
    TVTunerSettings settings = Sentinel();
    TVTunerSettings request = Request(1);
    Get(&settings, &request);
    EXPECT_EQ(request.AudioMode, 0x31u);
    EXPECT_EQ(settings.AudioMode, 0x31u);

    Board().decoder.SetBroadcastSound(emu::kStereoSound);
    request = Request(2);
    Get(&settings, &request);
    EXPECT_EQ(request.AudioMode, 0x3u);
    EXPECT_EQ(settings.AudioMode, 0x3u);
    ExpectCommonFields(request);
}

TEST_F(TunerPropertiesTest, GetFrequencyWithPinByte) {
    struct Case {
        uint32_t pins[8];
        uint32_t mode;
    };
    const Case cases[] = {
        {{1, 0, 1, 0, 0, 1, 1, 1}, 0x85}, {{1, 0, 1, 0, 0, 1, 1, 0}, 0},
        {{1, 1, 1, 1, 1, 1, 1, 2}, 0}, // pin 7 must read exactly 1
        {{5, 0, 0, 7, 0, 0, 0, 1}, 0x89}, {{0, 0, 0, 0, 0, 0, 0, 1}, 0x80},
    };
    Open();
    FillModuleCopy();
    for (const Case& c : cases) {
        for (uint32_t pin = 0; pin < 8; ++pin) {
            host_->SetPinInput(pin, c.pins[pin]);
        }
        TVTunerSettings settings = Sentinel();
        TVTunerSettings request = Request(4);
        const size_t mark = Mark();
        Get(&settings, &request);
        EXPECT_EQ(request.Mode, c.mode);
        EXPECT_EQ(settings.Mode, 2u) << "the settings record keeps Mode";
        for (const TVTunerSettings* r : {&settings, &request}) {
            EXPECT_EQ(r->Frequency, 175250000u);
            EXPECT_EQ(r->TuneInfo1, 11u);
            EXPECT_EQ(r->TuneInfo2, 22u);
        }
        char line[80];
        std::snprintf(line, sizeof line, "pins -> 0=%u 1=%u 2=%u 3=%u 4=%u 5=%u 6=%u 7=%u\n",
                      c.pins[0], c.pins[1], c.pins[2], c.pins[3], c.pins[4], c.pins[5], c.pins[6],
                      c.pins[7]);
        EXPECT_EQ(TraceFrom(mark), line);
    }
}

TEST_F(TunerPropertiesTest, GetStatus) {
    struct Case {
        const char* name;
        int status; // forced status byte; -1: lock never comes
        uint32_t busy;
        int32_t pllOffset; // kUntouched as int when not reported
        uint32_t requestStrength;
        uint64_t waitedUs;
    };
    const int32_t untouched = static_cast<int32_t>(kUntouched);
    const Case cases[] = {
        {"locked, AFC 0", 0x80, 0, 0, 100, 0},
        {"locked, AFC 40", 0x80 | 40, 0, 2, 0, 0},
        {"locked, AFC -20", 0x80 | 108, 0, -1, 0, 0},
        {"never locked", 0x00, 1, untouched, 0, 2500000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        Open();
        FillModuleCopy();
        Board().demod.ForceStatus(static_cast<uint8_t>(c.status));
        TVTunerSettings settings = Sentinel();
        TVTunerSettings request = Request(6);
        const size_t mark = Mark();
        Get(&settings, &request);
        EXPECT_EQ(WaitedUsFrom(mark), c.waitedUs);
        EXPECT_EQ(request.Busy, c.busy);
        EXPECT_EQ(settings.Busy, c.busy);
        EXPECT_EQ(request.PllOffset, c.pllOffset);
        EXPECT_EQ(settings.PllOffset, c.pllOffset);
        const uint32_t frequency = c.busy == 0 ? 175250000u : kUntouched;
        EXPECT_EQ(request.Frequency, frequency);
        EXPECT_EQ(settings.Frequency, frequency);
        EXPECT_EQ(request.SignalStrength, c.requestStrength);
        EXPECT_EQ(settings.SignalStrength, 0u);
        ExpectCommonFields(request);
    }
}

TEST_F(TunerPropertiesTest, GetWithNoBoardOpen) {
    Load();
    FillModuleCopy();
    for (uint32_t pin = 0; pin < 8; ++pin) {
        host_->SetPinInput(pin, 1);
    }
    const size_t mark = Mark();
    TVTunerSettings settings = Sentinel();
    TVTunerSettings request = Request(6);
    Get(&settings, &request);
    EXPECT_EQ(request.Busy, 0u);
    EXPECT_EQ(settings.Busy, 0u);
    EXPECT_EQ(request.SignalStrength, 0u);
    EXPECT_EQ(request.PllOffset, static_cast<int32_t>(kUntouched));
    EXPECT_EQ(request.Frequency, kUntouched);

    request = Request(4);
    Get(&settings, &request);
    EXPECT_EQ(request.Mode, 0u) << "pins are not read and count as 0";
    EXPECT_EQ(request.Frequency, 175250000u);

    request = Request(2);
    Get(&settings, &request);
    EXPECT_EQ(request.AudioMode, 0x1u);
    EXPECT_EQ(TraceFrom(mark), "");
}

// The first set request of the module's life initialises tuner and decoder,
// whatever it asks for; later ones do not.
TEST_F(TunerPropertiesTest, FirstSetInitialisesOnce) {
    Open();
    size_t mark = Mark();
    Set(Request(6));
    EXPECT_EQ(g_bIsTvInitialized, 1);
    EXPECT_EQ(g_bIsScalerInitialized, 1);
    const std::string first = TraceFrom(mark);
    EXPECT_EQ(first.find("96 {21 C0}\nC2 {00 00 00 00 7C 04 A3 3F 2A 04 FF 00 00 40}\n"), 0u);
    EXPECT_NE(first.find("42["), std::string::npos) << "decoder registers initialised";

    Close();
    Open();
    mark = Mark();
    Set(Request(99));
    EXPECT_EQ(TraceFrom(mark), "");
}

// Set before any OpenBoard: the records are updated and the tuner counts as
// initialised, so a later open does not initialise it either.
TEST_F(TunerPropertiesTest, SetWithNoBoardOpen) {
    Load();
    const size_t mark = Mark();
    TVTunerSettings request = Request(4);
    request.Frequency = 175250000;
    TVTunerSettings settings = Sentinel();
    EXPECT_EQ(Set(&settings, &request), 0u);
    EXPECT_EQ(TraceFrom(mark), "");
    EXPECT_EQ(g_bIsTvInitialized, 1);
    EXPECT_EQ(settings.Frequency, 175250000u);
    EXPECT_EQ(g_TVTuner_Settings.Frequency, 175250000u);
    EXPECT_EQ(FrequencySet, 1);

    Open();
    const size_t opened = Mark();
    Set(Request(0));
    EXPECT_EQ(RenderFrom(opened, emu::IsTuner), "");
}

TEST_F(TunerPropertiesTest, SetAudioModeAcceptedAndRefused) {
    OpenReady();
    Board().decoder.SetBroadcastSound(emu::kStereoSound);
    TVTunerSettings request = Request(1);
    request.AudioMode = 0x2;
    Set(settings_, &request);
    EXPECT_EQ(request.Result, 1u);
    EXPECT_EQ(settings_->AudioMode, 0x2u);
    EXPECT_EQ(g_TVTuner_Settings.AudioMode, 0x2u);
    EXPECT_EQ(AudioModeSet, 1);

    Board().decoder.SetBroadcastSound(emu::kMonoSound);
    AudioModeSet = 0;
    request = Request(1);
    request.AudioMode = 0x20;
    Set(settings_, &request);
    EXPECT_EQ(request.Result, 0u);
    EXPECT_EQ(settings_->AudioMode, 0x2u);
    EXPECT_EQ(g_TVTuner_Settings.AudioMode, 0x2u);
    EXPECT_EQ(AudioModeSet, 1);
}

// The first Mode request after OpenBoard is stored even when equal; a repeat
// with the same value then does nothing at all.
TEST_F(TunerPropertiesTest, SetModeSkipsUnchanged) {
    OpenReady();
    const size_t mark = Mark();
    TVTunerSettings request = Request(2);
    request.Mode = 1;
    settings_->Mode = 7; // the host's record, scribbled
    Set(request);
    EXPECT_EQ(settings_->Mode, 1u);
    EXPECT_EQ(ModeSet, 1);

    settings_->Mode = 7;
    Set(request);
    EXPECT_EQ(settings_->Mode, 7u) << "unchanged: not stored again";

    request.Mode = 2;
    Set(request);
    EXPECT_EQ(settings_->Mode, 2u);
    EXPECT_EQ(g_TVTuner_Settings.Mode, 2u);
    EXPECT_EQ(TraceFrom(mark), "") << "Mode touches no hardware";
}

TEST_F(TunerPropertiesTest, SetVideoStandardAlwaysStoresAndSelects) {
    OpenReady();
    size_t mark = Mark();
    SetStandard(ks::AnalogVideo_PAL_I);
    EXPECT_EQ(settings_->VideoStandard, ks::AnalogVideo_PAL_I);
    EXPECT_EQ(g_TVTuner_Settings.VideoStandard, ks::AnalogVideo_PAL_I);
    EXPECT_EQ(VideoStandardSet, 1);
    EXPECT_EQ(RenderFrom(mark, emu::IsTuner), "96 {07 00}\n96 {07 00}\n96 {01 08}\n");

    settings_->VideoStandard = 0;
    mark = Mark();
    SetStandard(ks::AnalogVideo_PAL_I);
    EXPECT_EQ(settings_->VideoStandard, ks::AnalogVideo_PAL_I);
    EXPECT_EQ(RenderFrom(mark, emu::IsTuner), "");
    EXPECT_NE(TraceFrom(mark).find("42[108]"), std::string::npos) << "mode bits repeated";
}

// After OpenBoard the first frequency request tunes, even to the default;
// an unchanged frequency then sends nothing; another one tunes again.
TEST_F(TunerPropertiesTest, SetFrequencySkipsUnchanged) {
    OpenReady();
    size_t mark = Mark();
    SetFrequency(67250000);
    EXPECT_EQ(TraceFrom(mark).find("96 {01 81}\n"), 0u);
    EXPECT_GE(WaitedUsFrom(mark), 152000u);
    for (const TVTunerSettings* r : {settings_, &g_TVTuner_Settings}) {
        EXPECT_EQ(r->Frequency, 67250000u);
        EXPECT_EQ(r->TuneInfo1, 67250u);
        EXPECT_EQ(r->TuneInfo2, 9u);
    }
    EXPECT_EQ(FrequencySet, 1);

    mark = Mark();
    SetFrequency(67250000);
    EXPECT_EQ(TraceFrom(mark), "");

    mark = Mark();
    SetFrequency(175250000);
    EXPECT_NE(TraceFrom(mark).find("C2 {00 2D 40 40 52 91 8F 8F}"), std::string::npos)
        << TraceFrom(mark);
    EXPECT_EQ(settings_->Frequency, 175250000u);
}

TEST_F(TunerPropertiesTest, SecamLFollowsTheFrequency) {
    struct Step {
        uint32_t frequencyHz;
        uint32_t standardAfter;
        const char* selects; // IF traffic of the switch, before tuning
    };
    const Step steps[] = {
        {175250000, ks::AnalogVideo_SECAM_L, ""},
        {66000000, ks::AnalogVideo_SECAM_L, ""}, // exactly 66 MHz stays L
        {65999999, ks::AnalogVideo_SECAM_L1, "96 {07 00}\n96 {07 00}\n96 {01 40}\n"},
        {55250000, ks::AnalogVideo_SECAM_L1, ""},
        {66000000, ks::AnalogVideo_SECAM_L, "96 {07 00}\n96 {07 00}\n96 {01 20}\n"},
    };
    OpenReady();
    SetStandard(ks::AnalogVideo_SECAM_L);
    for (const Step& s : steps) {
        SCOPED_TRACE(s.frequencyHz);
        const size_t mark = Mark();
        SetFrequency(s.frequencyHz);
        EXPECT_EQ(g_TVTuner_Settings.VideoStandard, s.standardAfter);
        EXPECT_EQ(settings_->VideoStandard, ks::AnalogVideo_SECAM_L) << "host's record unchanged";
        const std::string expected =
            std::string(s.selects) +
            (s.standardAfter == ks::AnalogVideo_SECAM_L ? "96 {01 A0}\n" : "96 {01 C0}\n");
        EXPECT_EQ(RenderFrom(mark, emu::IsTuner).substr(0, expected.size()), expected);
        // Within the synthesizer's 31.25 kHz steps in this band.
        EXPECT_NEAR(Board().demod.TunedHz(), s.frequencyHz, 31250);
    }
}

TEST_F(TunerPropertiesTest, SetTunerInputStoresAndPrints) {
    OpenReady();
    SetStandard(ks::AnalogVideo_PAL_B);
    size_t mark = Mark();
    TVTunerSettings request = Request(5);
    request.TunerInput = 1;
    Set(request);
    EXPECT_EQ(settings_->TunerInput, 1u);
    EXPECT_EQ(g_TVTuner_Settings.TunerInput, 1u);
    EXPECT_EQ(TunerInputSet, 1);
    EXPECT_EQ(TraceFrom(mark), "dbg \"<ORVELSTRM.SYS> \"\n"
                               "dbg \"g_TVTuner_Settings.TunerInput = 1, "
                               "g_TVTuner_Settings.VideoStandard = 16\\n\"\n"
                               "dbg \"\\n\"\n");

    DbgFlags = 0;
    mark = Mark();
    request.TunerInput = 0;
    Set(request);
    EXPECT_EQ(settings_->TunerInput, 0u);
    EXPECT_EQ(TraceFrom(mark), "");
}

TEST_F(TunerPropertiesTest, SetWithNothingToDo) {
    OpenReady();
    for (uint32_t id : {0u, 6u, 7u, 0xFFFFFFFFu}) {
        TVTunerSettings settings = Sentinel();
        TVTunerSettings request = Request(id);
        const size_t mark = Mark();
        EXPECT_EQ(Set(&settings, &request), 0u);
        EXPECT_EQ(TraceFrom(mark), "") << id;
        TVTunerSettings untouched = Request(id);
        EXPECT_EQ(std::memcmp(&request, &untouched, sizeof(request)), 0) << id;
        untouched = Sentinel();
        EXPECT_EQ(std::memcmp(&settings, &untouched, sizeof(settings)), 0) << id;
    }
}

// A null record is never read or written through: a null settings record is
// skipped, a null request leaves nothing to answer.
TEST_F(TunerPropertiesTest, NullRecords) {
    OpenReady();
    FillModuleCopy();
    TVTunerSettings request = Request(4);
    EXPECT_EQ(Get(nullptr, &request), 0u);
    EXPECT_EQ(request.Frequency, 175250000u);
    EXPECT_EQ(Get(settings_, nullptr), 0u);

    request = Request(4);
    request.Frequency = 55250000;
    EXPECT_EQ(Set(nullptr, &request), 0u);
    EXPECT_EQ(g_TVTuner_Settings.Frequency, 55250000u);
    EXPECT_EQ(Board().demod.TunedHz(), 55250000u);

    for (uint32_t id : {1u, 2u, 3u, 5u, 6u}) {
        request = Request(id);
        EXPECT_EQ(Set(nullptr, &request), 0u) << id;
        EXPECT_EQ(Get(nullptr, &request), 0u) << id;
    }
    const size_t mark = Mark();
    EXPECT_EQ(Set(settings_, nullptr), 0u);
    EXPECT_EQ(TraceFrom(mark), "");
}
