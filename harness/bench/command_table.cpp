#include "bench/command_table.h"

#include "bench/caps_command.h"
#include "bench/conform_command.h"
#include "bench/detect_command.h"
#include "bench/dump_command.h"
#include "bench/get_command.h"
#include "bench/input_command.h"
#include "bench/picture_command.h"
#include "bench/scan_command.h"
#include "bench/session_command.h"
#include "bench/set_command.h"
#include "bench/standards_command.h"
#include "bench/stations_command.h"
#include "bench/tune_command.h"
#include "text/bit_names.h"

namespace bench {

namespace {

const Operand kFrequency{
    "MHZ", "the frequency in MHz, e.g. 175.25; with --channels a channel's name", true, false};
const Operand kInputName{"INPUT", "tuner, composite or svideo (or 0, 1, 2)", false, false};
const Operand kSettings{"CONTROL=VALUE", "brightness, contrast, saturation 0..100, hue -50..50",
                        false, true};
const Operand kDevice{"DEVICE", "decoder, demodulator or synthesizer", true, false};
const Operand kDeviceReg{"DEVICE REG", "the device and a register: 0x1B, 27 or a name (Status)",
                         true, true};
const Operand kDeviceRegValue{"DEVICE REG VALUE", "the device, a register and a byte (0x80, 128)",
                              true, true};

const std::vector<CommandEntry> kCommands = {
    {kSession, "session", SessionCommand, nullptr, nullptr,
     "a whole host session (the default): bring-up, standards, tuning, lock, TV sound, sample "
     "rate, close"},
    {kStandards, "standards", StandardsCommand, nullptr, nullptr,
     "the video standards and property defaults the module reports"},
    {kTune, "tune", TuneCommand, nullptr, &kFrequency,
     "tune to MHZ (or a channel of --channels) and report lock, AFC step, signal and TV sound "
     "modes (exit 1 without lock)"},
    {kScan, "scan", ScanCommand, nullptr, nullptr,
     "tune every channel of the standard's plan (E2..E69 for PAL B/G, 2..69 for NTSC M, ...) "
     "within the tuner's range, fine-tune each station found and list them (exit 1 when none)"},
    {kStations, "stations", StationsCommand, nullptr, nullptr, "the emulated antenna's stations"},
    {kCaps, "caps", CapsCommand, nullptr, nullptr,
     "the capability record, each table's slots with their argument counts, the tuner mode caps "
     "and the audio format"},
    {kInput, "input", InputCommand, nullptr, &kInputName,
     "select the video input INPUT (tuner, composite, svideo) and report it"},
    {kPicture, "picture", PictureCommand, nullptr, &kSettings,
     "set picture controls (CONTROL=VALUE: brightness, contrast, saturation, hue) and read all "
     "four back from the decoder"},
    {kConform, "conform", nullptr, RunConform, nullptr,
     "run the host scenarios on the build given with --module and on the reference (the module "
     "built into this bench, on virtual time) and compare the timelines"},
    {kRecord, "record", nullptr, RunRecord, nullptr,
     "write the scenarios' timelines of the reference (or of --module) for a later conform "
     "--against"},
    {kDetect, "detect", DetectCommand, nullptr, nullptr,
     "which 7-bit bus addresses answer a quick write, as i2cdetect draws them"},
    {kDump, "dump", DumpCommand, nullptr, &kDevice,
     "read every register of DEVICE (or --range) on the bus and show them as i2cdump does"},
    {kGet, "get", GetCommand, nullptr, &kDeviceReg, "read one register on the bus, as i2cget"},
    {kSet, "set", SetCommand, nullptr, &kDeviceRegValue,
     "write one register on the bus and read it back, as i2cset (only with --yes)"},
};

constexpr unsigned kBoard = kSession | kTune | kScan;
constexpr unsigned kDrives = kSession | kStandards | kTune | kScan | kCaps | kInput | kPicture;
constexpr unsigned kBus = kSession | kTune | kScan | kInput | kPicture;
constexpr unsigned kTools = kDetect | kDump | kGet | kSet;
constexpr unsigned kAll = kDrives | kStations | kConform | kRecord | kTools;

const std::vector<OptionEntry> kOptions = {
    {"--standard", "NAME", false, kBoard | kStandards | kStations,
     "the TV standard: PAL_B (default), PAL_G, PAL_I, PAL_D, NTSC_M, SECAM_L, ...; standards "
     "and stations show only what goes with it"},
    {"--station", "STATION", true, kBoard | kStations,
     "put a station on the antenna: MHZ[:STANDARD[:SOUND[:STRENGTH]]], SOUND mono, stereo, dual "
     "or triple; replaces the built-in line-up"},
    {"--antenna", "FILE", true, kBoard | kStations,
     "put the stations of FILE on the antenna, one a line: MHZ STANDARD [SOUND [STRENGTH "
     "[OFFSET_KHZ]]], # comments; replaces the built-in line-up"},
    {"--lock-late", "N", false, kBoard,
     "the demodulator reports lock only after N status polls (0..1000)"},
    {"--no-lock", nullptr, false, kBoard, "the demodulator never locks"},
    {"--channels", "FILE", false, kTune | kScan,
     "a channel list (written by scan --save): scan its channels, or tune one by name"},
    {"--sweep", "FROM:TO:STEP", false, kScan, "scan these frequencies (MHz) instead of the plan"},
    {"--band", "BAND", true, kScan, "only this band of the plan: vhf-low, vhf-high or uhf"},
    {"--save", "FILE", false, kScan, "write the stations found to FILE as a channel list"},
    {"--input", "INPUT", false, kSession,
     "select this video input after InitializeSensor: tuner, composite, svideo"},
    {"--picture", "CONTROL=VALUE", true, kSession,
     "set a picture control: brightness, contrast, saturation 0..100, hue -50..50"},
    {"--sound", "MODE", false, kSession | kTune,
     "choose this TV sound mode once locked: mono, stereo, lang-a, lang-b, lang-c, or several "
     "joined by '+'"},
    {"--trace", nullptr, false, kDrives | kTools,
     "print the bus timeline, DSP handshakes condensed"},
    {"--raw", nullptr, false, kDrives | kTools, "print every host call, wait and debug print"},
    {"--timestamps", nullptr, false, kDrives | kTools, "with --trace or --raw: time stamps"},
    {"--vcd", "FILE", false, kBus | kTools,
     "write the bus traffic to FILE ('-': stdout) as a logic analyzer's capture (Value Change "
     "Dump of the wires scl and sda)"},
    {"--bus-rate", "HZ", false, kBus | kTools,
     "the bus clock, e.g. 100k (default), 400k, 1M: how long each transfer takes in the times "
     "reported, --timestamps and --vcd (a --module build waits for real: in --vcd only)"},
    {"--registers", nullptr, false, kDrives | kSet,
     "show the emulated devices' registers at the end, decoded by field name"},
    {"--diff", nullptr, false, kBus | kSet,
     "show the registers the command changed, before and after"},
    {"--range", "FIRST-LAST", false, kDump, "only the registers FIRST to LAST, e.g. 0x100-0x11F"},
    {"--yes", nullptr, false, kSet, "write: the bench asks no questions (i2cset -y)"},
    {"--module", "PATH", false, kAll & ~kStations & ~kTools,
     "drive this build of the module (libtvboard.so, or tvboard.sys with the Windows bench) as "
     "its host would load it: real waits, its debug text on the timeline and on stderr"},
    {"--call-timeout", "SECONDS", false, kAll & ~kStations & ~kTools,
     "with --module: how long each call into the module may take before the bench stops it "
     "(default 10)"},
    {"--json", nullptr, false, kAll, "the results as one JSON document on stdout"},
    {"--against", "FILE", false, kConform,
     "compare with the timelines in FILE (written by record) instead of the reference built "
     "into this bench"},
    {"--scenario", "NAME", true, kConform | kRecord, "only this scenario (repeatable)"},
    {"--out", "FILE", false, kRecord, "write to FILE instead of stdout ('-': stdout)"},
};

} // namespace

const std::vector<CommandEntry>& CommandTable() {
    return kCommands;
}

const std::vector<OptionEntry>& OptionTable() {
    return kOptions;
}

std::string CommandsOf(unsigned set) {
    const auto name = [](uint32_t bit) {
        for (const CommandEntry& c : kCommands) {
            if (c.bit == bit) {
                return std::string(c.name);
            }
        }
        return std::string();
    };
    return set == kAll ? "all" : text::Joined(text::BitNames(set, name), ", ");
}

} // namespace bench
