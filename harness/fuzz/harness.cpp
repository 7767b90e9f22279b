#include "fuzz/harness.h"

#include "fuzz/call_sequence.h"

#include <cctype>
#include <string_view>

namespace fuzz {

Outcome RunInput(const uint8_t* data, size_t size, const Run& how) {
    Outcome out;
    {
        CallSequence session(data, size, how);
        out = session.Run();
        if (how.keepTimeline) {
            out.timeline = session.Timeline();
        }
        if (how.keepEvents) {
            out.events = session.Events();
        }
        out.digest = session.Digest();
        out.eventCount = session.EventCount();
        out.eventDigests = session.EventDigests();
        if (how.windowFrom <= how.windowTo) {
            out.events = session.Window();
        }
    }
    vt::Reset(); // the pool blocks the host never gave back
    return out;
}

uint64_t DigestOf(uint64_t digest, const emu::Event& e) {
    // FNV-1a a word at a time, with a final mix so that a word's high bits
    // reach the low ones; bytes and characters eight to a word. (Called for
    // every event of both runs of a differential input.)
    uint64_t h = digest == 0 ? 14695981039346656037ull : digest;
    const auto mix = [&h](uint64_t v) {
        h = (h ^ v) * 1099511628211ull;
        h ^= h >> 29;
    };
    const auto mixBytes = [&mix](const auto* p, size_t n) {
        for (size_t i = 0; i < n; i += 8) {
            uint64_t word = 0;
            for (size_t k = 0; k < 8 && i + k < n; ++k) {
                word |= static_cast<uint64_t>(static_cast<uint8_t>(p[i + k])) << (8 * k);
            }
            mix(word);
        }
    };
    mix(e.timeUs);
    mix(static_cast<uint64_t>(e.device) << 32 | e.reg);
    mix(static_cast<uint64_t>(e.kind) | static_cast<uint64_t>(e.acknowledged) << 8 |
        static_cast<uint64_t>(e.wait) << 16 | static_cast<uint64_t>(e.bytes.size()) << 24 |
        static_cast<uint64_t>(e.pins.size()) << 40 | static_cast<uint64_t>(e.values.size()) << 48);
    if (e.kind == emu::EventKind::Wait) {
        mix(e.waitUs);
        mix(e.times);
    }
    mixBytes(e.bytes.data(), e.bytes.size());
    for (size_t i = 0; i < e.pins.size() || i < e.values.size(); ++i) {
        mix(static_cast<uint64_t>(i < e.pins.size() ? e.pins[i] : 0) << 32 |
            (i < e.values.size() ? e.values[i] : 0));
    }
    if (e.kind != emu::EventKind::Print) {
        mixBytes(e.text.data(), e.text.size());
        return h;
    }
    // A print's text with its pointers (0x and more than four hex digits:
    // the pool's addresses, which differ from run to run) masked, made on
    // the stack (a print is at most 511 characters).
    char masked[1024];
    size_t n = 0;
    const std::string& text = e.text;
    for (size_t i = 0; i < text.size() && n + 16 < sizeof masked; ++i) {
        size_t end = i + 2;
        if (text.compare(i, 2, "0x") == 0) {
            while (end < text.size() && std::isxdigit(static_cast<unsigned char>(text[end])) != 0) {
                ++end;
            }
        }
        if (end - i > 6) {
            for (const char c : std::string_view("0x(address)")) {
                masked[n++] = c;
            }
            i = end - 1;
        } else {
            masked[n++] = text[i];
        }
    }
    mixBytes(masked, n);
    return h;
}

// Called for every event of a run that is digested or whose window is kept:
// in the file built without the fuzzer's tracing, with the digest.
void CallSequence::Observed(void* self, const emu::Event& e) {
    auto* s = static_cast<CallSequence*>(self);
    const size_t index = s->host_.Trace().Size(); // the number this event gets
    if (s->how_.digest) {
        s->digest_ = DigestOf(s->digest_, e);
    }
    if (s->how_.eventDigests) {
        s->digests_.push_back(DigestOf(0, e));
    }
    if (index >= s->how_.windowFrom && index <= s->how_.windowTo) {
        s->window_.push_back(e);
    }
}

namespace {

std::string Line(const std::vector<emu::Event>& events, size_t i, const char* end) {
    return i < events.size()
               ? std::to_string(events[i].timeUs) + " us  " + emu::Timeline::Line(events[i])
               : std::string(end);
}

} // namespace

Outcome RunDifferential(const uint8_t* data, size_t size, const std::string& image, bool describe,
                        size_t* events) {
    // First only the digests of both timelines, which a run of any length
    // keeps in a few bytes.
    Run how;
    how.describe = describe;
    how.kernelEvents = true;
    how.digest = true;
    Outcome reference = RunInput(data, size, how);
    how.image = image;
    Outcome built = RunInput(data, size, how);
    *events = reference.eventCount;
    for (const std::string& f : built.findings) {
        reference.findings.push_back("image: " + f);
    }
    reference.report += built.report;
    if (reference.digest == built.digest && reference.eventCount == built.eventCount) {
        return reference;
    }
    // They differ: the digest of each event finds the first that differs,
    // and both runs again give the events around it.
    how.digest = false;
    how.eventDigests = true;
    how.image.clear();
    const std::vector<uint64_t> a = RunInput(data, size, how).eventDigests;
    how.image = image;
    const std::vector<uint64_t> b = RunInput(data, size, how).eventDigests;
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) {
        ++at;
    }
    if (at == a.size() && at == b.size()) {
        reference.findings.push_back("the runs' digests differ, but no event does: the same "
                                     "input does not run the same way twice");
        return reference;
    }
    how.eventDigests = false;
    how.windowFrom = at >= 4 ? at - 4 : 0;
    how.windowTo = at;
    how.image.clear();
    const std::vector<emu::Event> before = RunInput(data, size, how).events;
    how.image = image;
    const std::vector<emu::Event> after = RunInput(data, size, how).events;
    const size_t first = how.windowFrom;
    reference.findings.push_back("the image's timeline differs at event " + std::to_string(at + 1));
    reference.report += "the image's timeline differs from the reference's at event " +
                        std::to_string(at + 1) + ":\n";
    for (size_t k = first; k < at; ++k) {
        reference.report += "    " + Line(before, k - first, "") + "\n";
    }
    reference.report += "  - " + Line(before, at - first, "(end of the reference)") + "\n";
    reference.report += "  + " + Line(after, at - first, "(end of the image's)") + "\n";
    *events = at;
    return reference;
}

} // namespace fuzz
