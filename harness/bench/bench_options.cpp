#include "bench/bench_options.h"

#include "bench/channel_list.h"
#include "bench/files.h"
#include "text/bit_names.h"

namespace bench {

namespace {

uint32_t MHzOf(const std::string& text) {
    uint32_t hz = 0;
    std::string error;
    if (!ParseMHz(text, &hz, &error)) {
        throw UsageError(error);
    }
    return hz;
}

} // namespace

void Convert(const Given& g, Command command, Options& o) {
    std::string error;
    const auto need = [&error](bool ok, const std::string& prefix = "") {
        if (!ok) {
            throw UsageError(prefix + error);
        }
    };
    if (g.Has("--standard")) {
        need(ParseStandard(g.One("--standard"), &o.standard, &error), "--standard: ");
        o.standardGiven = true;
    }
    for (const std::string& text : g.All("--station")) {
        AntennaStation s;
        need(ParseStationOption(text, &s, &error), "--station: ");
        if (s.station.standard == 0) {
            s.station.standard = o.standard; // the one chosen for the session
        }
        o.stations.push_back(s);
    }
    for (const std::string& path : g.All("--antenna")) {
        need(LoadAntennaFile(path, &o.stations, &error));
    }
    if (g.Has("--lock-late")) {
        long n = 0;
        need(ParseWhole(g.One("--lock-late"), 0, 1000, "--lock-late", &n, &error));
        o.lockLate = static_cast<int>(n);
    }
    o.noLock = g.Flag("--no-lock");
    if (g.Has("--channels")) {
        o.channelsPath = g.One("--channels");
        need(LoadChannelList(o.channelsPath, &o.channels, &error));
    }
    if (command == kTune) {
        if (!o.channels.empty()) {
            const Channel* c = FindChannel(o.channels, g.operand);
            if (c == nullptr) {
                // The list's first names: enough to see what it holds.
                constexpr size_t kShown = 10;
                std::vector<std::string> names;
                for (size_t i = 0; i < o.channels.size() && i < kShown; ++i) {
                    names.push_back(o.channels[i].name);
                }
                if (o.channels.size() > kShown) {
                    names.push_back("... " + std::to_string(o.channels.size() - kShown) + " more");
                }
                throw UsageError("no channel " + Quoted(g.operand) + " in " +
                                 Shown(o.channelsPath) + " (" + text::Joined(names, ", ") + ")");
            }
            o.tuneChannel = c->name;
            o.tuneHz = c->frequencyHz;
            o.standard = c->standard;
        } else {
            o.tuneHz = MHzOf(g.operand);
        }
    }
    if (g.Has("--sweep")) {
        need(ParseSweep(g.One("--sweep"), &o.sweep, &error));
        o.sweeping = true;
    }
    if (g.Has("--band")) {
        o.bands = 0;
        for (const std::string& name : g.All("--band")) {
            unsigned band = 0;
            need(ParseBand(name, &band, &error), "--band: ");
            o.bands |= band;
        }
    }
    o.save = g.One("--save");
    if (command == kInput && g.operandGiven) {
        need(ParseInput(g.operand, &o.input, &error));
        o.inputGiven = true;
    }
    if (g.Has("--input")) {
        need(ParseInput(g.One("--input"), &o.input, &error), "--input: ");
        o.inputGiven = true;
    }
    std::vector<std::string> settings = g.operands;
    const std::vector<std::string>& options = g.All("--picture");
    settings.insert(settings.end(), options.begin(), options.end());
    for (const std::string& text : settings) {
        const PictureControl* c = nullptr;
        int32_t value = 0;
        need(ParsePictureSetting(text, &c, &value, &error));
        for (const auto& earlier : o.picture) {
            if (earlier.first == c) {
                throw UsageError(std::string(c->name) + " given twice: set it once");
            }
        }
        o.picture.emplace_back(c, value);
    }
    if (g.Has("--sound")) {
        need(ParseAudioModes(g.One("--sound"), &o.sound, &error), "--sound: ");
        o.soundGiven = true;
    }
    o.trace = g.Flag("--trace");
    o.raw = g.Flag("--raw");
    o.timestamps = g.Flag("--timestamps");
    o.json = g.Flag("--json");
    o.registers = g.Flag("--registers");
    o.vcd = g.One("--vcd");
    if (g.Has("--bus-rate")) {
        need(ParseBusRate(g.One("--bus-rate"), &o.busHz, &error));
    }
    o.module = g.One("--module");
    // The loader would wait on a FIFO forever, and map a device or read a
    // file of any size: a module is a regular file of a module's size.
    std::string reason;
    if (!o.module.empty() && !IsRegularFile(o.module, kLargestModule, &reason)) {
        throw UsageError("cannot load module " + Shown(o.module) + ": " + reason);
    }
    if (g.Has("--call-timeout")) {
        const std::string text = g.One("--call-timeout");
        if (!ParseDecimal(text, &o.callSeconds) || o.callSeconds < 0.1 || o.callSeconds > 3600) {
            throw UsageError("--call-timeout wants seconds, 0.1..3600: " + Quoted(text));
        }
    }
    o.against = g.One("--against");
    o.scenarios = g.All("--scenario");
    o.out = g.One("--out");
}

} // namespace bench
