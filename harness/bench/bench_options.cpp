#include "bench/bench_options.h"

#include "bench/channel_list.h"
#include "bench/input_files.h"
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

// The bus tools' operands: DEVICE (dump), DEVICE REG (get), DEVICE REG
// VALUE (set); the register space dump reads; set's --yes.
void ConvertBusTool(const Given& g, Command command, Options& o) {
    const bool dump = command == kDump;
    const std::vector<std::string> words = dump ? std::vector<std::string>{g.operand} : g.operands;
    const std::vector<std::string> wanted = {"DEVICE", "REG", "VALUE"};
    const size_t count = dump ? 1 : command == kGet ? 2 : 3;
    const std::string synopsis = text::Joined(
        std::vector<std::string>(wanted.begin(), wanted.begin() + static_cast<long>(count)), " ");
    const std::string name = dump ? "dump" : command == kGet ? "get" : "set";
    if (words.size() < count) {
        throw UsageError(name + " wants " + synopsis + ": " + wanted[words.size()] + " is missing");
    }
    if (words.size() > count) {
        throw UsageError(name + " takes " + synopsis + ", not also " + Quoted(words[count]));
    }
    std::string error;
    if (!ParseDevice(words[0], &o.device, &error) ||
        (count > 1 && !ParseRegister(*o.device, words[1], &o.reg, &error)) ||
        (count > 2 && !ParseByte(words[2], &o.value, &error))) {
        throw UsageError(error);
    }
    const std::string title = std::string("the ") + o.device->title;
    if (!o.device->readable && command != kSet) {
        throw UsageError(title + " is write-only: it acknowledges no read, so " + name +
                         " has nothing to read (set writes it; what the module wrote to it: tune "
                         "MHZ --registers)");
    }
    o.first = 0;
    o.last = o.device->registers - 1;
    if (g.Has("--range") && !ParseRange(*o.device, g.One("--range"), &o.first, &o.last, &error)) {
        throw UsageError(error);
    }
    o.yes = g.Flag("--yes");
    if (command == kSet && !o.yes) {
        throw UsageError("set writes to " + title +
                         ": give --yes to write (the bench asks no questions, as i2cset -y)");
    }
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
    if (command == kDump || command == kGet || command == kSet) {
        ConvertBusTool(g, command, o);
    }
    std::vector<std::string> settings =
        command == kPicture ? g.operands : std::vector<std::string>{};
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
    o.diff = g.Flag("--diff");
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
