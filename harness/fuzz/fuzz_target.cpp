// The libFuzzer entry: every input runs as a whole host session; a finding
// is printed with its call and the bus traffic before it, and ends the
// process as a crash, so libFuzzer keeps the input.
#include "fuzz/harness.h"

#include <cstdio>
#include <cstdlib>

//
// With TVB_FUZZ_IMAGE naming a Windows image (the 32-bit x86 build, preset
// fuzz-i386), every input runs on the linked module and on that image, and
// a difference in their timelines is a finding too.
//
// Calls are not described while fuzzing, which takes a good part of the
// time; a finding's input runs again with its calls described for the
// report (the session is deterministic).
namespace {

fuzz::Outcome Run(const uint8_t* data, size_t size, bool describe) {
    static const char* const image = std::getenv("TVB_FUZZ_IMAGE");
    if (image != nullptr && *image != '\0') {
        size_t events = 0;
        return fuzz::RunDifferential(data, size, image, describe, &events);
    }
    fuzz::Run how;
    how.describe = describe;
    return fuzz::RunInput(data, size, how);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (Run(data, size, false).findings.empty()) {
        return 0;
    }
    const fuzz::Outcome out = Run(data, size, true);
    std::fprintf(stderr, "\n=== tvboard fuzz finding\n%s", out.report.c_str());
    if (out.findings.empty()) {
        std::fprintf(stderr, "(the finding did not come back when the calls were described: the "
                             "session is not deterministic)\n");
    }
    std::abort();
}
