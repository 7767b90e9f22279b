#include "bench/values.h"

#include "host_driver/host_driver.h"
#include "include/tvboard.h"
#include "text/bit_names.h"
#include "text/format.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace bench {

namespace {

using text::Format;
using text::Joined;

struct NamedInput {
    const char* name;
    uint32_t input;
};
constexpr NamedInput kInputs[] = {
    {"tuner", TVB_VIDEO_INPUT_TUNER},
    {"composite", TVB_VIDEO_INPUT_COMPOSITE},
    {"svideo", TVB_VIDEO_INPUT_SVIDEO},
};

bool AllDigits(const std::string& s) {
    for (char c : s) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0) {
            return false;
        }
    }
    return true;
}

// `text` between `quote`s with control characters as \xNN; past `most`
// bytes only its first `shown` (not cut inside a UTF-8 character), "..."
// and its length.
std::string Escaped(const std::string& text, size_t most, size_t shown, const char* quote) {
    size_t end = text.size();
    if (end > most) {
        end = shown;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            --end;
        }
    }
    std::string s = quote;
    for (size_t i = 0; i < end; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        s += byte < 0x20 || byte == 0x7F ? Format("\\x%02X", byte) : std::string(1, text[i]);
    }
    if (end == text.size()) {
        return s + quote;
    }
    return s + "..." + quote + Format(" (%zu bytes)", text.size());
}

} // namespace

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(sep, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::string::npos) {
            return parts;
        }
        start = at + 1;
    }
}

std::vector<std::string> Fields(const std::string& line) {
    std::istringstream in(line.substr(0, line.find('#')));
    std::vector<std::string> fields;
    for (std::string f; in >> f;) {
        fields.push_back(f);
    }
    return fields;
}

bool ParseDecimal(const std::string& text, double* value) {
    std::string body = text;
    if (!body.empty() && (body[0] == '+' || body[0] == '-')) {
        body.erase(0, 1);
    }
    const size_t dot = body.find('.');
    const std::string whole = body.substr(0, dot);
    const std::string fraction = dot == std::string::npos ? "" : body.substr(dot + 1);
    // Digits on at least one side of the point; not so many that the number
    // would not be exact enough for a frequency in Hz (a larger one is out of
    // every range anyway).
    if (!AllDigits(whole) || !AllDigits(fraction) || (whole.empty() && fraction.empty()) ||
        whole.size() > 18 || fraction.size() > 12) {
        return false;
    }
    *value = std::strtod(text.c_str(), nullptr);
    return std::isfinite(*value);
}

bool ParseMHz(const std::string& text, uint32_t* hz, std::string* error) {
    double mhz = 0.0;
    if (!ParseDecimal(text, &mhz)) {
        *error = "not a frequency in MHz: " + Quoted(text) + " (e.g. 175.25)";
        return false;
    }
    const double maxMHz = kHighestHz / 1e6;
    if (!(mhz > 0.0) || mhz > maxMHz) {
        *error = "frequency out of range: " + Quoted(text) +
                 Format(" MHz (above 0 and at most %.0f MHz)", maxMHz);
        return false;
    }
    const long long rounded = std::llround(mhz * 1e6);
    if (rounded <= 0) {
        *error = "frequency out of range: " + Quoted(text) + " MHz (less than 1 Hz)";
        return false;
    }
    *hz = static_cast<uint32_t>(rounded);
    return true;
}

bool ParseWhole(const std::string& text, long min, long max, const std::string& what, long* value,
                std::string* error) {
    std::string digits = text;
    if (!digits.empty() && digits[0] == '-') {
        digits.erase(0, 1);
    }
    const std::string range = std::to_string(min) + ".." + std::to_string(max);
    if (digits.empty() || !AllDigits(digits) || digits.size() > 9) {
        *error = what + " wants a whole number " + range + ": " + Quoted(text);
        return false;
    }
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (v < min || v > max) {
        *error = what + " out of range: " + Quoted(text) + " (" + range + ")";
        return false;
    }
    *value = v;
    return true;
}

std::vector<std::string> StandardNames() {
    std::vector<std::string> names;
    for (uint32_t bit : host_driver::StandardBits()) {
        names.push_back(host_driver::StandardName(bit));
    }
    return names;
}

bool ParseStandard(const std::string& text, uint32_t* standard, std::string* error) {
    *standard = host_driver::StandardFromName(text);
    if (*standard == 0) {
        *error = "unknown TV standard " + Quoted(text) + " (" + Joined(StandardNames(), ", ") + ")";
        return false;
    }
    return true;
}

std::vector<std::string> AudioModeNameList() {
    return Split(host_driver::AudioModeNames(UINT32_MAX), '+');
}

bool ParseAudioModes(const std::string& text, uint32_t* modes, std::string* error) {
    uint32_t all = 0;
    for (const std::string& word : Split(text, '+')) {
        uint32_t found = 0;
        for (uint32_t bit = 1; bit != 0 && found == 0; bit <<= 1) {
            if (host_driver::AudioModeNames(bit) == word) {
                found = bit;
            }
        }
        if (found == 0) {
            *error = "unknown TV sound mode " + Quoted(word) + " (" +
                     Joined(AudioModeNameList(), ", ") + ", or several joined by '+')";
            return false;
        }
        all |= found;
    }
    *modes = all;
    return true;
}

bool ParseInput(const std::string& text, uint32_t* input, std::string* error) {
    std::vector<std::string> names;
    for (const NamedInput& n : kInputs) {
        if (text == n.name || text == std::to_string(n.input)) {
            *input = n.input;
            return true;
        }
        names.push_back(std::string(n.name) + " (" + std::to_string(n.input) + ")");
    }
    *error = "unknown video input " + Quoted(text) + " (" + Joined(names, ", ") + ")";
    return false;
}

std::string InputName(uint32_t input) {
    for (const NamedInput& n : kInputs) {
        if (n.input == input) {
            return n.name;
        }
    }
    return "input " + std::to_string(input);
}

bool ParseBusRate(const std::string& text, uint32_t* hz, std::string* error) {
    const std::string usage = "--bus-rate wants a clock rate of 1k..3.4M (Hz): " + Quoted(text);
    size_t unitAt = 0;
    while (unitAt < text.size() &&
           (std::isdigit(static_cast<unsigned char>(text[unitAt])) != 0 || text[unitAt] == '.')) {
        ++unitAt;
    }
    double value = 0.0;
    if (!ParseDecimal(text.substr(0, unitAt), &value)) {
        *error = usage;
        return false;
    }
    const std::string unit = text.substr(unitAt);
    if (unit == "k" || unit == "kHz") {
        value *= 1e3;
    } else if (unit == "M" || unit == "MHz") {
        value *= 1e6;
    } else if (!unit.empty() && unit != "Hz") {
        *error = usage;
        return false;
    }
    if (!(value >= 1e3 && value <= 3.4e6)) {
        *error = usage;
        return false;
    }
    *hz = static_cast<uint32_t>(std::llround(value));
    return true;
}

bool ParseSweep(const std::string& text, Sweep* sweep, std::string* error) {
    const std::vector<std::string> parts = Split(text, ':');
    if (parts.size() != 3) {
        *error = "--sweep wants FROM:TO:STEP in MHz: " + Quoted(text);
        return false;
    }
    Sweep s;
    std::string what;
    if (!ParseMHz(parts[0], &s.fromHz, &what) || !ParseMHz(parts[1], &s.toHz, &what) ||
        !ParseMHz(parts[2], &s.stepHz, &what)) {
        *error = "--sweep " + Quoted(text) + ": " + what;
        return false;
    }
    if (s.toHz < s.fromHz) {
        *error = "--sweep " + Quoted(text) + ": FROM above TO";
        return false;
    }
    *sweep = s;
    return true;
}

std::string Quoted(const std::string& text) {
    return Escaped(text, 64, 48, "'");
}

std::string Shown(const std::string& path) {
    return path == "-" ? "stdin" : Escaped(path, 256, 200, "");
}

std::string MHzText(uint32_t hz) {
    std::string s = Format("%u.%06u", hz / 1000000, hz % 1000000);
    while (s.size() > s.find('.') + 4 && s.back() == '0') {
        s.pop_back();
    }
    return s + " MHz";
}

std::string Seconds(uint64_t us) {
    return Format("%.3f s", static_cast<double>(us) / 1e6);
}

std::string Step(int step) {
    return Format("%+d", step);
}

} // namespace bench
