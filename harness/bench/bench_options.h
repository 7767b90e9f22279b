// What the bench's command line asks for, checked and converted.
#pragma once

#include "bench/antenna_file.h"
#include "bench/bus_devices.h"
#include "bench/channel_plan.h"
#include "bench/picture_settings.h"
#include "bench/values.h"
#include "emu/i2c_transfers.h"
#include "include/tvboard.h"

#include <cstdint>
#include <map>
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
    // The bus tools: the device, register and value (dump, get, set).
    const BoardDevice* device = nullptr;
    uint32_t reg = 0;
    uint8_t value = 0;
    uint32_t first = 0; // dump: the registers from first to last
    uint32_t last = 0;
    bool yes = false; // set: the write is meant
    // Output.
    bool diff = false;
    bool trace = false;
    bool raw = false;
    bool timestamps = false;
    bool json = false;
    bool registers = false;
    std::string vcd;                      // write the bus traffic here ("-": stdout)
    uint32_t busHz = emu::kStandardBusHz; // the bus clock: its transfers take time at it
    // The build driven, conformance and recordings.
    std::string module;        // a built module to load instead of the linked one
    double callSeconds = 10.0; // the time each of its calls may take
    std::string against;
    std::vector<std::string> scenarios;
    std::string out;     // record: "" or "-" stdout
    std::string version; // of the bench, for reports
};

// The commands, as bits of the sets of commands each option applies to.
enum Command : unsigned {
    kSession = 1u << 0,
    kStandards = 1u << 1,
    kTune = 1u << 2,
    kScan = 1u << 3,
    kStations = 1u << 4,
    kCaps = 1u << 5,
    kInput = 1u << 6,
    kPicture = 1u << 7,
    kConform = 1u << 8,
    kRecord = 1u << 9,
    kDetect = 1u << 10,
    kDump = 1u << 11,
    kGet = 1u << 12,
    kSet = 1u << 13,
};

// What the command line gave, option by option, before it is checked
// (tvboard.cpp).
struct Given {
    std::map<std::string, std::vector<std::string>> values; // every value, in order
    std::map<std::string, int> flags;                       // how often
    std::string operand;                                    // tune's MHZ, input's INPUT
    bool operandGiven = false;
    std::vector<std::string> operands; // picture's settings, get's and set's

    bool Has(const std::string& name) const {
        return values.count(name) != 0 || flags.count(name) != 0;
    }
    bool Flag(const std::string& name) const { return flags.count(name) != 0; }
    // A single-valued option's value ("" when not given).
    std::string One(const std::string& name) const {
        const auto it = values.find(name);
        return it == values.end() ? "" : it->second.front();
    }
    const std::vector<std::string>& All(const std::string& name) const {
        static const std::vector<std::string> kNone;
        const auto it = values.find(name);
        return it == values.end() ? kNone : it->second;
    }
};

// Checks and converts what was given to `command` (bad values, files that
// do not read, a channel not in the list); throws UsageError.
void Convert(const Given& given, Command command, Options& options);

// A request the bench cannot carry out as given (a module that does not load,
// a file it cannot read): reported in one line, exit status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace bench
