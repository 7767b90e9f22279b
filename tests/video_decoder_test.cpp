// The decoder's video side: the one-time register set, input selection as
// whole timelines, picture controls, and behaviour without a board.
#include "decoder_fixture.h"
#include "video/decoder_video.h"

using VideoDecoderTest = DecoderTest;

TEST_F(VideoDecoderTest, FirstSelectionLoadsTheRegisterSet) {
    decoder_.Reg(0x10E) = 0x58;
    const size_t mark = Mark();
    EXPECT_EQ(SelectVideoInput(1), 0u);
    ExpectMatchesFile(SummaryFrom(mark), "select_input_first.txt");
    EXPECT_EQ(g_bIsScalerInitialized, 1);
    EXPECT_EQ(CurrentVideoInput, 1u);
}

TEST_F(VideoDecoderTest, LaterSelectionOfAnUnknownInputThroughInputOps) {
    SelectVideoInput(1);
    decoder_.Reg(0x10E) = 0x58;
    decoder_.Reg(0x108) = 0x74;
    decoder_.Reg(0x114) = 0x45;
    const size_t mark = Mark();
    EXPECT_EQ(caps_->InputOps->InputSelect(1, 2, 7), 0u);
    ExpectMatchesFile(SummaryFrom(mark), "select_input_later.txt");
    EXPECT_EQ(caps_->InputOps->InputQuery(1, 2), 7u) << "reported as passed";
}

TEST_F(VideoDecoderTest, EachInputGetsItsRegistersAndAudioSetUp) {
    struct Case {
        uint32_t input;
        uint8_t reg102, reg109;
        uint32_t soundSetting; // low 16 bits of 0x464
    } const cases[] = {
        {0, 0xC1, 0x40, 0}, {1, 0xC0, 0x00, 0x303},       {2, 0xC8, 0x80, 0x303},
        {3, 0xC1, 0x40, 0}, {0x80000001u, 0xC1, 0x40, 0},
    };
    for (const Case& c : cases) {
        decoder_.SetDword(0x464, 0xFFFF);
        EXPECT_EQ(SelectVideoInput(c.input), 0u);
        EXPECT_EQ(decoder_.Reg(0x102), c.reg102) << c.input;
        EXPECT_EQ(decoder_.Reg(0x109), c.reg109) << c.input;
        EXPECT_EQ(decoder_.Dword(0x464) & 0xFFFF, c.soundSetting) << c.input;
        EXPECT_EQ(CurrentVideoInput, c.input);
    }
}

// The board is tested again before every write: once it is gone, nothing
// more of the sequence reaches the bus, but the waits still happen.
TEST_F(VideoDecoderTest, BoardClosedPartWay) {
    decoder_.OnWrite([this](uint16_t reg, uint8_t) {
        if (reg == 0x10E) {
            Close();
        }
    });
    size_t mark = Mark();
    InitDecoderRegisters();
    EXPECT_EQ(AllWrites(mark), 15) << "0x100 to 0x10E, then nothing";
    EXPECT_EQ(g_bIsScalerInitialized, 1);

    Open();
    decoder_.OnWrite([this](uint16_t reg, uint8_t value) {
        if (reg == 0x102 && value == 0xC8) {
            Close();
        }
    });
    mark = Mark();
    SelectVideoInput(2);
    EXPECT_EQ(SummaryFrom(mark), "42[10E] -> 01\n42[102] <- C8\n"
                                 "[sleep 10 ms]\n[sleep 10 ms]\n[sleep 10 ms]\n"
                                 "[sleep 10 ms]\n[sleep 10 ms]\n[sleep 10 ms]\n");
}

TEST_F(VideoDecoderTest, WithoutABoardTheRegisterSetIsStillMarkedLoaded) {
    Close();
    size_t mark = Mark();
    EXPECT_EQ(SelectVideoInput(2), 0u);
    EXPECT_EQ(Sleeps(mark, 10), 6);
    EXPECT_EQ(TraceFrom(mark).find("42["), std::string::npos) << "nothing reaches the bus";
    EXPECT_EQ(g_bIsScalerInitialized, 1);
    EXPECT_EQ(CurrentVideoInput, 2u);

    Open();
    mark = Mark();
    SelectVideoInput(0);
    EXPECT_EQ(Writes(mark, 0x100), 0) << "the set is not loaded later";
}

TEST_F(VideoDecoderTest, PictureControls) {
    struct Case {
        const char* name;
        uint8_t (*set)(int32_t);
        int32_t value;
        const char* traffic; // "" when the value is refused
    } const cases[] = {
        {"brightness", SetBrightness, 0, "42[10A] <- 00\n"},
        {"brightness", SetBrightness, 50, "42[10A] <- 7F\n"},
        {"brightness", SetBrightness, 100, "42[10A] <- FF\n"},
        {"brightness", SetBrightness, 101, ""},
        {"brightness", SetBrightness, -1, ""},
        {"contrast", SetContrast, 0, "42[10B] <- 00\n"},
        {"contrast", SetContrast, 50, "42[10B] <- 3F\n"},
        {"contrast", SetContrast, 100, "42[10B] <- 7F\n"},
        {"contrast", SetContrast, 101, ""},
        {"contrast", SetContrast, -1, ""},
        {"saturation", SetSaturation, 0, "42[10C] <- 00\n"},
        {"saturation", SetSaturation, 50, "42[10C] <- 3F\n"},
        {"saturation", SetSaturation, 100, "42[10C] <- 7F\n"},
        {"saturation", SetSaturation, 101, ""},
        {"saturation", SetSaturation, INT32_MIN, ""},
        {"hue", SetHue, -50, "42[10D] <- 80\n"},
        {"hue", SetHue, -25, "42[10D] <- C0\n"},
        {"hue", SetHue, -1, "42[10D] <- FD\n"},
        {"hue", SetHue, 0, "42[10D] <- 00\n"},
        {"hue", SetHue, 25, "42[10D] <- 3F\n"},
        {"hue", SetHue, 50, "42[10D] <- 7F\n"},
        {"hue", SetHue, 51, ""},
        {"hue", SetHue, -51, ""},
        {"hue", SetHue, INT32_MAX, ""},
    };
    for (const Case& c : cases) {
        const bool accepted = c.traffic[0] != '\0';
        size_t mark = Mark();
        EXPECT_EQ(c.set(c.value), accepted ? 1 : 0) << c.name << " " << c.value;
        EXPECT_EQ(TraceFrom(mark), c.traffic) << c.name << " " << c.value;

        Close();
        mark = Mark();
        EXPECT_EQ(c.set(c.value), accepted ? 1 : 0) << c.name << " " << c.value << ", no board";
        EXPECT_EQ(TraceFrom(mark), "");
        Open();
    }
}
