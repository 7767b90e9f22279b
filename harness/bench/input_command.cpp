#include "bench/input_command.h"

#include "bench/values.h"

namespace bench {

int InputCommand(BoardRun& run, HostCalls& calls) {
    if (!calls.BringUp()) {
        return 1;
    }
    const Options& o = run.options;
    if (o.inputGiven) {
        run.Waiting("selecting input " + InputName(o.input));
    }
    const uint32_t input = o.inputGiven ? calls.SelectInput(o.input) : calls.QueryInput();
    run.Put({{"input", InputName(input)}, {"input_number", input}}, [&](const Json&) {
        return "video input: " + InputName(input) + " (" + std::to_string(input) + ")" +
               (o.inputGiven ? "" : "; inputs: tuner (0), composite (1), svideo (2)") + "\n";
    });
    return 0;
}

} // namespace bench
