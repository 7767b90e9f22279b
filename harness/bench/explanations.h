// Why the board did not do what was asked, as far as the board and the
// module's answers tell: a frequency the module refused, a tuner that did
// not lock, and the range a tuning or a scan can reach; and where the board
// did something else than asked, what it did (board_reading.h): the
// frequency the synthesizer reached, the standard the demodulator was set
// up for.
#pragma once

#include "bench/host_calls.h"

#include <cstdint>
#include <string>

namespace bench {

// Frequencies from lowHz to highHz.
struct Range {
    uint32_t lowHz = 0;
    uint32_t highHz = 0;
    bool Holds(uint32_t hz) const { return hz >= lowHz && hz <= highHz; }
    std::string Text() const; // "40.000..847.000 MHz"
};

// The tuner's TV range (GetTunerModeCaps) within the synthesizer's reach
// for the IF offset of the run's standard.
Range TunerRange(const HostCalls& calls);
// The standard asked for, and the demodulator's set-up where that is not
// the standard's own: "SECAM_K, set up as B: PAL_B, SECAM_B".
std::string StandardAsSetUp(const HostCalls& calls);
// Where the synthesizer is, when that is not `hz`: ", synthesizer at
// 615.000 MHz in 250 kHz steps", else "".
std::string SynthesizerOff(const HostCalls& calls, uint32_t hz);
// Both as members of a document: synthesizer_hz, synthesizer_step_hz,
// set_up_as and, while a station is received, received_standard.
Json TuningMembers(const HostCalls& calls);

// Why the module kept its old frequency instead of `hz`.
std::string RefusalReason(const HostCalls& calls, uint32_t hz);
// Why the tuner did not lock at `hz`.
std::string NoLockReason(const HostCalls& calls, uint32_t hz);

} // namespace bench
