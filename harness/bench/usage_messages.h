// The command line's problems as the bench says them: CLI11's words for an
// option it does not know or a flag given a value, put as the bench's own,
// and the one line on stderr that a bad usage gets.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace bench {

// "--json", "-x": an option, where a value was wanted ("-5" and "-" are
// values).
bool LooksLikeOption(const std::string& value);
// What is wrong, in the bench's words where it has its own.
std::string ParseProblem(const CLI::ParseError& e, const CLI::App& app,
                         const std::vector<std::string>& args);
// Writes "tvboard: WHAT (see 'tvboard COMMAND --help')" on stderr; returns
// the exit status of a bad usage, 2.
int BadUsage(const std::string& command, const std::string& what);

} // namespace bench
