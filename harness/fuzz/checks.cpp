// What is checked before and after every host call of a session.
#include "fuzz/call_sequence.h"

namespace fuzz {

// --- checks -----------------------------------------------------------------

void CallSequence::Described(const std::string& call) {
    call_ = call;
    host_.Note(call);
    out_.steps.push_back(call);
}

void CallSequence::Start(uint64_t boundUs) {
    firstEvent_ = host_.Trace().Size();
    startUs_ = vt::NowUs();
    boundUs_ = boundUs * kUsPerMs;
    ++out_.calls;
}

void CallSequence::Find(const std::string& what) {
    vt::FlushWaits(); // the report shows every wait so far
    if (out_.findings.empty()) {
        out_.report += "steps:\n";
        for (const std::string& step : out_.steps) {
            out_.report += "  " + step + "\n";
        }
    }
    out_.findings.push_back(call_ + ": " + what);
    out_.report += "call " + std::to_string(out_.calls) + ", " + call_ + ":\n  " + what + "\n";
    const emu::Timeline& t = host_.Trace();
    const size_t from =
        t.Size() > firstEvent_ + kReportedEvents ? t.Size() - kReportedEvents : firstEvent_;
    for (size_t i = from; i < t.Size(); ++i) {
        if (const emu::Event* e = t.At(i)) {
            out_.report += "    " + emu::Timeline::Line(*e) + "\n";
        }
    }
}

bool CallSequence::Excused(const emu::Problem& p) const {
    if (!p.isViolation) {
        // The sample-rate pin goes out with the handle the host passed.
        const emu::Event* e = host_.Trace().At(p.event);
        return sampleRateCall_ && e != nullptr && e->kind == emu::EventKind::WritePins &&
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

void CallSequence::After() {
    // A call's last waits are its own: a run of them ends with it, on both
    // sides of a comparison alike.
    vt::FlushWaits();
    const uint64_t took = vt::NowUs() - startUs_;
    if (took > out_.longestCallUs) {
        out_.longestCallUs = took;
        out_.longestCall = call_;
    }
    if (how_.describe) {
        uint64_t& longest =
            out_.longestByKind[kind_.empty() ? call_.substr(0, call_.find('(')) : kind_];
        longest = took > longest ? took : longest;
        kind_.clear();
    }
    if (took > boundUs_) {
        Find("took " + std::to_string(took) + " us of virtual time, bound " +
             std::to_string(boundUs_) + " us");
    }
    for (const std::string& rule : vt::TakeViolations()) {
        Find("kernel rule: " + rule);
    }
    for (const emu::Problem& p : host_.Problems()) {
        if (!Excused(p)) {
            Find(std::string(p.isViolation ? "protocol violation: " : "unexpected argument: ") +
                 p.text);
        }
    }
    host_.ConsumeProblems([](const emu::Problem&) { return true; });
    for (; claimsSeen_ < claims_.Broken().size(); ++claimsSeen_) {
        Find(claims_.Broken()[claimsSeen_]);
    }
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
void CallSequence::CheckSettings() {
    if (live_ == nullptr || !linked_) {
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
                                     ((host.VideoStandard == TVB_STANDARD_SECAM_L &&
                                       module.VideoStandard == TVB_STANDARD_SECAM_L1) ||
                                      (host.VideoStandard == TVB_STANDARD_SECAM_L1 &&
                                       module.VideoStandard == TVB_STANDARD_SECAM_L));
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

} // namespace fuzz
