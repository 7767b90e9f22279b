// A host whose operations do the least a host can: it answers each call with
// what the emulated board answered when the same sequence was recorded, and
// does nothing else. The module then runs its own code as on the board while
// the board's and the timeline's work costs nothing.
//
// Each call is checked against the recording (kind, device, register), so a
// module that took another path than recorded is noticed.
#pragma once

#include "emu/timeline.h"
#include "include/tvboard.h"

#include <cstddef>
#include <vector>

namespace replay {

// Records the host calls of a timeline (pins and bus calls; waits, prints
// and notes are not host calls).
void Load(const std::vector<emu::Event>& events);
// Back to the first recorded call.
void Rewind();
size_t Calls();
// Calls made since the last Rewind, and those that did not match.
size_t Made();
size_t Mismatches();

const TVB_HOST_OPS* Ops();

} // namespace replay
