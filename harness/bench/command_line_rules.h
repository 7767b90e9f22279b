// The rules of the bench's command line that its parser does not know: an
// option applies to the command, is given once unless it is a list, agrees
// with the others, and names a file it may use. Each broken rule is a
// UsageError naming the option and what is wrong with it.
#pragma once

#include "bench/bench_options.h"
#include "bench/command_table.h"

#include <string>
#include <vector>

namespace bench {

// Throws UsageError for the first rule `g` breaks for command `c`.
void CheckGiven(const Given& g, const CommandEntry& c);

// Operands after "--" (which may look like options): to the command's
// operand, where it takes them; `named`: the command was named.
void TakeOperands(const std::vector<std::string>& after, const CommandEntry& c, bool named,
                  Given& g);

} // namespace bench
