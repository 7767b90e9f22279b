// A host table with empty slots. The module never calls through an empty
// slot: that access acts as one the host could not make, so a read yields 0
// and the module goes on as it does with a device that does not answer.
#include "tuner_fixture.h"

namespace {

using Clear = void (*)(TVB_HOST_OPS&);

class HostTableTest : public TunerTest {
  protected:
    // What the host learns in one session on a board with a station at
    // 175.25 MHz (PAL B), decoder status bits all set and pins all 1.
    struct Answers {
        uint32_t statusBit; // video property 0x1000
        uint32_t tunedHz;   // where the demodulator is tuned
        uint32_t busy;      // tuner status request (kAny: whatever the device says)
        uint32_t pinByte;   // frequency get request
        uint32_t pinWrites; // for the sample rate
        // Reads of the IF demodulator with no sub-address set: without
        // BusWrite the module cannot address the register it reads.
        uint32_t unaddressedReads;
    };
    static constexpr uint32_t kAny = ~0u;

    Answers Session(const TVB_HOST_OPS& table) {
        AddStation(175250000, TVB_STANDARD_PAL_B);
        Board().decoder.SetVideoStatus(0xFF);
        for (uint32_t pin = 0; pin < 8; ++pin) {
            host_->SetPinInput(pin, 1);
        }
        DllInitialize(nullptr);
        const TVB_BOARD_MODULE_CAPS* const* list = nullptr;
        uint32_t count = 0;
        GetBoardModuleCaps(0, &table, &list, &count);
        caps_ = list[0];
        caps_->BoardOps->OpenBoard(emu::HostTable::kBoardHandle, &settings_, &info_);

        const TVB_SENSOR_INIT_RECORD record{0, 0};
        caps_->VideoOps->InitializeSensor(&record, 0, -1, -1, 50, 0, 50, 0, 0, 0, 50, 0, 50, 0, 50,
                                          0, 50, 0, 50, 0, 0);
        SetStandard(TVB_STANDARD_PAL_B);
        Tune(175250000);
        Answers a{};
        caps_->VideoOps->GetVideoProperty(0, 0, 0x1000, &a.statusBit, 0);
        a.tunedHz = Board().demod.TunedHz();
        a.busy = Get(6).Busy;
        a.pinByte = Get(4).Mode;
        AudioFormat format{0, 48000, 0, 0};
        const size_t mark = Mark();
        caps_->AudioOps->SetAudioSampleRate(0, emu::HostTable::kBoardHandle, &format);
        a.pinWrites = static_cast<uint32_t>(Lines(RenderFrom(mark, [](const emu::Event& e) {
                                                return e.kind == emu::EventKind::WritePins;
                                            })).size());
        Close();
        DllUnload();
        return a;
    }
};

} // namespace

TEST_F(HostTableTest, EmptySlotsAreNeverCalled) {
    constexpr uint32_t kTuned = 175250000;
    const struct {
        const char* name;
        Clear clear;
        HostTableTest::Answers answers;
    } cases[] = {
        {"no slot empty", [](TVB_HOST_OPS&) {}, {1, kTuned, 0, 0x9F, 1, 0}},
        {"WriteReg16", [](TVB_HOST_OPS& t) { t.WriteReg16 = nullptr; }, {1, kTuned, 0, 0x9F, 1, 0}},
        {"ReadReg16", [](TVB_HOST_OPS& t) { t.ReadReg16 = nullptr; }, {0, kTuned, 0, 0x9F, 1, 0}},
        {"BusWrite", [](TVB_HOST_OPS& t) { t.BusWrite = nullptr; }, {1, 0, kAny, 0x9F, 1, 31}},
        {"BusRead", [](TVB_HOST_OPS& t) { t.BusRead = nullptr; }, {1, kTuned, 1, 0x9F, 1, 0}},
        {"WritePins", [](TVB_HOST_OPS& t) { t.WritePins = nullptr; }, {1, kTuned, 0, 0x9F, 0, 0}},
        {"ReadPins", [](TVB_HOST_OPS& t) { t.ReadPins = nullptr; }, {1, kTuned, 0, 0, 1, 0}},
        {"every slot", [](TVB_HOST_OPS& t) { t = TVB_HOST_OPS{}; }, {0, 0, 1, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        TVB_HOST_OPS table = *host_->Ops();
        c.clear(table);
        const Answers a = Session(table);
        EXPECT_EQ(a.statusBit, c.answers.statusBit);
        EXPECT_EQ(a.tunedHz, c.answers.tunedHz);
        if (c.answers.busy != kAny) {
            EXPECT_EQ(a.busy, c.answers.busy);
        }
        EXPECT_EQ(a.pinByte, c.answers.pinByte);
        EXPECT_EQ(a.pinWrites, c.answers.pinWrites);
        EXPECT_EQ(ConsumeProblems("IF demodulator: read without a sub-address set"),
                  c.answers.unaddressedReads);
    }
}
