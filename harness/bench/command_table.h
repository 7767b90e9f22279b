// The bench's command line as data: its commands (each with its handler,
// its operand and its help) and its options (each with the commands it is
// for), from which the parser, the help and the checks are all made.
#pragma once

#include "bench/bench_options.h"
#include "bench/board_run.h"
#include "bench/host_calls.h"

#include <string>
#include <vector>

namespace bench {

// What a command takes after its name.
struct Operand {
    const char* name;
    const char* help;
    bool required;
    bool list; // any number of them
};

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

// An option: its name, its value's type (or none), whether it may be given
// more than once, the commands it is for (Command bits) and help.
struct OptionEntry {
    const char* name;
    const char* type; // null: a flag
    bool list;        // may be given more than once
    unsigned commands;
    const char* help;
};

// The commands, the first (session) the one run when none is given.
const std::vector<CommandEntry>& CommandTable();
const std::vector<OptionEntry>& OptionTable();

// The names of the commands in `set` (a set of Command bits), or "all".
std::string CommandsOf(unsigned set);

} // namespace bench
