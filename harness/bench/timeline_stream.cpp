#include "bench/timeline_stream.h"

#include "bench/annotate.h"
#include "emu/decoder_trace.h"
#include "include/tvboard.h"
#include "text/format.h"
#include "text/hex.h"

#include <vector>

namespace bench {

namespace {

std::string DeviceName(uint32_t address) {
    switch (address) {
    case TVB_DECODER_ADDRESS:
        return "decoder";
    case TVB_IF_DEMOD_ADDRESS:
        return "if-demodulator";
    case TVB_SYNTH_ADDRESS:
        return "synthesizer";
    default:
        return text::Hex(address, 2);
    }
}

const char* WaitName(emu::WaitKind kind) {
    switch (kind) {
    case emu::WaitKind::Sleep:
        return "sleep";
    case emu::WaitKind::Delay:
        return "delay";
    case emu::WaitKind::Stall:
        return "stall";
    }
    return "wait";
}

// The bench's explanation of a timeline line, without the line.
std::string Explanation(const std::string& line) {
    const std::string annotated = Annotate(line);
    const size_t at = annotated.find("; ", line.size());
    return at == std::string::npos ? "" : annotated.substr(at + 2);
}

void AddNote(Json& j, const std::string& line) {
    const std::string note = Explanation(line);
    if (!note.empty()) {
        j["note"] = note;
    }
}

std::string Stamp(uint64_t us) {
    return text::Format("%10.3f ms  ", static_cast<double>(us) / 1000.0);
}

// A condensed byte or dword access as one event.
Json CondensedJson(const std::vector<decoder_trace::ByteOp>& ops, const decoder_trace::Condensed& c,
                   const std::vector<emu::Event>& events) {
    const decoder_trace::ByteOp& op = ops[c.first];
    Json bytes = Json::array();
    for (size_t k = 0; k < c.ops; ++k) {
        bytes.push_back(ops[c.first + k].value);
    }
    Json j = {{"time_us", events[op.event].timeUs},
              {"kind", "register"},
              {"device", DeviceName(TVB_DECODER_ADDRESS)},
              {"address", TVB_DECODER_ADDRESS},
              {"direction", op.kind == decoder_trace::ByteOp::Read ? "read" : "write"},
              {"register", op.reg},
              {"bytes", std::move(bytes)},
              {"acknowledged", true}};
    if (op.dsp) {
        j["dsp"] = true;
    }
    AddNote(j, c.line);
    return j;
}

} // namespace

Json EventJson(const emu::Event& e) {
    Json j = {{"time_us", e.timeUs}};
    const std::string line = emu::Timeline::Line(e);
    const auto bus = [&](const char* kind, const char* direction) {
        j["kind"] = kind;
        j["device"] = DeviceName(e.device);
        j["address"] = e.device;
        j["direction"] = direction;
        if (e.kind == emu::EventKind::RegWrite || e.kind == emu::EventKind::RegRead) {
            j["register"] = e.reg;
        }
        j["bytes"] = std::vector<uint8_t>(e.bytes.begin(), e.bytes.end());
        j["acknowledged"] = e.acknowledged;
        AddNote(j, line);
    };
    switch (e.kind) {
    case emu::EventKind::RegWrite:
        bus("register", "write");
        break;
    case emu::EventKind::RegRead:
        bus("register", "read");
        break;
    case emu::EventKind::BusWrite:
        bus("transfer", "write");
        break;
    case emu::EventKind::BusRead:
        bus("transfer", "read");
        break;
    case emu::EventKind::Forbidden:
        j["kind"] = "forbidden";
        break;
    case emu::EventKind::WritePins:
    case emu::EventKind::ReadPins:
        j["kind"] = "pins";
        j["direction"] = e.kind == emu::EventKind::WritePins ? "write" : "read";
        j["pins"] = std::vector<uint32_t>(e.pins.begin(), e.pins.end());
        j["values"] = std::vector<uint32_t>(e.values.begin(), e.values.end());
        AddNote(j, line);
        break;
    case emu::EventKind::Wait:
        j["kind"] = "wait";
        j["wait"] = WaitName(e.wait);
        j["duration_us"] = e.waitUs;
        return j;
    case emu::EventKind::Print:
        j["kind"] = "print";
        j["text"] = e.text;
        return j;
    case emu::EventKind::Note:
        j["kind"] = "note";
        j["note"] = e.text;
        return j;
    }
    if (!e.text.empty()) {
        j["problem"] = e.text;
    }
    return j;
}

TimelineStream::TimelineStream(const emu::Timeline& timeline, const Views& views,
                               std::ostream* text, std::function<void(const Json&)> json,
                               VcdWriter* vcd)
    : timeline_(timeline), views_(views), text_(text), json_(std::move(json)), vcd_(vcd) {}

void TimelineStream::Text(uint64_t timeUs, const std::string& line) {
    *text_ << (views_.timestamps ? Stamp(timeUs) : std::string()) << Annotate(line) << '\n';
}

void TimelineStream::Flush() {
    const size_t end = timeline_.Size();
    std::vector<emu::Event> events;
    for (size_t i = next_; i < end; ++i) {
        if (const emu::Event* e = timeline_.At(i)) {
            events.push_back(*e);
        } else {
            ++lost_;
        }
    }
    next_ = end;
    if (vcd_ != nullptr) {
        for (const emu::Event& e : events) {
            vcd_->Add(e);
        }
    }
    const bool text = views_.text && text_ != nullptr;
    const bool json = views_.json && json_;
    if (!text && !json) {
        return;
    }
    if (!views_.condensed) {
        for (const emu::Event& e : events) {
            if (text) {
                Text(e.timeUs, emu::Timeline::Line(e));
            }
            if (json) {
                json_(EventJson(e));
            }
        }
        return;
    }
    const std::vector<decoder_trace::ByteOp> ops = decoder_trace::ByteOps(events, 0);
    for (const decoder_trace::Condensed& c : decoder_trace::Condense(ops)) {
        const decoder_trace::ByteOp& op = ops[c.first];
        const emu::Event& first = events[op.event];
        if (text) {
            Text(first.timeUs, c.line);
        }
        if (!json) {
            continue;
        }
        if (op.kind != decoder_trace::ByteOp::Raw) {
            json_(CondensedJson(ops, c, events));
        } else if (op.message) {
            // The three prints of one message as one, its text whole.
            Json j = EventJson(events[op.event + 1]);
            j["time_us"] = first.timeUs;
            j["text"] =
                events[op.event].text + events[op.event + 1].text + events[op.event + 2].text;
            json_(j);
        } else {
            json_(EventJson(first));
        }
    }
}

} // namespace bench
