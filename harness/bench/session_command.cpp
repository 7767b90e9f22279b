#include "bench/session_command.h"

#include "bench/explanations.h"
#include "bench/sound_report.h"
#include "bench/values.h"
#include "text/fixed_field.h"
#include "text/format.h"

#include <algorithm>

namespace bench {

namespace {

using host_driver::SessionOutcome;
using host_driver::SessionPlan;
using host_driver::SessionStep;
using text::FixedField;
using text::Format;

// Status requests a session makes until the tuner locks.
constexpr int kSessionPolls = 3;

// Whether the session's tuning ended locked where it was asked to.
bool Locked(const SessionPlan& plan, const SessionOutcome& o) {
    return o.keptHz == plan.frequencyHz && o.status.Busy == 0;
}

// The tuning, once the session is done with it.
void PutTuning(BoardRun& run, HostCalls& calls, const SessionPlan& plan, const SessionOutcome& o) {
    const bool refused = o.keptHz != plan.frequencyHz;
    const bool locked = Locked(plan, o);
    Json members = {{"standard", host_driver::StandardName(plan.standard)},
                    {"frequency_hz", plan.frequencyHz},
                    {"locked", locked}};
    members.update(TuningMembers(calls));
    if (!refused) {
        members["polls"] = o.polls;
    }
    if (locked) {
        members.update({{"afc_step", o.status.PllOffset}, {"signal", o.status.SignalStrength}});
    }
    const std::string why = locked    ? ""
                            : refused ? RefusalReason(calls, plan.frequencyHz)
                                      : NoLockReason(calls, plan.frequencyHz);
    run.Put(members, [&](const Json&) {
        const std::string line = "tuned " + MHzText(plan.frequencyHz) + " (" +
                                 StandardAsSetUp(calls) + ")" +
                                 (refused ? "" : SynthesizerOff(calls, plan.frequencyHz)) + ": ";
        if (refused) {
            return line + "refused: " + why + "\n";
        }
        return line +
               Format("%s after %d status request%s", locked ? "locked" : "no lock", o.polls,
                      o.polls == 1 ? "" : "s") +
               (locked ? ", AFC step " + Step(o.status.PllOffset) + ", signal " +
                             std::to_string(o.status.SignalStrength)
                       : ": " + why) +
               "\n";
    });
}

// What the session command reports after a step of the session, and its
// additions: the TV mode's limits with the standards, --input and
// --picture once the standard is set.
// (`soundSet`: the sound mode asked for is set, once the session got there.)
void Report(BoardRun& run, HostCalls& calls, SessionStep step, const SessionPlan& plan,
            const SessionOutcome& o, bool* soundSet) {
    const Options& opt = run.options;
    switch (step) {
    case SessionStep::Open:
        if (o.opened) {
            run.Say("session: loaded, capabilities read, board open");
        }
        break;
    case SessionStep::InitializeSensor:
        run.Put({{"initialize_sensor", o.initialized}}, [](const Json& j) {
            return "InitializeSensor -> " + j["initialize_sensor"].dump() + "\n";
        });
        break;
    case SessionStep::Standards: {
        Json names = Json::array();
        for (const VideoStandardDescriptor& s : o.standards) {
            names.push_back(FixedField(s.Name));
        }
        run.Put({{"video_standards", names}}, [&o](const Json&) {
            std::string lines = "video standards:\n";
            for (const VideoStandardDescriptor& s : o.standards) {
                lines += Format("  %-22s %ux%u\n", FixedField(s.Name).c_str(), s.Width, s.Height);
            }
            return lines;
        });
        calls.ReadTvLimits();
        break;
    }
    case SessionStep::SetStandard:
        if (opt.inputGiven) {
            const uint32_t reported = calls.SelectInput(opt.input);
            run.Put({{"input", InputName(reported)}}, [&](const Json& j) {
                return "video input " + InputName(opt.input) + ": the module reports " +
                       j["input"].get<std::string>() + "\n";
            });
        }
        if (!opt.picture.empty()) {
            Json set = Json::object();
            for (const auto& [control, value] : opt.picture) {
                calls.SetPicture(*control, value);
                set[control->name] = value;
            }
            run.Put({{"picture", set}}, [](const Json& j) {
                std::string line = "picture:";
                for (const auto& [name, value] : j["picture"].items()) {
                    line += " " + name + " " + value.dump();
                }
                return line + "\n";
            });
        }
        break;
    case SessionStep::SetAudioMode:
        *soundSet = PutSound(run, o.audioModes, true, o.audioMode, o.audioModeSet, Locked(plan, o));
        break;
    case SessionStep::SampleRate:
        run.Put({{"sample_rate", TVB_SAMPLE_RATE_48000}, {"rate_pin", run.host.PinOutput(0)}},
                [](const Json& j) {
                    return "audio sample rate " + j["sample_rate"].dump() +
                           " Hz: pin 0 = " + j["rate_pin"].dump() + "\n";
                });
        break;
    case SessionStep::Unload:
        if (o.opened) {
            run.progress.Clear();
            run.Put({{"took_us", run.NowUs()}, {"clock", run.Clock()}}, [](const Json& j) {
                return "closed and unloaded after " + Seconds(j["took_us"]) + " of " +
                       j["clock"].get<std::string>() + "\n";
            });
        }
        break;
    default:
        break;
    }
}

// The checks of the bench's host calls (host_calls.h), step by step.
void Check(HostCalls& calls, SessionStep step, const SessionPlan& plan, const SessionOutcome& o) {
    switch (step) {
    case SessionStep::Load:
        calls.Loaded(o.loaded);
        break;
    case SessionStep::Open:
        calls.Opened(o.opened);
        break;
    case SessionStep::Standards:
        calls.StandardsRead(o.standards);
        break;
    case SessionStep::SetStandard:
        calls.standard = plan.standard;
        break;
    case SessionStep::Tune:
        calls.Tuned(plan.frequencyHz, o.keptHz);
        break;
    case SessionStep::WaitForLock:
        calls.StatusRead(o.status, o.keptHz);
        break;
    case SessionStep::AudioModes:
        calls.ModesRead(o.audioModes);
        break;
    case SessionStep::SetAudioMode:
        calls.ModeSet(o.audioMode, o.audioModeSet);
        break;
    case SessionStep::SampleRate:
        calls.SampleRateSet(plan.sampleRate);
        break;
    case SessionStep::Unload:
        calls.Unloaded();
        break;
    default:
        break;
    }
}

} // namespace

int SessionCommand(BoardRun& run, HostCalls& calls) {
    const Options& o = run.options;
    SessionPlan plan;
    plan.standard = o.standard;
    // The first station of the standard on the antenna (else the plan's).
    const auto station =
        std::find_if(run.lineup.begin(), run.lineup.end(),
                     [&o](const AntennaStation& a) { return a.station.standard == o.standard; });
    if (station != run.lineup.end()) {
        plan.frequencyHz = station->station.frequencyHz;
    }
    plan.polls = kSessionPolls;
    plan.audioMode = o.soundGiven ? o.sound : 0;
    host_driver::SessionHooks hooks;
    hooks.before = [&](SessionStep step, const SessionOutcome& out) {
        if (step == SessionStep::AudioModes) { // the tuning is done
            PutTuning(run, calls, plan, out);
        }
        run.Waiting(step == SessionStep::Tune ? "tuning " + MHzText(plan.frequencyHz)
                                              : HostCalls::WaitingFor(step));
        if (step == SessionStep::Tune) {
            calls.BeforeTune();
        }
    };
    bool soundSet = false;
    hooks.after = [&](SessionStep step, const SessionOutcome& out) {
        Check(calls, step, plan, out);
        run.Flush();
        Report(run, calls, step, plan, out, &soundSet);
    };
    SessionOutcome out;
    if (!host_driver::RunSession(run.driver, plan, &out, hooks)) {
        return 1;
    }
    return Locked(plan, out) && (soundSet || !o.soundGiven) ? 0 : 1;
}

} // namespace bench
