// The fuzz harness: turns one input (fuzz/input.h) into a host session with
// the module linked on virtual time, against the emulated board with the
// faults the input asks for, and checks every call:
//   - no kernel rule broken (the virtual-time kernel services check every
//     kernel call, virtual_time/kernel_virtual.h);
//   - no device protocol violation the module caused: one a fault injected
//     into the device explains, or one that follows a wait the module made in
//     full (ten polls) before giving up on a DSP that never answered, is not
//     the module's;
//   - no argument the host did not expect (the sample-rate pin is driven
//     with the handle the host passed, whatever it is);
//   - host slots 4 and 5 never called;
//   - the call's virtual duration within its bound (fuzz/bounds.h);
//   - the result the slot promises;
//   - the host's settings record and the module's copy in step, as far as
//     the host's calls keep them so (CheckSettings in checks.cpp);
//   - the input the module reports is the one last chosen.
// Address and undefined-behaviour sanitizers watch every memory access on
// top of that: the harness passes records exactly as long as they are, at
// the end of their allocation.
#pragma once

#include "emu/timeline.h"
#include <cstddef>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fuzz {

struct Outcome {
    std::vector<std::string> findings; // empty: the input ran clean
    std::string report;                // the findings, each with its call and the bus before it
    size_t calls = 0;                  // host calls made
    uint64_t longestCallUs = 0;        // the longest call in virtual time
    std::string longestCall;
    std::vector<std::string> steps; // every call and board change made, in order
    std::string timeline;           // the whole bus timeline, when asked for
    std::vector<emu::Event> events; // its events, when asked for
    // A digest of every event (pool addresses in debug prints left out) and
    // how many there were, when asked for; the digest of each event alone,
    // when asked for.
    uint64_t digest = 0;
    size_t eventCount = 0;
    std::vector<uint64_t> eventDigests;
    // The longest virtual duration of each kind of call (the operation, with
    // the request id or property number where that decides what it does), us.
    std::map<std::string, uint64_t> longestByKind;
};

// How an input is run.
struct Run {
    // Each call described (on the timeline, in Outcome.steps, the longest
    // calls); without, a run is faster and a finding says only what failed.
    bool describe = true;
    bool keepTimeline = false; // Outcome.timeline
    bool keepEvents = false;   // Outcome.events
    bool digest = false;       // Outcome.digest and eventCount
    bool eventDigests = false; // Outcome.eventDigests
    // Outcome.events receives the events numbered windowFrom to windowTo
    // (however long the run).
    size_t windowFrom = 1;
    size_t windowTo = 0;
    // The module's waits and debug prints on the timeline too (what a
    // differential run compares), each run of equal waits one right after
    // the other (a busy-wait's stalls) as one wait with its count; without
    // them a run is faster.
    bool kernelEvents = false;
    // A Windows image to run instead of the linked module (host_driver's
    // in-process loader; the 32-bit x86 build). The checks that read the
    // linked module's own state are left out: the image's is its own.
    std::string image;
};

// Runs one input from the module's load state on a freshly made board.
Outcome RunInput(const uint8_t* data, size_t size, const Run& how = Run{});

// Runs one input on the linked module and on `image`, both with every wait
// and print on the timeline. Findings of either run, and the first event in
// which the image's timeline differs from the reference's (time stamps
// included), are findings. `events` receives the number of events compared.
Outcome RunDifferential(const uint8_t* data, size_t size, const std::string& image, bool describe,
                        size_t* events);

} // namespace fuzz
