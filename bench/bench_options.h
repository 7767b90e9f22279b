// What the bench's command line asks for, checked and converted.
#pragma once

#include "bench/antenna_file.h"
#include "include/tvboard.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

struct Options {
    std::string command = "session";
    uint32_t tuneHz = 0; // tune
    uint32_t standard = TVB_STANDARD_PAL_B;
    std::vector<AntennaStation> stations; // empty: the built-in line-up
    bool sweep = false;
    uint32_t sweepFrom = 0, sweepTo = 0, sweepStep = 0;
    int lockLate = 0;
    bool noLock = false;
    bool trace = false;
    bool raw = false;
    bool timestamps = false;
    bool json = false;
    std::string vcd; // write the bus traffic here
    uint32_t busHz = 100000;
    std::string module; // a built module to load instead of the linked one
    std::string against;
    std::vector<std::string> scenarios;
    std::string out;
    std::string version; // of the bench, for reports
};

// A request the bench cannot carry out as given (a module that does not load,
// a file it cannot read): reported in one line, exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace bench
