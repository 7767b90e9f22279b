// tvboard set DEVICE REG VALUE --yes: one register written on the bus, as
// i2cset writes it, and read back where the device can be read. Without
// --yes it is refused before the run (i2cset asks first; the bench asks
// nothing). The synthesizer is written with the IF demodulator's gate opened
// for it and set back after, as the module does around its own writes.
#pragma once

#include "bench/host_calls.h"

namespace bench {

int SetCommand(BoardRun& run, HostCalls& calls);

} // namespace bench
