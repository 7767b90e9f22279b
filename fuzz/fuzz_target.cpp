// The libFuzzer entry: every input runs as a whole host session; a finding
// is printed with its call and the bus traffic before it, and ends the
// process as a crash, so libFuzzer keeps the input.
#include "fuzz/harness.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzz::Outcome out = fuzz::RunInput(data, size);
    if (!out.findings.empty()) {
        std::fprintf(stderr, "\n=== tvboard fuzz finding\n%s", out.report.c_str());
        std::abort();
    }
    return 0;
}
