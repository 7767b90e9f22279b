// The audio interface configuration record and the sample-rate pin.
#include "module_fixture.h"

#include <cstdio>
#include <cstring>
#include <string>

using AudioFormatTest = ModuleTest;

namespace {

// The configuration record as the host's memory holds it: one line a 16-bit
// little-endian word, with its number, its byte offset and its value.
std::string Dump(const AudioInterfaceConfig& config) {
    uint8_t bytes[sizeof config];
    std::memcpy(bytes, &config, sizeof config);
    std::string out;
    for (size_t offset = 0; offset < sizeof bytes; offset += 2) {
        char line[32];
        std::snprintf(line, sizeof line, "%2zu  +%02zX  %04X\n", offset / 2, offset,
                      bytes[offset] | bytes[offset + 1] << 8);
        out += line;
    }
    return out;
}

// GetAudioFormat on a record whose words all hold EEEE beforehand.
AudioInterfaceConfig Configure(const TVB_BOARD_MODULE_CAPS* caps, AudioFormat* format) {
    AudioInterfaceConfig config;
    for (uint16_t& w : config.Word) {
        w = 0xEEEE;
    }
    caps->AudioOps->GetAudioFormat(0, 0, &config, format);
    return config;
}

} // namespace

// The whole record for FormatMode 1 and FormatWord 1234, then what varies:
// word 9 is the low half of FormatWord, word 11 is 1 for FormatMode 1 only;
// the host's rate is overwritten with 32 000 Hz, whatever it was, and word 1
// is the code for that rate. No hardware is touched.
TEST_F(AudioFormatTest, ConfigurationRecordAsTheHostReceivesIt) {
    Load();
    AudioFormat format{0xDEAD, 48000, 1, 0x1234};
    size_t mark = Mark();
    const std::string record = Dump(Configure(caps_, &format));
    ExpectMatchesFile(record, "audio_format.txt");
    EXPECT_EQ(TraceFrom(mark), "") << "no hardware touched";
    EXPECT_EQ(format.Reserved0, 0xDEADu);
    EXPECT_EQ(format.SampleRate, 32000u);

    const struct {
        uint32_t rateBefore, formatMode, formatWord;
        uint16_t word9, word11;
    } cases[] = {
        {48000, 1, 0x1234, 0x1234, 1},    {44100, 2, 0x0001, 0x0001, 0},
        {8000, 0, 0xABCD5678, 0x5678, 0}, // the upper half of FormatWord dropped
        {32000, 1, 0xFFFF, 0xFFFF, 1},    {0, 3, 0x10000, 0x0000, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "rate " << c.rateBefore << ", mode " << c.formatMode
                                        << ", word " << std::hex << c.formatWord);
        format = AudioFormat{0xDEAD, c.rateBefore, c.formatMode, c.formatWord};
        mark = Mark();
        const AudioInterfaceConfig config = Configure(caps_, &format);
        EXPECT_EQ(TraceFrom(mark), "");
        EXPECT_EQ(format.SampleRate, 32000u);
        EXPECT_EQ(format.Reserved0, 0xDEADu);
        EXPECT_EQ(format.FormatMode, c.formatMode);
        EXPECT_EQ(format.FormatWord, c.formatWord);
        EXPECT_EQ(config.Word[9], c.word9);
        EXPECT_EQ(config.Word[11], c.word11);
        AudioInterfaceConfig same = config;
        same.Word[9] = 0x1234;
        same.Word[11] = 1;
        EXPECT_EQ(Dump(same), record) << "every other word as above";
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
