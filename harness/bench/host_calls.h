// The bench's host calls: each made through the host driver, its traffic
// written onto the run's timeline, and the module's answer held against the
// board (claims.h). A whole host session (host_driver/session.h) gets the
// same through the checks below, step by step.
#pragma once

#include "bench/board_run.h"
#include "bench/picture_settings.h"
#include "host_driver/session.h"
#include "include/tvboard.h"

#include <cstdint>
#include <vector>

namespace bench {

// One tuning: what the module kept, and the status it then reported.
struct Tuning {
    bool refused = false;
    uint32_t keptHz = 0;
    bool locked = false;
    int polls = 0;
    TVTunerSettings status{};
};

class HostCalls {
  public:
    explicit HostCalls(BoardRun& run) : run_(run) {}

    // Loads the module; one that cannot be driven stops the bench (UsageError).
    void Load();
    void Unload();
    // What tune, scan, input and picture start with: load, open,
    // InitializeSensor, the TV mode's limits and the run's standard. False
    // (and said so) when the module did not open the board.
    bool BringUp();
    void SetStandard(uint32_t standard);
    // Tunes, then (unless refused) asks for the status until locked, at most
    // `polls` times.
    Tuning Tune(uint32_t hz, int polls);
    // One status request where the tuner is.
    Tuning Status();
    uint32_t AudioModes() { return ModesRead(run_.driver.AvailableAudioModes()); }
    bool SetAudioMode(uint32_t mode) { return ModeSet(mode, run_.driver.SetAudioMode(mode)); }
    // Selects an input, then asks which one the module has.
    uint32_t SelectInput(uint32_t input);
    uint32_t QueryInput();
    void SetPicture(const PictureControl& control, int32_t value);
    // GetTunerModeCaps of the TV mode, into tvLimits; caps that cannot be
    // used stop the bench (UsageError).
    void ReadTvLimits();
    // As a host ends: the board closed, the module unloaded.
    void End();

    // The checks after (and before) each kind of call, for the calls above
    // and for the steps of a session; each writes the timeline first.
    void Loaded(bool ok);
    void Opened(bool ok);
    void Unloaded() { loaded_ = false; }
    void BeforeTune();
    void Tuned(uint32_t askedHz, uint32_t keptHz);
    void StatusRead(const TVTunerSettings& status, uint32_t keptHz);
    uint32_t ModesRead(uint32_t modes);
    bool ModeSet(uint32_t mode, bool accepted);
    void StandardsRead(const std::vector<VideoStandardDescriptor>& standards);
    void SampleRateSet(uint32_t rate);
    // What the bench shows it waits for at a step (while a loaded build waits
    // for real), "" for nothing.
    static const char* WaitingFor(host_driver::SessionStep step);

    BoardRun& Run() const { return run_; }
    uint32_t standard = 0;    // the TV standard set last
    TunerModeCaps tvLimits{}; // GetTunerModeCaps of the TV mode

  private:
    BoardRun& run_;
    bool loaded_ = false;
};

// A bench command on the board: the run opened, the command, then the end
// of the run as a host ends it, with every check; the exit status.
int RunOnBoard(const Options& options, int (*command)(BoardRun& run, HostCalls& calls));

} // namespace bench
