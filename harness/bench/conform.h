// Conformance of a built module against the reference: the module compiled
// into this bench on virtual time. Both run the same scenarios on the same
// emulated board; their timelines must agree in every host call with its
// arguments and bytes, every debug print and every note, in order, and the
// built module must wait at least as long between two events as the
// reference's waits there add up to.
#pragma once

#include "bench/scenarios.h"
#include "emu/timeline.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace bench {

struct TimedLine {
    uint64_t timeUs = 0;
    bool wait = false;
    uint64_t waitUs = 0; // for a wait
    std::string line;    // as the timeline renders it
};

struct Recording {
    std::string scenario;
    std::vector<TimedLine> lines;
};

// The scenario on the module image at `image`, loaded afresh for it, with
// real waits and time stamps; with no image, on the linked module (virtual
// time, from its load state), which is the reference. False with the reason
// in *error when the image cannot be loaded. With `events`, the timeline's
// events as well.
bool Record(const Scenario& scenario, const std::string& image, Recording* out, std::string* error,
            std::vector<emu::Event>* events = nullptr);
// Whether the image loads and gives a capability record that can be driven
// (a scenario would call through a missing table or slot); false with the
// reason in *error.
bool Drivable(const std::string& image, std::string* error);

// Recordings as text, so a reference made by one build of the bench can be
// compared with a module loaded by another (e.g. the Windows bench under Wine
// against the reference of the Linux compilers).
void WriteRecordings(std::ostream& out, const std::vector<Recording>& recordings);
// False with "line N: what is wrong" (or what is missing) in *error.
bool ReadRecordings(std::istream& in, std::vector<Recording>* out, std::string* error);

struct Verdict {
    bool same = true;        // the same events in the same order
    bool waitsKept = true;   // no gap shorter than the reference's waits
    std::string difference;  // the first difference with context, or the first short wait
    uint64_t requiredUs = 0; // the reference's waits, all added up
    uint64_t tookUs = 0;     // the built module's calls, from call to return
};

Verdict Compare(const Recording& reference, const Recording& build);

} // namespace bench
