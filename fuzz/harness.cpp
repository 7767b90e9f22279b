#include "fuzz/harness.h"

#include "fuzz/session.h"

#include <cctype>

namespace fuzz {

Outcome RunInput(const uint8_t* data, size_t size, const Run& how) {
    Outcome out;
    {
        Session session(data, size, how);
        out = session.Run();
        if (how.keepTimeline) {
            out.timeline = session.Timeline();
        }
    }
    vt::Reset(); // the pool blocks the host never gave back
    return out;
}

namespace {

// The timeline's lines, each debug print's pointers (the addresses of pool
// blocks, which differ from run to run) masked.
std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t nl = text.find('\n'); nl != std::string::npos; nl = text.find('\n', from)) {
        std::string line = text.substr(from, nl - from);
        for (size_t at = line.rfind("dbg ", 0) == 0 ? line.find("0x") : std::string::npos;
             at != std::string::npos; at = line.find("0x", at + 2)) {
            size_t end = at + 2;
            while (end < line.size() && std::isxdigit(static_cast<unsigned char>(line[end])) != 0) {
                ++end;
            }
            if (end - at > 6) {
                line.replace(at, end - at, "0x(address)");
            }
        }
        lines.push_back(std::move(line));
        from = nl + 1;
    }
    return lines;
}

} // namespace

Outcome RunDifferential(const uint8_t* data, size_t size, const std::string& image,
                        size_t* events) {
    Run how;
    how.keepTimeline = true;
    how.kernelEvents = true;
    Outcome reference = RunInput(data, size, how);
    how.image = image;
    const Outcome built = RunInput(data, size, how);
    for (const std::string& f : built.findings) {
        reference.findings.push_back("image: " + f);
    }
    reference.report += built.report;
    const std::vector<std::string> a = LinesOf(reference.timeline);
    const std::vector<std::string> b = LinesOf(built.timeline);
    *events = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < a.size() || i < b.size(); ++i) {
        if (i < a.size() && i < b.size() && a[i] == b[i]) {
            continue;
        }
        reference.findings.push_back("the image's timeline differs at event " +
                                     std::to_string(i + 1));
        reference.report += "the image's timeline differs from the reference's at event " +
                            std::to_string(i + 1) + ":\n";
        for (size_t k = i >= 4 ? i - 4 : 0; k < i; ++k) {
            reference.report += "    " + a[k] + "\n";
        }
        reference.report += "  - " + (i < a.size() ? a[i] : "(end of the reference)") + "\n";
        reference.report += "  + " + (i < b.size() ? b[i] : "(end of the image's)") + "\n";
        *events = i;
        break;
    }
    return reference;
}

} // namespace fuzz
