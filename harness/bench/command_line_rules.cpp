#include "bench/command_line_rules.h"

#include "bench/output_files.h"
#include "bench/usage_messages.h"
#include "bench/values.h"

namespace bench {

namespace {

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
    for (const OptionEntry& entry : OptionTable()) {
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

} // namespace

void CheckGiven(const Given& g, const CommandEntry& c) {
    const std::string command = c.name;
    const bool operandGiven =
        c.operand != nullptr && c.operand->list ? !g.operands.empty() : g.operandGiven;
    if (c.operand != nullptr && c.operand->required && !operandGiven) {
        throw UsageError(std::string(c.operand->name) + " is required: " + command + " " +
                         c.operand->name);
    }
    for (const OptionEntry& entry : OptionTable()) {
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

} // namespace bench
