// Audio DSP set-up and the demodulator restart: the order of the steps, what
// depends on the input, and behaviour without a board or with a stuck DSP.
#include "audio/audio_setup.h"
#include "decoder_fixture.h"
#include "sequences.h"

#include "virtual_time/kernel_virtual.h"

#include <memory>
#include <string>

class AudioSetupTest : public DecoderTest {
  protected:
    // Runs `call` against a decoder fresh from power-up and returns the
    // condensed traffic.
    template <typename Call> std::string OnFreshDecoder(Call call) {
        fresh_ = std::make_unique<emu::Decoder>();
        host_->Attach(emu::Decoder::kAddress, fresh_.get());
        const size_t mark = Mark();
        call();
        return SummaryFrom(mark);
    }
    std::unique_ptr<emu::Decoder> fresh_;
};

// The set-up for the other inputs, on a decoder whose set-up registers hold
// all ones beforehand, so that each write shows the bits of its field.
TEST_F(AudioSetupTest, StepsInOrderForOtherInputs) {
    for (uint16_t reg :
         {0x598, 0x59C, 0x464, 0x468, 0x46C, 0x470, 0x474, 0x480, 0x484, 0x488, 0x1C0, 0x594}) {
        decoder_.SetDword(reg, 0xFFFFFFFF);
    }
    decoder_.SetDword(0x454, 0xFFFFFF83); // restart bit and bits 0, 1 set
    decoder_.SetSoundReport(0x19, false); // all five bits of the status code count
    const size_t mark = Mark();
    EXPECT_EQ(InitAudioStandard(1), 0x19u) << "the status code";
    sequences::ExpectMatches(SummaryFrom(mark), sequences::kAudioSetUp);
}

TEST_F(AudioSetupTest, InputTwoLikeInputOneAndInputZeroOnlyInThreeSteps) {
    const std::string one = OnFreshDecoder([] { InitAudioStandard(1); });
    const std::string two = OnFreshDecoder([] { InitAudioStandard(2); });
    const std::string zero = OnFreshDecoder([] { InitAudioStandard(0); });
    EXPECT_EQ(two, one);

    const std::vector<std::string> a = Lines(zero);
    const std::vector<std::string> b = Lines(one);
    ASSERT_EQ(a.size(), b.size());
    std::string differing;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            differing += a[i] + " | " + b[i] + "\n";
        }
    }
    EXPECT_EQ(differing, "42[464..467] <- 00000000 (dsp) | 42[464..467] <- 00000303 (dsp)\n"
                         "42[468..46B] <- 00000000 (dsp) | 42[468..46B] <- 00000303 (dsp)\n"
                         "42[59B..59E] <- 00000000 | 42[59B..59E] <- 00000040\n");
}

// Each DSP step costs four handshaken reads and four handshaken writes; the
// plain steps four reads and four writes without any wait.
TEST_F(AudioSetupTest, EveryStepIsAWholeReadModifyWrite) {
    const size_t mark = Mark();
    InitAudioStandard(0);
    EXPECT_EQ(Reads(mark, 0x580), 13 * (4 * 3 + 4) + 4 * 3);
    EXPECT_EQ(AllWrites(mark), 17 * 4);
    EXPECT_EQ(Sleeps(mark, kAnyWait), 3);
}

TEST_F(AudioSetupTest, StuckDspSkipsOnlyItsOwnSteps) {
    decoder_.SetReadyPolls(emu::Decoder::kNever);
    const size_t mark = Mark();
    EXPECT_EQ(InitAudioStandard(1), 0u);
    EXPECT_EQ(AllWrites(mark), 4 * 4) << "0x598, 0x1C0, 0x59B and 0x594 are still written";
    EXPECT_EQ(decoder_.Reg(0x1C0), 0x1D);
    EXPECT_EQ(decoder_.Reg(0x594), 0x0F);
    EXPECT_EQ(Sleeps(mark, 10), 3);
    EXPECT_EQ(Sleeps(mark, 2), 14 * 10) << "every DSP step and the status read time out once";
}

// The restart from 0x454 as the set-up leaves it; without a board only the
// pauses happen.
TEST_F(AudioSetupTest, RestartWithAndWithoutABoard) {
    decoder_.Reg(0x454) = 0x7C;
    size_t mark = Mark();
    EXPECT_EQ(RestartAudioDemodulator(0), 1u);
    sequences::ExpectMatches(SummaryFrom(mark), sequences::kAudioRestart);
    Close();
    mark = Mark();
    EXPECT_EQ(InitAudioStandard(1), 0u);
    EXPECT_EQ(RestartAudioDemodulator(0), 1u);
    EXPECT_EQ(TraceFrom(mark), Repeat("[sleep 10 ms]\n", 6));
}

// At dispatch level no thread may wait: the set-up keeps every pause of its
// sequence and of the DSP handshake (a DSP slow to become ready here), spent
// busy-waiting in 50 us stalls instead of sleeping, and its traffic is the same.
TEST_F(AudioSetupTest, AtDispatchLevelEveryPauseIsStalled) {
    auto run = [this] {
        fresh_->SetReadyPolls(1);
        InitAudioStandard(1);
    };
    const std::string sleeping = OnFreshDecoder(run);
    vt::SetIrql(2);
    const uint64_t start = vt::NowUs();
    const std::string stalling = OnFreshDecoder(run);
    vt::SetIrql(0);

    std::string expected;
    for (const std::string& line : Lines(sleeping)) {
        const std::string sleep = "[sleep ";
        if (line.rfind(sleep, 0) == 0) {
            const int ms = std::stoi(line.substr(sleep.size()));
            expected += Repeat("[stall 50 us]\n", ms * 20);
        } else {
            expected += line + "\n";
        }
    }
    EXPECT_NE(sleeping.find("[sleep 2 ms]"), std::string::npos) << "the handshake paused too";
    EXPECT_EQ(stalling, expected);
    EXPECT_EQ(stalling.find("[sleep"), std::string::npos);
    EXPECT_GE(vt::NowUs() - start, 30000u);
}
