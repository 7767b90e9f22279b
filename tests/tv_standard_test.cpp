// TV standard selection: the IF demodulator's standard code and offset, the
// decoder registers that follow the standard, the fallback to B and the
// unchanged-standard path.
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
    EXPECT_EQ(SelectTvStandard(ks::AnalogVideo_PAL_B), 1u);
    sequences::ExpectMatches(decoder_trace::Summary(host_->Trace(), mark),
                             sequences::kTvStandardChange);
}

// Every standard of every row; everything else (NTSC 4.43, PAL 60, SECAM K
// and K1, combinations of bits, unknown bits) is set up as B without the
// second {07 00} and recorded as PAL B.
TEST_F(TvStandardTest, EveryRowOfTheTableAndTheFallbackToB) {
    using namespace ks;
    struct Row {
        std::vector<uint32_t> standards;
        uint8_t code;
        uint32_t offsetHz;
        uint8_t ntsc;
        uint8_t reg115;
        uint8_t reg116;
        bool fallback;
    };
    const Row rows[] = {
        {{AnalogVideo_NTSC_M, AnalogVideo_NTSC_M_J}, 0x01, 5750000, 1, 0x04, 0x14, false},
        {{AnalogVideo_PAL_M, AnalogVideo_PAL_N}, 0x01, 5750000, 0, 0x35, 0x15, false},
        {{AnalogVideo_PAL_B, AnalogVideo_SECAM_B}, 0x02, 6750000, 0, 0x35, 0x15, false},
        {{AnalogVideo_PAL_G, AnalogVideo_PAL_H, AnalogVideo_SECAM_G, AnalogVideo_SECAM_H},
         0x04,
         7750000,
         0,
         0x35,
         0x15,
         false},
        {{AnalogVideo_PAL_I}, 0x08, 7750000, 0, 0x35, 0x15, false},
        {{AnalogVideo_PAL_D, AnalogVideo_SECAM_D}, 0x10, 7750000, 0, 0x35, 0x15, false},
        {{AnalogVideo_SECAM_L}, 0x20, 7750000, 0, 0x35, 0x15, false},
        {{AnalogVideo_SECAM_L1}, 0x40, 1750000, 0, 0x35, 0x15, false},
        {{AnalogVideo_NTSC_433, AnalogVideo_PAL_60, AnalogVideo_SECAM_K, AnalogVideo_SECAM_K1,
          AnalogVideo_NTSC_M | AnalogVideo_PAL_B, 0x100000, 0x80000000u},
         0x02,
         6750000,
         0,
         0x35,
         0x15,
         true},
    };
    for (const Row& r : rows) {
        for (uint32_t standard : r.standards) {
            SCOPED_TRACE(Format("standard %X", standard));
            Fresh();
            Open();
            NtscSelected = 1 - r.ntsc; // must be overwritten
            const size_t mark = Mark();
            EXPECT_EQ(SelectTvStandard(standard), 1u);
            EXPECT_EQ(
                RenderFrom(mark, emu::IsTuner),
                Format("96 {07 00}\n%s96 {01 %02X}\n", r.fallback ? "" : "96 {07 00}\n", r.code));
            EXPECT_EQ(IfStandardCode, r.code);
            EXPECT_EQ(IfOffsetHz, r.offsetHz);
            EXPECT_EQ(NtscSelected, r.ntsc);
            EXPECT_EQ(CurrentTvStandard, r.fallback ? AnalogVideo_PAL_B : standard);
            EXPECT_EQ(Board().decoder.Reg(0x115), r.reg115);
            EXPECT_EQ(Board().decoder.Reg(0x116), r.reg116);
            EXPECT_EQ(Board().decoder.Reg(0x117), 0x19);
            EXPECT_EQ(g_TVTuner_Settings.VideoStandard, AnalogVideo_NTSC_M) << "the host's";
        }
    }
}

// A standard equal to the one last applied (0 at load, PAL B after a
// fallback) sends nothing to the IF demodulator and no standard registers,
// only the mode bits again.
TEST_F(TvStandardTest, UnchangedStandardRepeatsOnlyTheModeBits) {
    using namespace ks;
    struct Step {
        uint32_t standard;
        const char* ifTraffic;
        uint32_t recorded;
        uint32_t offsetHz;
    };
    const Step steps[] = {
        {0, "", 0, 5750000},
        {AnalogVideo_SECAM_L, "96 {07 00}\n96 {07 00}\n96 {01 20}\n", AnalogVideo_SECAM_L, 7750000},
        {AnalogVideo_SECAM_L, "", AnalogVideo_SECAM_L, 7750000},
        {AnalogVideo_NTSC_433, "96 {07 00}\n96 {01 02}\n", AnalogVideo_PAL_B, 6750000},
        {AnalogVideo_PAL_B, "", AnalogVideo_PAL_B, 6750000},
        {AnalogVideo_NTSC_433, "96 {07 00}\n96 {01 02}\n", AnalogVideo_PAL_B, 6750000},
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
