// tvboard: a bench that drives the board module as a host streaming driver
// would, against the emulated board, and shows what went over the bus.
//
// Exit status: 0 done; 1 the board or the module did not do what was asked
// (no lock, no station found, a build that does not conform, a claim of the
// module the board contradicts, a module under test that crashed, hung,
// exited or printed to stdout in a call); 2 bad usage (an unknown option, a value
// that does not parse, an option the command does not take, a module or
// file that cannot be read), reported in one line on stderr.
#include "bench/bench_options.h"
#include "bench/caps_command.h"
#include "bench/conform_command.h"
#include "bench/detect_command.h"
#include "bench/dump_command.h"
#include "bench/get_command.h"
#include "bench/input_command.h"
#include "bench/output_files.h"
#include "bench/picture_command.h"
#include "bench/scan_command.h"
#include "bench/session_command.h"
#include "bench/set_command.h"
#include "bench/standards_command.h"
#include "bench/stations_command.h"
#include "bench/tune_command.h"
#include "bench/usage_messages.h"
#include "bench/watched_run.h"
#include "text/bit_names.h"

#include <CLI/CLI.hpp>

#include <algorithm>
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
const Operand kDevice{"DEVICE", "decoder, demodulator or synthesizer", true, false};
const Operand kDeviceReg{"DEVICE REG", "the device and a register: 0x1B, 27 or a name (Status)",
                         true, true};
const Operand kDeviceRegValue{"DEVICE REG VALUE", "the device, a register and a byte (0x80, 128)",
                              true, true};

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
    {kDetect, "detect", DetectCommand, nullptr, nullptr,
     "which 7-bit bus addresses answer a quick write, as i2cdetect draws them"},
    {kDump, "dump", DumpCommand, nullptr, &kDevice,
     "read every register of DEVICE (or --range) on the bus and show them as i2cdump does"},
    {kGet, "get", GetCommand, nullptr, &kDeviceReg, "read one register on the bus, as i2cget"},
    {kSet, "set", SetCommand, nullptr, &kDeviceRegValue,
     "write one register on the bus and read it back, as i2cset (only with --yes)"},
};

constexpr unsigned kBoard = kSession | kTune | kScan;
constexpr unsigned kDrives = kSession | kStandards | kTune | kScan | kCaps | kInput | kPicture;
constexpr unsigned kBus = kSession | kTune | kScan | kInput | kPicture;
constexpr unsigned kTools = kDetect | kDump | kGet | kSet;
constexpr unsigned kAll = kDrives | kStations | kConform | kRecord | kTools;

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
    {"--trace", nullptr, false, kDrives | kTools,
     "print the bus timeline, DSP handshakes condensed"},
    {"--raw", nullptr, false, kDrives | kTools, "print every host call, wait and debug print"},
    {"--timestamps", nullptr, false, kDrives | kTools, "with --trace or --raw: time stamps"},
    {"--vcd", "FILE", false, kBus | kTools,
     "write the bus traffic to FILE ('-': stdout) as a logic analyzer's capture (Value Change "
     "Dump of the wires scl and sda)"},
    {"--bus-rate", "HZ", false, kBus | kTools,
     "the bus clock, e.g. 100k (default), 400k, 1M: how long each transfer takes in the times "
     "reported, --timestamps and --vcd (a --module build waits for real: in --vcd only)"},
    {"--registers", nullptr, false, kDrives | kSet,
     "show the emulated devices' registers at the end, decoded by field name"},
    {"--diff", nullptr, false, kBus | kSet,
     "show the registers the command changed, before and after"},
    {"--range", "FIRST-LAST", false, kDump, "only the registers FIRST to LAST, e.g. 0x100-0x11F"},
    {"--yes", nullptr, false, kSet, "write: the bench asks no questions (i2cset -y)"},
    {"--module", "PATH", false, kAll & ~kStations & ~kTools,
     "drive this build of the module (libtvboard.so, or tvboard.sys with the Windows bench) as "
     "its host would load it: real waits, its debug text on the timeline and on stderr"},
    {"--call-timeout", "SECONDS", false, kAll & ~kStations & ~kTools,
     "with --module: how long each call into the module may take before the bench stops it "
     "(default 10)"},
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
        // A flag takes no value: --json=0 is refused, not taken as --json.
        app->add_flag_function(
               name, [&g, name](int64_t count) { g.flags[name] += static_cast<int>(count); }, help)
            ->disable_flag_override();
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

// A value given to an option: no option taken for one, no empty file name,
// no module from stdin.
void CheckValue(const OptionEntry& entry, const std::string& v) {
    const std::string name = entry.name;
    const std::string type = entry.type != nullptr ? entry.type : "";
    const bool file = type == "FILE" || type == "PATH";
    const std::string wanted = name == "--module" ? "the path of a built module"
                               : file             ? "a file name"
                                                  : type;
    if (file && v.empty()) {
        throw UsageError(name + " wants " + wanted + ", not ''");
    }
    if (LooksLikeOption(v)) {
        throw UsageError(name + " wants " + wanted + ", not " + Quoted(v) + ", which is an option" +
                         (file ? " (a file of that name: ./" + v + ")" : ""));
    }
    if (name == "--module" && v == "-") {
        throw UsageError("--module wants the path of a built module, not '-': a module is "
                         "loaded from a file, not from stdin");
    }
}

// The values of the options: each as CheckValue wants it, stdin read once,
// no file written twice.
void CheckFiles(const Given& g) {
    std::vector<std::string> fromStdin;
    for (const OptionEntry& entry : kOptions) {
        const std::string name = entry.name;
        for (const std::string& v : g.All(name)) {
            CheckValue(entry, v);
            if (v == "-" && (name == "--antenna" || name == "--channels" || name == "--against")) {
                fromStdin.push_back(name);
            }
        }
    }
    if (fromStdin.size() > 1) {
        throw UsageError(fromStdin[0] + " - and " + fromStdin[1] +
                         " - would both read stdin: give one a file");
    }
    const std::string vcd = g.One("--vcd");
    const std::string save = g.One("--save");
    if (!vcd.empty() && !save.empty() && vcd != "-" && save != "-" && SameFile(vcd, save)) {
        throw UsageError("--vcd and --save name one file, " + Shown(vcd) + ": give each its own");
    }
}

// Every option given applies to the command, is given once unless it is a
// list, and agrees with the others.
void CheckGiven(const Given& g, const CommandEntry& c) {
    const std::string command = c.name;
    const bool operandGiven =
        c.operand != nullptr && c.operand->list ? !g.operands.empty() : g.operandGiven;
    if (c.operand != nullptr && c.operand->required && !operandGiven) {
        throw UsageError(std::string(c.operand->name) + " is required: " + command + " " +
                         c.operand->name);
    }
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
    if (g.Has("--call-timeout") && !g.Has("--module")) {
        throw UsageError("--call-timeout limits the calls of a module loaded with --module: give "
                         "--module PATH too");
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
    CheckFiles(g);
}

// Operands after "--" (which may look like options): to the command's
// operand, where it takes them.
void TakeOperands(const std::vector<std::string>& after, const CommandEntry& c, bool named,
                  Given& g) {
    if (after.empty()) {
        return;
    }
    const std::string command = c.name;
    if (c.operand == nullptr) {
        throw UsageError(Quoted(after[0]) + " after '--' is an operand, and " + command +
                         " takes none" + (named ? "" : " (a command goes before '--')"));
    }
    if (c.operand->list) {
        g.operands.insert(g.operands.end(), after.begin(), after.end());
        return;
    }
    if (g.operandGiven || after.size() > 1) {
        const std::string first = g.operandGiven ? g.operand : after[0];
        const std::string second = g.operandGiven ? after[0] : after[1];
        throw UsageError(command + " takes one " + c.operand->name + ", not " + Quoted(first) +
                         " and " + Quoted(second));
    }
    g.operand = after[0];
    g.operandGiven = true;
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
               "board contradicts, a module under test that crashed, hung, exited or printed to "
               "stdout in a call), 2 bad usage.\n"
               "An option may stand before the command or after it; [...] lists the commands "
               "it is for. 'tvboard COMMAND --help' shows the options of a command.");
    for (const OptionEntry& entry : kOptions) {
        AddOption(&app, entry, g, true);
    }
    std::vector<CLI::App*> subs; // as kCommands
    std::vector<CLI::Option*> required;
    for (const CommandEntry& c : kCommands) {
        CLI::App* sub = app.add_subcommand(c.name, c.help);
        subs.push_back(sub);
        // (Whether a required operand is there is checked with the rest, so
        // that an unknown option is named first; the help shows it
        // required.)
        if (c.operand != nullptr && c.operand->list) {
            sub->add_option(c.operand->name, g.operands, c.operand->help);
        } else if (c.operand != nullptr) {
            CLI::Option* operand = sub->add_option_function<std::string>(
                c.operand->name,
                [&g](const std::string& v) {
                    g.operand = v;
                    g.operandGiven = true;
                },
                c.operand->help);
            if (c.operand->required) {
                required.push_back(operand);
            }
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
    // What follows "--" is operands, whatever they look like; what comes
    // before it is parsed.
    std::vector<std::string> args(argv + 1, argv + argc);
    std::vector<std::string> after;
    const auto dash = std::find(args.begin(), args.end(), "--");
    if (dash != args.end()) {
        after.assign(dash + 1, args.end());
        args.erase(dash, args.end());
    }
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            for (CLI::Option* operand : required) {
                operand->required();
            }
            return app.exit(e); // --help, --version
        }
        const CommandEntry* c = given();
        const std::string command = c != nullptr ? c->name : "";
        std::string what = ParseProblem(e, app, args);
        // An option the command does not take: say so, and for which it is.
        const std::string words = " " + std::string(e.what()) + " ";
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
        TakeOperands(after, command, given() != nullptr, g);
        CheckGiven(g, command);
        Convert(g, command.bit, o);
    } catch (const UsageError& e) {
        return BadUsage(help, e.what());
    }
    const auto run = [&]() {
        try {
            return command.onBoard != nullptr ? RunOnBoard(o, command.onBoard) : command.run(o);
        } catch (const UsageError& e) {
            return BadUsage(help, e.what());
        }
    };
    // A module under test runs in a process of its own, so that whatever it
    // does, the bench lives to report it; the linked module is the bench's.
    return o.module.empty() ? run() : RunWatched(o, run);
}

} // namespace

} // namespace bench

int main(int argc, char** argv) {
    int rc = 1;
    try {
        rc = bench::Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tvboard: %s\n", e.what());
    }
    // A report that did not all reach stdout (a full disk) is no report.
    std::string reason;
    if (!bench::FinishStdout(&reason)) {
        std::fprintf(stderr, "tvboard: cannot write to stdout: %s\n", reason.c_str());
        return rc == 0 ? 1 : rc;
    }
    return rc;
}
