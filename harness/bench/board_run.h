// One run of a bench command on the emulated board: the substitute host, the
// board with its antenna, the host driver with the module, and everything
// the run writes. The timeline goes out as the run goes (text, JSON events,
// a logic analyzer's capture); a command hands each finished piece of its
// result to Put, and the run writes it as the report's lines, after the
// timeline so far, or as members of the JSON document. At the end the run
// holds what happened against what a real board and kernel would take.
#pragma once

#include "bench/bench_options.h"
#include "bench/claims.h"
#include "bench/json_document.h"
#include "bench/output_files.h"
#include "bench/progress.h"
#include "bench/register_diff.h"
#include "bench/timeline_stream.h"
#include "bench/vcd.h"
#include "emu/board.h"
#include "emu/host_table.h"
#include "host_driver/host_driver.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace bench {

class BoardRun {
  public:
    // Loads the module's image and opens every output before anything runs,
    // so that a module or a path that will not do stops the bench at once;
    // throws UsageError.
    explicit BoardRun(const Options& options);
    ~BoardRun();
    BoardRun(const BoardRun&) = delete;
    BoardRun& operator=(const BoardRun&) = delete;

    // --- the report -----------------------------------------------------------
    // A piece of the command's result: its data, as the document's members,
    // and `text(members)`, its lines in the report (whole lines, or none).
    template <typename Text> void Put(const Json& members, const Text& text) {
        if (options.json) {
            result_.update(members);
        } else {
            Write(text(members));
        }
    }
    // A line of the report that carries no data; data on no line of its own.
    void Say(const std::string& line) { Write(options.json ? "" : line + "\n"); }
    void Add(const Json& members) { result_.update(members); }

    // --- the timeline and the clock ---------------------------------------------
    // Writes the timeline so far (after every host call: the host keeps only
    // its latest events).
    void Flush() { stream_->Flush(); }
    // The linked module and a Windows image run on virtual time; a library
    // loaded with dlopen really waits.
    bool RealTime() const { return !driver.OnVirtualTime(); }
    const char* Clock() const { return RealTime() ? "real time" : "virtual time"; }
    uint64_t NowUs() const { return host.Now() - started_; }
    // Shows what the bench waits for while a loaded build waits for real
    // (nothing for "").
    void Waiting(const std::string& what);

    // The end: every check of the run, the end of the timeline, the
    // registers and the rest of the document; the exit status, 1 when a
    // check failed.
    int End(int rc);

    const Options& options;
    emu::HostTable host;
    emu::Board board;
    host_driver::HostDriver driver;
    Claims claims;
    std::vector<AntennaStation> lineup; // the antenna's stations
    Progress progress;
    Output saveFile; // scan --save

  private:
    void OpenOutputs();
    void BeginDocument();
    // Report text, after the timeline so far: on stdout, unless a file
    // option took it ('-').
    void Write(const std::string& text);
    bool Verify();

    uint64_t started_ = 0;
    RegisterSnapshot before_; // --diff: the registers before the command
    Json result_ = Json::object();
    bool begun_ = false; // the document's head is out
    Output vcdFile_;
    std::unique_ptr<VcdWriter> vcd_;
    std::unique_ptr<JsonStream> json_;
    std::unique_ptr<TimelineStream> stream_;
};

} // namespace bench
