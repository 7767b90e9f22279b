// The audio interface configuration and the sample-rate pin.
#include "module_fixture.h"

using AudioFormatTest = ModuleTest;

namespace {
struct FormatCase {
    uint32_t rateBefore, formatMode, formatWord;
    uint16_t word9, word11;
};
} // namespace

TEST_F(AudioFormatTest, ConfigurationWords) {
    Load();
    const FormatCase cases[] = {
        {48000, 1, 0x1234, 0x1234, 1},
        {44100, 2, 0x0001, 0x0001, 0},
        {8000, 0, 0xABCD5678, 0x5678, 0}, // upper half of the word dropped
    };
    for (const FormatCase& c : cases) {
        AudioFormat format{0xDEAD, c.rateBefore, c.formatMode, c.formatWord};
        AudioInterfaceConfig config;
        for (uint16_t& w : config.Word) {
            w = 0xEEEE;
        }
        const size_t mark = Mark();
        caps_->AudioOps->GetAudioFormat(0, 0, &config, &format);
        EXPECT_EQ(TraceFrom(mark), "") << "no hardware touched";
        EXPECT_EQ(format.SampleRate, 32000u);
        EXPECT_EQ(format.Reserved0, 0xDEADu);
        uint16_t want[33] = {2, 12, 0, 0, 0, 0, 1, 0, 0, c.word9, 1, c.word11};
        want[25] = 0x100;
        want[27] = 0x10;
        want[28] = 0x10;
        want[29] = 0x100;
        want[30] = 0x100;
        for (int i = 0; i < 33; ++i) {
            EXPECT_EQ(config.Word[i], want[i]) << "word " << i << " for mode " << c.formatMode;
        }
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
    EXPECT_EQ(caps_->AudioOps->SetAudioSampleRate(0, emu::Host::kBoardHandle, nullptr), 0u);
    caps_->AudioOps->GetAudioFormat(0, 0, &config, &format);
    caps_->AudioOps->SetAudioSampleRate(0, emu::Host::kBoardHandle, &format);
    EXPECT_EQ(TraceFrom(mark), "");
}
