// The audio interface configuration record and the sample-rate pin.
#include "module_fixture.h"

#include <algorithm>
#include <iterator>
#include <vector>

using AudioFormatTest = ModuleTest;

// The 33 configuration words the host receives for several format records,
// each written over words that all held EEEE. Whatever rate the host asked
// for, it finds 32 000 Hz in its record, and word 1 is that rate's code (12);
// word 9 is the low half of FormatWord, word 11 is 1 for FormatMode 1 only;
// the other words are the same for every record. No hardware is touched.
TEST_F(AudioFormatTest, ConfigurationRecordAsTheHostReceivesIt) {
    const struct {
        uint32_t rateBefore, formatMode, formatWord;
        uint16_t word9, word11;
    } cases[] = {
        {48000, 1, 0x1234, 0x1234, 1},    {44100, 2, 0x0001, 0x0001, 0},
        {8000, 0, 0xABCD5678, 0x5678, 0}, // the upper half of FormatWord dropped
        {32000, 1, 0xFFFF, 0xFFFF, 1},    {0, 3, 0x10000, 0x0000, 0},
    };
    Load();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "rate " << c.rateBefore << ", mode " << c.formatMode
                                        << ", word " << std::hex << c.formatWord);
        AudioFormat format{0xDEAD, c.rateBefore, c.formatMode, c.formatWord};
        AudioInterfaceConfig config;
        std::fill(std::begin(config.Word), std::end(config.Word), 0xEEEE);
        const size_t mark = Mark();
        caps_->AudioOps->GetAudioFormat(0, 0, &config, &format);
        EXPECT_EQ(TraceFrom(mark), "");
        EXPECT_EQ((std::vector<uint32_t>{format.Reserved0, format.SampleRate, format.FormatMode,
                                         format.FormatWord}),
                  (std::vector<uint32_t>{0xDEAD, 32000, c.formatMode, c.formatWord}));
        const std::vector<uint16_t> want = {
            2,        12, 0, 0,     0, 0,    1,    0,     0,     c.word9, 1,  // words 0 to 10
            c.word11, 0,  0, 0,     0, 0,    0,    0,     0,     0,       0,  // 11 to 21
            0,        0,  0, 0x100, 0, 0x10, 0x10, 0x100, 0x100, 0,       0}; // 22 to 32
        EXPECT_EQ(std::vector<uint16_t>(std::begin(config.Word), std::end(config.Word)), want);
    }
}

TEST_F(AudioFormatTest, SampleRatePinWithAndWithoutBoard) {
    Open();
    for (bool open : {true, false}) {
        if (!open) {
            Close();
        }
        const size_t mark = Mark();
        for (uint32_t rate : {48000u, 44100u, 32000u, 8000u}) {
            AudioFormat format{0, rate, 0, 0};
            EXPECT_EQ(caps_->AudioOps->SetAudioSampleRate(0, 0x7777, &format), 0u);
        }
        EXPECT_EQ(TraceFrom(mark), "pins <- 0=1  !! handle 0x7777\n"
                                   "pins <- 0=0  !! handle 0x7777\n")
            << (open ? "board open" : "no board open");
        EXPECT_EQ(ConsumeProblems("handle 0x7777"), 2u) << "the handle passed in, not the board's";
        EXPECT_EQ(host_->PinOutput(0), 0u);
    }
}

// The rate GetAudioFormat has just set drives no pin; null records are not
// touched.
TEST_F(AudioFormatTest, RateJustSetAndNullRecords) {
    Open();
    AudioFormat format{0, 48000, 1, 0};
    AudioInterfaceConfig config{};
    config.Word[0] = 9;
    caps_->AudioOps->GetAudioFormat(0, 0, nullptr, &format);
    EXPECT_EQ(format.SampleRate, 48000u) << "nothing else done without the config buffer";
    caps_->AudioOps->GetAudioFormat(0, 0, &config, nullptr);
    EXPECT_EQ(config.Word[0], 9);
    const size_t mark = Mark();
    EXPECT_EQ(caps_->AudioOps->SetAudioSampleRate(0, emu::HostTable::kBoardHandle, nullptr), 0u);
    caps_->AudioOps->GetAudioFormat(0, 0, &config, &format);
    caps_->AudioOps->SetAudioSampleRate(0, emu::HostTable::kBoardHandle, &format);
    EXPECT_EQ(TraceFrom(mark), "");
}
