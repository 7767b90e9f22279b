// The decoder's video side: the one-time register set, input selection as
// whole timelines, picture controls, and behaviour without a board.
#include "decoder_fixture.h"
#include "ops/input_selection.h"
#include "sequences.h"
#include "video/mode_bits.h"
#include "video/picture_controls.h"
#include "video/register_set.h"

#include <cstdio>

using VideoDecoderTest = DecoderTest;

TEST_F(VideoDecoderTest, RegisterSetInOrder) {
    const size_t mark = Mark();
    InitDecoderRegisters();
    sequences::ExpectMatches(SummaryFrom(mark), sequences::kDecoderRegisters);
    EXPECT_EQ(g_bIsScalerInitialized, 1);
}

// From registers where every mode bit is the opposite of what it is set to.
TEST_F(VideoDecoderTest, ModeBitsEachWriteTheirWord) {
    decoder_.Reg(0x108) = 0x74;
    decoder_.Reg(0x10E) = 0x58;
    decoder_.Reg(0x114) = 0x45;
    const size_t mark = Mark();
    SetDecoderModeBits();
    sequences::ExpectMatches(SummaryFrom(mark), sequences::kModeBits);
}

TEST_F(VideoDecoderTest, FirstSelectionLoadsTheRegisterSet) {
    decoder_.Reg(0x10E) = 0x58;
    const size_t mark = Mark();
    EXPECT_EQ(SelectVideoInput(1), 0u);
    ExpectMatchesFile(sequences::Condense(SummaryFrom(mark)), "select_input_first.txt");
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
    ExpectMatchesFile(sequences::Condense(SummaryFrom(mark)), "select_input_later.txt");
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

// Without a board the selection still stores the input and waits, and the
// register set stays to be loaded by the first selection with a board.
TEST_F(VideoDecoderTest, WithoutABoardTheRegisterSetWaitsForOne) {
    Close();
    size_t mark = Mark();
    EXPECT_EQ(SelectVideoInput(2), 0u);
    EXPECT_EQ(Sleeps(mark, 10), 6);
    EXPECT_EQ(TraceFrom(mark).find("42["), std::string::npos) << "nothing reaches the bus";
    EXPECT_EQ(g_bIsScalerInitialized, 0);
    EXPECT_EQ(CurrentVideoInput, 2u);

    Open();
    mark = Mark();
    SelectVideoInput(0);
    EXPECT_EQ(Writes(mark, 0x100), 1) << "the set is loaded now";
    EXPECT_EQ(g_bIsScalerInitialized, 1);
}

// Each control's range ends and conversions to the register byte; a refused
// value writes nothing, and without a board an accepted value is still
// reported as accepted.
TEST_F(VideoDecoderTest, PictureControls) {
    // Brightness, contrast, saturation and hue: registers 0x10A..0x10D.
    uint8_t (*const set[])(int32_t) = {SetBrightness, SetContrast, SetSaturation, SetHue};
    constexpr int R = -1; // refused
    const struct {
        uint16_t reg;
        int32_t value;
        int byte; // or R
    } cases[] = {
        {0x10A, 0, 0x00},      {0x10A, 50, 0x7F},  {0x10A, 100, 0xFF}, {0x10A, 101, R},
        {0x10A, -1, R},        {0x10B, 0, 0x00},   {0x10B, 50, 0x3F},  {0x10B, 100, 0x7F},
        {0x10B, 101, R},       {0x10B, -1, R},     {0x10C, 0, 0x00},   {0x10C, 50, 0x3F},
        {0x10C, 100, 0x7F},    {0x10C, 101, R},    {0x10C, -1, R},     {0x10C, INT32_MIN, R},
        {0x10D, -50, 0x80},    {0x10D, -25, 0xC0}, {0x10D, -1, 0xFD},  {0x10D, 0, 0x00},
        {0x10D, 25, 0x3F},     {0x10D, 50, 0x7F},  {0x10D, 51, R},     {0x10D, -51, R},
        {0x10D, INT32_MAX, R},
    };
    for (const auto& c : cases) {
        char traffic[32] = "";
        if (c.byte != R) {
            std::snprintf(traffic, sizeof traffic, "42[%03X] <- %02X\n", c.reg, c.byte);
        }
        const uint8_t accepted = c.byte != R;
        size_t mark = Mark();
        EXPECT_EQ(set[c.reg - 0x10A](c.value), accepted)
            << std::hex << c.reg << std::dec << " " << c.value;
        EXPECT_EQ(TraceFrom(mark), traffic) << std::hex << c.reg << std::dec << " " << c.value;

        Close();
        mark = Mark();
        EXPECT_EQ(set[c.reg - 0x10A](c.value), accepted) << "no board";
        EXPECT_EQ(TraceFrom(mark), "") << std::hex << c.reg << std::dec << " " << c.value;
        Open();
    }
}
