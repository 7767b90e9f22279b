// tvboard_board_registers: writes docs/board-registers.md, the board as the
// module sees it, so that it cannot drift from what the module does. Every
// register and field comes from the register maps (regmap/, through
// bench/register_names.h) with what the map says it is for; who writes and
// reads it, and with which values, from the bench's recordings of every
// scenario; the handshake, sound status, lock, AFC and gate tables from runs
// of the module on boards set up to show each case.
//
// usage: tvboard_board_registers --out FILE    write the reference
//        tvboard_board_registers --check FILE  compare FILE with it: exit 1
//            at the first line that differs; with TVB_UPDATE_EXPECTED=1 in
//            the environment FILE is rewritten instead
#include "bench/conform.h"
#include "bench/register_names.h"
#include "bench/scenarios.h"
#include "emu/board.h"
#include "emu/host_table.h"
#include "host_driver/host_driver.h"
#include "include/tvboard.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace dec = regmap::decoder;
namespace ifd = regmap::if_demod;
namespace sy = regmap::synth;
using bench::Masked;
using bench::Plain;
using emu::Event;
using emu::EventKind;

std::string Hex(uint32_t value, int digits) {
    char b[16];
    std::snprintf(b, sizeof b, "%0*X", digits, value);
    return b;
}

std::string Ms(uint64_t us) {
    char b[32];
    if (us % 1000 == 0) {
        std::snprintf(b, sizeof b, "%llu ms", static_cast<unsigned long long>(us / 1000));
    } else {
        std::snprintf(b, sizeof b, "%.3f ms", static_cast<double>(us) / 1000.0);
    }
    return b;
}

std::string Join(const std::set<std::string>& items) {
    std::string s;
    for (const std::string& item : items) {
        s += (s.empty() ? "" : ", ") + item;
    }
    return s.empty() ? "—" : s;
}

// --- Who touches what: the recordings ----------------------------------

// The host call a recording's note names, as the reference names it: the
// slot, and for the property slots the property or request.
std::string CallName(const std::string& note) {
    std::istringstream words(note);
    std::string first;
    std::string second;
    words >> first >> second;
    while (!first.empty() && first.back() == ',') {
        first.pop_back();
    }
    if (first == "InputOps") {
        return second == "select" ? "InputSelect" : second == "query" ? "InputQuery" : first;
    }
    if (first == "SetTunerProperty" || first == "GetTunerProperty") {
        return first + " " + (second == "available" ? "available modes" : second);
    }
    if (first == "SetVideoProperty") {
        const struct {
            uint32_t property;
            const char* name;
        } names[] = {
            {TVB_PROPERTY_VIDEO_INPUT, "input"},     {TVB_PROPERTY_BRIGHTNESS, "brightness"},
            {TVB_PROPERTY_CONTRAST, "contrast"},     {TVB_PROPERTY_HUE, "hue"},
            {TVB_PROPERTY_SATURATION, "saturation"}, {TVB_PROPERTY_AUDIO_RESTART, "restart"},
            {TVB_PROPERTY_OUTPUT_CONTROL, "output"}};
        for (const auto& n : names) {
            if (second == std::to_string(n.property)) {
                return first + " " + n.name;
            }
        }
    }
    return first.empty() ? "?" : first;
}

struct Access {
    std::set<std::string> writers;
    std::set<std::string> readers;
    std::set<uint32_t> values; // bytes written
    unsigned mostWrites = 0;   // in one scenario, that is one load of the module
    std::set<size_t> lengths;  // of the transfers that wrote it (tuner devices)
};
struct FieldUse {
    std::set<uint32_t> values; // the field as the module's writes left it
};

// What the module did to the board in every scenario of the bench.
struct Recorded {
    std::map<uint32_t, Access> decoder; // by register
    std::map<uint32_t, Access> demod;   // by sub-address
    std::map<uint32_t, Access> synth;   // by register number
    std::map<std::string, FieldUse> fields;
    std::set<size_t> demodWrites; // transfer lengths
    std::set<size_t> demodReads;
    std::set<size_t> synthWrites;
    unsigned synthTransfers = 0;
    unsigned synthWhileGateOpen = 0;
    unsigned gateOpenings = 0;
};

class Recorder {
  public:
    explicit Recorder(Recorded& out) : out_(out) {}

    void Take(const std::vector<Event>& events) {
        call_.clear();
        decoder_.clear();
        demodPointer_ = 0;
        gateOpen_ = false;
        std::map<uint32_t, unsigned> writes;
        for (const Event& e : events) {
            Take(e);
            if (e.device == TVB_DECODER_ADDRESS && e.kind == EventKind::RegWrite) {
                ++writes[e.reg];
            }
        }
        for (const auto& [reg, n] : writes) {
            Access& a = out_.decoder[reg];
            a.mostWrites = n > a.mostWrites ? n : a.mostWrites;
        }
    }

  private:
    void Take(const Event& e) {
        if (e.kind == EventKind::Note) {
            call_ = e.text.rfind("host: ", 0) == 0 ? CallName(e.text.substr(6)) : "";
            return;
        }
        if (e.device == TVB_DECODER_ADDRESS && e.kind == EventKind::RegWrite && !e.bytes.empty()) {
            Access& a = out_.decoder[e.reg];
            a.writers.insert(call_);
            a.values.insert(e.bytes[0]);
            decoder_[e.reg] = e.bytes[0];
            DecoderFieldsAfterWrite(e.reg);
        } else if (e.device == TVB_DECODER_ADDRESS && e.kind == EventKind::RegRead) {
            out_.decoder[e.reg].readers.insert(call_);
        } else if (e.device == TVB_IF_DEMOD_ADDRESS && e.kind == EventKind::BusWrite) {
            DemodWrite(e);
        } else if (e.device == TVB_IF_DEMOD_ADDRESS && e.kind == EventKind::BusRead) {
            out_.demodReads.insert(e.bytes.size());
            for (size_t i = 0; i < e.bytes.size(); ++i) {
                const uint32_t reg = (demodPointer_ + i) & 0xFFu;
                out_.demod[reg].readers.insert(call_);
            }
        } else if (e.device == TVB_SYNTH_ADDRESS && e.kind == EventKind::BusWrite &&
                   !e.bytes.empty()) {
            SynthWrite(e);
        }
    }

    // A field is seen as written when the last of its bytes is: the bytes
    // of a dword go out in order, lowest first.
    void DecoderFieldsAfterWrite(uint32_t reg) {
        for (const bench::NamedDecoderField& f : bench::kDecoderFields) {
            const uint32_t last = f.field.reg + (f.field.lowBit + f.field.width - 1u) / 8u;
            if (reg != last) {
                continue;
            }
            uint64_t dword = 0;
            for (uint32_t k = 0; k < 4; ++k) {
                const auto it = decoder_.find(f.field.reg + k);
                dword |= static_cast<uint64_t>(it != decoder_.end() ? it->second : 0) << (8 * k);
            }
            const uint64_t mask = (uint64_t{1} << f.field.width) - 1;
            out_.fields[f.name].values.insert(
                static_cast<uint32_t>((dword >> f.field.lowBit) & mask));
        }
    }

    void DemodWrite(const Event& e) {
        out_.demodWrites.insert(e.bytes.size());
        if (e.bytes.empty()) {
            return;
        }
        demodPointer_ = e.bytes[0];
        for (size_t i = 1; i < e.bytes.size(); ++i) {
            const uint32_t reg = (e.bytes[0] + i - 1) & 0xFFu;
            Access& a = out_.demod[reg];
            a.writers.insert(call_);
            a.values.insert(e.bytes[i]);
            for (const bench::NamedMask& f : bench::kIfDemodFields) {
                if (f.reg == reg) {
                    out_.fields[f.name].values.insert(Masked(e.bytes[i], f.mask));
                }
            }
            if (reg == ifd::kGate) {
                const bool open = (e.bytes[i] & ifd::kGateConnect) != 0;
                out_.gateOpenings += open && !gateOpen_ ? 1 : 0;
                gateOpen_ = open;
            }
        }
    }

    void SynthWrite(const Event& e) {
        out_.synthWrites.insert(e.bytes.size());
        ++out_.synthTransfers;
        out_.synthWhileGateOpen += gateOpen_ ? 1 : 0;
        const uint32_t first = e.bytes[0] >> sy::kSubAddressShift;
        for (size_t i = 1; i < e.bytes.size(); ++i) {
            const uint32_t reg = first + static_cast<uint32_t>(i) - 1;
            Access& a = out_.synth[reg];
            a.writers.insert(call_);
            a.values.insert(e.bytes[i]);
            a.lengths.insert(e.bytes.size());
            for (const bench::NamedMask& f : bench::kSynthFields) {
                if (f.reg == reg) {
                    out_.fields[f.name].values.insert(Masked(e.bytes[i], f.mask));
                }
            }
        }
    }

    Recorded& out_;
    std::string call_;
    std::map<uint32_t, uint8_t> decoder_; // the bytes as last written
    uint32_t demodPointer_ = 0;
    bool gateOpen_ = false;
};

// The recordings of every scenario, and the events of one.
Recorded RecordAll(std::map<std::string, std::vector<Event>>* events) {
    Recorded r;
    Recorder recorder(r);
    for (const bench::Scenario& s : bench::Scenarios()) {
        bench::Recording recording;
        std::string error;
        std::vector<Event> e;
        if (!bench::Record(s, "", &recording, &error, &e)) {
            std::fprintf(stderr, "tvboard_board_registers: %s: %s\n", s.name, error.c_str());
            std::exit(2);
        }
        recorder.Take(e);
        (*events)[s.name] = std::move(e);
    }
    return r;
}

// --- Runs of the module on boards set up for one case ---------------------

// The module loaded afresh on a board of its own, and opened.
struct Run {
    emu::HostTable host;
    emu::Board board{host};
    host_driver::HostDriver driver{&host};

    Run() {
        driver.SetNotes(host_driver::Notes::Off);
        driver.Load();
        driver.Open();
    }
    // What a call did: its waits, its status polls and its events.
    struct Cost {
        uint64_t waitUs = 0;
        unsigned waits = 0;
        unsigned polls = 0;
        unsigned demodStatusReads = 0;
    };
    Cost Measure(const std::function<void()>& call) {
        const size_t from = host.Trace().Size();
        call();
        Cost c;
        uint32_t demodPointer = 0;
        for (size_t i = from; i < host.Trace().Size(); ++i) {
            const Event& e = *host.Trace().At(i);
            c.waitUs += e.kind == EventKind::Wait ? e.waitUs : 0;
            c.waits += e.kind == EventKind::Wait ? 1 : 0;
            c.polls += e.kind == EventKind::RegRead && e.reg == dec::kDspStatus ? 1 : 0;
            if (e.kind == EventKind::BusWrite && e.device == TVB_IF_DEMOD_ADDRESS &&
                !e.bytes.empty()) {
                demodPointer = e.bytes[0];
            }
            c.demodStatusReads += e.kind == EventKind::BusRead &&
                                          e.device == TVB_IF_DEMOD_ADDRESS &&
                                          demodPointer == ifd::kStatus
                                      ? 1
                                      : 0;
        }
        return c;
    }
};

// --- The page -----------------------------------------------------------

class Page {
  public:
    Page() : runs_(RecordAll(&events_)) {}

    std::string Text() {
        Intro();
        Decoder();
        Handshake();
        SoundStatus();
        SoundSelect();
        Demodulator();
        LockAndAfc();
        Settling();
        Gate();
        Synthesizer();
        return out_.str();
    }

  private:
    void Line(const std::string& s = "") { out_ << s << "\n"; }
    // One row of a table, its cells in order.
    void Row(std::initializer_list<std::string> cells) {
        for (const std::string& cell : cells) {
            out_ << "| " << cell << " ";
        }
        out_ << "|\n";
    }

    static std::string Values(const std::set<uint32_t>& values, int digits) {
        if (values.empty()) {
            return "—";
        }
        if (values.size() > 8) {
            return std::to_string(values.size()) + " values, " + Hex(*values.begin(), digits) +
                   " to " + Hex(*values.rbegin(), digits);
        }
        std::string s;
        for (uint32_t v : values) {
            s += (s.empty() ? "" : " ") + Hex(v, digits);
        }
        return s;
    }

    void Intro() {
        Line("# The board as the module sees it");
        Line();
        Line("<!-- Generated by tvboard_board_registers (harness/bench/board_registers_doc.cpp) "
             "from the register maps of module/regmap/ and from runs of the module on the "
             "emulated board. Do not edit: TVB_UPDATE_EXPECTED=1 ctest -R "
             "board_register_reference rewrites it. -->");
        Line();
        Line("What the module expects of the board's three bus devices: every register and "
             "bit field it writes or reads, what it is for, in which host calls and with which "
             "values; and how the audio DSP's status handshake, the sound status, the IF "
             "demodulator's lock and AFC value and the gate to the synthesizer work, in tables "
             "taken from runs of the module. For a host developer who tests without the board "
             "and a board engineer who reads a bus capture. How the bytes travel through the "
             "host's operations is in [host-interface.md](host-interface.md) (\"The host's "
             "operations\").");
        Line();
        Line("\"Written in\" and \"read in\" name the host calls that did so in the bench's "
             "recordings of all its scenarios (`tvboard record`); \"values written\" are the "
             "bytes (for a field: the field's values) the module wrote there, in hex. A "
             "register the maps do not name is shown with the fields that cover it, if any.");
        Line();
    }

    // --- Decoder -----------------------------------------------------------

    void Decoder() {
        Line("## Audio/video decoder at 0x" + Hex(TVB_DECODER_ADDRESS, 2));
        Line();
        Line("Byte registers at 16-bit addresses, one host call per byte: `WriteReg16` and "
             "`ReadReg16` with the register's address. A field (register, lowest bit, width) "
             "lies in the little-endian dword of the four registers from that register on. The "
             "module writes a field by reading the four bytes and writing all four back, lowest "
             "first, so every register it writes must read back as written, except those the "
             "board sets (their meaning says so). Registers 0x" +
             Hex(dec::kDspFirst, 3) + " to 0x" + Hex(dec::kDspLast, 3) +
             " (both included) belong to the audio DSP and are reached only through the "
             "handshake on 0x" +
             Hex(dec::kDspStatus, 3) +
             " (below); a dword's first register decides for all four bytes.");
        Line();
        Line("| register | name | what it is for | written in | read in | values written |");
        Line("|---|---|---|---|---|---|");
        // Registers alike but for their values are shown as one row, with
        // their values in order when each had one.
        struct Span {
            uint32_t first;
            uint32_t last;
            std::string name;
            std::string meaning;
            const Access* access;
            std::vector<std::set<uint32_t>> values;
        };
        std::vector<Span> rows;
        for (const auto& [reg, a] : runs_.decoder) {
            Span row{reg, reg, DecoderName(reg), DecoderMeaning(reg, a), &a, {a.values}};
            if (!rows.empty()) {
                Span& prev = rows.back();
                const bool alike =
                    prev.last + 1 == reg && prev.name == row.name && prev.meaning == row.meaning &&
                    prev.access->writers == a.writers && prev.access->readers == a.readers;
                bool singles = true;
                for (const std::set<uint32_t>& v : prev.values) {
                    singles = singles && v.size() == 1;
                }
                if (alike &&
                    (prev.values.back() == a.values || (singles && a.values.size() == 1))) {
                    prev.last = reg;
                    prev.values.push_back(a.values);
                    continue;
                }
            }
            rows.push_back(std::move(row));
        }
        for (const Span& row : rows) {
            bool same = true;
            for (const std::set<uint32_t>& v : row.values) {
                same = same && v == row.values.front();
            }
            std::string values;
            for (size_t k = 0; k < (same ? 1 : row.values.size()); ++k) {
                values += (k == 0 ? "" : " ") + Values(row.values[k], 2);
            }
            const std::string label =
                "0x" + Hex(row.first, 3) + (row.last != row.first ? "..0x" + Hex(row.last, 3) : "");
            Row({label, row.name.empty() ? "—" : row.name, row.meaning, Join(row.access->writers),
                 Join(row.access->readers), values});
        }
        Line();
        Line("| field | register | bits | what it is for | values written |");
        Line("|---|---|---|---|---|");
        for (const bench::NamedDecoderField& f : bench::kDecoderFields) {
            const uint32_t high = f.field.lowBit + f.field.width - 1u;
            const std::string bits = high == f.field.lowBit ? std::to_string(high)
                                                            : std::to_string(high) + ".." +
                                                                  std::to_string(f.field.lowBit);
            const auto use = runs_.fields.find(f.name);
            Row({Plain(f.name), "0x" + Hex(f.field.reg, 3), bits, f.meaning,
                 use != runs_.fields.end() ? Values(use->second.values, 1) : "—"});
        }
        Line();
    }

    static const bench::NamedRegister* NamedDecoderRegister(uint32_t reg) {
        for (const bench::NamedRegister& r : bench::kDecoderRegisters) {
            if (r.address == reg) {
                return &r;
            }
        }
        return nullptr;
    }

    static bool InFieldBits(const regmap::DecoderField& f, uint32_t reg) {
        return reg >= f.reg + f.lowBit / 8u && reg <= f.reg + (f.lowBit + f.width - 1u) / 8u;
    }

    // A register the maps do not name: the fields that cover it, in
    // parentheses.
    static std::string DecoderName(uint32_t reg) {
        if (const bench::NamedRegister* n = NamedDecoderRegister(reg)) {
            return Plain(n->name);
        }
        std::string covering;
        for (const bench::NamedDecoderField& f : bench::kDecoderFields) {
            if (InFieldBits(f.field, reg)) {
                covering += (covering.empty() ? "" : ", ") + Plain(f.name);
            }
        }
        return covering.empty() ? "" : "(" + covering + ")";
    }

    // For a register the maps do not name: what the fields that cover it
    // are for, and the dwords it is read (and written back) with.
    static std::string DecoderMeaning(uint32_t reg, const Access& a) {
        if (const bench::NamedRegister* n = NamedDecoderRegister(reg)) {
            return n->meaning;
        }
        if (reg == dec::kDspStatus) {
            return "the DSP's status, set by the board: the handshake's three bits (below)";
        }
        std::set<std::string> meanings;
        std::set<uint32_t> dwords;
        for (const bench::NamedDecoderField& f : bench::kDecoderFields) {
            if (InFieldBits(f.field, reg)) {
                meanings.insert(f.meaning);
            } else if (reg > f.field.reg && reg < f.field.reg + 4u) {
                dwords.insert(f.field.reg);
            }
        }
        std::string meaning;
        for (const std::string& m : meanings) {
            meaning += (meaning.empty() ? "" : "; ") + m;
        }
        if (meanings.empty() && !dwords.empty() && !a.readers.empty()) {
            std::string at;
            for (uint32_t d : dwords) {
                at += (at.empty() ? "0x" : ", 0x") + Hex(d, 3);
            }
            meaning = std::string(a.writers.empty() ? "read" : "read and written back") +
                      " with the dword" + (dwords.size() == 1 ? "" : "s") + " at " + at;
        }
        if (meaning.empty() && a.readers.empty() && a.mostWrites == 1) {
            meaning = "written once per load of the module";
        }
        return meaning.empty() ? "—" : meaning;
    }

    // The first DSP access of `kind` among events, with the polls around it,
    // as the bench's timeline shows them.
    static std::vector<std::string> FirstDspAccess(const emu::Timeline& t, size_t from,
                                                   EventKind kind) {
        for (size_t i = from; i < t.Size(); ++i) {
            const Event& e = *t.At(i);
            if (e.kind != kind || !dec::InDspWindow(e.reg)) {
                continue;
            }
            // The ready poll before it; for a read, on to its read-done poll.
            const size_t first = i > from ? i - 1 : i;
            const size_t last = kind == EventKind::RegRead ? i + 3 : i;
            std::vector<std::string> lines;
            for (size_t k = first; k <= last && k < t.Size(); ++k) {
                lines.push_back(emu::Timeline::Line(*t.At(k)));
            }
            return lines;
        }
        return {};
    }

    void Handshake() {
        Line("### The audio DSP's status handshake on 0x" + Hex(dec::kDspStatus, 3));
        Line();
        Line("The board sets three bits of 0x" + Hex(dec::kDspStatus, 3) +
             ", which the module polls with plain reads (a *poll*):");
        Line();
        Line("| bit | mask | the board sets it when | the module waits for it |");
        Line("|---|---|---|---|");
        Line("| 0 | 0x" + Hex(dec::kDspReady, 2) +
             " | the DSP takes an access | before every read request and every byte written |");
        Line("| 1 | 0x" + Hex(dec::kDspDataReady, 2) +
             " | the byte asked for can be fetched | after a read request |");
        Line("| 2 | 0x" + Hex(dec::kDspReadDone, 2) +
             " | the fetch has been seen | after the fetch, before the byte counts as read |");
        Line();
        Line("A DSP byte read is a poll until bit 0, a read of the register (the *request*: "
             "its byte is stale and thrown away), polls until bit 1, a second read of the "
             "register (the *fetch*: its byte is the value), and polls until bit 2. A DSP byte "
             "write is a poll until bit 0 and the write. A dword is four such bytes, lowest "
             "register first. The first byte of the sound detection and the first byte the "
             "switch to stereo writes, on a freshly loaded module and a board that answers at "
             "once and receives stereo:");
        Line();
        {
            Run r;
            r.driver.SetTvStandard(TVB_STANDARD_PAL_B);
            r.board.decoder.SetBroadcastSound(emu::kStereoSound);
            const size_t from = r.host.Trace().Size();
            r.driver.SetAudioMode(TVB_AUDIO_MODE_STEREO);
            for (const std::string& l : FirstDspAccess(r.host.Trace(), from, EventKind::RegRead)) {
                Line("    " + l);
            }
            Line();
            for (const std::string& l : FirstDspAccess(r.host.Trace(), from, EventKind::RegWrite)) {
                Line("    " + l);
            }
        }
        Line();
        Line("(Bit 2 of the poll before the write still shows the read before it: the write "
             "waits for bit 0 only.)");
        Line();
        HandshakeLimits();
        HandshakeCosts();
    }

    void HandshakeLimits() {
        struct Case {
            const char* what;
            std::function<void(emu::Decoder&)> set;
        };
        const Case cases[] = {
            {"bit 0 never comes", [](emu::Decoder& d) { d.SetReadyPolls(emu::Decoder::kNever); }},
            {"bit 1 never comes",
             [](emu::Decoder& d) { d.SetDataReadyPolls(emu::Decoder::kNever); }},
            {"bit 2 never comes",
             [](emu::Decoder& d) { d.SetReadDonePolls(emu::Decoder::kNever); }},
        };
        Line("A wait polls a limited number of times and pauses after each poll that finds "
             "its bit clear; a read request that gets no data is placed again a few times. "
             "When a bit never comes, the read fails at the byte concerned: the dword reads "
             "as 0, and a field write built on it writes nothing. The sound detection (one DSP "
             "dword read, `GetTunerProperty` with `TVB_REQUEST_MODE`) on a DSP whose status "
             "bit never comes:");
        Line();
        Line("| the DSP | polls of 0x" + Hex(dec::kDspStatus, 3) +
             " | reads of the register | waits |");
        Line("|---|---:|---:|---:|");
        for (const Case& c : cases) {
            Run r;
            c.set(r.board.decoder);
            const size_t from = r.host.Trace().Size();
            const Run::Cost cost = r.Measure([&r] { r.driver.AvailableAudioModes(); });
            unsigned reads = 0;
            for (size_t i = from; i < r.host.Trace().Size(); ++i) {
                const Event& e = *r.host.Trace().At(i);
                reads += e.kind == EventKind::RegRead && dec::InDspWindow(e.reg) ? 1 : 0;
            }
            Row({c.what, std::to_string(cost.polls), std::to_string(reads), Ms(cost.waitUs)});
            r.host.ConsumeProblems([](const emu::Problem&) { return true; });
        }
        Line();
    }

    void HandshakeCosts() {
        struct Answer {
            const char* what;
            int status; // what every poll shows; -1: the DSP answers as it should
        };
        const Answer answers[] = {{"answers at once", -1},
                                  {"0x580 always reads 00 (a register file)", 0x00},
                                  {"0x580 always reads 01", 0x01},
                                  {"0x580 always reads 03", 0x03},
                                  {"0x580 always reads 07", 0x07}};
        Line("What a DSP that answers wrongly costs the host's calls, each on a fresh load of "
             "the module (virtual time of the module's waits):");
        Line();
        Line("| the DSP | InitializeSensor (first) | InputSelect | TV sound modes | set stereo |");
        Line("|---|---:|---:|---:|---:|");
        for (const Answer& a : answers) {
            std::string row = std::string("| ") + a.what;
            for (int call = 0; call < 4; ++call) {
                Run r;
                if (call != 0) {
                    r.driver.SetTvStandard(TVB_STANDARD_PAL_B); // the one-time set-up
                }
                r.board.decoder.SetBroadcastSound(emu::kStereoSound);
                if (a.status >= 0) {
                    const auto shown = static_cast<uint8_t>(a.status);
                    r.board.decoder.SetStatusFilter([shown](uint8_t, unsigned) { return shown; });
                }
                const Run::Cost cost = r.Measure([&r, call] {
                    switch (call) {
                    case 0:
                        r.driver.InitializeSensor(TVB_VIDEO_INPUT_TUNER);
                        break;
                    case 1:
                        r.driver.Caps()->InputOps->InputSelect(0, 0, TVB_VIDEO_INPUT_COMPOSITE);
                        break;
                    case 2:
                        r.driver.AvailableAudioModes();
                        break;
                    default:
                        r.driver.SetAudioMode(TVB_AUDIO_MODE_STEREO);
                        break;
                    }
                });
                row += " | " + Ms(cost.waitUs);
                r.host.ConsumeProblems([](const emu::Problem&) { return true; });
            }
            Line(row + " |");
        }
        Line();
        Line("The calls after the first each come after the one-time set-up (a TV standard "
             "request), on a stereo broadcast. A status that shows every bit at once (07) "
             "works like a DSP that answers at once; any other constant makes every DSP "
             "access fail.");
        Line();
    }

    void SoundStatus() {
        Line("### The sound status");
        Line();
        std::string codes;
        for (uint32_t code = 0; code < (1u << dec::kSoundStatusCode.width); ++code) {
            if (dec::ReportsInFlagRegisters(code)) {
                codes += (codes.empty() ? "" : ", ") + std::to_string(code);
            }
        }
        Line("The board reports what the broadcast carries in the status word at 0x" +
             Hex(dec::kSoundStatus, 3) + " (a DSP dword). Its bits 0.." +
             std::to_string(dec::kSoundStatusCode.width - 1) +
             " are a status code; for the codes " + codes + " stereo is bit " +
             std::to_string(dec::kStereoFlagBit.lowBit) + " of 0x" + Hex(dec::kStereoFlag, 3) +
             " and two languages bit " + std::to_string(dec::kTwoLanguageFlagBit.lowBit) +
             " of 0x" + Hex(dec::kTwoLanguageFlag, 3) +
             ", which the module then reads as well (two more DSP dword reads); for every "
             "other code they are bits of the status word, in one of two layouts chosen by bit " +
             std::to_string(dec::kStatusBitLayout) + ". Bit " +
             std::to_string(dec::kStatusBitThirdLanguage) +
             " reports a third language in every layout; mono is always reported. What the "
             "module reports for each (`GetTunerProperty` with `TVB_REQUEST_MODE`):");
        Line();
        struct Case {
            const char* what;
            uint32_t word;
            uint8_t stereoFlag;
            uint8_t twoLanguageFlag;
        };
        constexpr uint32_t kLayout = 1u << dec::kStatusBitLayout;
        constexpr uint32_t kValid = 1u << dec::kStatusBitValid;
        const Case cases[] = {
            {"code 0, bit 11 clear, bit 7 clear", 0, 0, 0},
            {"code 0, bits 7 and 9", kValid | 1u << dec::kStatusBitStereo, 0, 0},
            {"code 0, bits 7 and 8", kValid | 1u << dec::kStatusBitLanguages, 0, 0},
            {"code 0, bits 7, 8 and 9",
             kValid | 1u << dec::kStatusBitLanguages | 1u << dec::kStatusBitStereo, 0, 0},
            {"code 0, bit 9 without bit 7", 1u << dec::kStatusBitStereo, 0, 0},
            {"code 0, bits 11 and 5", kLayout | 1u << dec::kStatusBitStereo11, 0, 0},
            {"code 0, bits 11 and 6", kLayout | 1u << dec::kStatusBitLanguages11, 0, 0},
            {"code 0, bits 11, 5 and 6",
             kLayout | 1u << dec::kStatusBitStereo11 | 1u << dec::kStatusBitLanguages11, 0, 0},
            {"code 0, bit 12", 1u << dec::kStatusBitThirdLanguage, 0, 0},
            {"code 9, stereo flag", 9, 1, 0},
            {"code 9, two-language flag", 9, 0, 1},
            {"code 9, both flags, bit 12", 9 | 1u << dec::kStatusBitThirdLanguage, 1, 1},
            {"code 9, bits 7 and 9 but no flag", 9 | kValid | 1u << dec::kStatusBitStereo, 0, 0},
        };
        Line("| status word | 0x" + Hex(dec::kSoundStatus, 3) + " | 0x" + Hex(dec::kStereoFlag, 3) +
             " | 0x" + Hex(dec::kTwoLanguageFlag, 3) + " | modes reported | DSP dword reads |");
        Line("|---|---|---|---|---|---:|");
        for (const Case& c : cases) {
            Run r;
            r.board.decoder.SetDword(dec::kSoundStatus, c.word);
            r.board.decoder.SetField(dec::kStereoFlagBit, c.stereoFlag);
            r.board.decoder.SetField(dec::kTwoLanguageFlagBit, c.twoLanguageFlag);
            const size_t from = r.host.Trace().Size();
            const uint32_t modes = r.driver.AvailableAudioModes();
            unsigned fetches = 0;
            for (size_t i = from; i < r.host.Trace().Size(); ++i) {
                const Event& e = *r.host.Trace().At(i);
                fetches += e.kind == EventKind::RegRead && dec::InDspWindow(e.reg) ? 1 : 0;
            }
            Row({c.what, Hex(c.word, 8), Hex(r.board.decoder.Dword(dec::kStereoFlag) & 0xFFu, 2),
                 Hex(r.board.decoder.Dword(dec::kTwoLanguageFlag) & 0xFFu, 2),
                 host_driver::AudioModeNames(modes), std::to_string(fetches / 8)});
        }
        Line();
    }

    void SoundSelect() {
        Line("### The sound source and channel");
        Line();
        Line("A TV sound mode the broadcast carries is switched by the fields SoundSource and "
             "SoundChannel of 0x" +
             Hex(dec::kSoundSelect, 3) +
             " (each a DSP field write); a mode that is not on the air is refused and nothing "
             "is written. On a broadcast that carries stereo and three languages, reported in "
             "the flag registers (each row a fresh load; `SetTunerProperty` with "
             "`TVB_REQUEST_AUDIO_MODE`), the two fields afterwards:");
        Line();
        Line("| mode asked for | input | SoundSource | SoundChannel |");
        // A status code that reports in the flag registers: the one layout
        // that carries stereo and two languages at once.
        uint8_t flagCode = 0;
        while (!dec::ReportsInFlagRegisters(flagCode)) {
            ++flagCode;
        }
        Line("|---|---|---:|---:|");
        const uint32_t modes[] = {TVB_AUDIO_MODE_MONO,
                                  TVB_AUDIO_MODE_STEREO,
                                  TVB_AUDIO_MODE_LANG_A,
                                  TVB_AUDIO_MODE_LANG_B,
                                  TVB_AUDIO_MODE_LANG_C,
                                  TVB_AUDIO_MODE_LANG_A | TVB_AUDIO_MODE_STEREO,
                                  TVB_AUDIO_MODE_LANG_B | TVB_AUDIO_MODE_STEREO,
                                  TVB_AUDIO_MODE_LANG_C | TVB_AUDIO_MODE_MONO,
                                  TVB_AUDIO_MODE_LANG_A | TVB_AUDIO_MODE_LANG_B};
        for (uint32_t input : {TVB_VIDEO_INPUT_TUNER, TVB_VIDEO_INPUT_COMPOSITE}) {
            for (uint32_t mode : modes) {
                if (input != TVB_VIDEO_INPUT_TUNER && mode != TVB_AUDIO_MODE_STEREO) {
                    continue;
                }
                Run r;
                r.driver.SetTvStandard(TVB_STANDARD_PAL_B); // the one-time set-up
                r.driver.Caps()->InputOps->InputSelect(0, 0, input);
                r.board.decoder.SetSoundReport(flagCode, false);
                r.board.decoder.SetBroadcastSound(emu::Sound{true, true, true});
                const bool applied = r.driver.SetAudioMode(mode);
                Row({host_driver::AudioModeNames(mode), std::to_string(input),
                     applied ? std::to_string(r.board.decoder.Field(dec::kSoundSource)) : "refused",
                     applied ? std::to_string(r.board.decoder.Field(dec::kSoundChannel)) : ""});
            }
        }
        Line();
    }

    // --- IF demodulator ---------------------------------------------------

    void Demodulator() {
        Line("## IF demodulator at 0x" + Hex(TVB_IF_DEMOD_ADDRESS, 2));
        Line();
        std::string writes;
        for (size_t n : runs_.demodWrites) {
            writes += (writes.empty() ? "" : ", ") + std::to_string(n);
        }
        std::string reads;
        for (size_t n : runs_.demodReads) {
            reads += (reads.empty() ? "" : ", ") + std::to_string(n);
        }
        Line("8-bit registers at 8-bit sub-addresses. A write is one `BusWrite` whose first "
             "byte is the sub-address and whose next byte goes to that register (and any "
             "further ones to the registers after it); a read is a `BusWrite` of the "
             "sub-address alone, then a `BusRead` of the register (and, for two bytes, the one "
             "after it). Transfers the module makes: writes of " +
             writes + " bytes, reads of " + reads + ".");
        Line();
        Line("| sub-address | name | what it is for | written in | read in | values written |");
        Line("|---|---|---|---|---|---|");
        for (const bench::NamedRegister& r : bench::kIfDemodRegisters) {
            const auto it = runs_.demod.find(r.address);
            const Access a = it != runs_.demod.end() ? it->second : Access{};
            Row({"0x" + Hex(r.address, 2), Plain(r.name), r.meaning, Join(a.writers),
                 Join(a.readers), Values(a.values, 2)});
        }
        for (const auto& [reg, a] : runs_.demod) {
            bool isNamed = false;
            for (const bench::NamedRegister& r : bench::kIfDemodRegisters) {
                isNamed = isNamed || r.address == reg;
            }
            if (!isNamed) {
                Row({"0x" + Hex(reg, 2), "—", "—", Join(a.writers), Join(a.readers),
                     Values(a.values, 2)});
            }
        }
        Line();
        MaskFields(bench::kIfDemodFields, [](uint8_t reg) { return "0x" + Hex(reg, 2); });
    }

    template <size_t N>
    void MaskFields(const bench::NamedMask (&fields)[N],
                    const std::function<std::string(uint8_t)>& label) {
        Line("| field | register | mask | what it is for | values written |");
        Line("|---|---|---|---|---|");
        for (const bench::NamedMask& f : fields) {
            const auto use = runs_.fields.find(f.name);
            Row({Plain(f.name), label(f.reg), "0x" + Hex(f.mask, 2), f.meaning,
                 use != runs_.fields.end() ? Values(use->second.values, 1) : "—"});
        }
        Line();
    }

    void LockAndAfc() {
        Line("### Lock and AFC");
        Line();
        Line("The board sets 0x" + Hex(ifd::kStatus, 2) + ": bit 7 (mask 0x" +
             Hex(ifd::kLockBit, 2) +
             ") while the demodulator is locked, and in bits 6..0 (mask 0x" +
             Hex(ifd::kAfcMask, 2) +
             ") the AFC value, a 7-bit two's-complement number: how far the carrier lies from "
             "the tuned frequency, positive above it. A status request (`GetTunerProperty` "
             "with `TVB_REQUEST_STATUS`) reports the lock in `Busy` and folds the AFC value "
             "into a step of -2..+2 (`PllOffset`), with `SignalStrength` full only on step 0:");
        Line();
        Line("| 0x" + Hex(ifd::kStatus, 2) +
             " | AFC value | `Busy` | `PllOffset` | `SignalStrength` |");
        Line("|---|---|---:|---:|---:|");
        // What a status request answers for a status byte; PllOffset
        // "not written" when the host's value was left alone.
        constexpr int32_t kUntouched = 0x5A5A;
        struct Answer {
            uint32_t busy;
            int32_t step;
            uint32_t signal;
            bool operator!=(const Answer& o) const {
                return busy != o.busy || step != o.step || signal != o.signal;
            }
            std::string Text() const {
                const std::string offset = step == kUntouched ? "not written"
                                           : step > 0         ? "+" + std::to_string(step)
                                                              : std::to_string(step);
                return std::to_string(busy) + " | " + offset + " | " + std::to_string(signal);
            }
        };
        const auto ask = [](uint8_t status) {
            Run r;
            r.board.demod.ForceStatus(status);
            r.driver.Settings()->PllOffset = kUntouched;
            const TVTunerSettings s = r.driver.Status();
            return Answer{s.Busy, s.PllOffset, s.SignalStrength};
        };
        const auto value = [](uint32_t x) {
            return std::to_string(x < 64 ? static_cast<int>(x) : static_cast<int>(x) - 128);
        };
        uint32_t from = 0;
        Answer first = ask(ifd::kLockBit);
        for (uint32_t v = 1; v <= ifd::kAfcMask + 1u; ++v) {
            const bool end = v > ifd::kAfcMask;
            const Answer a = end ? first : ask(static_cast<uint8_t>(ifd::kLockBit | v));
            if (end || a != first) {
                Row({Hex(ifd::kLockBit | from, 2) + ".." + Hex(ifd::kLockBit | (v - 1), 2),
                     value(from) + ".." + value(v - 1), first.Text()});
                from = v;
                first = a;
            }
        }
        const Answer unlocked = ask(0x00);
        for (uint32_t v = 1; v <= ifd::kAfcMask; ++v) {
            if (ask(static_cast<uint8_t>(v)) != unlocked) {
                std::fprintf(stderr,
                             "tvboard_board_registers: without lock, status %02X is "
                             "answered unlike 00\n",
                             v);
                std::exit(2);
            }
        }
        Line("| 00.." + Hex(ifd::kAfcMask, 2) + " | (no lock) | " + unlocked.Text() + " |");
        Line();
        Run r;
        r.board.demod.LockNever();
        const Run::Cost never = r.Measure([&r] { r.driver.Status(); });
        Line("Without lock the module waits for it: " + std::to_string(never.waits) + " waits, " +
             Ms(never.waitUs) + " in all, with " + std::to_string(never.demodStatusReads) +
             " reads of 0x" + Hex(ifd::kStatus, 2) +
             " (the last for the AFC value) before it answers; a lock that comes meanwhile ends "
             "the wait.");
        Line();
    }

    void Settling() {
        Line("### Settling after a tune");
        Line();
        Line("After the synthesizer's start-up the module reads the level 0x" +
             Hex(ifd::kLevel, 2) + " and the status 0x" + Hex(ifd::kStatus, 2) +
             ": the tuner has settled when the level is at most " +
             std::to_string(ifd::kLevelSettledMax) +
             " and bit 7 of the status is set. If not, "
             "and the counter 0x" +
             Hex(ifd::kCounter, 2) + " reads below " + std::to_string(ifd::kCounterLimit) +
             ", it tries up to three corrections, each followed by a wait. How long a frequency "
             "request (`SetTunerProperty` with `TVB_REQUEST_FREQUENCY`) waits:");
        Line();
        Line("| the board | waits |");
        Line("|---|---:|");
        struct Case {
            const char* what;
            std::function<void(emu::Board&)> set;
        };
        const Case cases[] = {
            {"a station on the frequency: settled at once",
             [](emu::Board& b) {
                 b.antenna.Add({175250000, TVB_STANDARD_NTSC_M, emu::kMonoSound, 200});
             }},
            {"nothing received, counter below the limit", [](emu::Board&) {}},
            {"nothing received, counter at the limit",
             [](emu::Board& b) { b.demod.Reg(ifd::kCounter) = ifd::kCounterLimit; }},
        };
        for (const Case& c : cases) {
            Run r;
            c.set(r.board);
            const Run::Cost cost = r.Measure([&r] { r.driver.Tune(175250000); });
            Row({c.what, Ms(cost.waitUs)});
        }
        Line();
    }

    void Gate() {
        Line("### The gate");
        Line();
        const auto gate = runs_.demod.find(ifd::kGate);
        Line("The synthesizer is on the bus only while bit 6 (mask 0x" + Hex(ifd::kGateConnect, 2) +
             ") of 0x" + Hex(ifd::kGate, 2) + " is set. The module writes 0x" + Hex(ifd::kGate, 2) +
             " only with " +
             Values(gate != runs_.demod.end() ? gate->second.values : std::set<uint32_t>{}, 2) +
             " (closed, open): it opens the gate before its transfers to the synthesizer and "
             "closes it after them. In the recordings the gate was opened " +
             std::to_string(runs_.gateOpenings) + " times, and " +
             std::to_string(runs_.synthWhileGateOpen) + " of the " +
             std::to_string(runs_.synthTransfers) +
             " transfers to the synthesizer came while it was open.");
        Line();
    }

    // --- Synthesizer --------------------------------------------------------

    void Synthesizer() {
        Line("## Tuner synthesizer at 0x" + Hex(TVB_SYNTH_ADDRESS, 2));
        Line();
        std::string writes;
        for (size_t n : runs_.synthWrites) {
            writes += (writes.empty() ? "" : ", ") + std::to_string(n);
        }
        Line(std::to_string(sy::kRegisters) + " write-only 8-bit registers R0 to R" +
             std::to_string(sy::kRegisters - 1) +
             ", reached only through the gate. A transfer is one `BusWrite` whose first byte "
             "is the number of the first register written times " +
             std::to_string(1u << sy::kSubAddressShift) +
             "; the bytes after it go to that register and the following ones. The module "
             "never reads it. Transfers the module makes: " +
             writes + " bytes.");
        Line();
        Line("| register | name | what it is for | written in | values written |");
        Line("|---|---|---|---|---|");
        for (uint32_t i = 0; i < sy::kRegisters; ++i) {
            const auto it = runs_.synth.find(i);
            const Access a = it != runs_.synth.end() ? it->second : Access{};
            std::string name = "—";
            std::string meaning = "—";
            if (a.lengths.size() == 1) {
                meaning = "written only with all the others, in the " +
                          std::to_string(*a.lengths.begin()) + "-byte transfer";
            }
            for (const bench::NamedRegister& r : bench::kSynthRegisters) {
                if (r.address == i) {
                    name = Plain(r.name);
                    meaning = r.meaning;
                }
            }
            Row({"R" + std::to_string(i), name, meaning, Join(a.writers), Values(a.values, 2)});
        }
        Line();
        MaskFields(bench::kSynthFields, [](uint8_t reg) { return "R" + std::to_string(reg); });
    }

    std::map<std::string, std::vector<Event>> events_;
    Recorded runs_;
    std::ostringstream out_;
};

bool WriteWhole(const std::string& path, const std::string& text) {
    const std::string part = path + ".part";
    {
        std::ofstream out(part, std::ios::binary);
        out << text;
        out.close();
        if (!out) {
            std::fprintf(stderr, "tvboard_board_registers: cannot write %s\n", part.c_str());
            return false;
        }
    }
    if (std::rename(part.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "tvboard_board_registers: cannot replace %s\n", path.c_str());
        return false;
    }
    return true;
}

int Check(const std::string& path, const std::string& text) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream was;
    was << in.rdbuf();
    if (was.str() == text) {
        std::printf("ok: %s is what the register maps and the module give\n", path.c_str());
        return 0;
    }
    const char* update = std::getenv("TVB_UPDATE_EXPECTED");
    if (update != nullptr && std::string(update) == "1") {
        std::printf("rewrote %s\n", path.c_str());
        return WriteWhole(path, text) ? 0 : 2;
    }
    std::istringstream a(was.str());
    std::istringstream b(text);
    std::string lineA;
    std::string lineB;
    for (int n = 1;; ++n) {
        const bool moreA = static_cast<bool>(std::getline(a, lineA));
        const bool moreB = static_cast<bool>(std::getline(b, lineB));
        if (!moreA && !moreB) {
            break;
        }
        if (lineA != lineB || moreA != moreB) {
            std::printf("FAIL: %s:%d differs from what the register maps and the module give\n"
                        "  file: %s\n  made: %s\n(TVB_UPDATE_EXPECTED=1 rewrites it)\n",
                        path.c_str(), n, moreA ? lineA.c_str() : "(end)",
                        moreB ? lineB.c_str() : "(end)");
            return 1;
        }
    }
    std::printf("FAIL: %s differs from what the register maps and the module give\n", path.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string what = argc == 3 ? argv[1] : "";
    if (what != "--out" && what != "--check") {
        std::fprintf(stderr, "usage: tvboard_board_registers --out FILE | --check FILE\n");
        return 2;
    }
    const std::string text = Page().Text();
    if (what == "--out") {
        return WriteWhole(argv[2], text) ? 0 : 2;
    }
    return Check(argv[2], text);
}
