// The fixed host scenarios every build of the module is run through: each
// sets up the emulated board and then drives the module through its exports
// and tables as a host would. The same scenario on the same board gives the
// same bus traffic, prints and waits on any correct build.
#pragma once

#include "emu/board.h"
#include "host_driver/host_driver.h"

#include <vector>

namespace bench {

struct Scenario {
    const char* name;
    const char* what; // one line for the report
    // Sets up the board, loads the module through the driver, drives it and
    // unloads it.
    void (*run)(emu::Board& board, host_driver::HostDriver& driver);
};

const std::vector<Scenario>& Scenarios();

} // namespace bench
