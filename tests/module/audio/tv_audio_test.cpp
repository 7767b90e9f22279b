// TV sound modes: detection from every shape of the DSP's status, end to end
// from the broadcast sound, and switching between the modes.
#include "audio/tv_audio.h"
#include "decoder_fixture.h"

using TvAudioTest = DecoderTest;

namespace {

constexpr uint32_t B(uint32_t n) {
    return 1u << n;
}

} // namespace

TEST_F(TvAudioTest, DetectionFromTheStatus) {
    struct Case {
        uint32_t status;
        uint8_t flag409, flag40A;
        uint32_t modes;
    } const cases[] = {
        // Codes 5, 9, 10, 11: stereo and two languages from the flag registers
        // only; bit 12 still adds the third language.
        {9, 0x80, 0x00, 0x03},
        {9, 0x80, 0x01, 0x33},
        {5, 0x7F, 0xFE, 0x01},
        {10, 0x00, 0x01, 0x31},
        {11, 0x80, 0x00, 0x03},
        {11 | B(12), 0x80, 0x00, 0x43},
        {9 | B(11) | B(5) | B(7) | B(9), 0x00, 0x00, 0x01},
        // Other codes: the status word, bit 11 choosing the bit group.
        {4 | B(11) | B(5) | B(12), 0x80, 0x01, 0x43},
        {4 | B(11) | B(6), 0, 0, 0x31},
        {4 | B(11) | B(5) | B(6), 0, 0, 0x03},
        {4 | B(11) | B(7) | B(8) | B(9), 0, 0, 0x01},
        {4 | B(7) | B(8), 0, 0, 0x31},
        {4 | B(7) | B(8) | B(9), 0, 0, 0x03},
        {4 | B(7), 0, 0, 0x01},
        {4 | B(8) | B(9) | B(5) | B(6), 0, 0, 0x01},
        {0 | B(12), 0, 0, 0x41},
        {0 | B(7) | B(8) | B(12), 0, 0, 0x71},
        {0x1F | B(11) | B(5) | 0xFFFF0000u, 0, 0, 0x03},
    };
    for (const Case& c : cases) {
        decoder_.SetDword(0x404, c.status);
        decoder_.Reg(0x409) = c.flag409;
        decoder_.Reg(0x40A) = c.flag40A;
        EXPECT_EQ(DetectTvAudioModes(), c.modes) << std::hex << "status " << c.status;
    }
}

// From the broadcast, in each of the DSP's report layouts.
TEST_F(TvAudioTest, DetectionOfTheBroadcastSound) {
    struct Layout {
        uint8_t code;
        bool bit11;
    } const layouts[] = {{9, false}, {5, false}, {4, true}, {0, false}};
    struct Broadcast {
        emu::Sound sound;
        uint32_t modes;
    } const broadcasts[] = {
        {emu::kMonoSound, 0x01},      {emu::kStereoSound, 0x03},   {emu::kTwoLanguageSound, 0x31},
        {{false, false, true}, 0x41}, {{true, false, true}, 0x43}, {{false, true, true}, 0x71},
    };
    for (const Layout& layout : layouts) {
        decoder_.SetSoundReport(layout.code, layout.bit11);
        for (const Broadcast& b : broadcasts) {
            decoder_.SetBroadcastSound(b.sound);
            EXPECT_EQ(DetectTvAudioModes(), b.modes) << "code " << int{layout.code};
        }
    }
    decoder_.SetBroadcastSound({true, true, false});
    decoder_.SetSoundReport(9, false);
    EXPECT_EQ(DetectTvAudioModes(), 0x33u) << "the flag registers carry both at once";
    decoder_.SetSoundReport(4, true);
    EXPECT_EQ(DetectTvAudioModes(), 0x03u);
}

// Every row of the channel table, with all modes available (stereo, both
// languages and the third language). 0x464 starts at A5A503FF: source 1F,
// channel 7; only the low byte may change.
TEST_F(TvAudioTest, ModesProgramSourceAndChannel) {
    struct Case {
        uint32_t mode;
        uint8_t input; // 0x102 as SelectVideoInput leaves it
        uint8_t lowByte;
    } const cases[] = {
        {0x01, 0xC1, 0x40}, {0x02, 0xC0, 0x03}, {0x10, 0xC8, 0x43}, {0x11, 0xC1, 0x40},
        {0x12, 0xC1, 0x00}, {0x20, 0xC0, 0x63}, {0x21, 0xC1, 0x60}, {0x22, 0xC0, 0x63},
        {0x40, 0xC1, 0xE2}, {0x41, 0xC0, 0xE2}, {0x42, 0xC1, 0xE2}, {0x00, 0xC0, 0x03},
        {0x03, 0xC1, 0x00}, {0x30, 0xC0, 0x03}, {0x31, 0xC1, 0x00}, {0x73, 0xC0, 0x03},
    };
    decoder_.SetSoundReport(9, false);
    decoder_.SetBroadcastSound({true, true, true});
    ASSERT_EQ(DetectTvAudioModes(), 0x73u);
    for (const Case& c : cases) {
        decoder_.Reg(0x102) = c.input;
        decoder_.SetDword(0x464, 0xA5A503FF);
        const size_t mark = Mark();
        EXPECT_EQ(SetTvAudioMode(c.mode), 1) << std::hex << c.mode;
        EXPECT_EQ(decoder_.Dword(0x464), 0xA5A50300u | c.lowByte) << std::hex << c.mode;
        EXPECT_EQ(AllWrites(mark), 8) << "two field writes of 0x464";
    }
}

// The second reading decides: a third language gone since the detection
// selects channel 2 instead of the third language's source.
TEST_F(TvAudioTest, ThirdLanguageGoneBetweenTheReadings) {
    decoder_.SetSoundReport(9, false);
    decoder_.SetBroadcastSound({false, false, true});
    decoder_.OnRead([this](uint16_t reg) {
        if (reg == 0x40A) {
            decoder_.SetBroadcastSound(emu::kMonoSound);
        }
    });
    decoder_.Reg(0x102) = 0xC1;
    decoder_.SetDword(0x464, 0xFF);
    EXPECT_EQ(SetTvAudioMode(0x40), 1);
    EXPECT_EQ(decoder_.Reg(0x464), 0x40);
}

// A refused mode writes nothing; without a board only mono and no mode at
// all are available, and nothing reaches the bus.
TEST_F(TvAudioTest, UnavailableModesAreRefusedWithNothingWritten) {
    struct Case {
        emu::Sound sound;
        uint32_t mode;
    } const cases[] = {
        {emu::kMonoSound, 0x02},       {emu::kMonoSound, 0x10},        {emu::kStereoSound, 0x12},
        {emu::kStereoSound, 0x40},     {emu::kTwoLanguageSound, 0x02}, {{true, true, true}, 0x80},
        {{true, true, true}, 0x10000},
    };
    decoder_.SetSoundReport(9, false);
    for (const Case& c : cases) {
        decoder_.SetBroadcastSound(c.sound);
        const size_t mark = Mark();
        EXPECT_EQ(SetTvAudioMode(c.mode), 0) << std::hex << c.mode;
        EXPECT_EQ(AllWrites(mark), 0) << std::hex << c.mode;
    }

    Close();
    const size_t mark = Mark();
    EXPECT_EQ(DetectTvAudioModes(), 0x01u);
    EXPECT_EQ(SetTvAudioMode(0x00), 1);
    EXPECT_EQ(SetTvAudioMode(0x01), 1);
    EXPECT_EQ(SetTvAudioMode(0x02), 0);
    EXPECT_EQ(TraceFrom(mark), "");
}
