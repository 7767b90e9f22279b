#include "bench/conform.h"

#include "bench/input_files.h"
#include "bench/values.h"
#include "emu/board.h"
#include "emu/host_table.h"
#include "emu/i2c_transfers.h"
#include "host_driver/host_driver.h"
#include "text/format.h"

#include <istream>
#include <ostream>
#include <sstream>

namespace bench {

namespace {

constexpr const char* kCallNote = "# host: ";
constexpr const char* kReturnNote = "# returned";
constexpr const char* kPrintLine = "dbg ";

Recording FromTimeline(const std::string& name, const emu::Timeline& timeline) {
    Recording r;
    r.scenario = name;
    for (const emu::Event& e : timeline.Events()) {
        TimedLine t;
        t.timeUs = e.timeUs;
        t.wait = e.kind == emu::EventKind::Wait;
        t.waitUs = t.wait ? e.waitUs : 0;
        t.line = emu::Timeline::Line(e);
        r.lines.push_back(std::move(t));
    }
    return r;
}

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

std::string Ms(uint64_t us) {
    return text::Format("%.3f ms", static_cast<double>(us) / 1000.0);
}

} // namespace

bool Record(const Scenario& scenario, const std::string& image, Recording* out, std::string* error,
            std::vector<emu::Event>* events) {
    emu::HostTable host;
    host.SetBusRate(emu::kStandardBusHz);
    {
        emu::Board board(host);
        host_driver::HostDriver driver(host, image);
        if (!driver.Ready()) {
            *error = driver.Error();
            return false;
        }
        driver.SetNotes(host_driver::Notes::CallsAndReturns);
        scenario.run(board, driver);
    }
    *out = FromTimeline(scenario.name, host.Trace());
    if (events != nullptr) {
        *events = host.Trace().Events();
    }
    return true;
}

bool Drivable(const std::string& image, std::string* error) {
    emu::HostTable host;
    host_driver::HostDriver driver(host, image);
    if (driver.Ready() && driver.Load()) {
        driver.Unload();
        return true;
    }
    *error = driver.Error();
    return false;
}

// One scenario a block: "scenario NAME", then "TIME WAIT LINE" with WAIT the
// wait's length in microseconds or "-" for any other event, then "end".
void WriteRecordings(std::ostream& out, const std::vector<Recording>& recordings) {
    out << "# tvboard timelines: time (us), wait (us) or -, timeline line\n";
    for (const Recording& r : recordings) {
        out << "scenario " << r.scenario << "\n";
        for (const TimedLine& t : r.lines) {
            out << t.timeUs << ' ' << (t.wait ? std::to_string(t.waitUs) : "-") << ' ' << t.line
                << "\n";
        }
        out << "end\n";
    }
}

namespace {

// A whole number of microseconds as WriteRecordings writes it.
bool Microseconds(const std::string& text, uint64_t* value) {
    if (text.empty() || text.size() > 18 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *value = std::stoull(text);
    return true;
}

} // namespace

bool ReadRecordings(std::istream& in, std::vector<Recording>* out, std::string* error) {
    std::string line;
    TextLines text(in, "", kRecordingBounds);
    int opened = 0; // the line of the current scenario
    std::vector<Recording> read;
    std::vector<int> lines;
    const auto fail = [&](const std::string& what) {
        *error = text.At() + what;
        return false;
    };
    while (text.Next(&line)) {
        const int number = text.Number();
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (StartsWith(line, "scenario ")) {
            if (opened != 0) {
                return fail("'scenario' before the 'end' of scenario " +
                            Quoted(read.back().scenario) + " (line " + std::to_string(opened) +
                            ")");
            }
            const std::string name = line.substr(9);
            if (name.empty() || name.find(' ') != std::string::npos) {
                return fail("a scenario's name is one word: " + Quoted(line));
            }
            for (size_t i = 0; i < read.size(); ++i) {
                if (read[i].scenario == name) {
                    return fail("scenario " + Quoted(name) + " is already on line " +
                                std::to_string(lines[i]));
                }
            }
            read.push_back(Recording{name, {}});
            lines.push_back(number);
            opened = number;
            continue;
        }
        if (opened == 0) {
            return fail("expected 'scenario NAME', not " + Quoted(line.substr(0, 40)));
        }
        if (line == "end") {
            opened = 0;
            continue;
        }
        const size_t a = line.find(' ');
        const size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
        if (b == std::string::npos) {
            return fail("expected 'TIME WAIT LINE' or 'end', not " + Quoted(line.substr(0, 40)));
        }
        TimedLine t;
        const std::string wait = line.substr(a + 1, b - a - 1);
        if (!Microseconds(line.substr(0, a), &t.timeUs)) {
            return fail("the time is not a whole number of microseconds: " +
                        Quoted(line.substr(0, a)));
        }
        t.wait = wait != "-";
        if (t.wait && !Microseconds(wait, &t.waitUs)) {
            return fail("the wait is neither '-' nor a whole number of microseconds: " +
                        Quoted(wait));
        }
        t.line = line.substr(b + 1);
        read.back().lines.push_back(std::move(t));
    }
    if (!text.Error().empty()) {
        *error = text.Error();
        return false;
    }
    if (opened != 0) {
        *error = "scenario " + Quoted(read.back().scenario) + " (line " + std::to_string(opened) +
                 ") has no 'end'";
        return false;
    }
    if (read.empty()) {
        *error = "no scenarios in it";
        return false;
    }
    out->insert(out->end(), read.begin(), read.end());
    return true;
}

Verdict Compare(const Recording& reference, const Recording& build) {
    Verdict v;
    // The reference's events without its waits, each with the waits that
    // came before it since the previous event.
    std::vector<const TimedLine*> ref;
    std::vector<uint64_t> waitedBefore;
    uint64_t pending = 0;
    for (const TimedLine& t : reference.lines) {
        if (t.wait) {
            pending += t.waitUs;
            v.requiredUs += t.waitUs;
            continue;
        }
        ref.push_back(&t);
        waitedBefore.push_back(pending);
        pending = 0;
    }
    std::vector<const TimedLine*> got;
    for (const TimedLine& t : build.lines) {
        if (!t.wait) {
            got.push_back(&t);
        }
    }

    const size_t n = ref.size() < got.size() ? ref.size() : got.size();
    size_t first = n;
    for (size_t i = 0; i < n; ++i) {
        if (ref[i]->line != got[i]->line) {
            first = i;
            break;
        }
    }
    if (first < n || ref.size() != got.size()) {
        v.same = false;
        std::string d = "first difference at event " + std::to_string(first + 1) + ":\n";
        const size_t from = first >= 4 ? first - 4 : 0;
        for (size_t i = from; i < first; ++i) {
            d += "    " + ref[i]->line + "\n";
        }
        d += "  - " + (first < ref.size() ? ref[first]->line : "(end of the reference)") + "\n";
        d += "  + " + (first < got.size() ? got[first]->line : "(end of the build's timeline)") +
             "\n";
        v.difference = d;
    }

    // Gaps are measured between events the host stamps as they happen: host
    // calls and notes. A loaded build's prints reach the timeline only at the
    // next such event, so their stamps do not count; the waits around them
    // add up to the next stamped event.
    size_t callAt = 0;
    bool inCall = false;
    size_t previous = 0;
    bool havePrevious = false;
    uint64_t required = 0;
    for (size_t i = 0; i < got.size(); ++i) {
        if (StartsWith(got[i]->line, kCallNote)) {
            callAt = i;
            inCall = true;
        } else if (got[i]->line == kReturnNote && inCall) {
            v.tookUs += got[i]->timeUs - got[callAt]->timeUs;
            inCall = false;
        }
        if (i >= first || !v.waitsKept) {
            continue;
        }
        required += waitedBefore[i];
        if (StartsWith(got[i]->line, kPrintLine)) {
            continue;
        }
        if (havePrevious) {
            const uint64_t gap = got[i]->timeUs - got[previous]->timeUs;
            if (gap < required) {
                v.waitsKept = false;
                const std::string wait = "only " + Ms(gap) + " between\n    " +
                                         got[previous]->line + "\n    " + got[i]->line +
                                         "\n  where the reference waits " + Ms(required) + "\n";
                v.difference = v.difference.empty() ? wait : v.difference;
            }
        }
        previous = i;
        havePrevious = true;
        required = 0;
    }
    return v;
}

} // namespace bench
