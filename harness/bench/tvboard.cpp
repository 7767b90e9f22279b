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
#include "bench/command_line_rules.h"
#include "bench/command_table.h"
#include "bench/host_calls.h"
#include "bench/output_files.h"
#include "bench/usage_messages.h"
#include "bench/watched_run.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
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
    for (const OptionEntry& entry : OptionTable()) {
        AddOption(&app, entry, g, true);
    }
    std::vector<CLI::App*> subs; // as CommandTable()
    std::vector<CLI::Option*> required;
    for (const CommandEntry& c : CommandTable()) {
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
        for (const OptionEntry& entry : OptionTable()) {
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
                    return &CommandTable()[i];
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
        for (const OptionEntry& entry : OptionTable()) {
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
    const CommandEntry& command = given() != nullptr ? *given() : CommandTable()[0];
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
