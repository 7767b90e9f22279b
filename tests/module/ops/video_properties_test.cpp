// The video property interface and InitializeSensor, against the emulated
// decoder.
#include "decoder_fixture.h"

#include "virtual_time/kernel_virtual.h"

namespace {

class VideoPropertiesTest : public DecoderTest {
  protected:
    // With the 17 property values `p`, or else, as a host does, with the
    // defaults the module reports.
    int32_t Initialize(const TVB_SENSOR_INIT_RECORD* record, int32_t restart, int32_t input,
                       const int32_t* p = nullptr) {
        VideoPropertyDefaults defaults;
        if (p == nullptr) {
            caps_->VideoOps->GetVideoPropertyDefaults(0, 0, &defaults);
            p = reinterpret_cast<const int32_t*>(defaults.Value);
        }
        return caps_->VideoOps->InitializeSensor(record, 0x99, restart, input, p[0], p[1], p[2],
                                                 p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10],
                                                 p[11], p[12], p[13], p[14], p[15], p[16]);
    }

    uint32_t Get(uint32_t property, uint32_t start) {
        uint32_t value = start;
        caps_->VideoOps->GetVideoProperty(0, 0, property, &value, 0);
        return value;
    }
};

std::string SensorMessage(int count, int tv, int scaler) {
    return "InitializeSensor--audioInitializeCount= " + std::to_string(count) +
           " g_bIsTvInitialized=" + std::to_string(tv) +
           " g_bIsScalerInitialized=" + std::to_string(scaler) + " ";
}

} // namespace

TEST_F(VideoPropertiesTest, InitializeSensorTakesInputAndRestartValueFromRecordOrArguments) {
    const TVB_SENSOR_INIT_RECORD record{2, 77};
    // brightness 100, contrast out of range, hue -50, saturation 50
    const int32_t p[17] = {100, 0, 101, 0, -50, 0, 50, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0};
    const size_t mark = Mark();
    EXPECT_EQ(Initialize(&record, -1, -1, p), 0);

    std::vector<std::string> want = {SensorMessage(0, 0, 0), "SetVideoProperty 0 2",
                                     "SetVideoProperty 4098 77", "SetVideoProperty 0 2"};
    for (int k = 1; k <= 17; ++k) {
        want.push_back("SetVideoProperty " + std::to_string(k) + " " + std::to_string(p[k - 1]));
    }
    EXPECT_EQ(Messages(mark), want);

    EXPECT_EQ(CurrentVideoInput, 2u);
    EXPECT_EQ(Writes(mark, 0x102), 3) << "register set once, input 2 twice";
    EXPECT_EQ(decoder_.Reg(0x102), 0xC8);
    EXPECT_EQ(decoder_.Reg(0x10A), 0xFF);
    EXPECT_EQ(decoder_.Reg(0x10B), 0x44) << "out-of-range contrast leaves the register set's value";
    EXPECT_EQ(decoder_.Reg(0x10D), 0x80);
    EXPECT_EQ(decoder_.Reg(0x10C), 0x3F);
    // Two input selections and the set-up of the first five calls each load
    // the audio standard (its first step writes 0x598).
    EXPECT_EQ(Writes(mark, 0x598), 3);
    EXPECT_EQ(g_bIsTvInitialized, 1);
    EXPECT_EQ(g_bIsScalerInitialized, 1);
    EXPECT_EQ(audioInitializeCount, 1);

    // Explicit arguments win over the record.
    const size_t again = Mark();
    Initialize(&record, 5, 1);
    const std::vector<std::string> got = Messages(again);
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ(got[1], "SetVideoProperty 0 1");
    EXPECT_EQ(got[2], "SetVideoProperty 4098 5");
    EXPECT_EQ(CurrentVideoInput, 1u);
}

TEST_F(VideoPropertiesTest, AudioSetUpRunsOnTheFirstFiveCallsOnly) {
    const TVB_SENSOR_INIT_RECORD record{0, 0};
    for (int call = 1; call <= 7; ++call) {
        const size_t mark = Mark();
        Initialize(&record, -1, -1);
        const int count = call <= 5 ? call - 1 : 5;
        EXPECT_EQ(Messages(mark).at(0), SensorMessage(count, 1 - (call == 1), 1 - (call == 1)))
            << "call " << call;
        EXPECT_EQ(Writes(mark, 0x598), call <= 5 ? 3 : 2) << "call " << call;
    }
    EXPECT_EQ(audioInitializeCount, 5);
}

TEST_F(VideoPropertiesTest, NullRecordReturnsMinusOneAfterItsMessage) {
    const size_t mark = Mark();
    EXPECT_EQ(Initialize(nullptr, 0, 0), -1);
    EXPECT_EQ(TraceFrom(mark), "dbg \"<ORVELSTRM.SYS> \"\n"
                               "dbg \"" +
                                   SensorMessage(0, 0, 0) +
                                   "\"\n"
                                   "dbg \"\\n\"\n");
    EXPECT_EQ(g_bIsTvInitialized, 0);
    EXPECT_EQ(audioInitializeCount, 0);
}

TEST_F(VideoPropertiesTest, DebugBitZeroGuardsOnlyTheSensorMessage) {
    DbgFlags = 0xFFFFFFFEu;
    const TVB_SENSOR_INIT_RECORD record{0, 0};
    const size_t mark = Mark();
    Initialize(&record, -1, -1);
    const std::vector<std::string> got = Messages(mark);
    ASSERT_EQ(got.size(), 20u);
    EXPECT_EQ(got.front(), "SetVideoProperty 0 0");

    DbgFlags = 1; // bit 0 alone: both kinds print
    const size_t again = Mark();
    Initialize(&record, -1, -1);
    EXPECT_EQ(Messages(again).size(), 21u);
}

TEST_F(VideoPropertiesTest, OutputControlProperty) {
    DbgFlags = 0;
    for (int32_t value : {5, 0, -1}) {
        const size_t mark = Mark();
        EXPECT_EQ(caps_->VideoOps->SetVideoProperty(0, 0, 0x1003, value, 0), 0u);
        EXPECT_EQ(TraceFrom(mark), value != 0 ? "42[190] <- 18\n" : "42[190] <- 00\n");
    }
}

TEST_F(VideoPropertiesTest, StatusBitsFromRegister11F) {
    decoder_.SetVideoStatus(0xB2);
    const size_t mark = Mark();
    EXPECT_EQ(Get(0x1000, 7), 1u);
    EXPECT_EQ(Get(0x1001, 7), 0u);
    EXPECT_EQ(Messages(mark),
              (std::vector<std::string>{"GetVideoProperty 4096", "GetVideoProperty return 1",
                                        "GetVideoProperty 4097", "GetVideoProperty return 0"}));
    EXPECT_EQ(Reads(mark, 0x11F), 2) << "one read each";
    decoder_.SetVideoStatus(0x01);
    EXPECT_EQ(Get(0x1000, 7), 0u);
    EXPECT_EQ(Get(0x1001, 7), 1u);
}

TEST_F(VideoPropertiesTest, UnknownPropertiesAndANullValuePointerDoNothing) {
    const size_t mark = Mark();
    EXPECT_EQ(caps_->VideoOps->GetVideoProperty(0, 0, 0x1000, nullptr, 0), 0u);
    EXPECT_EQ(TraceFrom(mark), "");
    EXPECT_EQ(Get(2, 0xABCD), 0xABCDu);
    for (uint32_t property : {2u, 4u, 6u, 8u, 17u, 0x1000u, 0x1001u, 0x1004u, 0xFFFFFFFFu}) {
        EXPECT_EQ(caps_->VideoOps->SetVideoProperty(0, 0, property, 1, 0), 0u);
    }
    EXPECT_EQ(Messages(mark).at(1), "GetVideoProperty return 43981");
    EXPECT_EQ(AllWrites(mark), 0);
    EXPECT_EQ(Reads(mark, kAnyRegister), 0);
}

TEST_F(VideoPropertiesTest, WithoutBoardStatusReadsZeroAndNothingIsSent) {
    decoder_.SetVideoStatus(0xFF);
    Close();
    EXPECT_EQ(Get(0x1000, 7), 0u);
    EXPECT_EQ(Get(0x1001, 7), 0u);
    caps_->VideoOps->SetVideoProperty(0, 0, 0x1003, 1, 0);
    caps_->VideoOps->SetVideoProperty(0, 0, 0x1002, 0, 0);
    EXPECT_EQ(host_->Trace().RenderIf(emu::IsBusTraffic), "");
    EXPECT_EQ(vt::NowUs() >= 30000u, true) << "the restart still waits";
}
