#include "bench/board_run.h"

#include "bench/register_view.h"
#include "host_driver/isolation.h"
#include "text/format.h"
#include "virtual_time/kernel_virtual.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>

namespace bench {

namespace {

// $date of a dump: now, or SOURCE_DATE_EPOCH for a reproducible file.
std::string DumpDate() {
    std::time_t t = std::time(nullptr);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        t = static_cast<std::time_t>(std::strtoll(epoch, nullptr, 10));
    }
    char b[64] = "";
    if (const std::tm* utc = std::gmtime(&t)) {
        std::strftime(b, sizeof b, "%Y-%m-%d %H:%M:%S UTC", utc);
    }
    return b;
}

} // namespace

BoardRun::BoardRun(const Options& o)
    : options(o), board(host), driver(host, o.module, /*echoPrints=*/true), claims(board) {
    if (!driver.Ready()) {
        throw UsageError(driver.Error());
    }
    host.SetBusRate(o.busHz);
    started_ = host.Now();
    for (const AntennaStation& s : o.stations.empty() ? DefaultLineup() : o.stations) {
        board.antenna.Add(s.station);
        lineup.push_back(s);
    }
    if (o.noLock) {
        board.demod.LockNever();
    }
    host.Trace().Keep(kKeptEvents);
    OpenOutputs();
    if (o.diff) {
        before_ = TakeSnapshot(board);
    }
    // Watched, the timeline goes out up to each call, so that what a module
    // that never returns did before is there.
    host_driver::BeforeEachCall([this] {
        Flush();
        FlushReport();
    });
}

BoardRun::~BoardRun() {
    host_driver::BeforeEachCall(FlushReport);
}

// Everything that writes is opened before the run, so that a path that
// cannot be written stops the bench before a long run, not after it.
void BoardRun::OpenOutputs() {
    std::string error;
    if (!options.vcd.empty()) {
        if (!vcdFile_.Open(options.vcd, "capture", &error)) {
            throw UsageError(error);
        }
        VcdOptions v;
        v.busHz = options.busHz;
        v.date = DumpDate();
        v.version = "tvboard " + options.version;
        vcd_ = std::make_unique<VcdWriter>(vcdFile_.Stream(), v);
    }
    if (!options.save.empty() && !saveFile.Open(options.save, "channel list", &error)) {
        throw UsageError(error);
    }
    const bool timeline = options.trace || options.raw;
    TimelineStream::Views views;
    views.text = timeline && !options.json;
    views.json = timeline && options.json;
    views.condensed = options.trace;
    views.timestamps = options.timestamps;
    if (options.json) {
        json_ = std::make_unique<JsonStream>(Stdout());
    } else if (views.text) {
        Stdout() << "-- bus timeline ("
                 << (options.trace ? "DSP handshakes condensed" : "every event") << ")\n";
    }
    stream_ = std::make_unique<TimelineStream>(
        host.Trace(), views, &Stdout(),
        [this](const Json& j) {
            BeginDocument();
            json_->Item(j);
        },
        vcd_.get());
}

// The document's head goes out with its first event, or at the end: a run
// stopped by bad usage before either leaves stdout empty.
void BoardRun::BeginDocument() {
    if (!begun_) {
        json_->Begin(options.command);
        if (options.trace || options.raw) {
            json_->BeginList("timeline");
        }
        begun_ = true;
    }
}

void BoardRun::Write(const std::string& text) {
    if (text.empty()) {
        return;
    }
    Flush();
    Stdout().flush();
    if (vcdFile_.IsStdout() || saveFile.IsStdout()) {
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
    } else {
        Stdout() << text;
        Stdout().flush();
    }
}

void BoardRun::Waiting(const std::string& what) {
    if (RealTime() && !what.empty()) {
        progress.Show(options.command + ": " + what);
    }
}

// What the run did that a real board or kernel would not take: every device
// protocol violation and unexpected argument, on virtual time every kernel
// rule the module broke, and every claim of the module the board
// contradicts. Each is one line on stderr (and in the JSON document); any
// of them fails the command.
bool BoardRun::Verify() {
    std::vector<std::string> found;
    for (const emu::Problem& p : host.Problems()) {
        found.push_back((p.isViolation ? "device protocol violation at event "
                                       : "unexpected argument at event ") +
                        std::to_string(p.event) + ": " + p.text);
    }
    if (!RealTime()) {
        for (const std::string& v : vt::Violations()) {
            found.push_back("kernel rule broken: " + v);
        }
    }
    found.insert(found.end(), claims.Broken().begin(), claims.Broken().end());
    if (stream_->Lost() != 0) {
        found.push_back(std::to_string(stream_->Lost()) +
                        " events of the timeline were dropped before they were written");
    }
    for (const std::string& f : found) {
        std::fprintf(stderr, "tvboard: %s\n", f.c_str());
    }
    if (!found.empty()) {
        result_["violations"] = found;
    }
    return !found.empty();
}

int BoardRun::End(int rc) {
    driver.DrainPrints();
    Flush();
    progress.Clear();
    if (Verify() && rc == 0) {
        rc = 1;
    }
    if (options.json) {
        BeginDocument();
    }
    if (options.trace || options.raw) {
        if (options.json) {
            json_->EndList();
        } else {
            Stdout() << text::Format("-- end of the bus timeline: %zu events, %s of %s\n",
                                     host.Trace().Size(), Seconds(NowUs()).c_str(), Clock());
        }
    }
    if (options.diff) {
        const RegisterSnapshot after = TakeSnapshot(board);
        Put({{"diff", DiffJson(before_, after)}},
            [&](const Json&) { return DiffText(before_, after, options.command); });
    }
    if (options.registers) {
        Put({{"registers", RegisterViewJson(board)}},
            [this](const Json&) { return RegisterViewText(board); });
    }
    if (vcd_ != nullptr) {
        vcd_->Finish();
    }
    // A capture that did not all reach its file fails the run (and leaves
    // what was there); a whole one is kept even when the run found no lock,
    // which is what it shows.
    std::string error;
    if (!vcdFile_.Close(&error)) {
        std::fprintf(stderr, "tvboard: %s\n", error.c_str());
        rc = rc == 0 ? 1 : rc;
    }
    if (options.json) {
        json_->End(result_);
    }
    return rc;
}

} // namespace bench
