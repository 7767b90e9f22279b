// The libFuzzer entry for the bench's own parsers: everything a user types
// or a file brings. The input's first byte chooses the parser, the rest is
// its text. Each parser must take anything without crashing and, where it
// accepts, hold to what it promises: values within their ranges (registers
// within their device's), a channel list or a recording written back reads
// back the same, a byte-order mark changes nothing, a file's lines keep to
// their bounds and are the text itself, and a text quoted in a message is
// short.
#include "bench/antenna_file.h"
#include "bench/bus_devices.h"
#include "bench/channel_list.h"
#include "bench/channel_plan.h"
#include "bench/conform.h"
#include "bench/input_files.h"
#include "bench/picture_settings.h"
#include "bench/values.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

void Require(bool holds, const char* what, const std::string& input) {
    if (!holds) {
        std::fprintf(stderr, "bench parser broke its promise: %s\ninput: '%s'\n", what,
                     input.c_str());
        std::abort();
    }
}

bool SameChannels(const std::vector<bench::Channel>& a, const std::vector<bench::Channel>& b) {
    const auto key = [](const bench::Channel& c) {
        return std::tie(c.name, c.frequencyHz, c.standard);
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](const auto& x, const auto& y) { return key(x) == key(y); });
}

bool SameRecordings(const std::vector<bench::Recording>& a,
                    const std::vector<bench::Recording>& b) {
    const auto line = [](const bench::TimedLine& l) {
        return std::tie(l.timeUs, l.wait, l.waitUs, l.line);
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](const auto& x, const auto& y) {
        return x.scenario == y.scenario &&
               std::equal(x.lines.begin(), x.lines.end(), y.lines.begin(), y.lines.end(),
                          [&](const auto& p, const auto& q) { return line(p) == line(q); });
    });
}

void Files(uint8_t which, const std::string& text) {
    std::string error;
    std::istringstream in(text);
    if (which == 0) {
        std::vector<bench::AntennaStation> stations;
        if (bench::ReadAntenna(in, "air.txt", &stations, &error)) {
            Require(!stations.empty(), "an antenna file read without stations", text);
            for (const bench::AntennaStation& s : stations) {
                Require(s.station.frequencyHz > 0 && s.station.frequencyHz <= bench::kHighestHz &&
                            s.station.strength >= 1,
                        "a station out of range", text);
            }
        }
    } else if (which == 1) {
        std::vector<bench::Channel> channels;
        if (bench::ReadChannelList(in, "list.txt", &channels, &error)) {
            std::ostringstream out;
            bench::WriteChannelListHead(out);
            for (const bench::Channel& c : channels) {
                bench::WriteChannel(out, c, "a comment");
            }
            std::istringstream back(out.str());
            std::vector<bench::Channel> again;
            Require(bench::ReadChannelList(back, "list.txt", &again, &error) &&
                        SameChannels(channels, again),
                    "a channel list written back does not read back the same", text);
        }
        // An editor's byte-order mark in front changes nothing.
        if (text.compare(0, 3, "\xEF\xBB\xBF") != 0) {
            std::istringstream marked("\xEF\xBB\xBF" + text);
            std::vector<bench::Channel> same;
            std::string ignored;
            Require(bench::ReadChannelList(marked, "list.txt", &same, &ignored) ==
                            !channels.empty() &&
                        SameChannels(channels, same),
                    "a byte-order mark changes what a channel list holds", text);
        }
    } else {
        std::vector<bench::Recording> recordings;
        if (bench::ReadRecordings(in, &recordings, &error)) {
            std::ostringstream out;
            bench::WriteRecordings(out, recordings);
            std::istringstream back(out.str());
            std::vector<bench::Recording> again;
            Require(bench::ReadRecordings(back, &again, &error) &&
                        SameRecordings(recordings, again),
                    "recordings written back do not read back the same", text);
        }
    }
    Require(error.find('\n') == std::string::npos, "an error of more than one line", text);
}

// A text's lines under bounds the input chooses: none longer than the
// bound, none with a NUL byte, the reading ended at the bound of the whole;
// and where it read to the end, the lines are the text itself (a leading
// byte-order mark and a CR before each LF left out).
void Lines(const std::string& input) {
    if (input.size() < 2) {
        return;
    }
    const bench::TextBounds bounds{16 + static_cast<uint8_t>(input[0]) * size_t{4},
                                   1 + static_cast<uint8_t>(input[1]) % 64u};
    const std::string text = input.substr(2);
    std::istringstream in(text);
    bench::TextLines lines(in, "f", bounds);
    std::vector<std::string> got;
    size_t bytes = 0;
    for (std::string line; lines.Next(&line);) {
        Require(line.size() <= bounds.longestLine && line.find('\0') == std::string::npos,
                "a line past its bound or with a NUL byte", text);
        bytes += line.size() + 1;
        got.push_back(line);
    }
    Require(bytes <= bounds.mostBytes + got.size() + 3, "more text read than the bound", text);
    Require(lines.Error().find('\n') == std::string::npos, "an error of more than one line", text);
    if (!lines.Error().empty()) {
        return;
    }
    std::string rest = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text;
    std::vector<std::string> expected;
    for (size_t start = 0; start < rest.size();) {
        const size_t end = std::min(rest.find('\n', start), rest.size());
        std::string line = rest.substr(start, end - start);
        while (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        expected.push_back(line);
        start = end + 1;
    }
    Require(got == expected, "the lines read are not the text's", text);
}

void Values(uint8_t which, const std::string& text) {
    const std::string quoted = bench::Quoted(text);
    Require(quoted.size() <= 4 * 64 + 32 && quoted.find('\n') == std::string::npos,
            "a text quoted in a message is long or more than one line", text);
    std::string error;
    uint32_t hz = 0;
    uint32_t bits = 0;
    switch (which) {
    case 3: {
        bench::AntennaStation s;
        if (bench::ParseStationOption(text, &s, &error)) {
            Require(s.station.frequencyHz > 0 && s.station.frequencyHz <= bench::kHighestHz,
                    "a station option out of range", text);
        }
        break;
    }
    case 4:
        if (bench::ParseMHz(text, &hz, &error)) {
            Require(hz > 0 && hz <= bench::kHighestHz, "a frequency out of range", text);
        }
        break;
    case 5: {
        bench::Sweep s;
        if (bench::ParseSweep(text, &s, &error)) {
            Require(s.fromHz <= s.toHz && s.stepHz > 0 && s.Points() >= 1, "a sweep that is none",
                    text);
        }
        break;
    }
    case 6:
        if (bench::ParseBusRate(text, &hz, &error)) {
            Require(hz >= 1000 && hz <= 3400000, "a bus rate out of range", text);
        }
        break;
    case 7: {
        const bench::PictureControl* c = nullptr;
        int32_t value = 0;
        if (bench::ParsePictureSetting(text, &c, &value, &error)) {
            int32_t back = 0;
            Require(value >= c->min && value <= c->max &&
                        bench::PictureValue(*c, bench::PictureByte(*c, value), &back) &&
                        back == value,
                    "a picture value out of range or not read back", text);
        }
        break;
    }
    case 8: {
        if (bench::ParseAudioModes(text, &bits, &error)) {
            Require(bits != 0, "no TV sound mode", text);
        }
        bench::ParseInput(text, &bits, &error);
        bench::ParseStandard(text, &bits, &error);
        bench::ParseBand(text, &bits, &error);
        for (const bench::BoardDevice* d :
             {&bench::Decoder(), &bench::Demodulator(), &bench::Synthesizer()}) {
            uint32_t reg = 0;
            uint32_t last = 0;
            if (bench::ParseRegister(*d, text, &reg, &error)) {
                Require(reg < d->registers, "a register the device does not have", text);
            }
            if (bench::ParseRange(*d, text, &reg, &last, &error)) {
                Require(reg <= last && last < d->registers, "a range the device does not have",
                        text);
            }
        }
        uint8_t byte = 0;
        bench::ParseByte(text, &byte, &error);
        break;
    }
    default: {
        long v = 0;
        if (bench::ParseWhole(text, -50, 1000, "N", &v, &error)) {
            Require(v >= -50 && v <= 1000, "a whole number out of range", text);
        }
        break;
    }
    }
    Require(error.find('\n') == std::string::npos, "an error of more than one line", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t which = data[0] % 11;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (which < 3) {
        Files(which, text);
    } else if (which == 10) {
        Lines(text);
    } else {
        Values(which, text);
    }
    return 0;
}
