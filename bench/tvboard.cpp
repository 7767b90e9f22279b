// tvboard: a bench that drives the board module as a host streaming driver
// would, against the emulated board, and shows what went over the bus.
//
// Exit status: 0 done; 1 the board or the module did not do what was asked
// (no lock, no station found, a build that does not conform); 2 bad usage
// (an unknown option, a value that does not parse, a module or file that
// cannot be read), reported in one line on stderr.
#include "bench/bench_commands.h"
#include "bench/bench_options.h"
#include "bench/conform_command.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
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

namespace {

using bench::Options;
using bench::UsageError;

// The command line as given, before it is checked and converted.
struct Given {
    std::string standard;
    std::vector<std::string> stations;
    std::vector<std::string> antennas;
    std::string sweep;
    std::string tune;
    std::string busRate;
};

// Options that apply to several commands are accepted before the command
// (for all of them) and after it (for those they apply to); a list given in
// both places is joined.
void AddList(CLI::App* app, const char* name, const char* type, std::vector<std::string>& to,
             const char* what) {
    app->add_option_function<std::vector<std::string>>(
           name,
           [&to](const std::vector<std::string>& v) { to.insert(to.end(), v.begin(), v.end()); },
           what)
        ->type_name(type)
        ->type_size(1)
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

void AddBoardOptions(CLI::App* app, Given& g, Options& o) {
    app->add_option("--standard", g.standard,
                    "TV standard: PAL_B (default), PAL_G, PAL_I, PAL_D, NTSC_M, NTSC_M_J, "
                    "SECAM_L, SECAM_L1, ...")
        ->type_name("NAME");
    AddList(app, "--station", "STATION", g.stations,
            "put a station on the antenna: MHZ[:STANDARD[:SOUND[:STRENGTH]]], SOUND mono, "
            "stereo, dual or triple; replaces the built-in line-up (repeatable)");
    AddList(app, "--antenna", "FILE", g.antennas,
            "put the stations of FILE on the antenna, one a line: MHZ STANDARD [SOUND "
            "[STRENGTH [OFFSET_KHZ]]], # comments; replaces the built-in line-up");
    app->add_option("--lock-late", o.lockLate,
                    "the demodulator reports lock only after N status polls")
        ->type_name("N")
        ->check(CLI::Range(0, 1000));
    app->add_flag("--no-lock", o.noLock, "the demodulator never locks");
}

void AddOutputOptions(CLI::App* app, Given& g, Options& o) {
    app->add_flag("--trace", o.trace, "print the bus timeline, DSP handshakes condensed");
    app->add_flag("--raw", o.raw, "print every host call, wait and debug print");
    app->add_flag("--timestamps", o.timestamps, "with --raw: time stamps");
    app->add_option("--vcd", o.vcd,
                    "write the bus traffic to FILE as a logic analyzer's capture (Value Change "
                    "Dump of the wires scl and sda)")
        ->type_name("FILE");
    app->add_option("--bus-rate", g.busRate,
                    "the bus clock of --vcd in Hz, e.g. 100k (default), 400k, 1M")
        ->type_name("HZ");
}

void AddModuleOption(CLI::App* app, Options& o) {
    app->add_option("--module", o.module,
                    "drive this build of the module (libtvboard.so, or tvboard.sys with the "
                    "Windows bench) as its host would load it: real waits, its debug text on "
                    "the timeline and on stderr")
        ->type_name("PATH");
}

void AddJsonOption(CLI::App* app, Options& o) {
    app->add_flag("--json", o.json, "the results as one JSON document on stdout");
}

// What every command that drives the board takes: the antenna and the lock,
// the timeline and captures, and the build to drive.
void AddDrivingOptions(CLI::App* app, Given& g, Options& o) {
    AddBoardOptions(app, g, o);
    AddOutputOptions(app, g, o);
    AddModuleOption(app, o);
}

void AddScenarioOption(CLI::App* app, Options& o) {
    app->add_option("--scenario", o.scenarios, "only this scenario (repeatable)")
        ->type_name("NAME")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

uint32_t MHzOf(const std::string& text) {
    uint32_t hz = 0;
    std::string error;
    if (!bench::ParseMHz(text, &hz, &error)) {
        throw UsageError(error);
    }
    return hz;
}

uint32_t BusRate(const std::string& text) {
    const std::string usage = "--bus-rate wants a clock rate of 1k..3.4M (Hz): '" + text + "'";
    char* end = nullptr;
    double hz = std::strtod(text.c_str(), &end);
    if (end == text.c_str()) {
        throw UsageError(usage);
    }
    const std::string unit = end;
    if (unit == "k" || unit == "kHz") {
        hz *= 1e3;
    } else if (unit == "M" || unit == "MHz") {
        hz *= 1e6;
    } else if (!unit.empty() && unit != "Hz") {
        throw UsageError(usage);
    }
    if (!(hz >= 1e3 && hz <= 3.4e6)) {
        throw UsageError(usage);
    }
    return static_cast<uint32_t>(std::llround(hz));
}

// Checks and converts what was given; throws UsageError.
void Convert(const Given& g, Options& o) {
    std::string error;
    if (!g.standard.empty() && !bench::ParseStandard(g.standard, &o.standard, &error)) {
        throw UsageError("--standard: " + error);
    }
    for (const std::string& text : g.stations) {
        bench::AntennaStation s;
        if (!bench::ParseStationOption(text, &s, &error)) {
            throw UsageError("--station: " + error);
        }
        if (s.station.standard == 0) {
            s.station.standard = o.standard; // the one chosen for the session
        }
        o.stations.push_back(s);
    }
    for (const std::string& path : g.antennas) {
        if (!bench::LoadAntennaFile(path, &o.stations, &error)) {
            throw UsageError(error);
        }
    }
    if (!g.tune.empty()) {
        o.tuneHz = MHzOf(g.tune);
    }
    if (!g.sweep.empty()) {
        const size_t a = g.sweep.find(':');
        const size_t b = a == std::string::npos ? a : g.sweep.find(':', a + 1);
        if (b == std::string::npos || g.sweep.find(':', b + 1) != std::string::npos) {
            throw UsageError("--sweep wants FROM:TO:STEP in MHz: '" + g.sweep + "'");
        }
        o.sweep = true;
        o.sweepFrom = MHzOf(g.sweep.substr(0, a));
        o.sweepTo = MHzOf(g.sweep.substr(a + 1, b - a - 1));
        o.sweepStep = MHzOf(g.sweep.substr(b + 1));
        if (o.sweepTo < o.sweepFrom) {
            throw UsageError("--sweep: FROM above TO");
        }
    }
    if (!g.busRate.empty()) {
        o.busHz = BusRate(g.busRate);
    }
    if (o.command == "conform" && o.module.empty()) {
        throw UsageError("conform needs --module PATH, the build to check");
    }
}

// One line on stderr: what is wrong and where the help is.
int BadUsage(const CLI::App& app, const std::string& what) {
    std::string command = "tvboard";
    for (const CLI::App* sub : app.get_subcommands()) {
        command += " " + sub->get_name();
    }
    std::fprintf(stderr, "tvboard: %s (see '%s --help')\n", what.c_str(), command.c_str());
    return 2;
}

} // namespace

static int Run(int argc, char** argv) {
    Options o;
    o.version = TVB_VERSION;
    Given g;

    CLI::App app{"Drives the TV tuner board module as a host streaming driver would, against the "
                 "emulated board, and shows what went over the bus. Without a command: session.",
                 "tvboard"};
    app.set_version_flag("--version", "tvboard " TVB_VERSION " (commit " TVB_COMMIT ")");
    app.require_subcommand(0, 1);
    app.footer("Exit status: 0 done, 1 the board or module did not do what was asked (no lock, "
               "no station found, a build that does not conform), 2 bad usage.\n"
               "'tvboard COMMAND --help' shows the options of a command.");
    AddDrivingOptions(&app, g, o);

    CLI::App* session = app.add_subcommand(
        "session", "a whole host session (the default): bring-up, standards, tuning, lock, TV "
                   "sound, sample rate, close");
    AddDrivingOptions(session, g, o);

    CLI::App* standards =
        app.add_subcommand("standards", "the video standards and property defaults the module "
                                        "reports");
    AddDrivingOptions(standards, g, o);
    AddJsonOption(standards, o);

    CLI::App* tune = app.add_subcommand(
        "tune", "tune to MHZ and report lock, AFC step, signal and TV sound modes (exit 1 "
                "without lock)");
    tune->add_option("MHZ", g.tune, "the frequency in MHz, e.g. 175.25")->required();
    AddDrivingOptions(tune, g, o);
    AddJsonOption(tune, o);

    CLI::App* scan = app.add_subcommand(
        "scan", "tune every channel of the standard's plan (E2..E69 for PAL B/G, 2..69 for "
                "NTSC M, ...) and list the stations found (exit 1 when none)");
    scan->add_option("--sweep", g.sweep, "scan these frequencies (MHz) instead of the plan")
        ->type_name("FROM:TO:STEP");
    AddDrivingOptions(scan, g, o);
    AddJsonOption(scan, o);

    CLI::App* stations = app.add_subcommand("stations", "the emulated antenna's stations");
    AddBoardOptions(stations, g, o);
    AddJsonOption(stations, o);

    CLI::App* caps = app.add_subcommand(
        "caps", "the capability record, each table's slots with their argument counts, the "
                "tuner mode caps and the audio format");
    AddModuleOption(caps, o);
    AddJsonOption(caps, o);

    CLI::App* conform = app.add_subcommand(
        "conform", "run the host scenarios on the build given with --module and on the "
                   "reference (the module built into this bench, on virtual time) and compare "
                   "the timelines");
    AddModuleOption(conform, o);
    conform
        ->add_option("--against", o.against,
                     "compare with the timelines in FILE (written by record) instead of the "
                     "reference built into this bench")
        ->type_name("FILE");
    AddScenarioOption(conform, o);
    AddJsonOption(conform, o);

    CLI::App* record = app.add_subcommand(
        "record", "write the scenarios' timelines of the reference (or of --module) for a later "
                  "conform --against");
    AddModuleOption(record, o);
    AddScenarioOption(record, o);
    record->add_option("--out", o.out, "write to FILE instead of stdout")->type_name("FILE");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            return app.exit(e); // --help, --version
        }
        return BadUsage(app, e.what());
    }
    if (!app.get_subcommands().empty()) {
        o.command = app.get_subcommands().front()->get_name();
    }
    try {
        Convert(g, o);
        if (o.command == "conform") {
            return bench::RunConform(o);
        }
        if (o.command == "record") {
            return bench::RunRecord(o);
        }
        return bench::RunBoardCommand(o);
    } catch (const UsageError& e) {
        return BadUsage(app, e.what());
    }
}

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tvboard: %s\n", e.what());
        return 1;
    }
}
