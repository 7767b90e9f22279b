// The fuzz harness's session: one input decoded into board faults
// (call_sequence.cpp) and host calls (calls.cpp, tuner_calls.cpp), every
// call checked (checks.cpp).
// Private to the harness; fuzz/harness.h is what its users see.
#pragma once

#include "bench/claims.h"
#include "emu/board.h"
#include "frame/module_state.h"
#include "fuzz/bounds.h"
#include "fuzz/harness.h"
#include "fuzz/input.h"
#include "host_driver/host_driver.h"
#include "host_driver/slots.h"
#include "include/tvboard.h"
#include "regmap/decoder_map.h"
#include "text/hex.h"
#include "virtual_time/kernel_virtual.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fuzz {

constexpr uint64_t kUsPerMs = 1000;
// A DSP status wait gives up after this many polls: a violation that comes
// after the module waited that long for a DSP that never answered is the
// DSP's, not the module's.
constexpr unsigned kFullWaitPolls = 10;
// Calls made per input at most, so that one input cannot run for long.
constexpr size_t kMaxCalls = 200;
// The bus events a finding's report shows before it; only about twice as
// many are kept unless the whole timeline is asked for.
constexpr size_t kReportedEvents = 40;

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
constexpr size_t kBoardInfoSize = sizeof(BoardInfo);
constexpr size_t kStandardsSize = TVB_VIDEO_STANDARD_COUNT * sizeof(VideoStandardDescriptor);
constexpr size_t kSampleRateEnd = offsetof(AudioFormat, SampleRate) + 4;

using text::Hex;

inline const char* RecordName(Record how) {
    static const char* const kNames[] = {"null", "full", "short", "live", "older", "same"};
    static_assert(sizeof(kNames) / sizeof(kNames[0]) == kRecordCount, "a name for every kind");
    return how < Record::Count ? kNames[static_cast<size_t>(how)] : "?";
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

// Adds an event to a digest (FNV-1a over every field; a debug print's
// pointers, the pool's addresses that differ from run to run, left out).
uint64_t DigestOf(uint64_t digest, const emu::Event& e);

class CallSequence {
  public:
    CallSequence(const uint8_t* data, size_t size, const fuzz::Run& how);
    Outcome Run();
    std::string Timeline() const { return host_.Trace().Render(); }
    std::vector<emu::Event> Events() const { return host_.Trace().Events(); }
    uint64_t Digest() const { return digest_; }
    std::vector<uint64_t> EventDigests() const { return digests_; }
    std::vector<emu::Event> Window() const { return window_; }
    size_t EventCount() const { return host_.Trace().Size(); }

  private:
    // --- decoding ---------------------------------------------------------
    void HandIn(uint8_t how);
    const TVB_HOST_OPS* TableFor(uint8_t how);
    void Operation(Op op);
    void Device(Op op);
    emu::TransferFaultPlan Plan();
    void CallSlot(uint8_t table, uint8_t slot);
    void StubCall(const host_driver::Slot& stub);
    // The operations, by their slot in the table.
    void BoardCall(size_t slot);
    void VideoCall(size_t slot);
    void AudioCall(size_t slot);
    void InputCall(size_t slot);
    void TunerCall(size_t slot);

    uint8_t* NewBlock(size_t size, uint8_t fill);
    // A record of `full` bytes of which the call may touch `extent`.
    RecordArg MakeRecord(size_t full, size_t extent, uint8_t fill);
    // The same memory as `other` when it is long enough for this call, else
    // the harness's own.
    RecordArg SameOr(const RecordArg& other, size_t full, size_t extent, uint8_t fill);
    TVTunerSettings* OlderRecord();
    // A tuner call's settings record (without `settings`) or request (the
    // call's settings record given, which Same shares when it is long
    // enough), made as `how` says, of which the call may touch `extent`
    // bytes. A live or older settings record the host does not have is
    // passed as none; a request that cannot be made so is a full one.
    RecordArg TunerRecord(Record how, size_t extent, uint8_t length, uint8_t fill,
                          const RecordArg* settings = nullptr);

    // --- checks -----------------------------------------------------------
    // Brackets every host call: before, the state the checks compare with;
    // after, every check.
    // `describe` gives the call's description; it is made only when the
    // session describes its calls (the timeline's notes, the steps, the
    // longest calls), as every run but libFuzzer's does.
    template <typename Describe> void Before(const Describe& describe, uint64_t boundUs) {
        if (how_.describe) {
            Described(describe());
        }
        Start(boundUs);
    }
    void Described(const std::string& call);
    void Start(uint64_t boundUs);
    void After();
    void Find(const std::string& what);
    bool Excused(const emu::Problem& p) const;
    void CheckSettings();
    // `what` is a text, or something that makes one when the check fails.
    void Expect(bool ok, const char* what) {
        if (!ok) {
            Find(what);
        }
    }
    template <typename What> void Expect(bool ok, const What& what) {
        if (!ok) {
            Find(what());
        }
    }

    Reader in_;
    fuzz::Run how_;
    emu::HostTable host_;
    emu::Board board_{host_};
    // What the module describes without the board (its standards, tuner
    // modes and audio format), held against what the board and the
    // broadcast standards allow, by the bench's own check; the claims on
    // the board's state are left to the bench, where no device fault stands
    // between what the board does and what the module saw.
    bench::Claims claims_{board_};
    size_t claimsSeen_ = 0; // the broken claims already found
    // The module from its load state, on virtual time. The session hands in
    // host_'s table (or a damaged one) itself and notes each call; the
    // module's waits and prints reach the timeline only when asked for.
    std::unique_ptr<host_driver::HostDriver> driver_;
    // The linked module runs, whose state the white-box checks may read.
    bool linked_ = true;
    uint64_t digest_ = 0;            // of every event so far, when asked for
    std::vector<uint64_t> digests_;  // of each event, when asked for
    std::vector<emu::Event> window_; // the events asked for by number
    // Each event as it is recorded (harness.cpp, with the digests).
    static void Observed(void* self, const emu::Event& e);
    Outcome out_;

    const TVB_BOARD_MODULE_CAPS* caps_ = nullptr;
    std::vector<std::unique_ptr<TVB_HOST_OPS>> tables_; // every table handed in stays alive
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
    TVB_HOST_HANDLE sampleRateHandle_ = 0;
    // For the settings check: what kind of tuner call, and the records.
    enum class Tuner { None, Get, Set } tuner_ = Tuner::None;
    uint32_t requestId_ = 0;
    const TVTunerSettings* settingsArg_ = nullptr;
    const uint8_t* requestArg_ = nullptr;
    size_t requestSize_ = 0;
};

} // namespace fuzz
