#include "bench/tune_command.h"

#include "bench/explanations.h"
#include "bench/sound_report.h"
#include "bench/values.h"

namespace bench {

int TuneCommand(BoardRun& run, HostCalls& calls) {
    if (!calls.BringUp()) {
        return 1;
    }
    const Options& o = run.options;
    const uint32_t hz = o.tuneHz;
    const uint64_t start = run.NowUs();
    run.Waiting("tuning " + MHzText(hz));
    const Tuning t = calls.Tune(hz, 1);
    const uint64_t took = run.NowUs() - start;
    Json members = Json::object();
    if (!o.tuneChannel.empty()) {
        members["channel"] = o.tuneChannel;
    }
    members.update({{"frequency_hz", hz},
                    {"standard", host_driver::StandardName(calls.standard)},
                    {"refused", t.refused},
                    {"locked", t.locked}});
    members.update(TuningMembers(calls));
    if (t.refused) {
        members.update({{"kept_hz", t.keptHz}, {"reason", RefusalReason(calls, hz)}});
    } else if (!t.locked) {
        members["reason"] = NoLockReason(calls, hz);
    } else {
        members.update({{"afc_step", t.status.PllOffset}, {"signal", t.status.SignalStrength}});
    }
    run.Put(members, [&](const Json& j) {
        const std::string line = "tuned " + (o.tuneChannel.empty() ? "" : o.tuneChannel + " at ") +
                                 MHzText(hz) + " (" + StandardAsSetUp(calls) + ")" +
                                 (t.refused ? "" : SynthesizerOff(calls, hz)) + ": ";
        if (t.refused) {
            return line + "refused, the module keeps " + MHzText(t.keptHz) + ": " +
                   j["reason"].get<std::string>() + "\n";
        }
        if (!t.locked) {
            return line + "no lock (" + Seconds(took) + "): " + j["reason"].get<std::string>() +
                   "\n";
        }
        return line + "locked, AFC step " + Step(t.status.PllOffset) + ", signal " +
               std::to_string(t.status.SignalStrength) + " (" + Seconds(took) + ")\n";
    });
    bool soundSet = true;
    if (t.locked) {
        run.Waiting(HostCalls::WaitingFor(host_driver::SessionStep::AudioModes));
        const uint32_t modes = calls.AudioModes();
        const bool accepted = !o.soundGiven || calls.SetAudioMode(o.sound);
        soundSet = PutSound(run, modes, o.soundGiven, o.sound, accepted, true);
    }
    run.Add({{"took_us", took}, {"clock", run.Clock()}});
    return t.locked && soundSet ? 0 : 1;
}

} // namespace bench
