#include "bench/conform_command.h"

#include "bench/conform.h"
#include "bench/input_files.h"
#include "bench/json_document.h"
#include "bench/output_files.h"
#include "bench/progress.h"
#include "bench/timeline_stream.h"
#include "bench/values.h"
#include "host_driver/isolation.h"
#include "text/bit_names.h"
#include "text/format.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>

namespace bench {

namespace {

std::vector<Scenario> ChosenScenarios(const Options& o) {
    std::vector<std::string> names;
    for (const Scenario& s : Scenarios()) {
        names.push_back(s.name);
    }
    for (const std::string& name : o.scenarios) {
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            throw UsageError("unknown scenario " + Quoted(name) + " (" + text::Joined(names, ", ") +
                             ")");
        }
    }
    std::vector<Scenario> chosen;
    for (const Scenario& s : Scenarios()) {
        const auto& wanted = o.scenarios;
        if (wanted.empty() || std::find(wanted.begin(), wanted.end(), s.name) != wanted.end()) {
            chosen.push_back(s);
        }
    }
    return chosen;
}

// A build to run the scenarios on is looked at first: one that cannot be
// driven stops the bench before anything is written.
void CheckModule(const std::string& module) {
    std::string error;
    if (!module.empty() && !Drivable(module, &error)) {
        throw UsageError(error);
    }
}

Recording RecordOne(const Scenario& s, const std::string& module,
                    std::vector<emu::Event>* events = nullptr) {
    Recording r;
    std::string error;
    if (!Record(s, module, &r, &error, events)) {
        throw UsageError(error);
    }
    return r;
}

std::string MsColumn(uint64_t us) {
    return text::Format("%9.1f ms", static_cast<double>(us) / 1000.0);
}

double Ratio(uint64_t took, uint64_t required) {
    return required > 0 ? static_cast<double>(took) / static_cast<double>(required) : 0.0;
}

bool HasWaits(const Recording& r) {
    return std::any_of(r.lines.begin(), r.lines.end(), [](const TimedLine& t) { return t.wait; });
}

// A recording of a loaded build holds no waits (they were real and not
// seen), so it cannot say how long a build must wait: where the reference
// built into this bench waits in a scenario that such a recording shows
// without a wait, its timing is left out of the comparison, and said so.
bool TimingLeftOut(const Scenario& s, const Recording& against) {
    return !HasWaits(against) && HasWaits(RecordOne(s, ""));
}

std::string Counted(size_t i, size_t n, const char* name) {
    return "(" + std::to_string(i + 1) + " of " + std::to_string(n) + ") " + name;
}

} // namespace

int RunRecord(const Options& o) {
    // Where it goes is opened first: a path that cannot be written stops the
    // bench before the scenarios run.
    Output out;
    std::string error;
    if (!out.Open(o.out.empty() ? "-" : o.out, "recording", &error)) {
        throw UsageError(error);
    }
    CheckModule(o.module);
    bench::Progress progress;
    std::vector<Recording> recordings;
    std::unique_ptr<JsonStream> json;
    if (o.json) {
        json = std::make_unique<JsonStream>(out.Stream());
        json->Begin("record");
        json->BeginList("scenarios");
    }
    const std::vector<Scenario> chosen = ChosenScenarios(o);
    for (size_t i = 0; i < chosen.size(); ++i) {
        if (!o.module.empty()) {
            progress.Show("record: scenario " + Counted(i, chosen.size(), chosen[i].name));
        }
        std::vector<emu::Event> events;
        host_driver::WatchContext(std::string("scenario ") + chosen[i].name);
        recordings.push_back(RecordOne(chosen[i], o.module, o.json ? &events : nullptr));
        if (json != nullptr) {
            Json timeline = Json::array();
            for (const emu::Event& e : events) {
                timeline.push_back(EventJson(e));
            }
            json->Item({{"name", chosen[i].name},
                        {"what", chosen[i].what},
                        {"timeline", std::move(timeline)}});
        }
    }
    progress.Clear();
    if (json != nullptr) {
        json->EndList();
        json->End({{"module", o.module.empty() ? "the reference built into this bench" : o.module},
                   {"clock", o.module.empty() ? "virtual time" : "real time"}});
    } else {
        WriteRecordings(out.Stream(), recordings);
    }
    // (A write that fails at the end fails the run; a file there stays.)
    if (!out.Close(&error)) {
        std::fprintf(stderr, "tvboard: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int RunConform(const Options& o) {
    std::vector<Recording> references;
    const std::vector<Scenario> chosen = ChosenScenarios(o);
    if (!o.against.empty()) {
        std::string text;
        std::string error;
        if (!ReadText(o.against, "recorded timelines", kRecordingBounds.mostBytes, &text, &error)) {
            throw UsageError(error);
        }
        std::istringstream file(text);
        if (!ReadRecordings(file, &references, &error)) {
            throw UsageError("not timelines recorded by tvboard record: " + Shown(o.against) +
                             ": " + error);
        }
        // Every scenario to compare is there before anything is reported.
        for (const Scenario& s : chosen) {
            if (std::none_of(references.begin(), references.end(),
                             [&s](const Recording& r) { return r.scenario == s.name; })) {
                throw UsageError(Shown(o.against) + " has no scenario " + Quoted(s.name) +
                                 " (record it, or choose others with --scenario)");
            }
        }
    }
    CheckModule(o.module);
    const std::string against =
        o.against.empty() ? "the reference built into this bench" : o.against;
    if (!o.json) {
        Stdout() << text::Format("conformance of %s against %s\n", o.module.c_str(),
                                 against.c_str())
                 << text::Format("%-16s %-6s %12s %12s %7s\n", "scenario", "result", "calls took",
                                 "waits need", "ratio");
    }
    Progress progress;
    Json list = Json::array();
    int failed = 0;
    uint64_t tookAll = 0;
    uint64_t requiredAll = 0;
    int untimed = 0;
    for (size_t i = 0; i < chosen.size(); ++i) {
        const Scenario& s = chosen[i];
        progress.Show("conform: scenario " + Counted(i, chosen.size(), s.name) + ", " +
                      std::to_string(failed) + " failed so far");
        Recording reference;
        if (o.against.empty()) {
            reference = RecordOne(s, "");
        } else {
            for (const Recording& r : references) {
                if (r.scenario == s.name) {
                    reference = r;
                }
            }
        }
        const bool timed = o.against.empty() || !TimingLeftOut(s, reference);
        untimed += timed ? 0 : 1;
        host_driver::WatchContext(std::string("scenario ") + s.name + " on the build");
        const Recording built = RecordOne(s, o.module);
        host_driver::WatchContext("");
        const Verdict v = Compare(reference, built);
        const bool ok = v.same && v.waitsKept;
        failed += ok ? 0 : 1;
        tookAll += v.tookUs;
        requiredAll += v.requiredUs;
        const std::string problem = ok ? "" : (v.same ? "a wait is too short" : "timelines differ");
        progress.Clear();
        if (!o.json) {
            if (timed) {
                Stdout() << text::Format("%-16s %-6s %s %s %7.3f\n", s.name, ok ? "ok" : "FAIL",
                                         MsColumn(v.tookUs).c_str(), MsColumn(v.requiredUs).c_str(),
                                         Ratio(v.tookUs, v.requiredUs));
            } else {
                Stdout() << text::Format("%-16s %-6s %s %12s %7s\n", s.name, ok ? "ok" : "FAIL",
                                         MsColumn(v.tookUs).c_str(), "not recorded", "-");
            }
            if (!ok) {
                Stdout() << text::Format("  %s: %s\n%s", s.name, problem.c_str(),
                                         v.difference.c_str());
            }
            Stdout().flush();
        }
        list.push_back({{"name", s.name},
                        {"what", s.what},
                        {"conforms", ok},
                        {"timing_compared", timed},
                        {"took_us", v.tookUs},
                        {"required_us", v.requiredUs},
                        {"ratio", Decimal(Ratio(v.tookUs, v.requiredUs))}});
        if (!ok) {
            list.back()["problem"] = problem;
            list.back()["difference"] = v.difference;
        }
    }
    progress.Clear();
    if (o.json) {
        const Json doc = {{"schema_version", kSchemaVersion},
                          {"command", "conform"},
                          {"module", o.module},
                          {"against", against},
                          {"conforms", failed == 0},
                          {"failed", failed},
                          {"timing_left_out", untimed},
                          {"took_us", tookAll},
                          {"required_us", requiredAll},
                          {"ratio", Decimal(Ratio(tookAll, requiredAll))},
                          {"scenarios", std::move(list)}};
        Stdout() << JsonText(doc);
    } else {
        const bool noneTimed = untimed == static_cast<int>(chosen.size());
        Stdout() << text::Format(
            "%s: %d scenario%s failed; calls took %s %s\n",
            failed == 0 ? "conform" : "DOES NOT CONFORM", failed, failed == 1 ? "" : "s",
            MsColumn(tookAll).c_str(),
            noneTimed ? "(no waits to hold them to)"
                      : ("for " + MsColumn(requiredAll) + " of required waits").c_str());
        if (untimed != 0) {
            Stdout() << text::Format(
                "timing not compared in %d scenario%s: %s holds no waits there (a recording of a "
                "loaded build, whose waits were real), so only the events were compared\n",
                untimed, untimed == 1 ? "" : "s", Shown(o.against).c_str());
        }
    }
    return failed == 0 ? 0 : 1;
}

} // namespace bench
