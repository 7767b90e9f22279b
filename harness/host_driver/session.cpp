#include "host_driver/session.h"

namespace host_driver {

bool RunSession(HostDriver& d, const SessionPlan& plan, SessionOutcome* outcome,
                const SessionHooks& hooks) {
    SessionOutcome& o = *outcome;
    const auto step = [&](SessionStep s, const std::function<void()>& call) {
        if (hooks.before) {
            hooks.before(s, o);
        }
        call();
        if (hooks.after) {
            hooks.after(s, o);
        }
    };
    using S = SessionStep;
    step(S::Load, [&] { o.loaded = d.Load(); });
    if (!o.loaded) {
        return false;
    }
    step(S::Open, [&] { o.opened = d.Open(); });
    if (!o.opened) {
        step(S::Unload, [&] { d.Unload(); });
        return false;
    }
    step(S::InitializeSensor, [&] { o.initialized = d.InitializeSensor(plan.input); });
    step(S::Standards, [&] { o.standards = d.Standards(); });
    step(S::SetStandard, [&] { d.SetTvStandard(plan.standard); });
    step(S::Tune, [&] {
        d.Tune(plan.frequencyHz);
        o.keptHz = d.Settings()->Frequency;
    });
    // A host waits for the lock only where the module went.
    if (o.keptHz == plan.frequencyHz) {
        step(S::WaitForLock, [&] { o.status = d.WaitForLock(plan.polls, &o.polls); });
    }
    step(S::AudioModes, [&] { o.audioModes = d.AvailableAudioModes(); });
    o.audioMode = plan.audioMode;
    if (o.audioMode == 0) {
        const bool stereo = (o.audioModes & TVB_AUDIO_MODE_STEREO) != 0;
        o.audioMode = stereo ? TVB_AUDIO_MODE_STEREO : TVB_AUDIO_MODE_MONO;
    }
    step(S::SetAudioMode, [&] { o.audioModeSet = d.SetAudioMode(o.audioMode); });
    step(S::SampleRate, [&] { d.SetSampleRate(plan.sampleRate); });
    step(S::Close, [&] { d.Close(); });
    step(S::Unload, [&] { d.Unload(); });
    return true;
}

} // namespace host_driver
