#include "fuzz/call_sequence.h"

namespace fuzz {

namespace {

const char* OpName(Op op) {
    static const char* const kNames[] = {
        "call",         "DllInitialize", "DllUnload",    "GetBoardModuleCaps", "irql",
        "dsp-timing",   "dsp-noise",     "dsp-requests", "dsp-fail-reads",     "demod-faults",
        "synth-faults", "lock",          "station",      "no-stations",        "sound-report",
        "video-status", "decoder-reg",   "pin",          "fail-allocations",
    };
    static_assert(sizeof(kNames) / sizeof(kNames[0]) == kOpCount, "a name for every op");
    return kNames[static_cast<size_t>(op) % kOpCount];
}

} // namespace

CallSequence::CallSequence(const uint8_t* data, size_t size, const fuzz::Run& how)
    : in_(data, size), how_(how) {
    if (!how.keepTimeline && !how.keepEvents) {
        host_.Trace().Keep(kReportedEvents);
    }
    if (how.digest || how.eventDigests || how.windowFrom <= how.windowTo) {
        host_.Trace().Observe(Observed, this);
    }
    if (how.image.empty() && !how.kernelEvents) {
        driver_ = std::make_unique<host_driver::HostDriver>(nullptr);
    } else {
        driver_ = std::make_unique<host_driver::HostDriver>(host_, how.image);
        driver_->SetNotes(host_driver::Notes::Off);
        linked_ = driver_->Linked();
        // Both sides of a comparison coalesce alike: a run of equal waits is
        // one event with its count, compared as exactly as the waits alone.
        vt::CoalesceWaits(true);
    }
}

uint8_t* CallSequence::NewBlock(size_t size, uint8_t fill) {
    blocks_.emplace_back(new uint8_t[size]);
    uint8_t* p = blocks_.back().get();
    std::memset(p, fill, size);
    return p;
}

RecordArg CallSequence::MakeRecord(size_t full, size_t extent, uint8_t fill) {
    RecordArg r;
    r.how = static_cast<Record>(in_.U8() % kRecordCount);
    switch (r.how) {
    case Record::Null:
        return r;
    case Record::Short:
        if (full > extent) {
            r.size = extent + in_.U8() % (full - extent);
            break;
        }
        r.how = Record::Full;
        r.size = full;
        break;
    default: // the other kinds mean something for tuner records only
        r.how = Record::Full;
        r.size = full;
        break;
    }
    r.ptr = NewBlock(r.size, fill);
    return r;
}

RecordArg CallSequence::SameOr(const RecordArg& other, size_t full, size_t extent, uint8_t fill) {
    const auto how = static_cast<Record>(in_.U8() % kRecordCount);
    RecordArg r;
    if (how == Record::Same && other.ptr != nullptr && other.size >= extent) {
        r = other;
        r.how = Record::Same;
        return r;
    }
    if (how == Record::Null) {
        return r;
    }
    r.how = Record::Full;
    r.size = full;
    if (how == Record::Short && full > extent) {
        r.how = Record::Short;
        r.size = extent + in_.U8() % (full - extent);
    }
    r.ptr = NewBlock(r.size, fill);
    return r;
}

TVTunerSettings* CallSequence::OlderRecord() {
    for (const Handed& h : handed_) {
        if (h.alive && h.record != live_) {
            return h.record;
        }
    }
    return nullptr;
}

// --- the session --------------------------------------------------------------

namespace {

// Which slots of a table handed in are empty.
std::string TableMask(const TVB_HOST_OPS* table) {
    if (table == nullptr) {
        return ", none";
    }
    std::string empty;
    const void* const* slots = reinterpret_cast<const void* const*>(table);
    for (int k = 0; k < 8; ++k) {
        if (slots[k] == nullptr) {
            empty += " " + std::to_string(k);
        }
    }
    return empty.empty() ? "" : ", slots empty:" + empty;
}

} // namespace

const TVB_HOST_OPS* CallSequence::TableFor(uint8_t how) {
    switch (how % 4) {
    case 2: {
        auto table = std::make_unique<TVB_HOST_OPS>(*host_.Ops());
        const uint8_t mask = in_.U8();
        void** slots = reinterpret_cast<void**>(table.get());
        for (int k = 0; k < 8; ++k) {
            if ((mask >> k & 1) != 0) {
                slots[k] = nullptr;
            }
        }
        tables_.push_back(std::move(table));
        return tables_.back().get();
    }
    case 3:
        return nullptr;
    default:
        return host_.Ops();
    }
}

void CallSequence::HandIn(uint8_t how) {
    const TVB_HOST_OPS* table = TableFor(how);
    const uint8_t places = in_.U8();
    if (in_.Ended()) {
        return;
    }
    const TVB_BOARD_MODULE_CAPS* const* list = nullptr;
    uint32_t count = 0;
    Before(
        [&] {
            return "GetBoardModuleCaps(table " + std::to_string(how % 4) + TableMask(table) + ")";
        },
        0);
    driver_->HandIn(table, (places & 1) != 0 ? &list : nullptr,
                    (places & 2) != 0 ? &count : nullptr);
    After();
    busWriteMissing_ = table == nullptr || table->BusWrite == nullptr;
    if ((places & 1) != 0) {
        Expect(list != nullptr && list[0] != nullptr, "no capability record handed out");
        if (list != nullptr) {
            caps_ = list[0];
        }
    }
    if ((places & 2) != 0) {
        Expect(count == 1, [&] { return "capability count " + std::to_string(count); });
    }
}

Outcome CallSequence::Run() {
    if (!driver_->Ready()) {
        Find(driver_->Error());
        return out_;
    }
    // The header: the table the host hands in first; the host learns the
    // capability record from it, as every host must.
    const uint8_t header = in_.U8();
    {
        const TVB_HOST_OPS* table = TableFor(header);
        const TVB_BOARD_MODULE_CAPS* const* list = nullptr;
        uint32_t count = 0;
        Before([&] { return std::string("GetBoardModuleCaps(header)"); }, 0);
        driver_->HandIn(table, &list, &count);
        After();
        busWriteMissing_ = table == nullptr || table->BusWrite == nullptr;
        caps_ = list != nullptr ? list[0] : nullptr;
        if (caps_ == nullptr) {
            Find("GetBoardModuleCaps handed out no capability record");
            return out_;
        }
    }
    while (!in_.AtEnd() && out_.calls < kMaxCalls && out_.findings.empty()) {
        const auto op = static_cast<Op>(in_.U8() % kOpCount);
        Operation(op);
    }
    vt::FlushWaits(); // the session's last waits are on its timeline too
    return out_;
}

void CallSequence::Operation(Op op) {
    switch (op) {
    case Op::Call: {
        const uint8_t table = in_.U8();
        const uint8_t slot = in_.U8();
        if (!in_.Ended()) {
            CallSlot(table, slot);
        }
        return;
    }
    case Op::Initialize:
        Before([&] { return std::string("DllInitialize"); }, 0);
        Expect(driver_->Initialize() == TVB_STATUS_SUCCESS, "DllInitialize did not return success");
        After();
        return;
    case Op::Unload:
        Before([&] { return std::string("DllUnload"); }, 0);
        Expect(driver_->Unload() == TVB_STATUS_SUCCESS, "DllUnload did not return success");
        After();
        return;
    case Op::Caps:
        HandIn(in_.U8());
        return;
    case Op::Irql: {
        static constexpr uint8_t kLevels[] = {0, 1, 2, 3, 15, 31, 0, 2};
        const uint8_t level = kLevels[in_.U8() % sizeof(kLevels)];
        if (!in_.Ended()) {
            vt::SetIrql(level);
            if (how_.describe) {
                out_.steps.push_back("interrupt level " + std::to_string(level));
            }
        }
        return;
    }
    default: {
        const size_t from = in_.Offset();
        Device(op);
        if (!in_.Ended() && how_.describe) {
            std::string step = "board: " + std::string(OpName(op));
            for (size_t i = from; i < in_.Offset(); ++i) {
                step += " " + std::to_string(in_.ByteAt(i));
            }
            out_.steps.push_back(step);
        }
        return;
    }
    }
}

emu::TransferFaultPlan CallSequence::Plan() {
    const uint8_t period = in_.U8();
    const uint8_t phase = in_.U8();
    const uint8_t kind = in_.U8();
    const uint8_t keep = in_.U8();
    const uint8_t index = in_.U8();
    const uint8_t flip = in_.U8();
    const uint8_t readsToo = in_.U8();
    if (period == 0xFF) {
        return nullptr;
    }
    const unsigned every = period % 8 + 1;
    const emu::TransferFault fault{static_cast<emu::TransferFault::Kind>(kind % 4), keep % 4u,
                                   index, static_cast<uint8_t>(flip == 0 ? 0x80 : flip)};
    const bool reads = (readsToo & 1) != 0;
    return [=](bool read, size_t, unsigned transfer) {
        if ((read && !reads) || transfer % every != phase % every) {
            return emu::TransferFault{};
        }
        return fault;
    };
}

void CallSequence::Device(Op op) {
    emu::Decoder& dsp = board_.decoder;
    switch (op) {
    case Op::DspTiming: {
        const auto polls = [](uint8_t b) { return b >= 0xF0 ? emu::Decoder::kNever : b % 16u; };
        const uint8_t ready = in_.U8();
        const uint8_t data = in_.U8();
        const uint8_t done = in_.U8();
        if (!in_.Ended()) {
            dsp.SetReadyPolls(polls(ready));
            dsp.SetDataReadyPolls(polls(data));
            dsp.SetReadDonePolls(polls(done));
        }
        return;
    }
    case Op::DspNoise: {
        const uint8_t period = in_.U8();
        const uint8_t phase = in_.U8();
        const uint8_t hide = in_.U8();
        const uint8_t add = in_.U8();
        if (in_.Ended()) {
            return;
        }
        if (period == 0xFF) {
            dsp.SetStatusFilter(nullptr);
            dsp.AnswerJustInTime(false);
            return;
        }
        if (period == 0xFE) { // the slowest DSP the module can still work with
            dsp.AnswerJustInTime(true, phase % 5u);
            return;
        }
        const unsigned every = period % 16u + 1;
        const unsigned at = phase % every;
        dsp.SetStatusFilter([=](uint8_t honest, unsigned poll) {
            if (poll % every != at) {
                return honest;
            }
            return static_cast<uint8_t>(((honest & ~hide) | add) & 0x07);
        });
        return;
    }
    case Op::DspRequests: {
        const uint8_t next = in_.U8();
        const uint8_t perRead = in_.U8();
        if (!in_.Ended()) {
            dsp.LoseReadRequests(next % 8u);
            dsp.LoseFirstRequestsOfEveryRead(perRead % 6u);
        }
        return;
    }
    case Op::DspFailReads: {
        const uint32_t reg = in_.Value(Kind::Register);
        const uint8_t skip = in_.U8();
        const uint8_t count = in_.U8();
        if (!in_.Ended()) {
            dsp.FailReads(static_cast<uint16_t>(reg), skip % 32u,
                          count == 0xFF ? emu::Decoder::kNever : count % 16u);
        }
        return;
    }
    case Op::DemodFaults: {
        emu::TransferFaultPlan plan = Plan();
        if (!in_.Ended()) {
            board_.demod.SetTransferFaults(std::move(plan));
        }
        return;
    }
    case Op::SynthFaults: {
        emu::TransferFaultPlan plan = Plan();
        if (!in_.Ended()) {
            board_.synth.SetTransferFaults(std::move(plan));
        }
        return;
    }
    case Op::Lock: {
        const uint8_t mode = in_.U8();
        const uint8_t n = in_.U8();
        if (in_.Ended()) {
            return;
        }
        board_.demod.LockNever(false);
        board_.demod.LockAfterReads(0);
        board_.demod.LoseLockAfterReads(-1);
        switch (mode % 4) {
        case 1:
            board_.demod.LockAfterReads(n % 40);
            break;
        case 2:
            board_.demod.LockNever();
            break;
        case 3:
            board_.demod.LoseLockAfterReads(n % 40);
            break;
        default:
            break;
        }
        return;
    }
    case Op::Station: {
        const uint32_t hz = in_.Value(Kind::Frequency);
        const uint32_t standard = in_.Value(Kind::Standard);
        const uint8_t sound = in_.U8();
        const uint8_t strength = in_.U8();
        if (!in_.Ended()) {
            board_.antenna.Add({hz, standard,
                                emu::Sound{(sound & 1) != 0, (sound & 2) != 0, (sound & 4) != 0},
                                strength});
        }
        return;
    }
    case Op::NoStations:
        board_.antenna.Clear();
        return;
    case Op::SoundReport: {
        const uint8_t code = in_.U8();
        const uint8_t bit11 = in_.U8();
        if (!in_.Ended()) {
            dsp.SetSoundReport(code, (bit11 & 1) != 0);
        }
        return;
    }
    case Op::VideoStatus: {
        const uint8_t bits = in_.U8();
        if (!in_.Ended()) {
            dsp.SetVideoStatus(bits);
        }
        return;
    }
    case Op::DecoderReg: {
        const uint32_t reg = in_.Value(Kind::Register);
        const uint8_t value = in_.U8();
        if (!in_.Ended()) {
            dsp.Reg(static_cast<uint16_t>(reg)) = value;
        }
        return;
    }
    case Op::Pin: {
        const uint8_t pin = in_.U8();
        const uint8_t value = in_.U8();
        if (!in_.Ended()) {
            host_.SetPinInput(pin % 8u, value % 2u);
        }
        return;
    }
    case Op::FailAllocations: {
        const uint8_t count = in_.U8();
        if (!in_.Ended()) {
            vt::FailNextAllocations(count % 4);
        }
        return;
    }
    default:
        return;
    }
}

} // namespace fuzz
