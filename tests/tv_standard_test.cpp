// TV standard selection: the IF demodulator's standard code and offset, the
// decoder registers that follow the standard, the unchanged-standard path and
// the fallback to B.
#include "tuner_fixture.h"

#include "emu/decoder_trace.h"
#include "frame/ks_constants.h"
#include "frame/module_state.h"
#include "tuner/if_demod.h"
#include "video/decoder_video.h"

#include <cstring>

namespace {

using TvStandardTest = TunerTest;

} // namespace

// The whole change to PAL B, decoder traffic condensed to its field writes.
TEST_F(TvStandardTest, ChangeToPalBAsWholeTimeline) {
    Open();
    const size_t mark = Mark();
    EXPECT_EQ(SelectTvStandard(ks::AnalogVideo_PAL_B), 1u);
    EXPECT_EQ(decoder_trace::Summary(host_->Trace(), mark), "96 {07 00}\n"
                                                            "96 {07 00}\n"
                                                            "42[115..118] -> 00000000\n"
                                                            "42[115..118] <- 00000035\n"
                                                            "42[116..119] -> 00000000\n"
                                                            "42[116..119] <- 00000015\n"
                                                            "42[117..11A] -> 00000000\n"
                                                            "42[117..11A] <- 00000019\n"
                                                            "96 {01 02}\n"
                                                            "42[108..10B] -> 00000000\n"
                                                            "42[108..10B] <- 00000080\n"
                                                            "42[108..10B] -> 00000080\n"
                                                            "42[108..10B] <- 00000080\n"
                                                            "42[108..10B] -> 00000080\n"
                                                            "42[108..10B] <- 00000080\n"
                                                            "42[10E..111] -> 00000000\n"
                                                            "42[10E..111] <- 00000002\n"
                                                            "42[114..117] -> 19153500\n"
                                                            "42[114..117] <- 19153500\n");
}

TEST_F(TvStandardTest, EveryRowOfTheTable) {
    struct Row {
        uint32_t standard;
        uint8_t code;
        uint32_t offsetHz;
        uint8_t ntsc;
        uint8_t reg115;
        uint8_t reg116;
        uint32_t recorded; // CurrentTvStandard afterwards
    };
    constexpr uint32_t B = ks::AnalogVideo_PAL_B;
    const Row rows[] = {
        {ks::AnalogVideo_NTSC_M, 0x01, 5750000, 1, 0x04, 0x14, ks::AnalogVideo_NTSC_M},
        {ks::AnalogVideo_NTSC_M_J, 0x01, 5750000, 1, 0x04, 0x14, ks::AnalogVideo_NTSC_M_J},
        {ks::AnalogVideo_PAL_M, 0x01, 5750000, 0, 0x35, 0x15, ks::AnalogVideo_PAL_M},
        {ks::AnalogVideo_PAL_N, 0x01, 5750000, 0, 0x35, 0x15, ks::AnalogVideo_PAL_N},
        {ks::AnalogVideo_PAL_B, 0x02, 6750000, 0, 0x35, 0x15, ks::AnalogVideo_PAL_B},
        {ks::AnalogVideo_SECAM_B, 0x02, 6750000, 0, 0x35, 0x15, ks::AnalogVideo_SECAM_B},
        {ks::AnalogVideo_PAL_G, 0x04, 7750000, 0, 0x35, 0x15, ks::AnalogVideo_PAL_G},
        {ks::AnalogVideo_PAL_H, 0x04, 7750000, 0, 0x35, 0x15, ks::AnalogVideo_PAL_H},
        {ks::AnalogVideo_SECAM_G, 0x04, 7750000, 0, 0x35, 0x15, ks::AnalogVideo_SECAM_G},
        {ks::AnalogVideo_SECAM_H, 0x04, 7750000, 0, 0x35, 0x15, ks::AnalogVideo_SECAM_H},
        {ks::AnalogVideo_PAL_I, 0x08, 7750000, 0, 0x35, 0x15, ks::AnalogVideo_PAL_I},
        {ks::AnalogVideo_PAL_D, 0x10, 7750000, 0, 0x35, 0x15, ks::AnalogVideo_PAL_D},
        {ks::AnalogVideo_SECAM_D, 0x10, 7750000, 0, 0x35, 0x15, ks::AnalogVideo_SECAM_D},
        {ks::AnalogVideo_SECAM_L, 0x20, 7750000, 0, 0x35, 0x15, ks::AnalogVideo_SECAM_L},
        {ks::AnalogVideo_SECAM_L1, 0x40, 1750000, 0, 0x35, 0x15, ks::AnalogVideo_SECAM_L1},
        // Everything else is set up as B and recorded as PAL B.
        {ks::AnalogVideo_NTSC_433, 0x02, 6750000, 0, 0x35, 0x15, B},
        {ks::AnalogVideo_PAL_60, 0x02, 6750000, 0, 0x35, 0x15, B},
        {ks::AnalogVideo_SECAM_K, 0x02, 6750000, 0, 0x35, 0x15, B},
        {ks::AnalogVideo_SECAM_K1, 0x02, 6750000, 0, 0x35, 0x15, B},
        {ks::AnalogVideo_NTSC_M | ks::AnalogVideo_PAL_B, 0x02, 6750000, 0, 0x35, 0x15, B},
        {0x100000, 0x02, 6750000, 0, 0x35, 0x15, B},
        {0x80000000u, 0x02, 6750000, 0, 0x35, 0x15, B},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.standard);
        Fresh();
        Open();
        NtscSelected = 1 - r.ntsc; // must be overwritten
        const size_t mark = Mark();
        EXPECT_EQ(SelectTvStandard(r.standard), 1u);
        const bool fallback = r.recorded != r.standard;
        char expected[64];
        std::snprintf(expected, sizeof expected, "96 {07 00}\n%s96 {01 %02X}\n",
                      fallback ? "" : "96 {07 00}\n", r.code);
        EXPECT_EQ(RenderFrom(mark, emu::IsTuner), expected);
        EXPECT_EQ(IfStandardCode, r.code);
        EXPECT_EQ(IfOffsetHz, r.offsetHz);
        EXPECT_EQ(NtscSelected, r.ntsc);
        EXPECT_EQ(CurrentTvStandard, r.recorded);
        EXPECT_EQ(Board().decoder.Reg(0x115), r.reg115);
        EXPECT_EQ(Board().decoder.Reg(0x116), r.reg116);
        EXPECT_EQ(Board().decoder.Reg(0x117), 0x19);
        EXPECT_EQ(Board().demod.StandardCode(), r.code);
        EXPECT_EQ(g_TVTuner_Settings.VideoStandard, ks::AnalogVideo_NTSC_M) << "owned by the host";
    }
}

// The mode bits are applied whether or not the standard changed; an unchanged
// standard sends nothing to the IF demodulator and no standard registers.
TEST_F(TvStandardTest, UnchangedStandardRepeatsOnlyTheModeBits) {
    Open();
    SelectTvStandard(ks::AnalogVideo_SECAM_L);
    size_t mark = Mark();
    SetDecoderModeBits();
    const std::string modeBits = decoder_trace::Summary(host_->Trace(), mark);

    mark = Mark();
    EXPECT_EQ(SelectTvStandard(ks::AnalogVideo_SECAM_L), 1u);
    EXPECT_EQ(decoder_trace::Summary(host_->Trace(), mark), modeBits);
    EXPECT_NE(modeBits.find("42[114..117]"), std::string::npos);
}

TEST_F(TvStandardTest, ZeroRightAfterLoadIsTheUnchangedPath) {
    Open();
    size_t mark = Mark();
    EXPECT_EQ(SelectTvStandard(0), 1u);
    EXPECT_EQ(RenderFrom(mark, emu::IsTuner), "");
    EXPECT_EQ(Board().decoder.Reg(0x108), 0x80) << "mode bits applied";
    EXPECT_EQ(IfStandardCode, 0x01);
    EXPECT_EQ(IfOffsetHz, 5750000u);
}

TEST_F(TvStandardTest, Ntsc443FallsBackSoPalBIsUnchanged) {
    Open();
    SelectTvStandard(ks::AnalogVideo_NTSC_433);
    EXPECT_EQ(CurrentTvStandard, ks::AnalogVideo_PAL_B);
    EXPECT_EQ(IfOffsetHz, 6750000u);
    const size_t mark = Mark();
    EXPECT_EQ(SelectTvStandard(ks::AnalogVideo_PAL_B), 1u);
    EXPECT_EQ(RenderFrom(mark, emu::IsTuner), "");
    // Asking for NTSC 4.43 again is a change from the PAL B recorded.
    const size_t again = Mark();
    SelectTvStandard(ks::AnalogVideo_NTSC_433);
    EXPECT_EQ(RenderFrom(again, emu::IsTuner), "96 {07 00}\n96 {01 02}\n");
}

TEST_F(TvStandardTest, NothingWithoutBoard) {
    Load();
    const size_t mark = Mark();
    EXPECT_EQ(SelectTvStandard(ks::AnalogVideo_PAL_I), 0u);
    EXPECT_EQ(TraceFrom(mark), "");
    EXPECT_EQ(CurrentTvStandard, 0u);
    EXPECT_EQ(IfStandardCode, 0x01);
}

// The standard chosen shapes the tuning sequence that follows.
TEST_F(TvStandardTest, TuningFollowsTheSelectedStandard) {
    struct Case {
        uint32_t standard;
        uint32_t frequencyHz;
        const char* head;
        uint64_t oscillatorHz;
    };
    const Case cases[] = {
        {ks::AnalogVideo_NTSC_M, 67250000, "96 {01 81}\n96 {0F 88}\n96 {28 14}\n96 {05 04}\n",
         73000000},
        {ks::AnalogVideo_SECAM_L, 175250000, "96 {01 A0}\n96 {0F 88}\n96 {28 14}\n96 {05 02}\n",
         183000000},
        {ks::AnalogVideo_SECAM_L1, 55750000, "96 {01 C0}\n96 {0F 88}\n96 {28 14}\n96 {05 02}\n",
         57500000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.standard);
        Fresh();
        OpenInitialised();
        SelectTvStandard(c.standard);
        const size_t mark = Mark();
        TuneFrequency(c.frequencyHz);
        EXPECT_EQ(TunerFrom(mark).substr(0, std::strlen(c.head)), c.head);
        EXPECT_EQ(Board().synth.OscillatorHz(), c.oscillatorHz);
        EXPECT_EQ(Board().demod.TunedHz(), c.frequencyHz);
    }
}
