#include "bench/detect_command.h"

#include "bench/bus_access.h"
#include "text/format.h"
#include "text/hex.h"

#include <vector>

namespace bench {

namespace {

using text::Format;
using text::Hex;

// The addresses i2cdetect probes by default: not the reserved ones at either
// end (general call, bus formats, 10-bit addressing), which it leaves blank.
constexpr int kFirst = 0x03;
constexpr int kLast = 0x77;

std::string Trimmed(std::string line) {
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

std::string Grid(const std::vector<bool>& answered) {
    std::string out = "   ";
    for (int column = 0; column < 16; ++column) {
        out += Format("  %X", column);
    }
    out += "\n";
    for (int row = 0; row < 0x80; row += 16) {
        std::string line = Format("%02X:", row);
        for (int column = 0; column < 16; ++column) {
            const int a = row + column;
            line += a < kFirst || a > kLast            ? "   "
                    : answered[static_cast<size_t>(a)] ? Format(" %02X", a)
                                                       : std::string(" --");
        }
        out += Trimmed(line) + "\n";
    }
    return out;
}

} // namespace

int DetectCommand(BoardRun& run, HostCalls& /*calls*/) {
    BusAccess bus(run.host);
    std::vector<bool> answered(0x80, false);
    Json list = Json::array();
    for (int a = kFirst; a <= kLast; ++a) {
        answered[static_cast<size_t>(a)] = bus.Probe(static_cast<uint8_t>(a));
        if (answered[static_cast<size_t>(a)]) {
            list.push_back(a);
        }
    }
    run.Flush();
    // What sits where on this board, and why a device that is there may not
    // answer.
    Json devices = Json::array();
    std::string legend;
    for (const BoardDevice* d : {&Decoder(), &Demodulator(), &Synthesizer()}) {
        const int a = d->busAddress >> 1;
        const bool heard = answered[static_cast<size_t>(a)];
        Json j = {
            {"name", d->name}, {"address", a}, {"bus_address", d->busAddress}, {"answered", heard}};
        std::string line = Hex(a, 2) + " " + d->title + " (" + Hex(d->busAddress, 2) + ")";
        if (!heard && d == &Synthesizer()) {
            j["why"] = "behind the IF demodulator's gate, which is closed (as at power-up; the "
                       "module opens it only while it programs the synthesizer)";
            line += ": no answer: it is " + j["why"].get<std::string>();
        } else if (!heard) {
            line += ": no answer";
        }
        devices.push_back(std::move(j));
        legend += line + "\n";
    }
    run.Put({{"probe", "quick write"},
             {"first", kFirst},
             {"last", kLast},
             {"answered", list},
             {"devices", devices}},
            [&](const Json&) {
                return Format("probed %s..%s with a quick write each (the address and the "
                              "write bit, no data: i2cdetect -q); 7-bit addresses, which the "
                              "host's calls carry shifted left (0x21 is 0x42):\n",
                              Hex(kFirst, 2).c_str(), Hex(kLast, 2).c_str()) +
                       Grid(answered) + legend;
            });
    return 0;
}

} // namespace bench
