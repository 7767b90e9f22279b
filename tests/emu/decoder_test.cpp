// The emulated decoder on its own: the audio DSP's handshake on the status
// register, what a read of a DSP register yields, lost requests and writes,
// failing reads, and how the broadcast sound shows in the DSP's registers.
#include "emu/decoder.h"
#include "regmap/decoder_map.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

namespace dmap = regmap::decoder;

constexpr uint16_t kDspReg = 0x454;
constexpr uint16_t kOtherDspReg = 0x464;
constexpr int kGiveUp = 50;

class EmuDecoderTest : public ::testing::Test {
  protected:
    uint8_t Read(uint16_t reg) {
        uint8_t v = 0xEE;
        EXPECT_TRUE(decoder_.ReadReg16(reg, &v)) << std::hex << reg;
        return v;
    }
    uint8_t Poll() { return Read(dmap::kDspStatus); }
    // Polls of the status register until `bit` is seen, counting the poll
    // that sees it; kGiveUp when it never comes.
    int PollsUntil(uint8_t bit) {
        for (int n = 1; n < kGiveUp; ++n) {
            if ((Poll() & bit) != 0) {
                return n;
            }
        }
        return kGiveUp;
    }
    // A whole handshaken read as the module makes it: ready, request, data
    // ready, fetch, read done. The byte the fetch delivers.
    uint8_t DspRead(uint16_t reg) {
        EXPECT_LT(PollsUntil(dmap::kDspReady), kGiveUp);
        Read(reg);
        EXPECT_LT(PollsUntil(dmap::kDspDataReady), kGiveUp);
        const uint8_t v = Read(reg);
        EXPECT_LT(PollsUntil(dmap::kDspReadDone), kGiveUp);
        return v;
    }

    emu::Decoder decoder_;
};

// Each status bit comes up after the configured number of polls that find it
// clear: ready after any DSP access, data ready after a request, read done
// after the fetch.
TEST_F(EmuDecoderTest, StatusBitsComeUpAfterTheConfiguredPolls) {
    for (unsigned polls : {0u, 1u, 3u, 9u}) {
        SCOPED_TRACE(polls);
        decoder_.SetReadyPolls(polls);
        decoder_.SetDataReadyPolls(polls);
        decoder_.SetReadDonePolls(polls);
        const int expected = static_cast<int>(polls) + 1;
        EXPECT_EQ(PollsUntil(dmap::kDspReady), expected) << "once configured";
        Read(kDspReg); // the request
        EXPECT_EQ(PollsUntil(dmap::kDspDataReady), expected) << "after the request";
        Read(kDspReg); // the fetch
        EXPECT_EQ(PollsUntil(dmap::kDspReadDone), expected) << "after the fetch";
        decoder_.WriteReg16(kDspReg, 1);
        EXPECT_EQ(decoder_.LostWrites(), 0u);
        EXPECT_EQ(PollsUntil(dmap::kDspReady), expected) << "after a write";
    }
}

TEST_F(EmuDecoderTest, AWholeReadSeesEachBitInTurn) {
    decoder_.Reg(kDspReg) = 0x7C;
    decoder_.SetReadyPolls(2);
    decoder_.SetDataReadyPolls(3);
    decoder_.SetReadDonePolls(1);
    std::vector<uint8_t> seen;
    const auto poll = [&](int n) {
        for (int i = 0; i < n; ++i) {
            seen.push_back(Poll());
        }
    };
    poll(3);
    Read(kDspReg); // request
    poll(4);
    EXPECT_EQ(Read(kDspReg), 0x7C); // fetch
    poll(3);
    const std::vector<uint8_t> expected = {0x00, 0x00, 0x01,       // ready after 2
                                           0x00, 0x00, 0x01, 0x03, // data ready after 3
                                           0x00, 0x04, 0x05};      // done after 1, ready after 2
    EXPECT_EQ(seen, expected);
}

// A read that is not a fetch places a request; the byte it yields is the
// DSP's data latch, which still holds the value fetched last.
TEST_F(EmuDecoderTest, ARequestYieldsTheStaleLatch) {
    decoder_.Reg(kDspReg) = 0x7C;
    decoder_.Reg(kDspReg + 1) = 0x11;
    EXPECT_EQ(Read(kDspReg), 0x00) << "nothing fetched yet";
    EXPECT_EQ(Poll() & dmap::kDspDataReady, dmap::kDspDataReady);
    EXPECT_EQ(Read(kDspReg), 0x7C) << "data ready seen: this read is the fetch";
    EXPECT_EQ(Read(kDspReg + 1), 0x7C) << "a request: the latch";
    Poll();
    EXPECT_EQ(Read(kDspReg + 1), 0x11);
    EXPECT_EQ(DspRead(kDspReg), 0x7C);

    decoder_.SetDataReadyPolls(2);
    EXPECT_EQ(Read(kDspReg + 1), 0x7C);
    EXPECT_EQ(Read(kDspReg + 1), 0x7C) << "not data ready: a request again, not the fetch";
    EXPECT_EQ(PollsUntil(dmap::kDspDataReady), 3) << "and the count went on";
    decoder_.Reg(kDspReg + 1) = 0x22;
    EXPECT_EQ(Read(kDspReg + 1), 0x22) << "the fetch delivers the register as it is now";
}

// Data ready that comes up unseen, on a poll that showed the bit still clear,
// does not turn the next read into the fetch: the host has not seen it, so
// the read is the request again.
TEST_F(EmuDecoderTest, OnlyAHostThatSawDataReadyFetches) {
    decoder_.Reg(kDspReg) = 0x7C;
    decoder_.SetDataReadyPolls(1);
    Poll();
    Read(kDspReg);
    EXPECT_EQ(Poll() & dmap::kDspDataReady, 0) << "this poll brings data ready up, unseen";
    EXPECT_EQ(Read(kDspReg), 0x00) << "the request again";
    EXPECT_EQ(Poll() & dmap::kDspDataReady, dmap::kDspDataReady);
    EXPECT_EQ(Read(kDspReg), 0x7C);
    EXPECT_TRUE(decoder_.TakeViolations().empty());
}

TEST_F(EmuDecoderTest, ARepeatedRequestDoesNotRestartTheCount) {
    decoder_.SetDataReadyPolls(3);
    Read(kDspReg);
    Poll();
    Read(kDspReg); // the same register again
    EXPECT_EQ(PollsUntil(dmap::kDspDataReady), 3);

    Read(kDspReg); // the fetch
    Read(kDspReg);
    Poll();
    Read(kOtherDspReg); // another register: a new request, counted afresh
    EXPECT_EQ(PollsUntil(dmap::kDspDataReady), 4);
    decoder_.Reg(kOtherDspReg) = 0x64;
    decoder_.Reg(kDspReg) = 0x54;
    EXPECT_EQ(Read(kDspReg), 0x00) << "the first request was replaced: a request, the latch";
    EXPECT_EQ(Read(kOtherDspReg), 0x00) << "and this one has to start again as well";
}

TEST_F(EmuDecoderTest, LostRequestsNeverBringDataReady) {
    decoder_.Reg(kDspReg) = 0x7C;
    decoder_.LoseReadRequests(2);
    Read(kDspReg);
    EXPECT_EQ(PollsUntil(dmap::kDspDataReady), kGiveUp);
    EXPECT_EQ(Poll() & dmap::kDspReady, dmap::kDspReady) << "the DSP took the access";
    EXPECT_EQ(Read(kDspReg), 0x00) << "a request again, lost again";
    EXPECT_EQ(PollsUntil(dmap::kDspDataReady), kGiveUp);
    EXPECT_EQ(DspRead(kDspReg), 0x7C) << "the third request is heard";
}

TEST_F(EmuDecoderTest, ARequestWhileNotReadyIsLost) {
    decoder_.Reg(kDspReg) = 0x7C;
    decoder_.SetReadyPolls(2);
    Read(kDspReg); // ready is down
    EXPECT_EQ(PollsUntil(dmap::kDspReady), 3);
    EXPECT_EQ(Poll() & dmap::kDspDataReady, 0) << "the request was not taken";
    EXPECT_EQ(Read(kDspReg), 0x00) << "so this read is a request, not a fetch";
    EXPECT_EQ(PollsUntil(dmap::kDspDataReady), 1);
    EXPECT_EQ(Read(kDspReg), 0x7C);
}

TEST_F(EmuDecoderTest, AByteWrittenWhileNotReadyIsDropped) {
    decoder_.Reg(kOtherDspReg) = 0x11;
    decoder_.SetReadyPolls(1);
    EXPECT_TRUE(decoder_.WriteReg16(kOtherDspReg, 0x33)) << "the bus takes it";
    EXPECT_EQ(decoder_.Reg(kOtherDspReg), 0x11) << "the DSP does not";
    EXPECT_EQ(decoder_.LostWrites(), 1u);
    EXPECT_EQ(PollsUntil(dmap::kDspReady), 2);
    decoder_.WriteReg16(kOtherDspReg, 0x33);
    EXPECT_EQ(decoder_.Reg(kOtherDspReg), 0x33);
    decoder_.WriteReg16(kOtherDspReg + 1, 0x44); // no poll between: ready is down again
    EXPECT_EQ(decoder_.Reg(kOtherDspReg + 1), 0x00);
    EXPECT_EQ(decoder_.LostWrites(), 2u);
}

// The window is 0x400..0x500, both ends included; every other register is a
// plain one that never waits for the DSP.
TEST_F(EmuDecoderTest, OnlyTheDspWindowNeedsTheHandshake) {
    decoder_.SetReadyPolls(emu::Decoder::kNever);
    struct Case {
        uint16_t reg;
        bool dsp;
    };
    const Case cases[] = {{0x3FF, false}, {0x400, true},  {0x4FF, true},
                          {0x500, true},  {0x501, false}, {0x102, false}};
    unsigned lost = 0;
    for (const Case& c : cases) {
        decoder_.Reg(c.reg) = 0x5A;
        decoder_.WriteReg16(c.reg, 0xA5);
        lost += c.dsp ? 1 : 0;
        EXPECT_EQ(decoder_.Reg(c.reg), c.dsp ? 0x5A : 0xA5) << std::hex << c.reg;
        EXPECT_EQ(decoder_.LostWrites(), lost) << std::hex << c.reg;
        EXPECT_EQ(Read(c.reg), c.dsp ? 0x00 : 0xA5) << std::hex << c.reg;
    }
    EXPECT_EQ(PollsUntil(dmap::kDspReady), kGiveUp) << "never";
}

TEST_F(EmuDecoderTest, TheVideoStatusRegisterReadsTheStatusBits) {
    decoder_.SetVideoStatus(0xB2);
    decoder_.WriteReg16(dmap::kVideoStatus, 0x01);
    EXPECT_EQ(Read(dmap::kVideoStatus), 0xB2);
    EXPECT_EQ(decoder_.Reg(dmap::kVideoStatus), 0x01) << "what was written is kept";
}

// After `skip` good reads of a register, `count` reads are not acknowledged
// and leave the caller's byte alone; a failed status poll moves no count on.
TEST_F(EmuDecoderTest, FailedReadsLeaveTheByteAndMoveNothingOn) {
    struct Case {
        unsigned skip;
        unsigned count;
        const char* pattern; // six reads: + acknowledged, - not
    };
    const Case cases[] = {
        {0, 0, "++++++"},
        {0, 2, "--++++"},
        {2, 1, "++-+++"},
        {1, emu::Decoder::kNever, "+-----"},
    };
    decoder_.Reg(0x10E) = 0x5A;
    for (const Case& c : cases) {
        decoder_.FailReads(0x10E, c.skip, c.count);
        std::string pattern;
        for (int i = 0; i < 6; ++i) {
            uint8_t v = 0x77;
            const bool ok = decoder_.ReadReg16(0x10E, &v);
            pattern += ok ? '+' : '-';
            EXPECT_EQ(v, ok ? 0x5A : 0x77);
        }
        EXPECT_EQ(pattern, c.pattern) << c.skip << " " << c.count;
    }
    decoder_.FailReads(0x10E, 0, 0);

    decoder_.SetReadyPolls(1);
    decoder_.FailReads(dmap::kDspStatus, 0, 2);
    uint8_t status = 0;
    EXPECT_FALSE(decoder_.ReadReg16(dmap::kDspStatus, &status));
    EXPECT_FALSE(decoder_.ReadReg16(dmap::kDspStatus, &status));
    EXPECT_EQ(PollsUntil(dmap::kDspReady), 2) << "the failed polls did not count";
}

TEST_F(EmuDecoderTest, HooksSeeEveryAccessTheDeviceTakes) {
    std::vector<uint16_t> reads;
    std::vector<uint16_t> writes;
    decoder_.OnRead([&](uint16_t reg) { reads.push_back(reg); });
    decoder_.OnWrite([&](uint16_t reg, uint8_t) { writes.push_back(reg); });
    decoder_.FailReads(0x10F, 0, 1);
    uint8_t v = 0;
    decoder_.ReadReg16(0x10F, &v);
    Read(0x10E);
    Poll();
    decoder_.WriteReg16(0x102, 1);
    decoder_.SetReadyPolls(1);
    decoder_.WriteReg16(kDspReg, 1); // dropped
    EXPECT_EQ(reads, (std::vector<uint16_t>{0x10E, dmap::kDspStatus}));
    EXPECT_EQ(writes, (std::vector<uint16_t>{0x102}));
}

TEST_F(EmuDecoderTest, FieldsReadAndKeepTheRestOfTheirDword) {
    decoder_.SetDword(0x59B, 0x12345678);
    EXPECT_EQ(decoder_.Field(dmap::kAudioInputSelect), (0x12345678u >> 6) & 3);
    decoder_.SetField(dmap::kAudioInputSelect, 0x1F); // only two bits taken
    EXPECT_EQ(decoder_.Dword(0x59B), 0x123456F8u);
    decoder_.SetField(dmap::kAudioSetup598, 0xCAFEF00D);
    EXPECT_EQ(decoder_.Dword(0x598), 0xCAFEF00Du);
    EXPECT_EQ(decoder_.Reg(0x59C), 0x56) << "the dword ends at 0x59B";
}

// The sound of the broadcast as the DSP reports it: per sound mode, in the
// flag registers (status codes 5, 9, 10, 11) or in the status word (bits 5
// and 6 with bit 11 set, or bits 7, 8 and 9 with it clear); bit 12 reports a
// third language in every layout.
TEST_F(EmuDecoderTest, BroadcastSoundShowsInEveryReportLayout) {
    constexpr emu::Sound kMono = emu::kMonoSound;
    constexpr emu::Sound kStereo = emu::kStereoSound;
    constexpr emu::Sound kTwo = emu::kTwoLanguageSound;
    constexpr emu::Sound kBoth{true, true, false};
    constexpr emu::Sound kThree{false, true, true};
    struct Case {
        uint8_t code;
        bool bit11;
        emu::Sound sound;
        uint32_t status; // dword at 0x404
        bool stereoFlag; // 0x409 bit 7
        bool twoFlag;    // 0x40A bit 0
    };
    const Case cases[] = {
        {0, false, kMono, 0x000, false, false},     {0, false, kStereo, 0x280, false, false},
        {0, false, kTwo, 0x180, false, false},      {0, false, kBoth, 0x380, false, false},
        {0, false, kThree, 0x1180, false, false},   {3, false, kStereo, 0x283, false, false},
        {4, true, kMono, 0x804, false, false},      {4, true, kStereo, 0x824, false, false},
        {4, true, kTwo, 0x844, false, false},       {4, true, kBoth, 0x864, false, false},
        {4, true, kThree, 0x1844, false, false},    {5, false, kStereo, 0x005, true, false},
        {9, true, kTwo, 0x009, false, true},        {10, false, kBoth, 0x00A, true, true},
        {11, true, kThree, 0x100B, false, true},    {11, false, kMono, 0x00B, false, false},
        {0x29, false, kStereo, 0x009, true, false}, // the code is five bits
    };
    decoder_.Reg(0x409) = 0x55; // the flags' neighbours keep their bits
    decoder_.Reg(0x40A) = 0xAA;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "code " << int{c.code} << " bit 11 " << c.bit11 << " stereo "
                     << c.sound.stereo << " two " << c.sound.twoLanguages << " three "
                     << c.sound.thirdLanguage);
        decoder_.SetBroadcastSound(emu::kMonoSound);
        decoder_.SetSoundReport(c.code, c.bit11);
        decoder_.SetBroadcastSound(c.sound);
        EXPECT_EQ(decoder_.Dword(dmap::kSoundStatus), c.status);
        EXPECT_EQ(decoder_.Reg(dmap::kStereoFlag), c.stereoFlag ? 0xD5 : 0x55);
        EXPECT_EQ(decoder_.Reg(dmap::kTwoLanguageFlag), c.twoFlag ? 0xAB : 0xAA);
        // The layout may change under a sound as well.
        decoder_.SetSoundReport(0, false);
        decoder_.SetSoundReport(c.code, c.bit11);
        EXPECT_EQ(decoder_.Dword(dmap::kSoundStatus), c.status);
    }
}

TEST_F(EmuDecoderTest, TheSoundStatusIsReadThroughTheHandshake) {
    decoder_.SetSoundReport(4, true);
    decoder_.SetBroadcastSound(emu::kStereoSound);
    decoder_.SetReadyPolls(1);
    decoder_.SetDataReadyPolls(2);
    uint32_t word = 0;
    for (unsigned k = 0; k < 4; ++k) {
        word |= static_cast<uint32_t>(DspRead(static_cast<uint16_t>(dmap::kSoundStatus + k)))
                << (8 * k);
    }
    EXPECT_EQ(word, 0x824u);
}

} // namespace
