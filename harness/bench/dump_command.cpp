#include "bench/dump_command.h"

#include "bench/bus_access.h"
#include "text/format.h"
#include "text/hex.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace bench {

namespace {

using text::Format;
using text::Hex;

// A byte in the text column, as i2cdump writes it: 00 and FF as '.', other
// bytes that are no printable character as '?', a failed read as 'X'.
char Shown(const std::optional<uint8_t>& value) {
    if (!value) {
        return 'X';
    }
    const uint8_t b = *value;
    return b == 0x00 || b == 0xFF ? '.' : b < 0x20 || b >= 0x7F ? '?' : static_cast<char>(b);
}

// As wide as the last register's address needs ("10A", "FFF0").
int Digits(const Options& o) {
    return std::max(o.device->digits, static_cast<int>(Format("%X", o.last).size()));
}

std::string Rows(const Options& o, const std::vector<std::optional<uint8_t>>& values) {
    // As wide as the last register's address needs ("10A", "FFF0").
    const int digits = std::max(o.device->digits, static_cast<int>(Format("%X", o.last).size()));
    std::string out(static_cast<size_t>(digits) + 1, ' ');
    for (int column = 0; column < 16; ++column) {
        out += Format("  %X", column);
    }
    out += "    0123456789ABCDEF\n";
    for (uint32_t row = o.first & ~0xFu; row <= o.last; row += 16) {
        std::string line = Format("%0*X:", digits, row);
        std::string chars;
        for (uint32_t reg = row; reg < row + 16; ++reg) {
            if (reg < o.first || reg > o.last) {
                line += "   ";
                chars += ' ';
                continue;
            }
            const std::optional<uint8_t>& v = values[reg - o.first];
            line += v ? Format(" %02X", *v) : std::string(" XX");
            chars += Shown(v);
        }
        line += "    " + chars;
        out += line.erase(line.find_last_not_of(' ') + 1) + "\n";
    }
    return out;
}

} // namespace

int DumpCommand(BoardRun& run, HostCalls& /*calls*/) {
    const Options& o = run.options;
    const BoardDevice& d = *o.device;
    BusAccess bus(run.host);
    std::vector<std::optional<uint8_t>> values;
    Json list = Json::array();
    size_t failed = 0;
    std::string firstFailure;
    for (uint32_t reg = o.first; reg <= o.last; ++reg) {
        uint8_t v = 0;
        std::string why;
        if (bus.Read(d, reg, &v, &why)) {
            values.emplace_back(v);
            list.push_back(v);
        } else {
            values.emplace_back();
            list.push_back(nullptr);
            if (failed++ == 0) {
                firstFailure = RegisterLabel(d, reg);
                firstFailure += ": " + why;
            }
        }
        if ((reg & 0xFFu) == 0xFFu) {
            run.Flush();
        }
    }
    run.Flush();
    const bool dsp =
        &d == &Decoder() && o.first <= TVB_DSP_LAST_REGISTER && o.last >= TVB_DSP_FIRST_REGISTER;
    const std::string how =
        &d != &Decoder() ? "each a write of its sub-address and a read of one byte (i2cdump's "
                           "byte-data access)"
        : dsp ? "each a ReadReg16 (0x400..0x500 through the audio DSP's handshake on 0x580)"
              : "each a ReadReg16";
    Json members = {{"device", d.name},
                    {"bus_address", d.busAddress},
                    {"first", o.first},
                    {"last", o.last},
                    {"values", list}};
    if (failed != 0) {
        members["unread"] = {{"count", failed}, {"first", firstFailure}};
    }
    run.Put(members, [&](const Json&) {
        std::string out =
            Format("%s at %s, registers %s..%s, %s:\n", d.title, Hex(d.busAddress, 2).c_str(),
                   Hex(o.first, Digits(o)).c_str(), Hex(o.last, Digits(o)).c_str(), how.c_str()) +
            Rows(o, values);
        if (failed != 0) {
            out += Format("%zu registers could not be read (XX), the first %s\n", failed,
                          firstFailure.c_str());
        }
        return out;
    });
    return failed == 0 ? 0 : 1;
}

} // namespace bench
