// What the bench's command line asks for, checked and converted.
#pragma once

#include "bench/antenna_file.h"
#include "bench/channel_plan.h"
#include "bench/picture_settings.h"
#include "bench/values.h"
#include "include/tvboard.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace bench {

struct Options {
    std::string command = "session";
    // The board: the TV standard, the antenna and how the lock comes.
    uint32_t standard = TVB_STANDARD_PAL_B;
    bool standardGiven = false;
    std::vector<AntennaStation> stations; // empty: the built-in line-up
    int lockLate = 0;
    bool noLock = false;
    // What is tuned and scanned.
    uint32_t tuneHz = 0;           // tune
    std::string tuneChannel;       // tune, with --channels: the channel's name
    std::vector<Channel> channels; // --channels
    std::string channelsPath;
    bool sweeping = false;
    Sweep sweep;
    unsigned bands = kAllBands;
    std::string save; // scan --save
    // The host interface from the command line.
    bool inputGiven = false;
    uint32_t input = TVB_VIDEO_INPUT_TUNER;
    std::vector<std::pair<const PictureControl*, int32_t>> picture;
    bool soundGiven = false;
    uint32_t sound = 0;
    // Output.
    bool trace = false;
    bool raw = false;
    bool timestamps = false;
    bool json = false;
    bool registers = false;
    std::string vcd; // write the bus traffic here ("-": stdout)
    uint32_t busHz = 100000;
    // The build driven, conformance and recordings.
    std::string module; // a built module to load instead of the linked one
    std::string against;
    std::vector<std::string> scenarios;
    std::string out;     // record: "" or "-" stdout
    std::string version; // of the bench, for reports
};

// A request the bench cannot carry out as given (a module that does not load,
// a file it cannot read): reported in one line, exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace bench
