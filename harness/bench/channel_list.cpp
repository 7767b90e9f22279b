#include "bench/channel_list.h"

#include "bench/input_files.h"
#include "bench/values.h"
#include "host_driver/host_driver.h"

#include <map>
#include <sstream>

namespace bench {

namespace {

constexpr const char* kLayout = "NAME MHZ STANDARD";

} // namespace

bool ReadChannelList(std::istream& in, const std::string& name, std::vector<Channel>* out,
                     std::string* error) {
    std::map<std::string, int> seen; // name -> line
    TextLines text(in, name);
    std::vector<Channel> channels;
    for (std::string line; text.Next(&line);) {
        const int number = text.Number();
        const std::vector<std::string> f = Fields(line);
        if (f.empty()) {
            continue;
        }
        const std::string at = text.At();
        if (f.size() != 3) {
            *error = at + (f.size() < 3 ? "a channel needs " : "too many fields: a channel is ") +
                     kLayout;
            return false;
        }
        Channel c;
        c.name = f[0];
        if (c.name.size() > kLongestChannelName) {
            *error = at + "a channel's name is at most " + std::to_string(kLongestChannelName) +
                     " bytes: " + Quoted(c.name);
            return false;
        }
        for (char ch : c.name) {
            if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F) {
                *error = at + "a channel's name is printable: " + Quoted(c.name);
                return false;
            }
        }
        std::string what;
        if (!ParseMHz(f[1], &c.frequencyHz, &what) || !ParseStandard(f[2], &c.standard, &what)) {
            *error = at + what;
            return false;
        }
        const auto earlier = seen.find(c.name);
        if (earlier != seen.end()) {
            *error = at + "channel " + Quoted(c.name) + " is already on line " +
                     std::to_string(earlier->second);
            return false;
        }
        if (out->size() + channels.size() >= kMostEntries) {
            *error = at + "more than " + std::to_string(kMostEntries) + " channels";
            return false;
        }
        seen[c.name] = number;
        channels.push_back(c);
    }
    if (!text.Error().empty()) {
        *error = text.Error();
        return false;
    }
    if (channels.empty()) {
        *error = name + ": no channels (one a line: " + kLayout + ")";
        return false;
    }
    out->insert(out->end(), channels.begin(), channels.end());
    return true;
}

bool LoadChannelList(const std::string& path, std::vector<Channel>* out, std::string* error) {
    std::string text;
    if (!ReadText(path, "channel list", kListBounds.mostBytes, &text, error)) {
        return false;
    }
    std::istringstream in(text);
    return ReadChannelList(in, Shown(path), out, error);
}

void WriteChannelListHead(std::ostream& out) {
    out << "# tvboard channel list: name, frequency (MHz), TV standard\n";
}

void WriteChannel(std::ostream& out, const Channel& c, const std::string& comment) {
    std::string mhz = MHzText(c.frequencyHz);
    mhz.erase(mhz.find(' '));
    const auto column = [](std::string text, size_t width) {
        return text.append(text.size() < width ? width - text.size() : 0, ' ');
    };
    std::string line = column(c.name, 8) + " " + column(mhz, 10) + " " +
                       column(host_driver::StandardName(c.standard), 9);
    if (!comment.empty()) {
        line += " # " + comment;
    }
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    out << line << '\n';
}

const Channel* FindChannel(const std::vector<Channel>& channels, const std::string& name) {
    for (const Channel& c : channels) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

} // namespace bench
