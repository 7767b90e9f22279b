// The libFuzzer entry: every input runs as a whole host session; a finding
// is printed with its call and the bus traffic before it, and ends the
// process as a crash, so libFuzzer keeps the input.
#include "fuzz/harness.h"

#include <cstdio>
#include <cstdlib>

// Calls are not described while fuzzing, which takes a good part of the
// time; a finding's input runs again with its calls described for the
// report (the session is deterministic).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Run fast;
    fast.describe = false;
    if (fuzz::RunInput(data, size, fast).findings.empty()) {
        return 0;
    }
    const fuzz::Outcome out = fuzz::RunInput(data, size);
    std::fprintf(stderr, "\n=== tvboard fuzz finding\n%s", out.report.c_str());
    if (out.findings.empty()) {
        std::fprintf(stderr, "(the finding did not come back when the calls were described: the "
                             "session is not deterministic)\n");
    }
    std::abort();
}
