#include "bench/host_calls.h"

#include "bench/values.h"

namespace bench {

using host_driver::SessionStep;

const char* HostCalls::WaitingFor(SessionStep step) {
    switch (step) {
    case SessionStep::Load:
        return "loading";
    case SessionStep::Open:
        return "opening the board";
    case SessionStep::InitializeSensor:
        return "InitializeSensor";
    case SessionStep::AudioModes:
        return "reading the TV sound modes";
    case SessionStep::Close:
        return "closing";
    default:
        return "";
    }
}

void HostCalls::Loaded(bool ok) {
    loaded_ = ok;
    run_.Flush();
    if (!ok) {
        const std::string& error = run_.driver.Error();
        throw UsageError(error.empty() ? "the module gave no capability record" : error);
    }
}

void HostCalls::Opened(bool ok) {
    run_.Flush();
    if (!ok) {
        run_.Put({{"error", "the module did not open the board"}},
                 [](const Json& j) { return j["error"].get<std::string>() + "\n"; });
    }
}

void HostCalls::Load() {
    run_.Waiting(WaitingFor(SessionStep::Load));
    Loaded(run_.driver.Load());
}

void HostCalls::Unload() {
    run_.driver.Unload();
    Unloaded();
}

bool HostCalls::BringUp() {
    Load();
    run_.Waiting(WaitingFor(SessionStep::Open));
    const bool open = run_.driver.Open();
    Opened(open);
    if (open) {
        run_.Waiting(WaitingFor(SessionStep::InitializeSensor));
        run_.driver.InitializeSensor(TVB_VIDEO_INPUT_TUNER);
        run_.Flush();
        ReadTvLimits();
        SetStandard(run_.options.standard);
    }
    return open;
}

void HostCalls::ReadTvLimits() {
    tvLimits = run_.driver.TunerModeLimits(TVB_TUNER_MODE_TV);
    run_.Flush();
    if (!run_.driver.Error().empty()) {
        throw UsageError(run_.driver.Error());
    }
    run_.claims.TunerMode(TVB_TUNER_MODE_TV, tvLimits);
}

void HostCalls::StandardsRead(const std::vector<VideoStandardDescriptor>& standards) {
    run_.Flush();
    run_.claims.Descriptors(standards);
}

void HostCalls::SampleRateSet(uint32_t rate) {
    run_.Flush();
    run_.claims.SampleRateSet(rate);
}

void HostCalls::SetStandard(uint32_t s) {
    run_.driver.SetTvStandard(s);
    run_.Flush();
    standard = s;
}

void HostCalls::BeforeTune() {
    if (run_.options.lockLate > 0) {
        run_.board.demod.LockAfterReads(run_.options.lockLate);
    }
    run_.claims.BeforeTune();
}

void HostCalls::Tuned(uint32_t askedHz, uint32_t keptHz) {
    run_.Flush();
    run_.claims.Tuned(askedHz, keptHz);
    run_.claims.BeforeStatus(); // (a session asks for the status next)
}

void HostCalls::StatusRead(const TVTunerSettings& status, uint32_t keptHz) {
    run_.Flush();
    run_.claims.Status(status, keptHz);
}

uint32_t HostCalls::ModesRead(uint32_t modes) {
    run_.Flush();
    run_.claims.AudioModes(modes);
    return modes;
}

bool HostCalls::ModeSet(uint32_t mode, bool accepted) {
    run_.Flush();
    run_.claims.AudioModeSet(mode, accepted);
    return accepted;
}

Tuning HostCalls::Tune(uint32_t hz, int polls) {
    Tuning t;
    BeforeTune();
    run_.driver.Tune(hz);
    t.keptHz = run_.driver.Settings()->Frequency;
    Tuned(hz, t.keptHz);
    t.refused = t.keptHz != hz;
    if (!t.refused) {
        t.status = run_.driver.WaitForLock(polls, &t.polls);
        StatusRead(t.status, t.keptHz);
        t.locked = t.status.Busy == 0;
    }
    return t;
}

Tuning HostCalls::Status() {
    Tuning t;
    run_.claims.BeforeStatus();
    t.status = run_.driver.Status();
    t.keptHz = run_.driver.Settings()->Frequency;
    StatusRead(t.status, t.keptHz);
    t.locked = t.status.Busy == 0;
    return t;
}

uint32_t HostCalls::SelectInput(uint32_t input) {
    run_.driver.InputSelect(input, "InputSelect " + InputName(input));
    const uint32_t reported = QueryInput();
    run_.claims.Input(input, reported);
    return reported;
}

uint32_t HostCalls::QueryInput() {
    const uint32_t input = run_.driver.InputQuery();
    run_.Flush();
    return input;
}

void HostCalls::SetPicture(const PictureControl& c, int32_t value) {
    run_.driver.SetVideoProperty(c.property, value);
    run_.Flush();
    run_.claims.Picture(c, value);
}

void HostCalls::End() {
    if (run_.driver.Settings() != nullptr && run_.driver.Caps() != nullptr) {
        run_.driver.Close();
    }
    if (loaded_) {
        Unload();
    }
}

int RunOnBoard(const Options& options, int (*command)(BoardRun& run, HostCalls& calls)) {
    BoardRun run(options);
    HostCalls calls(run);
    const int rc = command(run, calls);
    calls.End();
    return run.End(rc);
}

} // namespace bench
