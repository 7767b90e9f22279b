// tvboard_board_registers: writes docs/board-registers.md, the board as the
// module sees it, so that it cannot drift from what the module does. The
// page's prose is board_registers.md.in beside this file; each {{name}} in
// it stands for a fact this program fills in: the registers and fields of
// the register maps (regmap/, through bench/register_names.h) with what
// the map says they are for; who writes and reads them, and with which
// values, from the bench's recordings of every scenario; the handshake,
// sound status, lock, AFC and gate tables from runs of the module on
// boards set up to show each case. A name the program does not know, or a
// fact the page does not use, stops it.
//
// usage: tvboard_board_registers --out FILE    write the reference
//        tvboard_board_registers --check FILE  compare FILE with it: exit 1
//            at the first line that differs; with TVB_UPDATE_EXPECTED=1 in
//            the environment FILE is rewritten instead
#include "bench/board_recordings.h"
#include "bench/board_registers_cases.h"
#include "bench/board_registers_page.h"
#include "bench/input_files.h"
#include "bench/output_files.h"
#include "bench/register_names.h"
#include "include/tvboard.h"
#include "text/bit_names.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#ifndef TVB_BOARD_REGISTERS_TEMPLATE
#error "the build names the page's template"
#endif

namespace board_doc {
namespace {

namespace dec = regmap::decoder;
namespace ifd = regmap::if_demod;
namespace sy = regmap::synth;
using bench::Plain;
using bench::RegisterAccess;

// The register maps' constants the prose names: hex digits without "0x",
// or a decimal number (digits 0).
void PutConstants(Facts& facts) {
    const struct {
        const char* name;
        uint32_t value;
        int digits;
    } constants[] = {
        {"decoder", TVB_DECODER_ADDRESS, 2},
        {"dsp_first", dec::kDspFirst, 3},
        {"dsp_last", dec::kDspLast, 3},
        {"dsp_status", dec::kDspStatus, 3},
        {"dsp_ready", dec::kDspReady, 2},
        {"dsp_data_ready", dec::kDspDataReady, 2},
        {"dsp_read_done", dec::kDspReadDone, 2},
        {"sound_status", dec::kSoundStatus, 3},
        {"status_code_high_bit", dec::kSoundStatusCode.width - 1u, 0},
        {"stereo_flag", dec::kStereoFlag, 3},
        {"stereo_flag_bit", dec::kStereoFlagBit.lowBit, 0},
        {"two_language_flag", dec::kTwoLanguageFlag, 3},
        {"two_language_flag_bit", dec::kTwoLanguageFlagBit.lowBit, 0},
        {"layout_bit", dec::kStatusBitLayout, 0},
        {"third_language_bit", dec::kStatusBitThirdLanguage, 0},
        {"sound_select", dec::kSoundSelect, 3},
        {"if_demod", TVB_IF_DEMOD_ADDRESS, 2},
        {"status", ifd::kStatus, 2},
        {"lock_bit", ifd::kLockBit, 2},
        {"afc_mask", ifd::kAfcMask, 2},
        {"level", ifd::kLevel, 2},
        {"level_settled_max", ifd::kLevelSettledMax, 0},
        {"counter", ifd::kCounter, 2},
        {"counter_limit", ifd::kCounterLimit, 0},
        {"gate", ifd::kGate, 2},
        {"gate_connect", ifd::kGateConnect, 2},
        {"synth", TVB_SYNTH_ADDRESS, 2},
        {"synth_register_count", sy::kRegisters, 0},
        {"synth_last_register", sy::kRegisters - 1u, 0},
        {"synth_sub_address_step", 1u << sy::kSubAddressShift, 0},
    };
    for (const auto& c : constants) {
        facts[c.name] = c.digits == 0 ? std::to_string(c.value) : Digits(c.value, c.digits);
    }
}

// --- Decoder ----------------------------------------------------------------

template <size_t N>
const bench::NamedRegister* Named(const bench::NamedRegister (&table)[N], uint32_t address) {
    for (const bench::NamedRegister& r : table) {
        if (r.address == address) {
            return &r;
        }
    }
    return nullptr;
}

bool InFieldBits(const regmap::DecoderField& f, uint32_t reg) {
    return reg >= f.reg + f.lowBit / 8u && reg <= f.reg + (f.lowBit + f.width - 1u) / 8u;
}

// A register the maps do not name: the fields that cover it, in
// parentheses.
std::string DecoderName(uint32_t reg) {
    if (const bench::NamedRegister* n = Named(bench::kDecoderRegisters, reg)) {
        return Plain(n->name);
    }
    std::string covering;
    for (const bench::NamedDecoderField& f : bench::kDecoderFields) {
        if (InFieldBits(f.field, reg)) {
            covering += (covering.empty() ? "" : ", ") + Plain(f.name);
        }
    }
    return covering.empty() ? "—" : "(" + covering + ")";
}

// For a register the maps do not name: what the fields that cover it
// are for, and the dwords it is read (and written back) with.
std::string DecoderMeaning(uint32_t reg, const RegisterAccess& a) {
    if (const bench::NamedRegister* n = Named(bench::kDecoderRegisters, reg)) {
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
    std::string meaning = text::Joined({meanings.begin(), meanings.end()}, "; ");
    if (meanings.empty() && !dwords.empty() && !a.readers.empty()) {
        std::string at;
        for (uint32_t d : dwords) {
            at += (at.empty() ? "0x" : ", 0x") + Digits(d, 3);
        }
        meaning = std::string(a.writers.empty() ? "read" : "read and written back") +
                  " with the dword" + (dwords.size() == 1 ? "" : "s") + " at " + at;
    }
    if (meaning.empty() && a.readers.empty() && a.mostWrites == 1) {
        meaning = "written once per load of the module";
    }
    return meaning.empty() ? "—" : meaning;
}

void PutDecoder(const bench::BoardRecordings& runs, Facts& facts) {
    // Registers alike but for their values are shown as one row, with
    // their values in order when each had one.
    struct Span {
        uint32_t first;
        uint32_t last;
        std::string name;
        std::string meaning;
        const RegisterAccess* access;
        std::vector<std::set<uint32_t>> values;
    };
    std::vector<Span> spans;
    for (const auto& [reg, a] : runs.decoder) {
        Span span{reg, reg, DecoderName(reg), DecoderMeaning(reg, a), &a, {a.values}};
        if (!spans.empty()) {
            Span& prev = spans.back();
            const bool alike = prev.last + 1 == reg && prev.name == span.name &&
                               prev.meaning == span.meaning && prev.access->writers == a.writers &&
                               prev.access->readers == a.readers;
            bool singles = true;
            for (const std::set<uint32_t>& v : prev.values) {
                singles = singles && v.size() == 1;
            }
            if (alike && (prev.values.back() == a.values || (singles && a.values.size() == 1))) {
                prev.last = reg;
                prev.values.push_back(a.values);
                continue;
            }
        }
        spans.push_back(std::move(span));
    }
    Lines rows;
    for (const Span& span : spans) {
        bool same = true;
        for (const std::set<uint32_t>& v : span.values) {
            same = same && v == span.values.front();
        }
        std::string values;
        for (size_t k = 0; k < (same ? 1 : span.values.size()); ++k) {
            values += (k == 0 ? "" : " ") + Values(span.values[k], 2);
        }
        const std::string label = "0x" + Digits(span.first, 3) +
                                  (span.last != span.first ? "..0x" + Digits(span.last, 3) : "");
        rows.push_back(Row({label, span.name, span.meaning, Join(span.access->writers),
                            Join(span.access->readers), values}));
    }
    Put(facts, "decoder_registers", rows);
    rows.clear();
    for (const bench::NamedDecoderField& f : bench::kDecoderFields) {
        const uint32_t high = f.field.lowBit + f.field.width - 1u;
        const std::string bits = high == f.field.lowBit
                                     ? std::to_string(high)
                                     : std::to_string(high) + ".." + std::to_string(f.field.lowBit);
        const auto use = runs.fields.find(f.name);
        rows.push_back(Row({Plain(f.name), "0x" + Digits(f.field.reg, 3), bits, f.meaning,
                            use != runs.fields.end() ? Values(use->second, 1) : "—"}));
    }
    Put(facts, "decoder_fields", rows);
}

// --- IF demodulator and synthesizer -----------------------------------------

template <size_t N>
Lines MaskFields(const bench::BoardRecordings& runs, const bench::NamedMask (&fields)[N],
                 const std::function<std::string(uint8_t)>& label) {
    Lines rows;
    for (const bench::NamedMask& f : fields) {
        const auto use = runs.fields.find(f.name);
        rows.push_back(Row({Plain(f.name), label(f.reg), "0x" + Digits(f.mask, 2), f.meaning,
                            use != runs.fields.end() ? Values(use->second, 1) : "—"}));
    }
    return rows;
}

RegisterAccess AccessTo(const std::map<uint32_t, RegisterAccess>& device, uint32_t reg) {
    const auto it = device.find(reg);
    return it != device.end() ? it->second : RegisterAccess{};
}

void PutDemodAndSynth(const bench::BoardRecordings& runs, Facts& facts) {
    facts["demod_write_lengths"] = Lengths(runs.demodWrites);
    facts["demod_read_lengths"] = Lengths(runs.demodReads);
    Lines rows;
    for (const bench::NamedRegister& r : bench::kIfDemodRegisters) {
        const RegisterAccess a = AccessTo(runs.demod, r.address);
        rows.push_back(Row({"0x" + Digits(r.address, 2), Plain(r.name), r.meaning, Join(a.writers),
                            Join(a.readers), Values(a.values, 2)}));
    }
    for (const auto& [reg, a] : runs.demod) {
        if (Named(bench::kIfDemodRegisters, reg) == nullptr) {
            rows.push_back(Row({"0x" + Digits(reg, 2), "—", "—", Join(a.writers), Join(a.readers),
                                Values(a.values, 2)}));
        }
    }
    Put(facts, "demod_registers", rows);
    Put(facts, "demod_fields",
        MaskFields(runs, bench::kIfDemodFields, [](uint8_t reg) { return "0x" + Digits(reg, 2); }));

    facts["gate_values"] = Values(AccessTo(runs.demod, ifd::kGate).values, 2);
    facts["gate_openings"] = std::to_string(runs.gateOpenings);
    facts["synth_while_gate_open"] = std::to_string(runs.synthWhileGateOpen);
    facts["synth_transfers"] = std::to_string(runs.synthTransfers);

    facts["synth_write_lengths"] = Lengths(runs.synthWrites);
    rows.clear();
    for (uint32_t i = 0; i < sy::kRegisters; ++i) {
        const RegisterAccess a = AccessTo(runs.synth, i);
        std::string name = "—";
        std::string meaning = "—";
        if (a.lengths.size() == 1) {
            meaning = "written only with all the others, in the " +
                      std::to_string(*a.lengths.begin()) + "-byte transfer";
        }
        if (const bench::NamedRegister* r = Named(bench::kSynthRegisters, i)) {
            name = Plain(r->name);
            meaning = r->meaning;
        }
        rows.push_back(
            Row({"R" + std::to_string(i), name, meaning, Join(a.writers), Values(a.values, 2)}));
    }
    Put(facts, "synth_registers", rows);
    Put(facts, "synth_fields", MaskFields(runs, bench::kSynthFields, [](uint8_t reg) {
            return "R" + std::to_string(reg);
        }));
}

// 0 when FILE is the page, 1 (after the first line that differs) when it
// is not, -1 when it is to be rewritten (TVB_UPDATE_EXPECTED=1).
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
        return -1;
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
} // namespace board_doc

int main(int argc, char** argv) {
    const std::string what = argc == 3 ? argv[1] : "";
    if (what != "--out" && what != "--check") {
        std::fprintf(stderr, "usage: tvboard_board_registers --out FILE | --check FILE\n");
        return 2;
    }
    std::string page;
    std::string error;
    bench::BoardRecordings runs;
    board_doc::Facts facts;
    board_doc::PutConstants(facts);
    if (!bench::ReadText(TVB_BOARD_REGISTERS_TEMPLATE, "the template", size_t{1} << 20, &page,
                         &error) ||
        !bench::RecordBoard(&runs, &error)) {
        std::fprintf(stderr, "tvboard_board_registers: %s\n", error.c_str());
        return 2;
    }
    board_doc::PutDecoder(runs, facts);
    board_doc::PutDemodAndSynth(runs, facts);
    std::string text;
    if (!board_doc::PutBoardCases(facts, &error) || !board_doc::Fill(page, facts, &text, &error)) {
        std::fprintf(stderr, "tvboard_board_registers: %s\n", error.c_str());
        return 2;
    }
    const int checked = what == "--check" ? board_doc::Check(argv[2], text) : -1;
    if (checked >= 0) {
        return checked;
    }
    bench::Output out;
    if (!out.Open(argv[2], "the reference", &error) || !(out.Stream() << text) ||
        !out.Close(&error)) {
        std::fprintf(stderr, "tvboard_board_registers: %s\n", error.c_str());
        return 2;
    }
    return 0;
}
