#include "emu/timeline.h"

#include "regmap/decoder_map.h"
#include "regmap/if_demod_map.h"
#include "regmap/synth_map.h"

#include <cstdio>

namespace emu {

namespace {

std::string Hex2(uint32_t v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02X", v & 0xFFu);
    return b;
}

std::string HexReg(uint32_t v) {
    char b[12];
    std::snprintf(b, sizeof b, "%03X", v);
    return b;
}

std::string ByteList(const SmallVector<uint8_t, 16>& bytes) {
    std::string s = "{";
    for (size_t i = 0; i < bytes.size(); ++i) {
        s += (i ? " " : "") + Hex2(bytes[i]);
    }
    return s + "}";
}

std::string PinList(const SmallVector<uint32_t, 8>& pins, const SmallVector<uint32_t, 8>& values) {
    std::string s;
    for (size_t i = 0; i < pins.size(); ++i) {
        s += (i ? " " : "") + std::to_string(pins[i]) + "=" +
             (i < values.size() ? std::to_string(values[i]) : std::string("?"));
    }
    return s;
}

std::string Escape(const std::string& text) {
    std::string s;
    for (char c : text) {
        if (c == '\n') {
            s += "\\n";
        } else if (c == '"') {
            s += "\\\"";
        } else {
            s += c;
        }
    }
    return s;
}

std::string WaitText(const Event& e) {
    const bool wholeMs = e.waitUs % 1000 == 0;
    const std::string amount =
        wholeMs ? std::to_string(e.waitUs / 1000) + " ms" : std::to_string(e.waitUs) + " us";
    const std::string times = e.times != 1 ? ", " + std::to_string(e.times) + " times" : "";
    switch (e.wait) {
    case WaitKind::Sleep:
        return "[sleep " + amount + times + "]";
    case WaitKind::Delay:
        return "[" + amount + times + "]";
    case WaitKind::Stall:
        return "[stall " + amount + times + "]";
    }
    return "[?]";
}

std::string Stamp(uint64_t us) {
    char b[32];
    std::snprintf(b, sizeof b, "%10.3f ms  ", static_cast<double>(us) / 1000.0);
    return b;
}

} // namespace

std::string Timeline::Line(const Event& e) {
    std::string s;
    const std::string noAck = e.acknowledged ? "" : " (no ack)";
    switch (e.kind) {
    case EventKind::RegWrite:
        s = Hex2(e.device) + "[" + HexReg(e.reg) + "] <- " +
            Hex2(e.bytes.empty() ? 0 : e.bytes[0]) + noAck;
        break;
    case EventKind::RegRead:
        s = Hex2(e.device) + "[" + HexReg(e.reg) + "] -> " +
            (e.acknowledged ? Hex2(e.bytes.empty() ? 0 : e.bytes[0]) : std::string("(no ack)"));
        break;
    case EventKind::BusWrite:
        s = Hex2(e.device) + " " + ByteList(e.bytes) + noAck;
        break;
    case EventKind::BusRead:
        s = Hex2(e.device) + " -> " +
            (e.acknowledged ? ByteList(e.bytes) : std::string("(no ack)"));
        break;
    case EventKind::Forbidden:
        s = "HOST SLOT CALLED THAT THE MODULE MUST NEVER CALL";
        break;
    case EventKind::WritePins:
        s = "pins <- " + PinList(e.pins, e.values);
        break;
    case EventKind::ReadPins:
        s = "pins -> " + PinList(e.pins, e.values);
        break;
    case EventKind::Wait:
        s = WaitText(e);
        break;
    case EventKind::Print:
        return "dbg \"" + Escape(e.text) + "\"";
    case EventKind::Note:
        return "# " + e.text;
    }
    if (!e.text.empty()) {
        s += "  !! " + e.text;
    }
    return s;
}

std::string Timeline::RenderIf(const std::function<bool(const Event&)>& keep,
                               bool timestamps) const {
    std::string out;
    for (const Event& e : events_) {
        if (keep(e)) {
            out += (timestamps ? Stamp(e.timeUs) : std::string()) + Line(e) + "\n";
        }
    }
    return out;
}

void Timeline::Add(Event&& event) {
    if (observer_ != nullptr) {
        observer_(observerSelf_, event);
    }
    // Kept in two parts that trade places: no event is moved to drop others.
    if (keep_ != 0 && events_.size() >= keep_) {
        first_ += events_.size();
        older_.swap(events_);
        events_.clear();
    }
    events_.push_back(std::move(event));
}

void Timeline::Clear() {
    events_.clear();
    older_.clear();
    first_ = 0;
}

std::string Timeline::Render(bool timestamps) const {
    return RenderIf([](const Event&) { return true; }, timestamps);
}

std::string Timeline::RenderFrom(size_t first, bool timestamps) const {
    std::string out;
    for (size_t i = first > first_ ? first - first_ : 0; i < events_.size(); ++i) {
        out += (timestamps ? Stamp(events_[i].timeUs) : std::string()) + Line(events_[i]) + "\n";
    }
    return out;
}

bool IsBusTraffic(const Event& e) {
    return e.kind == EventKind::RegWrite || e.kind == EventKind::RegRead ||
           e.kind == EventKind::BusWrite || e.kind == EventKind::BusRead;
}
bool IsDecoder(const Event& e) {
    return (e.kind == EventKind::RegWrite || e.kind == EventKind::RegRead) &&
           e.device == TVB_DECODER_ADDRESS;
}
bool IsTuner(const Event& e) {
    return (e.kind == EventKind::BusWrite || e.kind == EventKind::BusRead) &&
           (e.device == TVB_IF_DEMOD_ADDRESS || e.device == TVB_SYNTH_ADDRESS);
}
bool IsWait(const Event& e) {
    return e.kind == EventKind::Wait;
}
bool IsPrint(const Event& e) {
    return e.kind == EventKind::Print;
}

} // namespace emu
