// The run's timeline written as the run goes: as text (every event, or DSP
// handshakes condensed), as structured JSON events, and as a logic
// analyzer's capture. The host's timeline keeps only its latest events (a
// long scan takes no more memory than a short one), so the bench flushes
// after every host call, before those events are dropped.
#pragma once

#include "bench/json_document.h"
#include "bench/vcd.h"
#include "emu/timeline.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

namespace bench {

// How many events the timeline keeps at least: far more than one host call
// makes (InitializeSensor, the longest, some two thousand).
constexpr size_t kKeptEvents = 4096;

// One event as a JSON object (docs/bench.md: "Timelines in JSON").
Json EventJson(const emu::Event& event);

class TimelineStream {
  public:
    struct Views {
        bool text = false;       // lines on `text`
        bool condensed = false;  // DSP handshakes condensed (--trace), else every event (--raw)
        bool timestamps = false; // text lines with their time
        bool json = false;       // JSON events to `json`
    };
    // `json` receives each event's object; `vcd` (may be null) each event.
    TimelineStream(const emu::Timeline& timeline, const Views& views, std::ostream* text,
                   std::function<void(const Json&)> json, VcdWriter* vcd);

    // Writes what was added since the last flush.
    void Flush();
    // Events dropped before they were written: 0 unless a single host call
    // made more events than the timeline keeps.
    size_t Lost() const { return lost_; }

  private:
    void Text(uint64_t timeUs, const std::string& line);

    const emu::Timeline& timeline_;
    Views views_;
    std::ostream* text_;
    std::function<void(const Json&)> json_;
    VcdWriter* vcd_;
    size_t next_ = 0;
    size_t lost_ = 0;
};

} // namespace bench
