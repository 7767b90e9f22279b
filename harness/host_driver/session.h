// A whole host session, as a streaming driver runs one when the board
// starts: load, capabilities, open, InitializeSensor with the defaults, the
// video standards, the TV standard, tune, status requests until locked, the
// TV sound modes and one of them, the sample rate, close, unload. The bench's
// session, the session scenario and the module's session test all run this
// one.
#pragma once

#include "host_driver/host_driver.h"
#include "include/tvboard.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace host_driver {

// The steps of a session, in the order they run.
enum class SessionStep {
    Load,
    Open,
    InitializeSensor,
    Standards,
    SetStandard,
    Tune,
    WaitForLock, // not when the module refused the frequency
    AudioModes,
    SetAudioMode,
    SampleRate,
    Close,
    Unload,
};

struct SessionPlan {
    uint32_t input = TVB_VIDEO_INPUT_TUNER; // InitializeSensor's
    uint32_t standard = TVB_STANDARD_PAL_B;
    uint32_t frequencyHz = 175250000;
    int polls = 5;          // status requests at most, until Busy reads 0
    uint32_t audioMode = 0; // 0: stereo when the station has it, else mono
    uint32_t sampleRate = TVB_SAMPLE_RATE_48000;
};

// What the module answered, as far as the session got.
struct SessionOutcome {
    bool loaded = false; // a capability record that can be driven
    bool opened = false;
    int32_t initialized = 0; // InitializeSensor's result
    std::vector<VideoStandardDescriptor> standards;
    uint32_t keptHz = 0; // the frequency the module keeps after tuning
    TVTunerSettings status{};
    int polls = 0;
    uint32_t audioModes = 0;
    uint32_t audioMode = 0; // the one asked for
    bool audioModeSet = false;
};

// Called around every step; either may be empty.
struct SessionHooks {
    std::function<void(SessionStep, const SessionOutcome&)> before;
    std::function<void(SessionStep, const SessionOutcome&)> after;
};

// False when the module gave no record to drive (the session ends there)
// or did not open the board (it is unloaded then).
bool RunSession(HostDriver& driver, const SessionPlan& plan, SessionOutcome* outcome,
                const SessionHooks& hooks = {});

} // namespace host_driver
