// TV standard selection: every standard tuned end to end on the emulated
// board, the decoder registers that follow the standard, the fallback to B
// and the unchanged-standard path.
#include "tuner_fixture.h"

#include "emu/decoder_trace.h"
#include "sequences.h"
#include "video/mode_bits.h"

#include <vector>

namespace {

using TvStandardTest = TunerTest;

} // namespace

// The whole change to PAL B from the load state, ending with the mode bits.
TEST_F(TvStandardTest, ChangeToPalBAsWholeTimeline) {
    Open();
    const size_t mark = Mark();
    EXPECT_EQ(SelectTvStandard(TVB_STANDARD_PAL_B), 1u);
    sequences::ExpectMatches(decoder_trace::Summary(host_->Trace(), mark),
                             sequences::kTvStandardChange);
}

// Every analog video standard bit, and the values the board sets up as PAL B
// (NTSC 4.43, PAL 60, SECAM K and K1, 0, several bits at once), chosen with a
// standard request and tuned onto a station of that standard (a PAL B station
// for those set up as B), through TunerOps only. The emulated demodulator
// receives only a station of its standard code, at its own IF offset for
// that code, so a wrong code or offset loses the lock or the AFC step; the
// sound modes show that the station received is the one meant. What the
// demodulator cannot show is checked as the rule it is: NTSC M and M J put
// 04, 14 in the decoder's 0x115, 0x116 and tune with the synthesizer's NTSC
// bit (R3 bit 5), every other standard 35, 15 without it; 0x117 is always 19;
// NTSC M J ends R6 at 6F, every other standard at 7F.
TEST_F(TvStandardTest, EveryStandardTunesItsStationEndToEnd) {
    const emu::Sound mono = emu::kMonoSound;
    const emu::Sound stereo = emu::kStereoSound;
    const emu::Sound dual = emu::kTwoLanguageSound;
    const emu::Sound triple{false, true, true};
    const uint32_t monoModes = TVB_AUDIO_MODE_MONO;
    const uint32_t stereoModes = TVB_AUDIO_MODE_MONO | TVB_AUDIO_MODE_STEREO;
    const uint32_t dualModes = TVB_AUDIO_MODE_MONO | TVB_AUDIO_MODE_LANG_A | TVB_AUDIO_MODE_LANG_B;
    const uint32_t tripleModes = dualModes | TVB_AUDIO_MODE_LANG_C;
    struct Case {
        uint32_t standard;
        uint32_t broadcast; // the station's standard
        uint32_t hz;
        emu::Sound sound;
        uint32_t modes;
        uint32_t before; // a standard selected first, so that this one is a change
    };
    const Case cases[] = {
        {TVB_STANDARD_NTSC_M, TVB_STANDARD_NTSC_M, 67250000, stereo, stereoModes, 0},
        {TVB_STANDARD_NTSC_M_J, TVB_STANDARD_NTSC_M_J, 91250000, mono, monoModes, 0},
        {TVB_STANDARD_PAL_M, TVB_STANDARD_PAL_M, 187250000, mono, monoModes, 0},
        {TVB_STANDARD_PAL_N, TVB_STANDARD_PAL_N, 211250000, dual, dualModes, 0},
        {TVB_STANDARD_PAL_B, TVB_STANDARD_PAL_B, 175250000, stereo, stereoModes, 0},
        {TVB_STANDARD_SECAM_B, TVB_STANDARD_SECAM_B, 189250000, mono, monoModes, 0},
        {TVB_STANDARD_PAL_G, TVB_STANDARD_PAL_G, 471250000, dual, dualModes, 0},
        {TVB_STANDARD_PAL_H, TVB_STANDARD_PAL_H, 503250000, triple, tripleModes, 0},
        {TVB_STANDARD_SECAM_G, TVB_STANDARD_SECAM_G, 607250000, dual, dualModes, 0},
        {TVB_STANDARD_SECAM_H, TVB_STANDARD_SECAM_H, 655250000, triple, tripleModes, 0},
        {TVB_STANDARD_PAL_I, TVB_STANDARD_PAL_I, 527250000, stereo, stereoModes, 0},
        {TVB_STANDARD_PAL_D, TVB_STANDARD_PAL_D, 77250000, mono, monoModes, 0},
        {TVB_STANDARD_SECAM_D, TVB_STANDARD_SECAM_D, 583250000, stereo, stereoModes, 0},
        {TVB_STANDARD_SECAM_L, TVB_STANDARD_SECAM_L, 815250000, dual, dualModes, 0},
        {TVB_STANDARD_SECAM_L1, TVB_STANDARD_SECAM_L1, 55750000, mono, monoModes, 0},
        // Set up as PAL B.
        {TVB_STANDARD_NTSC_433, TVB_STANDARD_PAL_B, 48250000, dual, dualModes, 0},
        {TVB_STANDARD_PAL_60, TVB_STANDARD_PAL_B, 224250000, stereo, stereoModes, 0},
        {TVB_STANDARD_SECAM_K, TVB_STANDARD_PAL_B, 703250000, mono, monoModes, 0},
        {TVB_STANDARD_SECAM_K1, TVB_STANDARD_PAL_B, 751250000, stereo, stereoModes, 0},
        {0, TVB_STANDARD_PAL_B, 839250000, stereo, stereoModes, TVB_STANDARD_NTSC_M},
        {TVB_STANDARD_NTSC_M | TVB_STANDARD_PAL_B, TVB_STANDARD_PAL_B, 143250000, triple,
         tripleModes, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Format("standard %X, station at %u Hz", c.standard, c.hz));
        Fresh();
        AddStation(c.hz, c.broadcast, c.sound);
        Open();
        if (c.before != 0) {
            SetStandard(c.before);
        }
        SetStandard(c.standard);
        Tune(c.hz);
        const TVTunerSettings status = Get(6);
        EXPECT_EQ(status.Busy, 0u);
        EXPECT_EQ(status.PllOffset, 0);
        EXPECT_EQ(status.SignalStrength, 100u);
        EXPECT_EQ(status.Frequency, c.hz);
        EXPECT_EQ(status.VideoStandard, c.standard) << "the host's request, as asked";
        EXPECT_EQ(Get(2).AudioMode, c.modes);

        const bool ntsc = c.standard == TVB_STANDARD_NTSC_M || c.standard == TVB_STANDARD_NTSC_M_J;
        EXPECT_EQ(Board().decoder.Reg(0x115), ntsc ? 0x04 : 0x35);
        EXPECT_EQ(Board().decoder.Reg(0x116), ntsc ? 0x14 : 0x15);
        EXPECT_EQ(Board().decoder.Reg(0x117), 0x19);
        EXPECT_EQ(Board().synth.Reg(3) & 0x20, ntsc ? 0x20 : 0x00) << "the NTSC bit";
        EXPECT_EQ(Board().synth.Reg(6), c.standard == TVB_STANDARD_NTSC_M_J ? 0x6F : 0x7F);
    }
}

// A value the board sets up as PAL B is recorded as PAL B: the demodulator is
// held once only (no second {07 00}) before it gets the B code, and a PAL B
// request after it sends nothing to the demodulator. Each is a change from
// NTSC M here (0 right after load is no change at all, see below).
TEST_F(TvStandardTest, FallbackIsRecordedAsPalBWithOneHold) {
    for (uint32_t standard :
         {TVB_STANDARD_NTSC_433, TVB_STANDARD_PAL_60, TVB_STANDARD_SECAM_K, TVB_STANDARD_SECAM_K1,
          0u, TVB_STANDARD_NTSC_M | TVB_STANDARD_PAL_B, 0x100000u, 0x80000000u}) {
        SCOPED_TRACE(Format("standard %X", standard));
        Fresh();
        Open();
        SetStandard(TVB_STANDARD_NTSC_M);
        size_t mark = Mark();
        SetStandard(standard);
        EXPECT_EQ(RenderFrom(mark, emu::IsTuner), "96 {07 00}\n96 {01 02}\n");
        mark = Mark();
        SetStandard(TVB_STANDARD_PAL_B);
        EXPECT_EQ(RenderFrom(mark, emu::IsTuner), "");
    }
}

// A standard equal to the one last applied (0 at load, PAL B after a
// fallback) sends nothing to the IF demodulator and no standard registers,
// only the mode bits again.
TEST_F(TvStandardTest, UnchangedStandardRepeatsOnlyTheModeBits) {
    struct Step {
        uint32_t standard;
        const char* ifTraffic;
        uint32_t recorded;
        uint32_t offsetHz;
    };
    const Step steps[] = {
        {0, "", 0, 5750000},
        {TVB_STANDARD_SECAM_L, "96 {07 00}\n96 {07 00}\n96 {01 20}\n", TVB_STANDARD_SECAM_L,
         7750000},
        {TVB_STANDARD_SECAM_L, "", TVB_STANDARD_SECAM_L, 7750000},
        {TVB_STANDARD_NTSC_433, "96 {07 00}\n96 {01 02}\n", TVB_STANDARD_PAL_B, 6750000},
        {TVB_STANDARD_PAL_B, "", TVB_STANDARD_PAL_B, 6750000},
        {TVB_STANDARD_NTSC_433, "96 {07 00}\n96 {01 02}\n", TVB_STANDARD_PAL_B, 6750000},
    };
    Open();
    SetDecoderModeBits(); // from here on a repeat reads what it writes
    for (const Step& s : steps) {
        SCOPED_TRACE(Format("standard %X", s.standard));
        size_t mark = Mark();
        SetDecoderModeBits();
        const std::string modeBits = decoder_trace::Summary(host_->Trace(), mark);
        mark = Mark();
        EXPECT_EQ(SelectTvStandard(s.standard), 1u);
        EXPECT_EQ(RenderFrom(mark, emu::IsTuner), s.ifTraffic);
        EXPECT_EQ(CurrentTvStandard, s.recorded);
        EXPECT_EQ(IfOffsetHz, s.offsetHz);
        if (*s.ifTraffic == '\0') {
            EXPECT_EQ(decoder_trace::Summary(host_->Trace(), mark), modeBits);
        }
    }
}
