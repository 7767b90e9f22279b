// tvboard: a bench that drives the board module as a host streaming driver
// would, against the emulated board, and shows what went over the bus.
//
// Exit status: 0 done; 1 the board or the module did not do what was asked
// (no lock, no station found, a build that does not conform, a claim of the
// module the board contradicts); 2 bad usage (an unknown option, a value
// that does not parse, an option the command does not take, a module or
// file that cannot be read), reported in one line on stderr.
#include "bench/bench_options.h"
#include "bench/caps_command.h"
#include "bench/conform_command.h"
#include "bench/input_command.h"
#include "bench/picture_command.h"
#include "bench/scan_command.h"
#include "bench/session_command.h"
#include "bench/standards_command.h"
#include "bench/stations_command.h"
#include "bench/tune_command.h"
#include "text/bit_names.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#ifndef TVB_VERSION
#define TVB_VERSION "unknown"
#endif
// The commit the build was configured from (cmake/version.cmake); the
// version resource of the Windows bench names the same.
#ifndef TVB_COMMIT
#define TVB_COMMIT "unknown"
#endif

namespace bench {

namespace {

// What a command takes after its name.
struct Operand {
    const char* name;
    const char* help;
    bool required;
    bool list; // any number of them
};
const Operand kFrequency{
    "MHZ", "the frequency in MHz, e.g. 175.25; with --channels a channel's name", true, false};
const Operand kInputName{"INPUT", "tuner, composite or svideo (or 0, 1, 2)", false, false};
const Operand kSettings{"CONTROL=VALUE", "brightness, contrast, saturation 0..100, hue -50..50",
                        false, true};

// A command: its bit, name, handler (a command on the board, or one of its
// own), operand (or none) and help.
struct CommandEntry {
    Command bit;
    const char* name;
    int (*onBoard)(BoardRun& run, HostCalls& calls);
    int (*run)(const Options& options);
    const Operand* operand;
    const char* help;
};

const CommandEntry kCommands[] = {
    {kSession, "session", SessionCommand, nullptr, nullptr,
     "a whole host session (the default): bring-up, standards, tuning, lock, TV sound, sample "
     "rate, close"},
    {kStandards, "standards", StandardsCommand, nullptr, nullptr,
     "the video standards and property defaults the module reports"},
    {kTune, "tune", TuneCommand, nullptr, &kFrequency,
     "tune to MHZ (or a channel of --channels) and report lock, AFC step, signal and TV sound "
     "modes (exit 1 without lock)"},
    {kScan, "scan", ScanCommand, nullptr, nullptr,
     "tune every channel of the standard's plan (E2..E69 for PAL B/G, 2..69 for NTSC M, ...) "
     "within the tuner's range, fine-tune each station found and list them (exit 1 when none)"},
    {kStations, "stations", StationsCommand, nullptr, nullptr, "the emulated antenna's stations"},
    {kCaps, "caps", CapsCommand, nullptr, nullptr,
     "the capability record, each table's slots with their argument counts, the tuner mode caps "
     "and the audio format"},
    {kInput, "input", InputCommand, nullptr, &kInputName,
     "select the video input INPUT (tuner, composite, svideo) and report it"},
    {kPicture, "picture", PictureCommand, nullptr, &kSettings,
     "set picture controls (CONTROL=VALUE: brightness, contrast, saturation, hue) and read all "
     "four back from the decoder"},
    {kConform, "conform", nullptr, RunConform, nullptr,
     "run the host scenarios on the build given with --module and on the reference (the module "
     "built into this bench, on virtual time) and compare the timelines"},
    {kRecord, "record", nullptr, RunRecord, nullptr,
     "write the scenarios' timelines of the reference (or of --module) for a later conform "
     "--against"},
};

constexpr unsigned kBoard = kSession | kTune | kScan;
constexpr unsigned kDrives = kSession | kStandards | kTune | kScan | kCaps | kInput | kPicture;
constexpr unsigned kBus = kSession | kTune | kScan | kInput | kPicture;
constexpr unsigned kAll = kDrives | kStations | kConform | kRecord;

struct OptionEntry {
    const char* name;
    const char* type; // null: a flag
    bool list;        // may be given more than once
    unsigned commands;
    const char* help;
};

const OptionEntry kOptions[] = {
    {"--standard", "NAME", false, kBoard | kStandards | kStations,
     "the TV standard: PAL_B (default), PAL_G, PAL_I, PAL_D, NTSC_M, SECAM_L, ...; standards "
     "and stations show only what goes with it"},
    {"--station", "STATION", true, kBoard | kStations,
     "put a station on the antenna: MHZ[:STANDARD[:SOUND[:STRENGTH]]], SOUND mono, stereo, dual "
     "or triple; replaces the built-in line-up"},
    {"--antenna", "FILE", true, kBoard | kStations,
     "put the stations of FILE on the antenna, one a line: MHZ STANDARD [SOUND [STRENGTH "
     "[OFFSET_KHZ]]], # comments; replaces the built-in line-up"},
    {"--lock-late", "N", false, kBoard,
     "the demodulator reports lock only after N status polls (0..1000)"},
    {"--no-lock", nullptr, false, kBoard, "the demodulator never locks"},
    {"--channels", "FILE", false, kTune | kScan,
     "a channel list (written by scan --save): scan its channels, or tune one by name"},
    {"--sweep", "FROM:TO:STEP", false, kScan, "scan these frequencies (MHz) instead of the plan"},
    {"--band", "BAND", true, kScan, "only this band of the plan: vhf-low, vhf-high or uhf"},
    {"--save", "FILE", false, kScan, "write the stations found to FILE as a channel list"},
    {"--input", "INPUT", false, kSession,
     "select this video input after InitializeSensor: tuner, composite, svideo"},
    {"--picture", "CONTROL=VALUE", true, kSession,
     "set a picture control: brightness, contrast, saturation 0..100, hue -50..50"},
    {"--sound", "MODE", false, kSession | kTune,
     "choose this TV sound mode once locked: mono, stereo, lang-a, lang-b, lang-c, or several "
     "joined by '+'"},
    {"--trace", nullptr, false, kDrives, "print the bus timeline, DSP handshakes condensed"},
    {"--raw", nullptr, false, kDrives, "print every host call, wait and debug print"},
    {"--timestamps", nullptr, false, kDrives, "with --trace or --raw: time stamps"},
    {"--vcd", "FILE", false, kBus,
     "write the bus traffic to FILE ('-': stdout) as a logic analyzer's capture (Value Change "
     "Dump of the wires scl and sda)"},
    {"--bus-rate", "HZ", false, kBus, "the bus clock of --vcd, e.g. 100k (default), 400k, 1M"},
    {"--registers", nullptr, false, kDrives,
     "show the emulated devices' registers at the end, decoded by field name"},
    {"--module", "PATH", false, kAll & ~kStations,
     "drive this build of the module (libtvboard.so, or tvboard.sys with the Windows bench) as "
     "its host would load it: real waits, its debug text on the timeline and on stderr"},
    {"--json", nullptr, false, kAll, "the results as one JSON document on stdout"},
    {"--against", "FILE", false, kConform,
     "compare with the timelines in FILE (written by record) instead of the reference built "
     "into this bench"},
    {"--scenario", "NAME", true, kConform | kRecord, "only this scenario (repeatable)"},
    {"--out", "FILE", false, kRecord, "write to FILE instead of stdout ('-': stdout)"},
};

std::string CommandsOf(unsigned set) {
    const auto name = [](uint32_t bit) {
        for (const CommandEntry& c : kCommands) {
            if (c.bit == bit) {
                return std::string(c.name);
            }
        }
        return std::string();
    };
    return set == kAll ? "all" : text::Joined(text::BitNames(set, name), ", ");
}

void AddOption(CLI::App* app, const OptionEntry& entry, Given& g, bool top) {
    const std::string name = entry.name;
    std::string help = entry.help;
    if (top) {
        help += " [" + CommandsOf(entry.commands) + "]";
    }
    if (entry.type == nullptr) {
        app->add_flag_function(
            name, [&g, name](int64_t count) { g.flags[name] += static_cast<int>(count); }, help);
        return;
    }
    // Every occurrence is collected, wherever it stands, so that a repeated
    // single-valued option is refused alike in every order.
    app->add_option_function<std::vector<std::string>>(
           name,
           [&g, name](const std::vector<std::string>& v) {
               std::vector<std::string>& all = g.values[name];
               all.insert(all.end(), v.begin(), v.end());
           },
           help)
        ->type_name(entry.type)
        ->type_size(1)
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

// Every option given applies to the command, is given once unless it is a
// list, and agrees with the others.
void CheckGiven(const Given& g, const CommandEntry& c) {
    const std::string command = c.name;
    for (const OptionEntry& entry : kOptions) {
        if (!g.Has(entry.name)) {
            continue;
        }
        if ((entry.commands & c.bit) == 0) {
            throw UsageError(command + " does not take " + entry.name + " (it is for " +
                             CommandsOf(entry.commands) + ")");
        }
        const auto it = g.values.find(entry.name);
        if (!entry.list && it != g.values.end() && it->second.size() > 1) {
            throw UsageError(std::string(entry.name) + " given " +
                             std::to_string(it->second.size()) + " times (" +
                             Quoted(it->second[0]) + ", " + Quoted(it->second[1]) +
                             "): give it once");
        }
    }
    const auto conflict = [&g](const char* a, const char* b, const std::string& why) {
        if (g.Has(a) && g.Has(b)) {
            throw UsageError(std::string(a) + " and " + b + " " + why);
        }
    };
    conflict("--trace", "--raw", "are two views of one timeline: choose one");
    conflict("--timestamps", "--json", "do not go together: JSON events always carry their time");
    conflict("--no-lock", "--lock-late", "contradict each other");
    conflict("--sweep", "--band", "do not go together: --band chooses channels of the plan");
    conflict("--sweep", "--channels", "do not go together: scan one or the other");
    conflict("--band", "--channels", "do not go together: --band chooses channels of the plan");
    conflict("--channels", "--standard",
             "do not go together: the list gives each channel's standard");
    if (g.Flag("--timestamps") && !g.Flag("--trace") && !g.Flag("--raw")) {
        throw UsageError("--timestamps stamps the lines of --trace or --raw: give one of them");
    }
    if (g.Has("--bus-rate") && !g.Has("--vcd")) {
        throw UsageError("--bus-rate is the clock of --vcd: give --vcd FILE too");
    }
    // A file option given '-' takes stdout; the report then goes to stderr.
    std::vector<std::string> toStdout;
    for (const char* name : {"--vcd", "--save"}) {
        if (g.One(name) == "-") {
            toStdout.push_back(name);
        }
    }
    if (toStdout.size() > 1) {
        throw UsageError("--vcd - and --save - cannot both write to stdout: give one a file");
    }
    if (!toStdout.empty() && (g.Flag("--json") || g.Flag("--trace") || g.Flag("--raw"))) {
        throw UsageError(toStdout[0] +
                         " - writes to stdout, where --json, --trace and --raw "
                         "write too: give " +
                         toStdout[0] + " a file");
    }
    if (c.bit == kConform && !g.Has("--module")) {
        throw UsageError("conform needs --module PATH, the build to check");
    }
}

// One line on stderr: what is wrong and where the help is.
// (Control characters a value brought, which the command-line parser quotes
// as they are, are written as \xNN: the message stays one line.)
int BadUsage(const std::string& command, const std::string& what) {
    std::string line;
    for (char c : what) {
        const auto byte = static_cast<unsigned char>(c);
        line += byte < 0x20 || byte == 0x7F ? Quoted(std::string(1, c)).substr(1, 4)
                                            : std::string(1, c);
    }
    std::fprintf(stderr, "tvboard: %s (see 'tvboard%s --help')\n", line.c_str(),
                 command.empty() ? "" : (" " + command).c_str());
    return 2;
}

int Run(int argc, char** argv) {
    Options o;
    o.version = TVB_VERSION;
    Given g;

    CLI::App app{"Drives the TV tuner board module as a host streaming driver would, against the "
                 "emulated board, and shows what went over the bus. Without a command: session.",
                 "tvboard"};
    app.set_version_flag("--version", "tvboard " TVB_VERSION " (commit " TVB_COMMIT ")");
    app.require_subcommand(0, 1);
    app.footer("Exit status: 0 done, 1 the board or module did not do what was asked (no lock, "
               "no station found, a build that does not conform, a claim of the module the "
               "board contradicts), 2 bad usage.\n"
               "An option may stand before the command or after it; [...] lists the commands "
               "it is for. 'tvboard COMMAND --help' shows the options of a command.");
    for (const OptionEntry& entry : kOptions) {
        AddOption(&app, entry, g, true);
    }
    std::vector<CLI::App*> subs; // as kCommands
    for (const CommandEntry& c : kCommands) {
        CLI::App* sub = app.add_subcommand(c.name, c.help);
        subs.push_back(sub);
        if (c.operand != nullptr && c.operand->list) {
            sub->add_option(c.operand->name, g.operands, c.operand->help);
        } else if (c.operand != nullptr) {
            sub->add_option(c.operand->name, g.operand, c.operand->help)
                ->required(c.operand->required);
        }
        for (const OptionEntry& entry : kOptions) {
            if ((entry.commands & c.bit) != 0) {
                AddOption(sub, entry, g, false);
            }
        }
    }

    // The command given (the first entry, session, when none is).
    const auto given = [&app, &subs]() -> const CommandEntry* {
        for (size_t i = 0; i < subs.size(); ++i) {
            for (const CLI::App* sub : app.get_subcommands()) {
                if (sub == subs[i]) {
                    return &kCommands[i];
                }
            }
        }
        return nullptr;
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            return app.exit(e); // --help, --version
        }
        const CommandEntry* c = given();
        const std::string command = c != nullptr ? c->name : "";
        std::string what = e.what();
        // An option the command does not take: say so, and for which it is.
        const std::string words = " " + what + " ";
        for (const OptionEntry& entry : kOptions) {
            const bool named =
                words.find(std::string(" ") + entry.name + " ") != std::string::npos ||
                words.find(std::string(" ") + entry.name + "=") != std::string::npos;
            if (c != nullptr && named && (entry.commands & c->bit) == 0) {
                what = command + " does not take " + entry.name + " (it is for " +
                       CommandsOf(entry.commands) + ")";
            }
        }
        return BadUsage(command, what);
    }
    const CommandEntry& command = given() != nullptr ? *given() : kCommands[0];
    o.command = command.name;
    const std::string help = given() != nullptr ? o.command : "";
    try {
        CheckGiven(g, command);
        Convert(g, command.bit, o);
        return command.onBoard != nullptr ? RunOnBoard(o, command.onBoard) : command.run(o);
    } catch (const UsageError& e) {
        return BadUsage(help, e.what());
    }
}

} // namespace

} // namespace bench

int main(int argc, char** argv) {
    try {
        return bench::Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tvboard: %s\n", e.what());
        return 1;
    }
}
