#include "sequences.h"

#include "module_fixture.h"

#include <gtest/gtest.h>

#include <cctype>
#include <iterator>
#include <vector>

namespace sequences {

namespace {

struct Known {
    const char* name;
    const char* file;
    bool withValues; // recognised with its values, not only by its shape
};

// Inner sequences before those that contain them, and each before the
// shorter ones that occur inside it (the audio set-up holds a pulse of the
// restart bit).
const Known kKnown[] = {
    {"audio set-up", kAudioSetUp, false},
    {"decoder register set", kDecoderRegisters, false},
    {"audio demodulator restart", kAudioRestart, true},
    {"decoder mode bits", kModeBits, false},
    {"TV standard change", kTvStandardChange, false},
    {"tuner start-up", kTunerStartUp, false},
    {"tuning settled at once", kTuningSettled, false},
};

bool IsHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// Replaces the hex digits in [from, to) by dots.
void Mask(std::string& s, size_t from, size_t to) {
    for (size_t i = from; i < to && i < s.size(); ++i) {
        if (IsHex(s[i])) {
            s[i] = '.';
        }
    }
}

// The sequence as checked in: its file without the "##" comments.
std::vector<std::string> Body(const Known& k) {
    std::vector<std::string> body;
    for (const std::string& line : Lines(ReadExpected(k.file))) {
        if (line.rfind("##", 0) != 0) {
            body.push_back(line);
        }
    }
    if (body.empty()) {
        ADD_FAILURE() << "tests/module/expected/" << k.file
                      << " holds no sequence; run its test with "
                      << "TVB_UPDATE_EXPECTED=1";
    }
    return body;
}

std::string Named(const Known& k) {
    return std::string("== ") + k.name + " (" + k.file + ")";
}

// Every run of `lines` that matches the sequence becomes its named line.
std::vector<std::string> Replace(const std::vector<std::string>& lines, const Known& k) {
    std::vector<std::string> pattern = Body(k);
    if (pattern.empty()) {
        return lines;
    }
    std::vector<std::string> keys = lines;
    if (!k.withValues) {
        for (std::string& p : pattern) {
            p = Shape(p);
        }
        for (std::string& key : keys) {
            key = Shape(key);
        }
    }
    std::vector<std::string> out;
    size_t i = 0;
    while (i < lines.size()) {
        bool match = i + pattern.size() <= lines.size();
        for (size_t j = 0; match && j < pattern.size(); ++j) {
            match = keys[i + j] == pattern[j];
        }
        if (match) {
            out.push_back(Named(k));
            i += pattern.size();
        } else {
            out.push_back(lines[i]);
            ++i;
        }
    }
    return out;
}

// Condensed with the known sequences [0, end).
std::string CondenseWith(const std::string& timeline, size_t end) {
    std::vector<std::string> lines = Lines(timeline);
    for (size_t i = 0; i < end; ++i) {
        lines = Replace(lines, kKnown[i]);
    }
    std::string out;
    for (const std::string& line : lines) {
        out += line + "\n";
    }
    return out;
}

size_t IndexOf(const std::string& file) {
    for (size_t i = 0; i < std::size(kKnown); ++i) {
        if (file == kKnown[i].file) {
            return i;
        }
    }
    ADD_FAILURE() << file << " is not a known sequence";
    return 0;
}

} // namespace

std::string Shape(const std::string& line) {
    std::string s = line;
    if (s.size() < 4 || !IsHex(s[0]) || !IsHex(s[1])) {
        return s; // not a bus line
    }
    if (s[2] == '[') { // decoder register: the value after the arrow
        size_t arrow = s.find("] -> ");
        arrow = arrow == std::string::npos ? s.find("] <- ") : arrow;
        if (arrow != std::string::npos) {
            size_t end = arrow + 5;
            while (end < s.size() && IsHex(s[end])) {
                ++end;
            }
            Mask(s, arrow + 5, end);
        }
        return s;
    }
    const size_t open = s.find('{');
    const size_t close = s.find('}');
    if (open == std::string::npos || close == std::string::npos || close < open) {
        return s;
    }
    if (s.compare(2, 2, " {") == 0) { // a transfer: its first byte is the sub-address
        Mask(s, open + 3, close);
    } else if (s.compare(2, 5, " -> {") == 0) { // a read: every byte
        Mask(s, open + 1, close);
    }
    return s;
}

std::string Condense(const std::string& timeline) {
    return CondenseWith(timeline, std::size(kKnown));
}

std::string NamedLine(const std::string& file) {
    return Named(kKnown[IndexOf(file)]);
}

std::string Recorded(const std::string& file) {
    std::string out;
    for (const std::string& line : Body(kKnown[IndexOf(file)])) {
        out += line + "\n";
    }
    return out;
}

void ExpectMatches(const std::string& timeline, const std::string& file) {
    ExpectMatchesFile(CondenseWith(timeline, IndexOf(file)), file);
}

} // namespace sequences
