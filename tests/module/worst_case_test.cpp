// How long the DSP's slowest answers make the host's calls: a DSP that
// answers every wait at its tenth poll and ignores the first four requests of
// every read (the slowest it can be and still be read) gives each sequence
// its longest successful duration, which the fuzzer's bounds must cover with
// nothing to spare but the waits of a write that fails at its last byte.
#include "audio/audio_setup.h"
#include "audio/tv_audio.h"
#include "decoder/decoder_access.h"
#include "decoder_fixture.h"
#include "fuzz/bounds.h"
#include "ops/input_selection.h"
#include "virtual_time/kernel_virtual.h"

namespace {

namespace b = fuzz::bounds;

class WorstCaseTest : public DecoderTest {
  protected:
    void SetUp() override {
        DecoderTest::SetUp();
        decoder_.AnswerJustInTime(true, 4);
    }
    // Virtual time a call takes, in milliseconds.
    template <typename Call> uint64_t Ms(Call call) {
        const uint64_t start = vt::NowUs();
        call();
        return (vt::NowUs() - start) / 1000;
    }
};

// A write's bytes each find ready at their tenth poll; the bound also covers
// a last byte whose ready never comes (2 ms more per field write).
constexpr uint64_t kFieldWrite = 4 * b::kDspByteReadPass + 4 * b::kReadyPass;
static_assert(kFieldWrite + 2 == b::kDspFieldWrite, "field write");

TEST_F(WorstCaseTest, DspAccessTakesItsLongestSuccessfulTime) {
    decoder_.Reg(0x454) = 0x7C;
    uint8_t byte = 0;
    EXPECT_EQ(Ms([&] { EXPECT_EQ(ReadDecoderByte(0x454, &byte), 1); }), b::kDspByteReadPass);
    EXPECT_EQ(byte, 0x7C);
    EXPECT_EQ(Ms([] { EXPECT_EQ(WriteDecoderField(0x454, 7, 1, 1), 1); }), kFieldWrite);
    EXPECT_EQ(decoder_.Reg(0x454), 0xFC);
}

TEST_F(WorstCaseTest, AudioSetUpInputChangeAndInitializeSensor) {
    constexpr uint64_t kAudioSetUp = 13 * kFieldWrite + 30 + 4 * b::kDspByteReadPass;
    constexpr uint64_t kPulse = 3 * (10 + kFieldWrite);
    EXPECT_EQ(Ms([] { InitAudioStandard(0); }), kAudioSetUp);
    EXPECT_EQ(Ms([] { RestartAudioDemodulator(0); }), kPulse);
    EXPECT_EQ(Ms([] { SelectVideoInput(1); }), kAudioSetUp + kPulse);
    const TVB_SENSOR_INIT_RECORD record{0, 0};
    EXPECT_EQ(Ms([&] {
                  caps_->VideoOps->InitializeSensor(&record, 0, -1, -1, 50, 0, 50, 0, 0, 0, 50, 0,
                                                    50, 0, 50, 0, 50, 0, 50, 0, 0);
              }),
              2 * (kAudioSetUp + kPulse) + kPulse + kAudioSetUp);
    // 66 field writes of DSP registers, each 2 ms short of its bound.
    EXPECT_EQ(2 * (kAudioSetUp + kPulse) + kPulse + kAudioSetUp + uint64_t{66} * 2,
              b::kInitializeSensor);
}

TEST_F(WorstCaseTest, TvSoundWithTheFlagRegisters) {
    decoder_.SetSoundReport(9, false); // stereo and languages in 0x409 and 0x40A
    const uint64_t dword = 4 * b::kDspByteReadPass;
    EXPECT_EQ(Ms([] { EXPECT_EQ(DetectTvAudioModes(), 1u); }), 3 * dword);
    EXPECT_EQ(Ms([] { EXPECT_EQ(SetTvAudioMode(1), 1); }), 3 * dword + dword + 2 * kFieldWrite);
}

// Every read fails: five data-ready waits that end without the bit, and the
// request placed a sixth time.
TEST_F(WorstCaseTest, AReadThatNeverGetsItsDataGivesUpInTime) {
    decoder_.AnswerJustInTime(true, 5);
    uint8_t byte = 0x77;
    EXPECT_EQ(Ms([&] { EXPECT_EQ(ReadDecoderByte(0x454, &byte), 0); }),
              b::kReadyPass + 5 * (b::kDataFail + b::kReadyPass));
    EXPECT_LE(b::kReadyPass + 5 * (b::kDataFail + b::kReadyPass), b::kDspByteRead);
    EXPECT_EQ(byte, 0);
}

} // namespace
