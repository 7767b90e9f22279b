#include "bench/bus_devices.h"

#include "bench/register_names.h"
#include "bench/values.h"
#include "text/bit_names.h"
#include "text/format.h"
#include "text/hex.h"

#include <cctype>
#include <vector>

namespace bench {

namespace {

const BoardDevice kDecoder{"decoder", "decoder", TVB_DECODER_ADDRESS, 0x10000, 3, true};
const BoardDevice kDemodulator{"demodulator", "IF demodulator", TVB_IF_DEMOD_ADDRESS, 0x100, 2,
                               true};
const BoardDevice kSynthesizer{
    "synthesizer", "synthesizer", TVB_SYNTH_ADDRESS, regmap::synth::kRegisters, 2, false};
const BoardDevice* const kDevices[] = {&kDecoder, &kDemodulator, &kSynthesizer};

template <size_t N> std::vector<NamedRegister> Listed(const NamedRegister (&table)[N]) {
    return std::vector<NamedRegister>(table, table + N);
}

std::vector<NamedRegister> NamesOf(const BoardDevice& d) {
    if (&d == &kDecoder) {
        return Listed(kDecoderRegisters);
    }
    return &d == &kDemodulator ? Listed(kIfDemodRegisters) : Listed(kSynthRegisters);
}

bool SameWord(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// 0x-prefixed hex or decimal digits, at most `most`.
bool ParseNumber(const std::string& text, uint32_t most, uint32_t* value, bool* tooBig) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const size_t from = hex ? 2 : 0;
    if (text.size() == from) {
        return false;
    }
    uint64_t v = 0;
    *tooBig = false;
    for (size_t i = from; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (hex ? std::isxdigit(c) == 0 : std::isdigit(c) == 0) {
            return false;
        }
        const unsigned digit = std::isdigit(c) != 0 ? c - '0' : std::tolower(c) - 'a' + 10;
        v = v * (hex ? 16 : 10) + digit;
        *tooBig = *tooBig || v > most;
        v = *tooBig ? most + uint64_t{1} : v;
    }
    *value = static_cast<uint32_t>(v);
    return true;
}

std::string Span(const BoardDevice& d) {
    return text::Hex(0, d.digits) + ".." + text::Hex(d.registers - 1, d.digits);
}

} // namespace

const BoardDevice& Decoder() {
    return kDecoder;
}
const BoardDevice& Demodulator() {
    return kDemodulator;
}
const BoardDevice& Synthesizer() {
    return kSynthesizer;
}

const BoardDevice* DeviceAt(uint32_t busAddress) {
    for (const BoardDevice* d : kDevices) {
        if (d->busAddress == busAddress) {
            return d;
        }
    }
    return nullptr;
}

bool ParseDevice(const std::string& text, const BoardDevice** device, std::string* error) {
    for (const BoardDevice* d : kDevices) {
        if (text == d->name) {
            *device = d;
            return true;
        }
    }
    *error = "unknown device " + Quoted(text) + " (decoder, demodulator, synthesizer)";
    return false;
}

bool ParseRegister(const BoardDevice& d, const std::string& text, uint32_t* reg,
                   std::string* error) {
    for (const NamedRegister& r : NamesOf(d)) {
        if (SameWord(text, Plain(r.name))) {
            *reg = r.address;
            return true;
        }
    }
    // The synthesizer's registers go by number too: R0..R12, in decimal.
    const bool numbered = &d == &kSynthesizer && text.size() > 1 &&
                          (text[0] == 'R' || text[0] == 'r') &&
                          std::isdigit(static_cast<unsigned char>(text[1])) != 0;
    bool tooBig = false;
    uint32_t v = 0;
    if (ParseNumber(numbered ? text.substr(1) : text, d.registers - 1, &v, &tooBig)) {
        if (!tooBig) {
            *reg = v;
            return true;
        }
        *error = "the " + std::string(d.title) + " has no register " + Quoted(text) + " (" +
                 (&d == &kSynthesizer ? "R0..R12, " : "") + Span(d) + ")";
        return false;
    }
    std::vector<std::string> names;
    const std::vector<NamedRegister> all = NamesOf(d);
    constexpr size_t kShown = 10;
    for (size_t i = 0; i < all.size() && i < kShown; ++i) {
        names.push_back(Plain(all[i].name));
    }
    if (all.size() > kShown) {
        names.push_back("... " + std::to_string(all.size() - kShown) + " more");
    }
    *error = "not a register of the " + std::string(d.title) + ": " + Quoted(text) + " (" +
             Span(d) + (&d == &kSynthesizer ? ", R0..R12" : "") +
             " or a name: " + text::Joined(names, ", ") + ")";
    return false;
}

bool ParseByte(const std::string& text, uint8_t* value, std::string* error) {
    bool tooBig = false;
    uint32_t v = 0;
    if (!ParseNumber(text, 0xFF, &v, &tooBig) || tooBig) {
        *error = "VALUE wants a byte, 0..255 or 0x00..0xFF, not " + Quoted(text);
        return false;
    }
    *value = static_cast<uint8_t>(v);
    return true;
}

bool ParseRange(const BoardDevice& d, const std::string& text, uint32_t* first, uint32_t* last,
                std::string* error) {
    const size_t dash = text.find('-');
    if (dash == std::string::npos || dash == 0 || dash + 1 == text.size()) {
        *error = "--range wants FIRST-LAST, two registers of the " + std::string(d.title) +
                 " (e.g. " + text::Hex(0, d.digits) + "-" + text::Hex(0xF, d.digits) + "), not " +
                 Quoted(text);
        return false;
    }
    std::string why;
    if (!ParseRegister(d, text.substr(0, dash), first, &why) ||
        !ParseRegister(d, text.substr(dash + 1), last, &why)) {
        *error = "--range: " + why;
        return false;
    }
    if (*first > *last) {
        *error = "--range " + Quoted(text) + ": FIRST above LAST";
        return false;
    }
    return true;
}

std::string RegisterLabel(const BoardDevice& d, uint32_t reg) {
    return &d == &kSynthesizer ? text::Format("R%u", reg) : text::Format("%0*X", d.digits, reg);
}

std::string RegisterName(const BoardDevice& d, uint32_t reg) {
    for (const NamedRegister& r : NamesOf(d)) {
        if (r.address == reg) {
            return Plain(r.name);
        }
    }
    return "";
}

} // namespace bench
