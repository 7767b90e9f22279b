#include "fuzz/harness.h"

#include "emu/board.h"
#include "frame/abi.h"
#include "frame/ks_constants.h"
#include "frame/ks_virtual.h"
#include "frame/module_state.h"
#include "fuzz/bounds.h"
#include "fuzz/input.h"
#include "fuzz/kernel_rules.h"
#include "regmap/decoder_map.h"
#include "regmap/host_interface.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace fuzz {

namespace {

constexpr uint64_t kUsPerMs = 1000;
// A DSP status wait gives up after this many polls: a violation that comes
// after the module waited that long for a DSP that never answered is the
// DSP's, not the module's.
constexpr unsigned kFullWaitPolls = 10;
// Calls made per input at most, so that one input cannot run for long.
constexpr size_t kMaxCalls = 200;

// The fields the module keeps in step between the host's settings record and
// its own copy.
using Field = uint32_t TVTunerSettings::*;
struct KeptField {
    Field field;
    const char* name;
};
constexpr KeptField kKept[] = {
    {&TVTunerSettings::Mode, "Mode"},           {&TVTunerSettings::VideoStandard, "VideoStandard"},
    {&TVTunerSettings::Frequency, "Frequency"}, {&TVTunerSettings::TuneInfo1, "TuneInfo1"},
    {&TVTunerSettings::TuneInfo2, "TuneInfo2"}, {&TVTunerSettings::TunerInput, "TunerInput"},
    {&TVTunerSettings::AudioMode, "AudioMode"},
};
constexpr size_t kKeptCount = sizeof(kKept) / sizeof(kKept[0]);
enum KeptIndex : size_t { kMode, kStandard, kFrequency, kInfo1, kInfo2, kInput, kAudio };

// Bytes of each record the module may touch, by what the call asks for.
constexpr size_t kSettingsSize = sizeof(TVTunerSettings);
constexpr size_t kRequestIdEnd = offsetof(TVTunerSettings, RequestId) + 4; // every request
constexpr size_t kResultEnd = offsetof(TVTunerSettings, Result) + 4;       // audio-mode set
constexpr size_t kSettingsGetEnd = offsetof(TVTunerSettings, SignalStrength) + 4;
constexpr size_t kSettingsSetEnd = offsetof(TVTunerSettings, AudioMode) + 4;
constexpr size_t kBoardInfoSize = 76; // the name area, then words at 64, 68 and 72
constexpr size_t kStandardsSize = TVB_VIDEO_STANDARD_COUNT * sizeof(VideoStandardDescriptor);
constexpr size_t kSampleRateEnd = offsetof(AudioFormat, SampleRate) + 4;

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

std::string Hex(uint64_t v) {
    char b[24];
    std::snprintf(b, sizeof b, "0x%llX", static_cast<unsigned long long>(v));
    return b;
}

const char* RecordName(Record how) {
    switch (how) {
    case Record::Null:
        return "null";
    case Record::Full:
        return "full";
    case Record::Short:
        return "short";
    case Record::Live:
        return "live";
    case Record::Older:
        return "older";
    case Record::Same:
        return "same";
    case Record::Count:
        break;
    }
    return "?";
}

// A record argument as made for one call.
struct RecordArg {
    uint8_t* ptr = nullptr;
    size_t size = 0; // bytes the host owns from ptr on
    Record how = Record::Null;
    std::string Describe() const {
        return std::string(RecordName(how)) + (ptr != nullptr ? "/" + std::to_string(size) : "");
    }
};

class Session {
  public:
    Session(const uint8_t* data, size_t size) : in_(data, size) {}
    Outcome Run();
    std::string Timeline() const { return host_.Trace().Render(); }

  private:
    // --- decoding ---------------------------------------------------------
    void HandIn(uint8_t how);
    const HostOpsTable* TableFor(uint8_t how);
    void Operation(Op op);
    void Device(Op op);
    emu::TransferFaultPlan Plan();
    void CallSlot(uint8_t table, uint8_t slot);
    void BoardCall(uint8_t slot);
    void VideoCall(uint8_t slot);
    void AudioCall(uint8_t slot);
    void InputCall(uint8_t slot);
    void TunerCall(uint8_t slot);

    uint8_t* NewBlock(size_t size, uint8_t fill);
    // A record of `full` bytes of which the call may touch `extent`.
    RecordArg MakeRecord(size_t full, size_t extent, uint8_t fill);
    // The same memory as `other` when it is long enough for this call, else
    // the harness's own.
    RecordArg SameOr(const RecordArg& other, size_t full, size_t extent, uint8_t fill);
    TVTunerSettings* OlderRecord();

    // --- checks -----------------------------------------------------------
    // Brackets every host call: before, the state the checks compare with;
    // after, every check.
    void Before(const std::string& call, uint64_t boundUs);
    void After();
    void Find(const std::string& what);
    bool Excused(const emu::Problem& p) const;
    void CheckSettings();
    void Expect(bool ok, const std::string& what) {
        if (!ok) {
            Find(what);
        }
    }

    Reader in_;
    emu::Host host_;
    emu::Board board_{host_};
    KernelRuleWatch kernel_;
    Outcome out_;

    const BoardModuleCaps* caps_ = nullptr;
    std::vector<std::unique_ptr<HostOpsTable>> tables_; // every table handed in stays alive
    bool busWriteMissing_ = false;                      // in the table handed in last
    std::vector<std::unique_ptr<uint8_t[]>> blocks_;    // the current call's host buffers

    struct Handed {
        TVTunerSettings* record;
        bool alive;
    };
    std::vector<Handed> handed_;
    TVTunerSettings* live_ = nullptr; // the record of the last OpenBoard, while alive
    bool inStep_[kKeptCount] = {};
    uint32_t expectedInput_ = 0;

    // The call being made, and its kind where the name alone does not say.
    std::string call_;
    std::string kind_;
    size_t firstEvent_ = 0;
    uint64_t startUs_ = 0;
    uint64_t boundUs_ = 0;
    bool sampleRateCall_ = false;
    HostHandle sampleRateHandle_ = 0;
    // For the settings check: what kind of tuner call, and the records.
    enum class Tuner { None, Get, Set } tuner_ = Tuner::None;
    uint32_t requestId_ = 0;
    const TVTunerSettings* settingsArg_ = nullptr;
    const uint8_t* requestArg_ = nullptr;
    size_t requestSize_ = 0;
};

uint8_t* Session::NewBlock(size_t size, uint8_t fill) {
    blocks_.emplace_back(new uint8_t[size]);
    uint8_t* p = blocks_.back().get();
    std::memset(p, fill, size);
    return p;
}

RecordArg Session::MakeRecord(size_t full, size_t extent, uint8_t fill) {
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

RecordArg Session::SameOr(const RecordArg& other, size_t full, size_t extent, uint8_t fill) {
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

TVTunerSettings* Session::OlderRecord() {
    for (const Handed& h : handed_) {
        if (h.alive && h.record != live_) {
            return h.record;
        }
    }
    return nullptr;
}

// --- the session --------------------------------------------------------------

// Which slots of a table handed in are empty.
std::string TableMask(const HostOpsTable* table) {
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

const HostOpsTable* Session::TableFor(uint8_t how) {
    switch (how % 4) {
    case 2: {
        auto table = std::make_unique<HostOpsTable>(*host_.Ops());
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

void Session::HandIn(uint8_t how) {
    const HostOpsTable* table = TableFor(how);
    const uint8_t places = in_.U8();
    if (in_.Ended()) {
        return;
    }
    const BoardModuleCaps* const* list = nullptr;
    uint32_t count = 0;
    Before("GetBoardModuleCaps(table " + std::to_string(how % 4) + TableMask(table) + ")", 0);
    GetBoardModuleCaps(0, table, (places & 1) != 0 ? &list : nullptr,
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
        Expect(count == 1, "capability count " + std::to_string(count));
    }
}

Outcome Session::Run() {
    // The header: the table the host hands in first; the host learns the
    // capability record from it, as every host must.
    const uint8_t header = in_.U8();
    {
        const HostOpsTable* table = TableFor(header);
        const BoardModuleCaps* const* list = nullptr;
        uint32_t count = 0;
        Before("GetBoardModuleCaps(header)", 0);
        GetBoardModuleCaps(0, table, &list, &count);
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
    return out_;
}

void Session::Operation(Op op) {
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
        Before("DllInitialize", 0);
        Expect(DllInitialize(nullptr) == kStatusSuccess, "DllInitialize did not return success");
        After();
        return;
    case Op::Unload:
        Before("DllUnload", 0);
        Expect(DllUnload() == kStatusSuccess, "DllUnload did not return success");
        After();
        return;
    case Op::Caps:
        HandIn(in_.U8());
        return;
    case Op::Irql: {
        static constexpr uint8_t kLevels[] = {0, 1, 2, 3, 15, 31, 0, 2};
        const uint8_t level = kLevels[in_.U8() % sizeof(kLevels)];
        if (!in_.Ended()) {
            kernel_.SetIrql(level);
            out_.steps.push_back("interrupt level " + std::to_string(level));
        }
        return;
    }
    default: {
        const size_t from = in_.Offset();
        Device(op);
        if (!in_.Ended()) {
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

emu::TransferFaultPlan Session::Plan() {
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

void Session::Device(Op op) {
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

void Session::CallSlot(uint8_t table, uint8_t slot) {
    switch (table % 5) {
    case 0:
        BoardCall(slot);
        break;
    case 1:
        VideoCall(slot);
        break;
    case 2:
        AudioCall(slot);
        break;
    case 3:
        InputCall(slot);
        break;
    default:
        TunerCall(slot);
        break;
    }
    blocks_.clear();
}

// --- BoardOps ---------------------------------------------------------------

void Session::BoardCall(uint8_t slot) {
    const BoardOpsTable* ops = caps_->BoardOps;
    if (slot % 2 == 0) {
        const HostHandle ctx = in_.Value(Kind::Handle);
        const uint8_t place = in_.U8();
        RecordArg info = MakeRecord(kBoardInfoSize, kBoardInfoSize, 0xA5);
        if (in_.Ended()) {
            return;
        }
        // Where OpenBoard stores the record's address; it must overwrite this.
        TVTunerSettings unwritten{};
        TVTunerSettings* record = &unwritten;
        TVTunerSettings** out = place % 3 != 0 ? &record : nullptr;
        Before("OpenBoard(" + Hex(ctx) + ", " + (out != nullptr ? "place" : "null") + ", " +
                   info.Describe() + ")",
               0);
        const NtStatus status = ops->OpenBoard(ctx, out, reinterpret_cast<BoardInfo*>(info.ptr));
        if (status == kStatusSuccess) {
            if (out != nullptr) {
                Expect(record != nullptr && record != &unwritten,
                       "OpenBoard succeeded without a record");
            }
            host_.ExpectHandle(ctx != 0 ? ctx : host_.ExpectedHandle());
            expectedInput_ = 0;
            Expect(HostContext == ctx, "OpenBoard did not keep the host's handle");
        } else {
            Expect(status == kStatusInsufficientResources,
                   "OpenBoard returned " + Hex(static_cast<uint32_t>(status)));
            Expect(out != nullptr && record == nullptr,
                   "OpenBoard failed, yet it handed out a record, left the place unwritten or "
                   "was given none");
        }
        if (info.ptr != nullptr) {
            Expect(std::strcmp(reinterpret_cast<const char*>(info.ptr), "TV Tuner Board") == 0,
                   "BoardInfo name");
        }
        if (status == kStatusSuccess && out != nullptr && record != nullptr) {
            handed_.push_back({record, true});
            live_ = record;
            for (size_t f = 0; f < kKeptCount; ++f) {
                Expect(record->*kKept[f].field == g_TVTuner_Settings.*kKept[f].field,
                       std::string("new record and module copy differ in ") + kKept[f].name);
                inStep_[f] = true;
            }
        } else if (status == kStatusSuccess) {
            live_ = nullptr; // opened without a record: the earlier one is the host's own
        }
        After();
        return;
    }

    const uint8_t which = in_.U8();
    const uint32_t unused = in_.Value(Kind::Any);
    if (in_.Ended()) {
        return;
    }
    TVTunerSettings* record = nullptr;
    std::string what;
    switch (which % 5) {
    case 1:
        record = live_;
        what = "live";
        break;
    case 2:
        record = OlderRecord();
        what = "older";
        break;
    case 3: // a record closed already: a double close
        for (const Handed& h : handed_) {
            if (!h.alive) {
                record = h.record;
            }
        }
        what = "closed";
        break;
    case 4:
        record = reinterpret_cast<TVTunerSettings*>(NewBlock(kSettingsSize, 0x5A));
        what = "foreign";
        break;
    default:
        what = "null";
        break;
    }
    const int liveBlocks = vt::LiveAllocations();
    Before("CloseBoard(" + what + ")", 0);
    Expect(ops->CloseBoard(record, unused) == kStatusSuccess, "CloseBoard did not return 0");
    Expect(HostContext == 0, "CloseBoard left the board open");
    if (vt::LiveAllocations() < liveBlocks) {
        bool ours = false;
        for (Handed& h : handed_) {
            if (h.alive && h.record == record) {
                h.alive = false;
                ours = true;
            }
        }
        Expect(ours, "CloseBoard freed a block it had not handed out");
        if (live_ == record) {
            live_ = nullptr;
        }
    }
    After();
}

// --- VideoOps ---------------------------------------------------------------

void Session::VideoCall(uint8_t slot) {
    const VideoOpsTable* ops = caps_->VideoOps;
    switch (slot % 12) {
    case 0:
    case 1:
    case 5:
    case 7: {
        const Stub2Fn fns[12] = {ops->Slot0, ops->Slot1, nullptr, nullptr, nullptr, ops->Slot5,
                                 nullptr,    ops->Slot7, nullptr, nullptr, nullptr, nullptr};
        const Arg a = in_.Value(Kind::Any);
        const Arg b = in_.Value(Kind::Any);
        if (in_.Ended()) {
            return;
        }
        Before("VideoOps[" + std::to_string(slot % 12) + "] stub", 0);
        const Arg r = fns[slot % 12](a, b);
        Expect(r == (slot % 12 == 0 ? 0x155u : 0u), "VideoOps stub returned " + Hex(r));
        After();
        return;
    }
    case 6: {
        Arg a[20];
        for (Arg& x : a) {
            x = in_.Value(Kind::Any);
        }
        if (in_.Ended()) {
            return;
        }
        Before("VideoOps[6] stub", 0);
        const Arg r = ops->Slot6(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10],
                                 a[11], a[12], a[13], a[14], a[15], a[16], a[17], a[18], a[19]);
        Expect(r == 0, "VideoOps[6] returned " + Hex(r));
        After();
        return;
    }
    case 10:
    case 11: {
        const Arg a = in_.Value(Kind::Any);
        const Arg b = in_.Value(Kind::Any);
        const Arg c = in_.Value(Kind::Any);
        if (in_.Ended()) {
            return;
        }
        Before("VideoOps[" + std::to_string(slot % 12) + "] stub", 0);
        const Arg r = (slot % 12 == 10 ? ops->Slot10 : ops->Slot11)(a, b, c);
        Expect(r == 0, "VideoOps stub returned " + Hex(r));
        After();
        return;
    }
    case 2: {
        const Arg a = in_.Value(Kind::Any);
        const Arg b = in_.Value(Kind::Any);
        RecordArg buffer = MakeRecord(kStandardsSize, kStandardsSize, 0xA5);
        // The count may lie inside the buffer: the host's own business.
        RecordArg count = SameOr(buffer, 4, 4, 0xA5);
        if (in_.Ended()) {
            return;
        }
        Before("GetVideoStandards(count " + count.Describe() + ", buffer " + buffer.Describe() +
                   ")",
               0);
        const uint32_t r =
            ops->GetVideoStandards(a, b, reinterpret_cast<uint32_t*>(count.ptr),
                                   reinterpret_cast<VideoStandardDescriptor*>(buffer.ptr));
        Expect(r == 0, "GetVideoStandards returned " + Hex(r));
        // With both places given (and apart) the count is 3; without the
        // buffer nothing is written at all.
        if (count.ptr != nullptr && buffer.ptr != nullptr && count.how != Record::Same) {
            uint32_t n = 0;
            std::memcpy(&n, count.ptr, 4);
            Expect(n == TVB_VIDEO_STANDARD_COUNT, "standard count " + std::to_string(n));
        }
        After();
        return;
    }
    case 3: {
        const Arg a = in_.Value(Kind::Any);
        const Arg b = in_.Value(Kind::Any);
        RecordArg defaults =
            MakeRecord(sizeof(VideoPropertyDefaults), sizeof(VideoPropertyDefaults), 0xA5);
        if (in_.Ended()) {
            return;
        }
        Before("GetVideoPropertyDefaults(" + defaults.Describe() + ")", 0);
        ops->GetVideoPropertyDefaults(a, b, reinterpret_cast<VideoPropertyDefaults*>(defaults.ptr));
        After();
        return;
    }
    case 4: {
        const uint32_t hostValue = in_.Value(Kind::Any);
        const auto restart = static_cast<int32_t>(in_.Value(Kind::PropertyValue));
        const auto input = static_cast<int32_t>(in_.Value(Kind::Input));
        int32_t p[17];
        for (int32_t& v : p) {
            v = static_cast<int32_t>(in_.Value(Kind::PropertyValue));
        }
        const uint32_t word0 = in_.Value(Kind::Input);
        const uint32_t word1 = in_.Value(Kind::PropertyValue);
        // Word 1 is read only for a restart value of -1, word 0 only for an
        // input of -1.
        const size_t extent = restart == -1 ? 8 : input == -1 ? 4 : 0;
        RecordArg record = MakeRecord(sizeof(SensorInitRecord), extent, 0xA5);
        if (in_.Ended()) {
            return;
        }
        if (record.size >= 4) {
            std::memcpy(record.ptr, &word0, 4);
        }
        if (record.size >= 8) {
            std::memcpy(record.ptr + 4, &word1, 4);
        }
        const uint64_t bound = record.ptr != nullptr ? bounds::kInitializeSensor : 0;
        Before("InitializeSensor(" + record.Describe() + ", restart " + std::to_string(restart) +
                   ", input " + std::to_string(input) + ")",
               bound);
        const int32_t r =
            ops->InitializeSensor(reinterpret_cast<const SensorInitRecord*>(record.ptr), hostValue,
                                  restart, input, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7],
                                  p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15], p[16]);
        Expect(r == (record.ptr != nullptr ? 0 : -1),
               "InitializeSensor returned " + std::to_string(r));
        if (record.ptr != nullptr) {
            expectedInput_ = input == -1 ? word0 : static_cast<uint32_t>(input);
        }
        After();
        return;
    }
    case 8: {
        const Arg a1 = in_.Value(Kind::Any);
        const Arg a2 = in_.Value(Kind::Any);
        const uint32_t property = in_.Value(Kind::Property);
        const auto value = static_cast<int32_t>(in_.Value(Kind::PropertyValue));
        const Arg a5 = in_.Value(Kind::Any);
        if (in_.Ended()) {
            return;
        }
        const uint64_t bound = property == TVB_PROPERTY_VIDEO_INPUT     ? bounds::kSelectVideoInput
                               : property == TVB_PROPERTY_AUDIO_RESTART ? bounds::kRestartPulse
                                                                        : 0;
        kind_ = "SetVideoProperty " + Hex(property);
        Before("SetVideoProperty(" + Hex(property) + ", " + std::to_string(value) + ")", bound);
        Expect(ops->SetVideoProperty(a1, a2, property, value, a5) == 0,
               "SetVideoProperty did not return 0");
        if (property == TVB_PROPERTY_VIDEO_INPUT) {
            expectedInput_ = static_cast<uint32_t>(value);
        }
        After();
        return;
    }
    default: { // 9
        const Arg a1 = in_.Value(Kind::Any);
        const Arg a2 = in_.Value(Kind::Any);
        const uint32_t property = in_.Value(Kind::Property);
        const Arg a5 = in_.Value(Kind::Any);
        RecordArg value = MakeRecord(4, 4, 0xA5);
        if (in_.Ended()) {
            return;
        }
        Before("GetVideoProperty(" + Hex(property) + ", " + value.Describe() + ")", 0);
        Expect(ops->GetVideoProperty(a1, a2, property, reinterpret_cast<uint32_t*>(value.ptr),
                                     a5) == 0,
               "GetVideoProperty did not return 0");
        After();
        return;
    }
    }
}

// --- AudioOps ---------------------------------------------------------------

void Session::AudioCall(uint8_t slot) {
    const AudioOpsTable* ops = caps_->AudioOps;
    switch (slot % 4) {
    case 0:
    case 3: {
        const Arg a = in_.Value(Kind::Any);
        const Arg b = in_.Value(Kind::Any);
        if (in_.Ended()) {
            return;
        }
        Before("AudioOps[" + std::to_string(slot % 4) + "] stub", 0);
        const Arg r = (slot % 4 == 0 ? ops->Slot0 : ops->Slot3)(a, b);
        Expect(r == (slot % 4 == 0 ? 0x131001u : 0u), "AudioOps stub returned " + Hex(r));
        After();
        return;
    }
    case 1: {
        const Arg a = in_.Value(Kind::Any);
        const Arg b = in_.Value(Kind::Any);
        const uint32_t rate = in_.Value(Kind::SampleRate);
        const uint32_t mode = in_.Value(Kind::Any);
        const uint32_t word = in_.Value(Kind::Any);
        RecordArg config =
            MakeRecord(sizeof(AudioInterfaceConfig), sizeof(AudioInterfaceConfig), 0xA5);
        // The format record may overlap the configuration buffer.
        RecordArg format = SameOr(config, sizeof(AudioFormat), sizeof(AudioFormat), 0xA5);
        if (in_.Ended()) {
            return;
        }
        if (format.ptr != nullptr) {
            AudioFormat f{0, rate, mode, word};
            std::memcpy(format.ptr, &f, sizeof f);
        }
        Before("GetAudioFormat(" + config.Describe() + ", " + format.Describe() + ")", 0);
        ops->GetAudioFormat(a, b, reinterpret_cast<AudioInterfaceConfig*>(config.ptr),
                            reinterpret_cast<AudioFormat*>(format.ptr));
        After();
        return;
    }
    default: { // 2
        const Arg a = in_.Value(Kind::Any);
        const HostHandle handle = in_.Value(Kind::Handle);
        const uint32_t rate = in_.Value(Kind::SampleRate);
        RecordArg format = MakeRecord(sizeof(AudioFormat), kSampleRateEnd, 0xA5);
        if (in_.Ended()) {
            return;
        }
        if (format.ptr != nullptr) {
            std::memcpy(format.ptr + offsetof(AudioFormat, SampleRate), &rate, 4);
        }
        Before("SetAudioSampleRate(" + Hex(handle) + ", " + format.Describe() + " rate " +
                   std::to_string(rate) + ")",
               0);
        sampleRateCall_ = true;
        sampleRateHandle_ = handle;
        Expect(ops->SetAudioSampleRate(a, handle, reinterpret_cast<AudioFormat*>(format.ptr)) == 0,
               "SetAudioSampleRate did not return 0");
        After();
        return;
    }
    }
}

// --- InputOps ---------------------------------------------------------------

void Session::InputCall(uint8_t slot) {
    const InputOpsTable* ops = caps_->InputOps;
    const Arg a = in_.Value(Kind::Any);
    const Arg b = in_.Value(Kind::Any);
    switch (slot % 5) {
    case 3: {
        const uint32_t input = in_.Value(Kind::Input);
        if (in_.Ended()) {
            return;
        }
        kind_ = "InputOps select";
        Before("InputOps select " + std::to_string(input), bounds::kSelectVideoInput);
        Expect(ops->InputSelect(a, b, input) == 0, "InputOps select did not return 0");
        expectedInput_ = input;
        After();
        return;
    }
    case 4: {
        const Arg c = in_.Value(Kind::Any);
        if (in_.Ended()) {
            return;
        }
        Before("InputOps[4] stub", 0);
        Expect(ops->Slot4(a, b, c) == 0, "InputOps[4] did not return 0");
        After();
        return;
    }
    default: {
        if (in_.Ended()) {
            return;
        }
        const uint32_t s = slot % 5;
        Before("InputOps[" + std::to_string(s) + "]", 0);
        const Arg r = (s == 0 ? ops->Slot0 : s == 1 ? ops->InputQuery : ops->Slot2)(a, b);
        const Arg want = s == 0 ? 7 : s == 1 ? expectedInput_ : 3;
        Expect(r == want, "InputOps[" + std::to_string(s) + "] returned " + Hex(r) + ", expected " +
                              Hex(want));
        After();
        return;
    }
    }
}

// --- TunerOps ---------------------------------------------------------------

void Session::TunerCall(uint8_t slot) {
    const TunerOpsTable* ops = caps_->TunerOps;
    if (slot % 3 == 0) {
        const Arg a = in_.Value(Kind::Any);
        const Arg b = in_.Value(Kind::Any);
        const uint32_t mode = in_.Value(Kind::Mode);
        const bool known = mode == TVB_TUNER_MODE_TV || mode == TVB_TUNER_MODE_FM_RADIO;
        RecordArg caps = MakeRecord(sizeof(TunerModeCaps), known ? sizeof(TunerModeCaps) : 0, 0xA5);
        if (in_.Ended()) {
            return;
        }
        Before("GetTunerModeCaps(" + std::to_string(mode) + ", " + caps.Describe() + ")", 0);
        Expect(ops->GetTunerModeCaps(a, b, mode, reinterpret_cast<TunerModeCaps*>(caps.ptr)) == 0,
               "GetTunerModeCaps did not return 0");
        if (known && caps.ptr != nullptr) {
            TunerModeCaps c{};
            std::memcpy(&c, caps.ptr, sizeof c);
            Expect(c.MaxFrequency == (mode == TVB_TUNER_MODE_TV ? 847000000u : 107900000u),
                   "tuner mode caps");
        }
        After();
        return;
    }
    const bool set = slot % 3 == 2;

    // The settings record.
    RecordArg settings;
    settings.how = static_cast<Record>(in_.U8() % kRecordCount);
    const size_t settingsExtent = set ? kSettingsSetEnd : kSettingsGetEnd;
    const uint8_t settingsLength = in_.U8();
    const Arg unused = in_.Value(Kind::Any);
    // The request.
    const auto requestHow = static_cast<Record>(in_.U8() % kRecordCount);
    const uint32_t id = in_.Value(Kind::RequestId);
    Kind payloadKind = Kind::Any;
    Field payloadField = nullptr;
    switch (id) {
    case TVB_REQUEST_AUDIO_MODE:
        payloadKind = Kind::AudioMode;
        payloadField = &TVTunerSettings::AudioMode;
        break;
    case TVB_REQUEST_MODE:
        payloadKind = Kind::Mode;
        payloadField = &TVTunerSettings::Mode;
        break;
    case TVB_REQUEST_VIDEO_STANDARD:
        payloadKind = Kind::Standard;
        payloadField = &TVTunerSettings::VideoStandard;
        break;
    case TVB_REQUEST_FREQUENCY:
        payloadKind = Kind::Frequency;
        payloadField = &TVTunerSettings::Frequency;
        break;
    case TVB_REQUEST_TUNER_INPUT:
        payloadKind = Kind::Input;
        payloadField = &TVTunerSettings::TunerInput;
        break;
    default:
        break;
    }
    const uint32_t payload = in_.Value(payloadKind);
    const uint8_t fill = in_.U8();
    const uint8_t requestLength = in_.U8();
    if (in_.Ended()) {
        return;
    }

    switch (settings.how) {
    case Record::Null:
        break;
    case Record::Live:
    case Record::Older:
        settings.ptr =
            reinterpret_cast<uint8_t*>(settings.how == Record::Live ? live_ : OlderRecord());
        settings.size = settings.ptr != nullptr ? kSettingsSize : 0;
        if (settings.ptr == nullptr) {
            settings.how = Record::Null;
        }
        break;
    case Record::Short:
        settings.size = settingsExtent + settingsLength % (kSettingsSize - settingsExtent);
        settings.ptr = NewBlock(settings.size, fill);
        break;
    default:
        settings.how = Record::Full;
        settings.size = kSettingsSize;
        settings.ptr = NewBlock(settings.size, fill);
        break;
    }

    const size_t requestExtent = set && id == TVB_REQUEST_AUDIO_MODE ? kResultEnd : kRequestIdEnd;
    RecordArg request;
    request.how = requestHow;
    switch (requestHow) {
    case Record::Null:
        break;
    case Record::Live:
    case Record::Older:
        request.ptr =
            reinterpret_cast<uint8_t*>(requestHow == Record::Live ? live_ : OlderRecord());
        request.size = request.ptr != nullptr ? kSettingsSize : 0;
        break;
    case Record::Same:
        if (settings.ptr != nullptr && settings.size >= requestExtent) {
            request.ptr = settings.ptr;
            request.size = settings.size;
        }
        break;
    case Record::Short:
        if (kSettingsSize > requestExtent) {
            request.size = requestExtent + requestLength % (kSettingsSize - requestExtent);
            request.ptr = NewBlock(request.size, fill);
        }
        break;
    default:
        break;
    }
    if (requestHow != Record::Null && request.ptr == nullptr) {
        request.how = Record::Full;
        request.size = kSettingsSize;
        request.ptr = NewBlock(request.size, fill);
    }
    if (request.ptr != nullptr) {
        auto* r = reinterpret_cast<TVTunerSettings*>(request.ptr);
        r->RequestId = id;
        if (payloadField != nullptr) {
            r->*payloadField = payload;
        }
    }

    uint64_t bound = 0;
    if (request.ptr != nullptr) {
        if (set) {
            bound = id == TVB_REQUEST_AUDIO_MODE  ? bounds::kSetAudioMode
                    : id == TVB_REQUEST_FREQUENCY ? bounds::kTune
                                                  : 0;
        } else {
            bound = id == TVB_REQUEST_MODE     ? bounds::kDetectAudioModes
                    : id == TVB_REQUEST_STATUS ? bounds::kStatus
                                               : 0;
        }
    }
    tuner_ = set ? Tuner::Set : Tuner::Get;
    requestId_ = id;
    kind_ = std::string(set ? "SetTunerProperty" : "GetTunerProperty") + " id " +
            (request.ptr != nullptr ? std::to_string(id) : std::string("(no request)"));
    settingsArg_ = reinterpret_cast<const TVTunerSettings*>(settings.ptr);
    requestArg_ = request.ptr;
    requestSize_ = request.size;
    Before(std::string(set ? "SetTunerProperty" : "GetTunerProperty") + "(settings " +
               settings.Describe() + ", request " + request.Describe() + " id " +
               std::to_string(id) + " value " + Hex(payload) + ")",
           bound);
    const uint32_t r = (set ? ops->SetTunerProperty : ops->GetTunerProperty)(
        reinterpret_cast<TVTunerSettings*>(settings.ptr), unused,
        reinterpret_cast<TVTunerSettings*>(request.ptr));
    Expect(r == 0, "tuner property call returned " + Hex(r));
    After();
}

// --- checks -----------------------------------------------------------------

void Session::Before(const std::string& call, uint64_t boundUs) {
    call_ = call;
    host_.Note(call);
    firstEvent_ = host_.Trace().Size();
    startUs_ = vt::NowUs();
    boundUs_ = boundUs * kUsPerMs;
    ++out_.calls;
    out_.steps.push_back(call);
}

void Session::Find(const std::string& what) {
    if (out_.findings.empty()) {
        out_.report += "steps:\n";
        for (const std::string& step : out_.steps) {
            out_.report += "  " + step + "\n";
        }
    }
    out_.findings.push_back(call_ + ": " + what);
    out_.report += "call " + std::to_string(out_.calls) + ", " + call_ + ":\n  " + what + "\n";
    const auto& events = host_.Trace().Events();
    const size_t from = events.size() > firstEvent_ + 40 ? events.size() - 40 : firstEvent_;
    for (size_t i = from; i < events.size(); ++i) {
        out_.report += "    " + emu::Timeline::Line(events[i]) + "\n";
    }
}

bool Session::Excused(const emu::Problem& p) const {
    if (!p.isViolation) {
        // The sample-rate pin goes out with the handle the host passed.
        const auto& events = host_.Trace().Events();
        return sampleRateCall_ && p.event < events.size() &&
               events[p.event].kind == emu::EventKind::WritePins &&
               p.text == "handle " + Hex(sampleRateHandle_);
    }
    const emu::Violation& v = p.violation;
    if (v.provoked) {
        return true;
    }
    switch (v.kind) {
    case emu::Violation::Kind::NoReadDoneWait:
    case emu::Violation::Kind::Interleaved:
        return v.unansweredPolls >= kFullWaitPolls;
    case emu::Violation::Kind::NoSubAddress:
        return busWriteMissing_; // the host gave no way to set it
    default:
        return false;
    }
}

void Session::After() {
    const uint64_t took = vt::NowUs() - startUs_;
    if (took > out_.longestCallUs) {
        out_.longestCallUs = took;
        out_.longestCall = call_;
    }
    uint64_t& longest =
        out_.longestByKind[kind_.empty() ? call_.substr(0, call_.find('(')) : kind_];
    longest = took > longest ? took : longest;
    kind_.clear();
    if (took > boundUs_) {
        Find("took " + std::to_string(took) + " us of virtual time, bound " +
             std::to_string(boundUs_) + " us");
    }
    for (const std::string& rule : kernel_.Take()) {
        Find("kernel rule: " + rule);
    }
    for (const emu::Problem& p : host_.Problems()) {
        if (!Excused(p)) {
            Find(std::string(p.isViolation ? "protocol violation: " : "unexpected argument: ") +
                 p.text);
        }
    }
    host_.ConsumeProblems([](const emu::Problem&) { return true; });
    Expect(host_.ForbiddenCalls() == 0, "host slot 4 or 5 called");
    CheckSettings();
    sampleRateCall_ = false;
    tuner_ = Tuner::None;
    settingsArg_ = nullptr;
    requestArg_ = nullptr;
}

// The host's settings record (the one OpenBoard handed out last, while it is
// alive) and the module's copy hold the same Mode, VideoStandard, Frequency,
// TuneInfo1, TuneInfo2, TunerInput and AudioMode, except where the host's
// calls themselves part them:
//   - a tuner call with another settings record (null, an older one, the
//     host's own memory), or with a request that is the record itself,
//     updates the module's copy and not this record: the host's business;
//   - a frequency request that switches SECAM L and L' changes the module's
//     VideoStandard only, so the two then hold L and L';
//   - the request for the available TV audio modes writes them into the
//     record's AudioMode, not into the module's copy.
// A field in step before a call stays so, but for those cases; every get
// request puts the common fields (Mode, VideoStandard, TuneInfo1, TuneInfo2,
// TunerInput) back in step, the audio-mode request AudioMode, the frequency
// request the frequency fields; a standard request, an input request and an
// audio mode that was applied put their field in step.
void Session::CheckSettings() {
    if (live_ == nullptr) {
        return;
    }
    const TVTunerSettings host = *live_;
    const TVTunerSettings module = g_TVTuner_Settings;
    const bool tunerCall = tuner_ != Tuner::None;
    const bool proper = tunerCall && settingsArg_ == live_ && requestArg_ != nullptr &&
                        requestArg_ != reinterpret_cast<const uint8_t*>(live_);
    const auto differ = [&](size_t f) { return host.*kKept[f].field != module.*kKept[f].field; };
    const auto report = [&](size_t f, const char* why) {
        Find(std::string("settings record and module copy differ in ") + kKept[f].name + " (" +
             why + "): record " + Hex(host.*kKept[f].field) + ", module " +
             Hex(module.*kKept[f].field));
    };
    if (!tunerCall || proper) {
        for (size_t f = 0; f < kKeptCount; ++f) {
            if (!inStep_[f] || !differ(f)) {
                continue;
            }
            const bool secamSwitch = f == kStandard && tuner_ == Tuner::Set &&
                                     requestId_ == TVB_REQUEST_FREQUENCY &&
                                     ((host.VideoStandard == ks::AnalogVideo_SECAM_L &&
                                       module.VideoStandard == ks::AnalogVideo_SECAM_L1) ||
                                      (host.VideoStandard == ks::AnalogVideo_SECAM_L1 &&
                                       module.VideoStandard == ks::AnalogVideo_SECAM_L));
            const bool availableModes =
                f == kAudio && tuner_ == Tuner::Get && requestId_ == TVB_REQUEST_MODE;
            if (!secamSwitch && !availableModes) {
                report(f, "was in step");
            }
        }
    }
    if (proper) {
        std::vector<size_t> synced;
        if (tuner_ == Tuner::Get) {
            synced = {kMode, kStandard, kInfo1, kInfo2, kInput};
            if (requestId_ == TVB_REQUEST_AUDIO_MODE) {
                synced.push_back(kAudio);
            } else if (requestId_ == TVB_REQUEST_FREQUENCY) {
                synced.push_back(kFrequency);
            }
        } else if (requestId_ == TVB_REQUEST_VIDEO_STANDARD) {
            synced = {kStandard};
        } else if (requestId_ == TVB_REQUEST_TUNER_INPUT) {
            synced = {kInput};
        } else if (requestId_ == TVB_REQUEST_AUDIO_MODE && requestSize_ >= kResultEnd &&
                   reinterpret_cast<const TVTunerSettings*>(requestArg_)->Result != 0) {
            synced = {kAudio};
        }
        for (size_t f : synced) {
            if (differ(f)) {
                report(f, "the call puts it in step");
            }
        }
    }
    for (size_t f = 0; f < kKeptCount; ++f) {
        inStep_[f] = !differ(f);
    }
}

} // namespace

Outcome RunInput(const uint8_t* data, size_t size, bool keepTimeline) {
    RestoreLoadState();
    vt::Reset();
    Outcome out;
    {
        Session session(data, size);
        out = session.Run();
        if (keepTimeline) {
            out.timeline = session.Timeline();
        }
    }
    vt::Reset(); // the pool blocks the host never gave back
    return out;
}

} // namespace fuzz
