// What the emulated tuner receives from the antenna: the frequency the
// demodulator is tuned to by standard code and oscillator, which station it
// takes, lock and AFC in its status register, the level, and the sound of
// the station reaching the decoder.
#include "emu/board.h"
#include "emu/host_table.h"
#include "include/tvboard.h"
#include "regmap/decoder_map.h"
#include "regmap/if_demod_map.h"
#include "regmap/synth_map.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

namespace ifd = regmap::if_demod;
namespace sm = regmap::synth;

// 182 MHz of oscillator, minus the B standard's 6.75 MHz.
constexpr uint64_t kOscillatorHz = 182000000;
constexpr uint32_t kTunedHz = 175250000;

class EmuReceptionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DemodWrite({ifd::kGate, ifd::kGateOpen});
        DemodWrite({ifd::kStandard, ifd::kCodeB | ifd::kTuningFlag});
        SetOscillator(kOscillatorHz);
    }

    void DemodWrite(std::vector<uint8_t> bytes) {
        ASSERT_TRUE(board_.demod.Write(bytes.data(), bytes.size()));
    }
    uint8_t DemodRead(uint8_t reg) {
        DemodWrite({reg});
        uint8_t v = 0xEE;
        EXPECT_TRUE(board_.demod.Read(&v, 1));
        return v;
    }
    uint8_t Status() { return DemodRead(ifd::kStatus); }
    uint8_t Level() { return DemodRead(ifd::kLevel); }

    // The divider for `hz` with the largest exponent whose oscillator one of
    // the synthesizer's oscillators can run (182 MHz: 2^2 x 182 = 728 MHz, the
    // 590..750 MHz oscillator), on its 250 kHz / 2^k grid.
    void SetOscillator(uint64_t hz) {
        struct Range {
            uint8_t select;
            uint64_t low, high;
        };
        const Range ranges[] = {{6, 300000000, 500000000},
                                {7, 480000000, 540000000},
                                {1, 520000000, 610000000},
                                {2, 590000000, 750000000},
                                {3, 730000000, 910000000}};
        for (int k = 3; k >= 0; --k) {
            const uint64_t vco = hz << k;
            for (const Range& r : ranges) {
                if (vco < r.low || vco > r.high || vco % 250000 != 0) {
                    continue;
                }
                const uint32_t n = static_cast<uint32_t>(vco / 250000);
                const uint8_t divider[] = {sm::SubAddress(sm::kDividerHigh),
                                           static_cast<uint8_t>(n >> 6),
                                           static_cast<uint8_t>(n << 2)};
                const uint8_t band[] = {
                    sm::SubAddress(sm::kBand),
                    static_cast<uint8_t>(k << sm::kDividerExpShift | r.select << 3)};
                ASSERT_TRUE(board_.synth.Write(divider, sizeof divider));
                ASSERT_TRUE(board_.synth.Write(band, sizeof band));
                ASSERT_TRUE(board_.synth.Locked());
                return;
            }
        }
        FAIL() << hz << " Hz cannot be programmed";
    }
    void AddStation(int64_t offsetHz, uint32_t standard = TVB_STANDARD_PAL_B,
                    emu::Sound sound = emu::kMonoSound, uint8_t strength = 200) {
        board_.antenna.Add({static_cast<uint32_t>(kTunedHz + offsetHz), standard, sound, strength});
    }

    emu::HostTable host_;
    emu::Board board_{host_};
};

// The demodulator's own IF offset per standard code; a code it does not know
// (or a combination) tunes it nowhere.
TEST_F(EmuReceptionTest, TheTunedFrequencyIsTheOscillatorLessTheCodesIf) {
    struct Case {
        uint8_t code;
        uint32_t tunedHz;
    };
    const Case cases[] = {
        {ifd::kCodeMN, 176250000},
        {ifd::kCodeB, 175250000},
        {ifd::kCodeGH, 174250000},
        {ifd::kCodeI, 174250000},
        {ifd::kCodeD, 174250000},
        {ifd::kCodeL, 174250000},
        {ifd::kCodeL1, 180250000},
        {0x00, 0},
        {0x03, 0},
        {0x7F, 0},
    };
    for (const Case& c : cases) {
        DemodWrite({ifd::kStandard, c.code});
        EXPECT_EQ(board_.demod.TunedHz(), c.tunedHz) << std::hex << int{c.code};
    }
    // With no oscillator chosen the loop cannot lock: no frequency at all.
    DemodWrite({ifd::kStandard, ifd::kCodeB});
    const uint8_t noOscillator[] = {sm::SubAddress(sm::kBand), 2 << sm::kDividerExpShift};
    ASSERT_TRUE(board_.synth.Write(noOscillator, sizeof noOscillator));
    EXPECT_FALSE(board_.synth.Locked());
    EXPECT_EQ(board_.demod.TunedHz(), 0u) << "the loop is not locked";
}

// Which broadcasts each standard code takes: standards a code does not
// demodulate are not received even on the right frequency.
TEST_F(EmuReceptionTest, EachCodeReceivesItsOwnStandardsOnly) {
    struct Case {
        uint32_t standard;
        uint8_t code; // 0: no code receives it
    };
    const Case cases[] = {
        {TVB_STANDARD_NTSC_M, ifd::kCodeMN},
        {TVB_STANDARD_NTSC_M_J, ifd::kCodeMN},
        {TVB_STANDARD_PAL_M, ifd::kCodeMN},
        {TVB_STANDARD_PAL_N, ifd::kCodeMN},
        {TVB_STANDARD_PAL_B, ifd::kCodeB},
        {TVB_STANDARD_SECAM_B, ifd::kCodeB},
        {TVB_STANDARD_PAL_G, ifd::kCodeGH},
        {TVB_STANDARD_PAL_H, ifd::kCodeGH},
        {TVB_STANDARD_SECAM_G, ifd::kCodeGH},
        {TVB_STANDARD_SECAM_H, ifd::kCodeGH},
        {TVB_STANDARD_PAL_I, ifd::kCodeI},
        {TVB_STANDARD_PAL_D, ifd::kCodeD},
        {TVB_STANDARD_SECAM_D, ifd::kCodeD},
        {TVB_STANDARD_SECAM_L, ifd::kCodeL},
        {TVB_STANDARD_SECAM_L1, ifd::kCodeL1},
        {TVB_STANDARD_NTSC_433, 0},
        {TVB_STANDARD_PAL_60, 0},
        {TVB_STANDARD_SECAM_K, 0},
        {TVB_STANDARD_SECAM_K1, 0},
        {TVB_STANDARD_PAL_B | TVB_STANDARD_PAL_G, 0},
    };
    const uint8_t codes[] = {ifd::kCodeMN, ifd::kCodeB, ifd::kCodeGH, ifd::kCodeI,
                             ifd::kCodeD,  ifd::kCodeL, ifd::kCodeL1};
    for (const Case& c : cases) {
        EXPECT_EQ(emu::IfDemod::CodeOf(c.standard), c.code) << std::hex << c.standard;
        board_.antenna.Clear();
        for (uint8_t code : codes) {
            DemodWrite({ifd::kStandard, code});
            // The station sits where this code's IF puts the tuned frequency.
            board_.antenna.Clear();
            board_.antenna.Add({board_.demod.TunedHz(), c.standard, emu::kMonoSound, 200});
            EXPECT_EQ(Status(), code == c.code ? ifd::kLockBit : 0)
                << std::hex << "standard " << c.standard << " code " << int{code};
        }
    }
}

// The AFC value is the station's offset above the tuned frequency in units
// of 3125 Hz, truncated toward zero, as a 7-bit two's-complement number; the
// capture range is 200 kHz either way.
TEST_F(EmuReceptionTest, LockAndAfcFollowTheStationsOffset) {
    struct Case {
        int64_t offsetHz;
        uint8_t status;
    };
    const Case cases[] = {
        {0, 0x80},       {3124, 0x80},   {3125, 0x81},    {-3124, 0x80},   {-3125, 0xFF},
        {59374, 0x92},   {59375, 0x93},  {-59375, 0xED},  {118749, 0xA5},  {118750, 0xA6},
        {-118750, 0xDA}, {196875, 0xBF}, {199999, 0xBF},  {200000, 0xBF},  {-199999, 0xC1},
        {-200000, 0xC0}, {200001, 0x00}, {-200001, 0x00}, {1000000, 0x00},
    };
    for (const Case& c : cases) {
        board_.antenna.Clear();
        AddStation(c.offsetHz);
        EXPECT_EQ(Status(), c.status) << c.offsetHz;
        EXPECT_EQ(board_.demod.Receiving() != nullptr, c.status != 0) << c.offsetHz;
    }
}

TEST_F(EmuReceptionTest, TheNearestStationOfTheStandardWins) {
    AddStation(150000, TVB_STANDARD_PAL_B, emu::kMonoSound, 100);
    AddStation(-100000, TVB_STANDARD_PAL_B, emu::kStereoSound, 180);
    AddStation(10000, TVB_STANDARD_PAL_G, emu::kMonoSound, 250); // nearer, other standard
    AddStation(20000, TVB_STANDARD_PAL_B, emu::kMonoSound, 0);   // nearer, no signal
    ASSERT_NE(board_.demod.Receiving(), nullptr);
    EXPECT_EQ(board_.demod.Receiving()->frequencyHz, kTunedHz - 100000);
    EXPECT_EQ(Status(), 0x80 | 0x60) << "-32 units";
    EXPECT_EQ(Level(), 255 - 180);
}

TEST_F(EmuReceptionTest, TheLevelIsTheStrengthTurnedAround) {
    for (uint8_t strength : {1, 115, 140, 200, 255}) {
        board_.antenna.Clear();
        AddStation(0, TVB_STANDARD_PAL_B, emu::kMonoSound, strength);
        EXPECT_EQ(Level(), 255 - strength);
    }
    board_.antenna.Clear();
    AddStation(0, TVB_STANDARD_PAL_B, emu::kMonoSound, 0);
    EXPECT_EQ(Level(), 255) << "nothing received";
    EXPECT_EQ(Status(), 0x00);
}

TEST_F(EmuReceptionTest, LockCanComeLateOrNever) {
    AddStation(3125);
    board_.demod.LockAfterReads(2);
    EXPECT_EQ(Level(), 55) << "reading the level does not count";
    EXPECT_EQ(Status(), 0x00);
    EXPECT_EQ(Status(), 0x00);
    EXPECT_EQ(Status(), 0x81);
    board_.demod.LockNever();
    EXPECT_EQ(Status(), 0x00);
    EXPECT_NE(board_.demod.Receiving(), nullptr) << "received, only not locked";
    board_.demod.LockNever(false);
    EXPECT_EQ(Status(), 0x81);
    EXPECT_EQ(board_.demod.StatusReads(), 5);
}

// Tuning away, changing the standard or the oscillator: the decoder's
// broadcast sound follows the station received, mono when there is none.
TEST_F(EmuReceptionTest, TheSoundOfTheStationReachesTheDecoder) {
    const auto soundStatus = [this] { return board_.decoder.Dword(regmap::decoder::kSoundStatus); };
    AddStation(0, TVB_STANDARD_PAL_B, emu::kStereoSound);
    AddStation(7000000, TVB_STANDARD_PAL_B, emu::kTwoLanguageSound);
    AddStation(0, TVB_STANDARD_PAL_G, emu::Sound{false, true, true});
    EXPECT_EQ(soundStatus(), 0u) << "the antenna changed; nothing was written yet";
    DemodWrite({ifd::kHold, 0x00});
    EXPECT_EQ(soundStatus(), 0x280u) << "stereo";
    SetOscillator(kOscillatorHz + 7000000);
    EXPECT_EQ(soundStatus(), 0x180u) << "two languages";
    SetOscillator(kOscillatorHz + 3500000);
    EXPECT_EQ(soundStatus(), 0u) << "nothing received: mono";
    SetOscillator(kOscillatorHz + 1000000);
    DemodWrite({ifd::kStandard, ifd::kCodeGH}); // 183 less 7.75 MHz: the G station
    EXPECT_EQ(soundStatus(), 0x1180u) << "three languages";
    board_.decoder.SetSoundReport(9, false);
    EXPECT_EQ(board_.decoder.Reg(regmap::decoder::kTwoLanguageFlag) & 1, 1);
}

} // namespace
