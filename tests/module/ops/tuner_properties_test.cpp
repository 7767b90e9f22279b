// The tuner property interface as the host calls it through TunerOps: every
// RequestId in both directions, the set flags and the unchanged-value skips,
// the SECAM L / L' switch, the pin byte, and calls with no board open or with
// null records.
#include "tuner_fixture.h"

#include "emu/decoder_trace.h"
#include "sequences.h"

namespace {

class TunerPropertiesTest : public TunerTest {
  protected:
    // An open board past its one-time initialisation.
    void OpenReady() {
        Open();
        Set(Request(0));
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
    const TunerModeCaps untouched = {kUntouched, kUntouched, kUntouched, kUntouched, kUntouched};
    const std::pair<uint32_t, TunerModeCaps> cases[] = {
        {1, {40000000, 847000000, 62500, 2, 500}},
        {2, {88100000, 107900000, 200000, 1, 100}},
        {0, untouched},
        {3, untouched},
        {4, untouched},
    };
    const size_t mark = Mark();
    for (const auto& [mode, expected] : cases) {
        TunerModeCaps caps = untouched;
        EXPECT_EQ(caps_->TunerOps->GetTunerModeCaps(0, 0, mode, &caps), 0u);
        EXPECT_EQ(std::memcmp(&caps, &expected, sizeof caps), 0) << mode;
    }
    EXPECT_EQ(caps_->TunerOps->GetTunerModeCaps(0, 0, 1, nullptr), 0u);
    EXPECT_EQ(TraceFrom(mark), "");
}

// Every get answers the common fields into both records, and by RequestId:
// 1 the audio mode last set, 2 the modes the broadcast carries, 6 the lock
// status (Busy; once locked PllOffset and Frequency, and full signal strength
// in the request alone at AFC step 0). Everything else is left alone.
TEST_F(TunerPropertiesTest, GetAnswersByRequest) {
    struct Case {
        uint32_t id;
        uint8_t status; // the demodulator's
        uint32_t audioMode;
        uint32_t busy;
        uint32_t pllOffset;
        uint32_t frequency;
        uint32_t strength; // the request's
    };
    constexpr uint32_t U = kUntouched;
    const Case cases[] = {
        {0, 0x80, U, U, U, U, U},
        {1, 0x80, 0x31, U, U, U, U},
        {2, 0x80, 0x3, U, U, U, U},
        {3, 0x80, U, U, U, U, U},
        {5, 0x80, U, U, U, U, U},
        {7, 0x80, U, U, U, U, U},
        {16, 0x80, U, U, U, U, U},
        {0xFFFFFFFFu, 0x80, U, U, U, U, U},
        {6, 0x80, U, 0, 0, 175250000, 100},
        {6, 0x80 | 40, U, 0, 2, 175250000, 0},
        {6, 0x00, U, 1, U, U, 0},
        {6, 0x80 | 108, U, 0, static_cast<uint32_t>(-1), 175250000, 0},
    };
    Open();
    FillModuleCopy();
    Board().decoder.SetBroadcastSound(emu::kStereoSound);
    for (const Case& c : cases) {
        SCOPED_TRACE(Format("RequestId %u, status %02X", c.id, c.status));
        Board().demod.ForceStatus(c.status);
        TVTunerSettings settings = Request(kUntouched);
        TVTunerSettings request = Request(c.id);
        EXPECT_EQ(Get(&settings, &request), 0u);
        for (const TVTunerSettings* r : {&settings, &request}) {
            ExpectCommonFields(*r);
            EXPECT_EQ(r->AudioMode, c.audioMode);
            EXPECT_EQ(r->Busy, c.busy);
            EXPECT_EQ(static_cast<uint32_t>(r->PllOffset), c.pllOffset);
            EXPECT_EQ(r->Frequency, c.frequency);
            EXPECT_EQ(r->Result, kUntouched);
            EXPECT_EQ(r->Reserved0, kUntouched);
        }
        EXPECT_EQ(request.SignalStrength, c.strength);
        EXPECT_EQ(settings.SignalStrength, c.id == 6 ? 0u : kUntouched);
    }
}

// The pin byte goes to the request's Mode only: bit i for a nonzero pin i,
// bits 6 and 5 cleared, and 0 unless pin 7 reads exactly 1.
TEST_F(TunerPropertiesTest, GetFrequencyWithPinByte) {
    struct Case {
        uint32_t pins[8];
        uint32_t mode;
    };
    const Case cases[] = {
        {{1, 0, 1, 0, 0, 1, 1, 1}, 0x85}, {{1, 0, 1, 0, 0, 1, 1, 0}, 0},
        {{1, 1, 1, 1, 1, 1, 1, 2}, 0},    {{5, 0, 0, 7, 0, 0, 0, 1}, 0x89},
        {{0, 0, 0, 0, 0, 0, 0, 1}, 0x80},
    };
    Open();
    FillModuleCopy();
    for (const Case& c : cases) {
        const uint32_t* p = c.pins;
        for (uint32_t pin = 0; pin < 8; ++pin) {
            host_->SetPinInput(pin, p[pin]);
        }
        TVTunerSettings settings = Request(kUntouched);
        TVTunerSettings request = Request(4);
        const size_t mark = Mark();
        Get(&settings, &request);
        EXPECT_EQ(TraceFrom(mark), Format("pins -> 0=%u 1=%u 2=%u 3=%u 4=%u 5=%u 6=%u 7=%u\n", p[0],
                                          p[1], p[2], p[3], p[4], p[5], p[6], p[7]));
        EXPECT_EQ(request.Mode, c.mode);
        EXPECT_EQ(settings.Mode, 2u) << "the settings record keeps Mode";
        for (const TVTunerSettings* r : {&settings, &request}) {
            EXPECT_EQ(r->Frequency, 175250000u);
            EXPECT_EQ(r->TuneInfo1, 11u);
            EXPECT_EQ(r->TuneInfo2, 22u);
        }
    }
}

// With no board open the records and the module's copy still follow the
// requests, while the tuner's one-time initialisation waits for a board.
// Gets answer from the module's copy: the status as not busy and nothing
// more, the pins as 0.
TEST_F(TunerPropertiesTest, NoBoardOpen) {
    Load();
    FillModuleCopy();
    for (uint32_t pin = 0; pin < 8; ++pin) {
        host_->SetPinInput(pin, 1);
    }
    const size_t mark = Mark();
    TVTunerSettings settings = Request(kUntouched);
    TVTunerSettings request = Request(4, &TVTunerSettings::Frequency, 55250000);
    EXPECT_EQ(Set(&settings, &request), 0u);
    EXPECT_EQ(g_bIsTvInitialized, 0);
    EXPECT_EQ(FrequencySet, 1);
    EXPECT_EQ(settings.Frequency, 55250000u);
    EXPECT_EQ(g_TVTuner_Settings.Frequency, 55250000u);

    request = Request(6);
    Get(&settings, &request);
    EXPECT_EQ(request.Busy, 0u);
    EXPECT_EQ(settings.Busy, 0u);
    EXPECT_EQ(request.SignalStrength, 0u);
    EXPECT_EQ(request.PllOffset, static_cast<int32_t>(kUntouched));
    EXPECT_EQ(request.Frequency, kUntouched);
    request = Request(4);
    Get(&settings, &request);
    EXPECT_EQ(request.Mode, 0u);
    EXPECT_EQ(request.Frequency, 55250000u);
    request = Request(2);
    Get(&settings, &request);
    EXPECT_EQ(request.AudioMode, 0x1u);
    EXPECT_EQ(TraceFrom(mark), "");

    Open();
    const size_t opened = Mark();
    Set(Request(0));
    EXPECT_EQ(sequences::Condense(RenderFrom(opened, emu::IsTuner))
                  .find(sequences::NamedLine(sequences::kTunerStartUp)),
              0u)
        << "initialised now";
    EXPECT_EQ(g_bIsTvInitialized, 1);
}

// The first set request of the module's life initialises tuner and decoder,
// whatever it asks for; later ones do not, also after a new open. Requests
// with nothing to set then touch neither the hardware nor the records.
TEST_F(TunerPropertiesTest, FirstSetInitialisesOnce) {
    Open();
    const size_t mark = Mark();
    Set(Request(6));
    EXPECT_EQ(g_bIsTvInitialized, 1);
    EXPECT_EQ(g_bIsScalerInitialized, 1);
    const std::string first = sequences::Condense(decoder_trace::Summary(host_->Trace(), mark));
    EXPECT_EQ(first.find(sequences::NamedLine(sequences::kTunerStartUp)), 0u);
    EXPECT_NE(first.find(sequences::NamedLine(sequences::kDecoderRegisters)), std::string::npos)
        << "decoder registers initialised";

    Close();
    Open();
    for (uint32_t id : {0u, 6u, 7u, 99u, 0xFFFFFFFFu}) {
        TVTunerSettings settings = Request(kUntouched);
        TVTunerSettings request = Request(id);
        const TVTunerSettings before[2] = {settings, request};
        const size_t again = Mark();
        EXPECT_EQ(Set(&settings, &request), 0u);
        EXPECT_EQ(TraceFrom(again), "") << id;
        EXPECT_EQ(std::memcmp(&settings, &before[0], sizeof settings), 0) << id;
        EXPECT_EQ(std::memcmp(&request, &before[1], sizeof request), 0) << id;
    }
}

// A two-language broadcast: one mode accepted and stored, one refused
// (Result 0, nothing stored, the flag set all the same).
TEST_F(TunerPropertiesTest, SetAudioModeAcceptedAndRefused) {
    OpenReady();
    Board().decoder.SetBroadcastSound(emu::kTwoLanguageSound);
    EXPECT_EQ(Get(2).AudioMode, 0x31u);
    EXPECT_EQ(Set(Request(1, &TVTunerSettings::AudioMode, TVB_AUDIO_MODE_LANG_B)).Result, 1u);
    EXPECT_EQ(AudioModeSet, 1);
    AudioModeSet = 0;
    EXPECT_EQ(Set(Request(1, &TVTunerSettings::AudioMode, TVB_AUDIO_MODE_STEREO)).Result, 0u);
    EXPECT_EQ(AudioModeSet, 1);
    EXPECT_EQ(settings_->AudioMode, TVB_AUDIO_MODE_LANG_B);
    EXPECT_EQ(g_TVTuner_Settings.AudioMode, TVB_AUDIO_MODE_LANG_B);
    EXPECT_EQ(Get(1).AudioMode, TVB_AUDIO_MODE_LANG_B);
}

// The first Mode request after OpenBoard is stored even when equal; a repeat
// with the same value then does nothing at all. Mode touches no hardware.
TEST_F(TunerPropertiesTest, SetModeSkipsUnchanged) {
    OpenReady();
    const size_t mark = Mark();
    settings_->Mode = 7; // the host's record, scribbled
    Set(Request(2, &TVTunerSettings::Mode, 1));
    EXPECT_EQ(settings_->Mode, 1u);
    EXPECT_EQ(ModeSet, 1);
    settings_->Mode = 7;
    Set(Request(2, &TVTunerSettings::Mode, 1));
    EXPECT_EQ(settings_->Mode, 7u) << "unchanged: not stored again";
    Set(Request(2, &TVTunerSettings::Mode, 2));
    EXPECT_EQ(settings_->Mode, 2u);
    EXPECT_EQ(g_TVTuner_Settings.Mode, 2u);
    EXPECT_EQ(TraceFrom(mark), "");
}

// Always stored and selected; an unchanged standard then sends nothing to the
// IF demodulator but the mode bits again.
TEST_F(TunerPropertiesTest, SetVideoStandardAlwaysStoresAndSelects) {
    OpenReady();
    size_t mark = Mark();
    SetStandard(TVB_STANDARD_PAL_I);
    EXPECT_EQ(settings_->VideoStandard, TVB_STANDARD_PAL_I);
    EXPECT_EQ(g_TVTuner_Settings.VideoStandard, TVB_STANDARD_PAL_I);
    EXPECT_EQ(VideoStandardSet, 1);
    EXPECT_EQ(RenderFrom(mark, emu::IsTuner), "96 {07 00}\n96 {07 00}\n96 {01 08}\n");

    settings_->VideoStandard = 0;
    mark = Mark();
    SetStandard(TVB_STANDARD_PAL_I);
    EXPECT_EQ(settings_->VideoStandard, TVB_STANDARD_PAL_I);
    EXPECT_EQ(RenderFrom(mark, emu::IsTuner), "");
    EXPECT_NE(TraceFrom(mark).find("42[108]"), std::string::npos) << "mode bits repeated";
}

// After OpenBoard the first frequency request tunes, even to the default;
// an unchanged frequency then sends nothing; another one tunes again.
TEST_F(TunerPropertiesTest, SetFrequencySkipsUnchanged) {
    OpenReady();
    size_t mark = Mark();
    Tune(67250000);
    EXPECT_EQ(TraceFrom(mark).find("96 {01 81}\n"), 0u);
    EXPECT_GE(WaitedUsFrom(mark), 152000u);
    for (const TVTunerSettings* r : {settings_, &g_TVTuner_Settings}) {
        EXPECT_EQ(r->Frequency, 67250000u);
        EXPECT_EQ(r->TuneInfo1, 67250u);
        EXPECT_EQ(r->TuneInfo2, 9u);
    }
    EXPECT_EQ(FrequencySet, 1);

    mark = Mark();
    Tune(67250000);
    EXPECT_EQ(TraceFrom(mark), "");

    mark = Mark();
    Tune(175250000);
    EXPECT_NE(TraceFrom(mark).find("C2 {00 2D 40 40 52 91 8F 8F}"), std::string::npos);
    EXPECT_EQ(settings_->Frequency, 175250000u);
}

// A standard request that changes what tuning depends on (the IF code or
// offset, the NTSC bit, NTSC M J's synthesizer bytes) makes the next request
// for the same frequency tune again, for the new standard; one that changes
// none of it leaves the same frequency skipped.
TEST_F(TunerPropertiesTest, SameFrequencyRetunedAfterAStandardChangesTheTuning) {
    struct Case {
        uint32_t from, to;
        uint32_t offsetHz; // the new standard's IF offset; 0: not tuned again
    };
    const Case cases[] = {
        {TVB_STANDARD_PAL_B, TVB_STANDARD_PAL_G, 7750000},     // offset and code
        {TVB_STANDARD_PAL_I, TVB_STANDARD_PAL_D, 7750000},     // code only
        {TVB_STANDARD_NTSC_M, TVB_STANDARD_PAL_M, 5750000},    // NTSC bit only
        {TVB_STANDARD_NTSC_M, TVB_STANDARD_NTSC_M_J, 5750000}, // R6 bytes only
        {TVB_STANDARD_NTSC_M_J, TVB_STANDARD_NTSC_M, 5750000},
        {TVB_STANDARD_PAL_G, TVB_STANDARD_PAL_H, 0},
        {TVB_STANDARD_PAL_B, TVB_STANDARD_SECAM_B, 0},
        {TVB_STANDARD_PAL_B, TVB_STANDARD_NTSC_433, 0}, // set up as B
        {TVB_STANDARD_PAL_M, TVB_STANDARD_PAL_N, 0},
        {TVB_STANDARD_PAL_B, TVB_STANDARD_PAL_B, 0},
    };
    constexpr uint32_t kHz = 175250000;
    for (const Case& c : cases) {
        SCOPED_TRACE(Format("%X to %X", c.from, c.to));
        Fresh();
        OpenReady();
        SetStandard(c.from);
        Tune(kHz);
        SetStandard(c.to);
        const size_t mark = Mark();
        Tune(kHz);
        const std::string tuner = RenderFrom(mark, emu::IsTuner);
        if (c.offsetHz == 0) {
            EXPECT_EQ(tuner, "");
            continue;
        }
        EXPECT_EQ(tuner.find(Format("96 {01 %02X}\n", IfStandardCode | 0x80)), 0u);
        EXPECT_EQ(Board().synth.OscillatorHz(), uint64_t{kHz} + c.offsetHz);
        EXPECT_NE(tuner.find(c.to == TVB_STANDARD_NTSC_M_J ? "C2 {60 AF}" : "C2 {60 BF}"),
                  std::string::npos);
        const size_t again = Mark();
        Tune(kHz);
        EXPECT_EQ(TraceFrom(again), "") << "tuned for the new standard: skipped again";
    }
}

// After SECAM L is chosen again, a station below 66 MHz is tuned again as L'
// even though its frequency is the one stored.
TEST_F(TunerPropertiesTest, SecamLChosenAgainTunesTheSameStationAsLPrime) {
    OpenReady();
    AddStation(55250000, TVB_STANDARD_SECAM_L1);
    SetStandard(TVB_STANDARD_SECAM_L);
    Tune(55250000);
    ASSERT_NE(Board().demod.Receiving(), nullptr);
    SetStandard(TVB_STANDARD_SECAM_L);
    EXPECT_EQ(Board().demod.Receiving(), nullptr) << "the demodulator is on L now";
    const size_t mark = Mark();
    Tune(55250000);
    EXPECT_EQ(
        RenderFrom(mark, emu::IsTuner).find("96 {07 00}\n96 {07 00}\n96 {01 40}\n96 {01 C0}\n"),
        0u);
    EXPECT_EQ(g_TVTuner_Settings.VideoStandard, TVB_STANDARD_SECAM_L1);
    EXPECT_NE(Board().demod.Receiving(), nullptr);
}

// A frequency whose oscillator frequency lies above the band table is
// refused: the demodulator is prepared as for any tuning and the message
// printed, but nothing is stored, so both records and every later answer keep
// the station actually tuned. The frequency still stored is tuned again on
// request, since the refused request rewrote the demodulator's settings.
TEST_F(TunerPropertiesTest, FrequencyAboveTheBandTableIsNotStored) {
    struct Case {
        uint32_t hz;
        bool stored;
    };
    const Case cases[] = {
        {858250000, true}, // plus 6.75 MHz: exactly the table's end
        {858250001, false},
        {0xFFFFFFFFu, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hz);
        Fresh();
        OpenReady();
        AddStation(175250000, TVB_STANDARD_PAL_B);
        SetStandard(TVB_STANDARD_PAL_B);
        Tune(175250000);
        const size_t mark = Mark();
        Tune(c.hz);
        const std::string trace = TunerFrom(mark);
        EXPECT_EQ(trace.find("96 {01 82}\n96 {0F 88}\n96 {28 14}\n96 {05 04}\n96 {0D 47}\n"), 0u);
        const uint32_t now = c.stored ? c.hz : 175250000;
        for (const TVTunerSettings* r : {settings_, &g_TVTuner_Settings}) {
            EXPECT_EQ(r->Frequency, now);
            EXPECT_EQ(r->TuneInfo1, now / 1000);
        }
        if (c.stored) {
            continue;
        }
        EXPECT_NE(trace.find("synthesizer not programmed"), std::string::npos);
        EXPECT_EQ(Get(4).Frequency, 175250000u);
        const TVTunerSettings status = Get(6);
        EXPECT_EQ(status.Busy, 0u);
        EXPECT_EQ(status.Frequency, 175250000u);
        const size_t again = Mark();
        Tune(175250000);
        EXPECT_NE(TraceFrom(again).find("C2 {00 2D 80 40 52 91 8F 8F}"), std::string::npos);
    }

    // Without a board the refused frequency is not stored either.
    Fresh();
    Load();
    const uint32_t before = g_TVTuner_Settings.Frequency;
    Tune(860000000);
    EXPECT_EQ(g_TVTuner_Settings.Frequency, before);
    EXPECT_EQ(FrequencySet, 0);
}

// A board opened before the host handed in its table: the frequency request
// is stored but reaches nothing. Once the table is there, the same frequency
// initialises the tuner and tunes, instead of being skipped as set.
TEST_F(TunerPropertiesTest, FrequencyStoredWithoutReachingTheBoardIsTunedLater) {
    AddStation(175250000, TVB_STANDARD_NTSC_M);
    HandIn(nullptr);
    Open();
    const size_t mark = Mark();
    Tune(175250000);
    EXPECT_EQ(TraceFrom(mark), "");
    EXPECT_EQ(settings_->Frequency, 175250000u);

    HandIn(host_->Ops());
    Tune(175250000);
    EXPECT_NE(TraceFrom(mark).find("C2 {00 2D 40 40 52 91 8F 8F}"), std::string::npos);
    EXPECT_EQ(Get(6).Busy, 0u);
    const size_t again = Mark();
    Tune(175250000);
    EXPECT_EQ(TraceFrom(again), "") << "tuned now: skipped";
}

// SECAM L below 66 MHz is broadcast as L': the module's standard follows the
// frequency (selected before tuning), the host's record keeps L.
TEST_F(TunerPropertiesTest, SecamLFollowsTheFrequency) {
    struct Step {
        uint32_t frequencyHz;
        uint32_t standardAfter;
        const char* selects; // IF traffic of the switch, before tuning
        bool station;
    };
    const Step steps[] = {
        {175250000, TVB_STANDARD_SECAM_L, "", true},
        {66000000, TVB_STANDARD_SECAM_L, "", false}, // exactly 66 MHz stays L
        {65999999, TVB_STANDARD_SECAM_L1, "96 {07 00}\n96 {07 00}\n96 {01 40}\n", false},
        {55250000, TVB_STANDARD_SECAM_L1, "", true},
        {66000000, TVB_STANDARD_SECAM_L, "96 {07 00}\n96 {07 00}\n96 {01 20}\n", false},
    };
    OpenReady();
    AddStation(175250000, TVB_STANDARD_SECAM_L);
    AddStation(55250000, TVB_STANDARD_SECAM_L1);
    SetStandard(TVB_STANDARD_SECAM_L);
    for (const Step& s : steps) {
        SCOPED_TRACE(s.frequencyHz);
        const size_t mark = Mark();
        Tune(s.frequencyHz);
        EXPECT_EQ(g_TVTuner_Settings.VideoStandard, s.standardAfter);
        EXPECT_EQ(settings_->VideoStandard, TVB_STANDARD_SECAM_L);
        const std::string expected =
            std::string(s.selects) +
            (s.standardAfter == TVB_STANDARD_SECAM_L ? "96 {01 A0}\n" : "96 {01 C0}\n");
        EXPECT_EQ(RenderFrom(mark, emu::IsTuner).substr(0, expected.size()), expected);
        // Within the synthesizer's 31.25 kHz steps in this band.
        EXPECT_NEAR(Board().demod.TunedHz(), s.frequencyHz, 31250);
        EXPECT_EQ(Board().demod.Receiving() != nullptr, s.station);
    }
}

TEST_F(TunerPropertiesTest, SetTunerInputStoresAndPrints) {
    OpenReady();
    SetStandard(TVB_STANDARD_PAL_B);
    size_t mark = Mark();
    Set(Request(5, &TVTunerSettings::TunerInput, 1));
    EXPECT_EQ(settings_->TunerInput, 1u);
    EXPECT_EQ(g_TVTuner_Settings.TunerInput, 1u);
    EXPECT_EQ(TunerInputSet, 1);
    EXPECT_EQ(TraceFrom(mark), "dbg \"<ORVELSTRM.SYS> \"\n"
                               "dbg \"g_TVTuner_Settings.TunerInput = 1, "
                               "g_TVTuner_Settings.VideoStandard = 16\\n\"\n"
                               "dbg \"\\n\"\n");
    DbgFlags = 0;
    mark = Mark();
    Set(Request(5, &TVTunerSettings::TunerInput, 0));
    EXPECT_EQ(settings_->TunerInput, 0u);
    EXPECT_EQ(TraceFrom(mark), "");
}

// A null record is never read or written through: a null settings record is
// skipped (also in a status answer that goes all the way), a null request
// leaves nothing to answer.
TEST_F(TunerPropertiesTest, NullRecords) {
    OpenReady();
    FillModuleCopy();
    Board().demod.ForceStatus(0x80);
    TVTunerSettings request = Request(4);
    EXPECT_EQ(Get(nullptr, &request), 0u);
    EXPECT_EQ(request.Frequency, 175250000u);
    EXPECT_EQ(Get(settings_, nullptr), 0u);

    request = Request(4, &TVTunerSettings::Frequency, 55250000);
    EXPECT_EQ(Set(nullptr, &request), 0u);
    EXPECT_EQ(g_TVTuner_Settings.Frequency, 55250000u);
    EXPECT_EQ(Board().demod.TunedHz(), 55250000u);

    for (uint32_t id : {1u, 2u, 3u, 5u, 6u}) {
        request = Request(id);
        EXPECT_EQ(Set(nullptr, &request), 0u) << id;
        EXPECT_EQ(Get(nullptr, &request), 0u) << id;
    }
    EXPECT_EQ(request.PllOffset, 0);
    const size_t mark = Mark();
    EXPECT_EQ(Set(settings_, nullptr), 0u);
    EXPECT_EQ(TraceFrom(mark), "");
}
