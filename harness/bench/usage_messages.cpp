#include "bench/usage_messages.h"

#include "bench/values.h"
#include "text/bit_names.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace bench {

bool LooksLikeOption(const std::string& value) {
    return value.size() > 1 && value[0] == '-' &&
           (value[1] == '-' || std::isalpha(static_cast<unsigned char>(value[1])) != 0);
}

// CLI11's words for an option it does not know, or a flag given a value,
// as the bench says them; others as they are.
std::string ParseProblem(const CLI::ParseError& e, const CLI::App& app,
                         const std::vector<std::string>& args) {
    std::string what = e.what();
    const std::string override = " was given a disallowed flag override";
    if (what.size() > override.size() &&
        what.compare(what.size() - override.size(), override.size(), override) == 0) {
        const std::string flag = "--" + what.substr(0, what.size() - override.size());
        for (const std::string& a : args) {
            if (a.rfind(flag + "=", 0) == 0) {
                return flag + " takes no value: " + Quoted(a) + " (a flag is given alone)";
            }
        }
        return flag + " takes no value (a flag is given alone)";
    }
    const std::vector<std::string> extras = app.remaining(true);
    if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr && !extras.empty() &&
        std::all_of(extras.begin(), extras.end(), LooksLikeOption)) {
        std::vector<std::string> quoted;
        quoted.reserve(extras.size());
        for (const std::string& x : extras) {
            quoted.push_back(Quoted(x));
        }
        return std::string(extras.size() == 1 ? "unknown option " : "unknown options ") +
               text::Joined(quoted, ", ");
    }
    return what;
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

} // namespace bench
