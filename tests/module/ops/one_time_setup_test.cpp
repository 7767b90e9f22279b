// The one-time set-ups (the tuner's start-up block, the decoder register set
// and the first five audio set-ups of InitializeSensor) count as done only
// when they ran with a board reachable. Asked for earlier, they happen on the
// first call that finds one; once run with a board they are never repeated,
// also when the devices did not answer.
#include "sequences.h"
#include "tuner_fixture.h"

#include <vector>

namespace {

class OneTimeSetUpTest : public TunerTest {
  protected:
    enum class Reach { NoBoardOpen, NoHostTable, DevicesSilent };
    enum class FirstCall { TunerSet, InitializeSensor, InputSelect };

    void Call(FirstCall call) {
        switch (call) {
        case FirstCall::TunerSet:
            Set(Request(0));
            break;
        case FirstCall::InitializeSensor: {
            const TVB_SENSOR_INIT_RECORD record{0, 0};
            caps_->VideoOps->InitializeSensor(&record, 0, -1, -1, 50, 0, 50, 0, 0, 0, 50, 0, 50, 0,
                                              50, 0, 50, 0, 50, 0, 0);
            break;
        }
        case FirstCall::InputSelect:
            caps_->InputOps->InputSelect(0, 0, 1);
            break;
        }
    }

    // The first call, made where the board cannot be reached or does not
    // answer.
    void CallFirst(FirstCall call, Reach reach) {
        HandIn(reach == Reach::NoHostTable ? nullptr : host_->Ops());
        if (reach != Reach::NoBoardOpen) {
            Open();
        }
        if (reach == Reach::DevicesSilent) {
            for (uint8_t address : {uint8_t{0x42}, uint8_t{0x96}}) {
                host_->Detach(address);
            }
        }
        Call(call);
        host_->Attach(0x42, &Board().decoder);
        host_->Attach(0x96, &Board().demod);
    }

    // Then the host has a board: table, open, a tuner request and
    // InitializeSensor.
    void ThenWithABoard() {
        HandIn(host_->Ops());
        if (settings_ == nullptr) {
            Open();
        }
        Call(FirstCall::TunerSet);
        Call(FirstCall::InitializeSensor);
    }

    int Count(size_t mark, const std::string& line) const {
        int n = 0;
        for (const std::string& l : Lines(TraceFrom(mark))) {
            n += sequences::Shape(l).rfind(line, 0) == 0;
        }
        return n;
    }
};

} // namespace

TEST_F(OneTimeSetUpTest, DoneOnlyWhenTheBoardWasReachable) {
    using R = Reach;
    using F = FirstCall;
    const struct {
        Reach reach;
        FirstCall first;
        int sensorCount; // audio set-ups InitializeSensor counted in the end
    } cases[] = {
        {R::NoBoardOpen, F::TunerSet, 1},         {R::NoBoardOpen, F::InitializeSensor, 1},
        {R::NoBoardOpen, F::InputSelect, 1},      {R::NoHostTable, F::TunerSet, 1},
        {R::NoHostTable, F::InitializeSensor, 1}, {R::NoHostTable, F::InputSelect, 1},
        {R::DevicesSilent, F::TunerSet, 1},       {R::DevicesSilent, F::InitializeSensor, 2},
        {R::DevicesSilent, F::InputSelect, 1},
    };
    // The tuner's start-up block and the register set's first write, by their
    // shapes (sequences.h): their values are their own tests' business.
    const std::string tunerBlock = "C2 {00 .. .. .. .. .. .. .. .. .. .. .. .. ..}";
    const std::string registerSet = "42[100] <- ..";
    for (const auto& c : cases) {
        SCOPED_TRACE(Format("reach %d, first call %d", static_cast<int>(c.reach),
                            static_cast<int>(c.first)));
        Fresh();
        const size_t first = Mark();
        CallFirst(c.first, c.reach);
        const size_t later = Mark();
        ThenWithABoard();
        // Each is sent once in all: by the first call only if it found a board.
        const bool reached = c.reach == R::DevicesSilent;
        const int tunerFirst = reached && c.first != F::InputSelect ? 1 : 0;
        EXPECT_EQ(Count(first, tunerBlock) - Count(later, tunerBlock), tunerFirst);
        EXPECT_EQ(Count(later, tunerBlock), 1 - tunerFirst);
        EXPECT_EQ(Count(first, registerSet) - Count(later, registerSet), reached ? 1 : 0);
        EXPECT_EQ(Count(later, registerSet), reached ? 0 : 1);
        EXPECT_EQ(g_bIsTvInitialized, 1);
        EXPECT_EQ(g_bIsScalerInitialized, 1);
        EXPECT_EQ(audioInitializeCount, c.sensorCount);
        // With the demodulator silent the gate does not open for the
        // start-up block.
        EXPECT_EQ(ConsumeProblems("synthesizer: addressed while the gate is closed"),
                  static_cast<size_t>(tunerFirst))
            << "the start-up block went to a closed gate";
    }
}
