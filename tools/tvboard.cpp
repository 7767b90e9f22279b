// tvboard: a bench that drives the board module as a host streaming driver
// would, against the emulated board, and shows what went over the bus.
#include "emu/annotate.h"
#include "emu/board.h"
#include "emu/decoder_trace.h"
#include "host_driver/host_driver.h"
#include "host_driver/virtual_time_link.h"
#include "frame/ks_constants.h"
#include "tools/channel_plan.h"
#include "tools/conform.h"
#include "tools/module_loader.h"
#include "tools/print_capture.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: tvboard [options] [command]\n"
    "\n"
    "commands:\n"
    "  session          a whole host session (the default): bring-up, standards, tuning,\n"
    "                   lock, TV sound, sample rate, close\n"
    "  standards        the video standards and property defaults the module reports\n"
    "  tune MHZ         tune to MHZ and report lock, AFC step, signal and TV sound modes\n"
    "  scan             tune every channel of the standard's plan and list the stations\n"
    "  stations         the emulated antenna's stations\n"
    "  conform          run the host scenarios on the module given with --module and on\n"
    "                   the reference (the module built into this bench, on virtual\n"
    "                   time) and compare the timelines\n"
    "  record           write the scenarios' timelines of the reference (or of --module)\n"
    "                   for a later conform --against\n"
    "\n"
    "options:\n"
    "  --standard NAME  TV standard (NTSC_M, PAL_B, PAL_G, PAL_I, PAL_D, SECAM_L, ...;\n"
    "                   default PAL_B)\n"
    "  --station SPEC   put a station on the antenna, MHZ[:STANDARD[:SOUND[:STRENGTH]]],\n"
    "                   SOUND mono|stereo|dual|triple; replaces the built-in line-up\n"
    "  --sweep FROM:TO:STEP  scan these frequencies (MHz) instead of the channel plan\n"
    "  --lock-late N    the demodulator reports lock only after N status polls\n"
    "  --no-lock        the demodulator never locks\n"
    "  --trace          print the bus timeline, DSP handshakes condensed\n"
    "  --raw            print every host call, wait and debug print\n"
    "  --timestamps     with --raw: virtual time stamps\n"
    "  --module PATH    drive this build of the module (libtvboard.so, or tvboard.sys\n"
    "                   with the Windows bench) as its host would load it: real waits,\n"
    "                   its debug text on the timeline and on stderr\n"
    "  --against FILE   conform: compare with the timelines in FILE (written by record)\n"
    "                   instead of the reference built into this bench\n"
    "  --scenario NAME  conform, record: only this scenario (repeatable)\n"
    "  --out FILE       record: write to FILE instead of stdout\n";

struct Options {
    std::string command = "session";
    std::string argument;
    uint32_t standard = ks::AnalogVideo_PAL_B;
    std::vector<emu::Station> stations;
    bool sweep = false;
    uint32_t sweepFrom = 0, sweepTo = 0, sweepStep = 0;
    int lockLate = 0;
    bool noLock = false;
    bool trace = false;
    bool raw = false;
    bool timestamps = false;
    std::string module; // a built module to load instead of the linked one
    std::string against;
    std::vector<std::string> scenarios;
    std::string out;
};

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "tvboard: %s\n\n%s", why.c_str(), kUsage);
    std::exit(2);
}

uint32_t ParseMHz(const std::string& text) {
    char* end = nullptr;
    const double mhz = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !(mhz > 0.0) || mhz > 4000.0) {
        Fail("not a frequency in MHz: '" + text + "'");
    }
    return static_cast<uint32_t>(std::llround(mhz * 1e6));
}

int ParseCount(const std::string& text, int low, int high, const char* what) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || v < low || v > high) {
        Fail(std::string(what) + " must be " + std::to_string(low) + ".." + std::to_string(high) +
             ": '" + text + "'");
    }
    return static_cast<int>(v);
}

uint32_t ParseStandard(const std::string& text) {
    const uint32_t s = emu::StandardFromName(text);
    if (s == 0) {
        Fail("unknown TV standard '" + text + "'");
    }
    return s;
}

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

constexpr emu::Sound kTripleSound{false, true, true};

emu::Sound ParseSound(const std::string& text) {
    if (text == "mono") {
        return emu::kMonoSound;
    }
    if (text == "stereo") {
        return emu::kStereoSound;
    }
    if (text == "dual") {
        return emu::kTwoLanguageSound;
    }
    if (text == "triple") {
        return kTripleSound;
    }
    Fail("unknown sound '" + text + "' (mono, stereo, dual, triple)");
}

std::string SoundName(const emu::Sound& s) {
    std::string name = s.stereo ? "stereo" : "mono";
    if (s.twoLanguages) {
        name += s.thirdLanguage ? ", three languages" : ", two languages";
    } else if (s.thirdLanguage) {
        name += ", third language";
    }
    return name;
}

emu::Station ParseStation(const std::string& text, uint32_t standard) {
    const std::vector<std::string> p = Split(text, ':');
    emu::Station s;
    s.frequencyHz = ParseMHz(p[0]);
    s.standard = p.size() > 1 && !p[1].empty() ? ParseStandard(p[1]) : standard;
    s.sound = p.size() > 2 && !p[2].empty() ? ParseSound(p[2]) : emu::kMonoSound;
    if (p.size() > 3) {
        s.strength = static_cast<uint8_t>(ParseCount(p[3], 1, 255, "station strength"));
    }
    if (p.size() > 4) {
        Fail("too many fields in station '" + text + "'");
    }
    return s;
}

// The built-in line-up: a few stations per region, some slightly off their
// channel so the fine-tuning status has something to show.
std::vector<emu::Station> DefaultStations() {
    using namespace ks;
    const emu::Sound mono = emu::kMonoSound;
    const emu::Sound stereo = emu::kStereoSound;
    const emu::Sound dual = emu::kTwoLanguageSound;
    const emu::Sound triple = kTripleSound;
    return {
        {175250000, AnalogVideo_PAL_B, stereo, 230},  // E5
        {196310000, AnalogVideo_PAL_B, dual, 180},    // E8, 60 kHz high
        {503250000, AnalogVideo_PAL_B, mono, 150},    // E25
        {615125000, AnalogVideo_PAL_B, stereo, 200},  // E39, 125 kHz low
        {759250000, AnalogVideo_PAL_B, triple, 210},  // E57
        {503250000, AnalogVideo_PAL_G, stereo, 200},  // 25 as a G transmitter
        {55250000, AnalogVideo_NTSC_M, mono, 160},    // 2
        {67250000, AnalogVideo_NTSC_M, stereo, 220},  // 4
        {181250000, AnalogVideo_NTSC_M, stereo, 190}, // 8
        {471250000, AnalogVideo_PAL_I, stereo, 200},  // 21
        {479250000, AnalogVideo_SECAM_L, mono, 170},  // 22
        {183250000, AnalogVideo_PAL_D, mono, 150},    // R7
    };
}

Options Parse(int argc, char** argv) {
    Options o;
    bool commandSeen = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                Fail(a + " needs a value");
            }
            return argv[++i];
        };
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (a == "--standard") {
            o.standard = ParseStandard(value());
        } else if (a == "--station") {
            o.stations.push_back(ParseStation(value(), 0));
        } else if (a == "--sweep") {
            const std::vector<std::string> p = Split(value(), ':');
            if (p.size() != 3) {
                Fail("--sweep wants FROM:TO:STEP in MHz");
            }
            o.sweep = true;
            o.sweepFrom = ParseMHz(p[0]);
            o.sweepTo = ParseMHz(p[1]);
            o.sweepStep = ParseMHz(p[2]);
            if (o.sweepTo < o.sweepFrom) {
                Fail("--sweep: FROM above TO");
            }
        } else if (a == "--lock-late") {
            o.lockLate = ParseCount(value(), 0, 1000, "--lock-late");
        } else if (a == "--no-lock") {
            o.noLock = true;
        } else if (a == "--trace") {
            o.trace = true;
        } else if (a == "--raw") {
            o.raw = true;
        } else if (a == "--timestamps") {
            o.timestamps = true;
        } else if (a == "--module") {
            o.module = value();
        } else if (a == "--against") {
            o.against = value();
        } else if (a == "--scenario") {
            o.scenarios.push_back(value());
        } else if (a == "--out") {
            o.out = value();
        } else if (!a.empty() && a[0] == '-') {
            Fail("unknown option " + a);
        } else if (!commandSeen) {
            o.command = a;
            commandSeen = true;
        } else if (o.argument.empty()) {
            o.argument = a;
        } else {
            Fail("too many arguments");
        }
    }
    // Stations given without a standard take the one chosen for the session.
    for (emu::Station& s : o.stations) {
        if (s.standard == 0) {
            s.standard = o.standard;
        }
    }
    return o;
}

std::string MHz(uint32_t hz) {
    char b[32];
    std::snprintf(b, sizeof b, "%.3f MHz", static_cast<double>(hz) / 1e6);
    return b;
}

std::string Seconds(uint64_t us) {
    char b[32];
    std::snprintf(b, sizeof b, "%.3f s", static_cast<double>(us) / 1e6);
    return b;
}

uint64_t RealClockUs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

class Bench {
  public:
    explicit Bench(const Options& o) : options_(o), board_(host_) {
        emu::ModuleExports exports = emu::LinkedModule();
        if (!o.module.empty()) {
            if (!module_.Load(o.module)) {
                Fail(module_.Error());
            }
            exports = module_.Exports();
            host_.SetClock(RealClockUs);
            prints_ = std::make_unique<bench::PrintCapture>(host_, true);
        } else {
            link_ = std::make_unique<emu::VirtualTimeLink>(host_);
        }
        driver_ = std::make_unique<emu::HostDriver>(host_, exports);
        started_ = host_.Now();
        for (const emu::Station& s : o.stations.empty() ? DefaultStations() : o.stations) {
            board_.antenna.Add(s);
        }
        if (o.noLock) {
            board_.demod.LockNever();
        }
        lockLate_ = o.lockLate;
    }

    int Run() {
        const std::string& c = options_.command;
        int rc = 0;
        if (c == "stations") {
            rc = Stations();
        } else if (c == "standards") {
            rc = BringUp() ? StandardsReport() : 1;
        } else if (c == "tune") {
            if (options_.argument.empty()) {
                Fail("tune needs a frequency in MHz");
            }
            rc = BringUp() ? TuneReport(ParseMHz(options_.argument)) : 1;
        } else if (c == "scan") {
            rc = BringUp() ? Scan() : 1;
        } else if (c == "session") {
            rc = Session();
        } else {
            Fail("unknown command '" + c + "'");
        }
        if (driver_->Settings() != nullptr) {
            driver_->Close();
        }
        if (prints_) {
            prints_->Drain();
        }
        if (options_.trace || options_.raw) {
            std::printf("\n-- bus timeline (%zu events, %s of %s)\n", host_.Trace().Size(),
                        Seconds(NowUs()).c_str(), Clock());
            std::fputs(emu::AnnotateAll(options_.raw ? host_.Trace().Render(options_.timestamps)
                                                     : decoder_trace::Summary(host_.Trace(), 0))
                           .c_str(),
                       stdout);
        }
        return rc;
    }

  private:
    // The linked module waits on virtual time; a loaded library really waits.
    bool RealTime() const { return !options_.module.empty(); }
    const char* Clock() const { return RealTime() ? "real time" : "virtual time"; }
    uint64_t NowUs() const { return host_.Now() - started_; }

    bool BringUp() {
        if (!driver_->Load() || !driver_->Open()) {
            std::printf("the module did not open the board\n");
            return false;
        }
        driver_->InitializeSensor(0);
        driver_->SetTvStandard(options_.standard);
        return true;
    }

    int Stations() {
        for (const emu::Station& s : board_.antenna.Stations()) {
            std::printf("%12s  %-9s  strength %3u  sound %s\n", MHz(s.frequencyHz).c_str(),
                        emu::StandardName(s.standard).c_str(), s.strength,
                        SoundName(s.sound).c_str());
        }
        return 0;
    }

    int StandardsReport() {
        for (const VideoStandardDescriptor& d : driver_->Standards()) {
            std::printf("%-22s %3ux%u  %6.3f frames/s  standards 0x%05X  \"%s\"\n", d.Name, d.Width,
                        d.Height, d.FrameRate / 1001.0, d.Standards, d.Description);
        }
        VideoPropertyDefaults defaults{};
        driver_->Caps()->VideoOps->GetVideoPropertyDefaults(0, 0, &defaults);
        std::printf("property defaults:");
        for (uint32_t v : defaults.Value) {
            std::printf(" %u", v);
        }
        std::printf("\n");
        return 0;
    }

    // Tunes and asks for the status once; true when locked.
    bool TuneAndCheck(uint32_t hz, TVTunerSettings* status) {
        if (lockLate_ > 0) {
            board_.demod.LockAfterReads(lockLate_);
        }
        driver_->Tune(hz);
        int polls = 0;
        *status = driver_->WaitForLock(1, &polls);
        return status->Busy == 0;
    }

    int TuneReport(uint32_t hz) {
        TVTunerSettings st{};
        const uint64_t start = NowUs();
        const bool locked = TuneAndCheck(hz, &st);
        std::printf("tuned %s (%s): %s", MHz(hz).c_str(),
                    emu::StandardName(options_.standard).c_str(), locked ? "locked" : "no lock");
        if (locked) {
            std::printf(", AFC step %+d, signal %u", st.PllOffset, st.SignalStrength);
        }
        std::printf(" (%s)\n", Seconds(NowUs() - start).c_str());
        if (locked) {
            std::printf("TV sound available: %s\n",
                        emu::AudioModeNames(driver_->AvailableAudioModes()).c_str());
        }
        return locked ? 0 : 1;
    }

    int Scan() {
        const std::vector<bench::Channel> channels =
            options_.sweep
                ? bench::FrequencySweep(options_.sweepFrom, options_.sweepTo, options_.sweepStep)
                : bench::ChannelPlan(options_.standard);
        std::printf("scanning %zu channels for %s\n", channels.size(),
                    emu::StandardName(options_.standard).c_str());
        const uint64_t start = NowUs();
        int found = 0;
        for (const bench::Channel& ch : channels) {
            TVTunerSettings st{};
            if (!TuneAndCheck(ch.frequencyHz, &st)) {
                continue;
            }
            ++found;
            std::printf("  %-7s %12s  AFC step %+d  signal %3u  sound %s\n", ch.name.c_str(),
                        MHz(ch.frequencyHz).c_str(), st.PllOffset, st.SignalStrength,
                        emu::AudioModeNames(driver_->AvailableAudioModes()).c_str());
        }
        std::printf("%d station%s in %zu channels, %s of %s\n", found, found == 1 ? "" : "s",
                    channels.size(), Seconds(NowUs() - start).c_str(), Clock());
        return 0;
    }

    int Session() {
        std::printf("session: load, capabilities, open\n");
        if (!driver_->Load() || !driver_->Open()) {
            std::printf("the module did not open the board\n");
            return 1;
        }
        std::printf("InitializeSensor -> %d\n", driver_->InitializeSensor(0));
        std::printf("video standards:\n");
        for (const VideoStandardDescriptor& d : driver_->Standards()) {
            std::printf("  %-22s %ux%u\n", d.Name, d.Width, d.Height);
        }
        driver_->SetTvStandard(options_.standard);
        const emu::Station* target = nullptr;
        for (const emu::Station& s : board_.antenna.Stations()) {
            if (s.standard == options_.standard) {
                target = &s;
                break;
            }
        }
        const uint32_t hz = target != nullptr ? target->frequencyHz : 175250000;
        driver_->Tune(hz);
        int polls = 0;
        const TVTunerSettings st = driver_->WaitForLock(3, &polls);
        std::printf("tuned %s (%s): %s after %d status request%s", MHz(hz).c_str(),
                    emu::StandardName(options_.standard).c_str(),
                    st.Busy == 0 ? "locked" : "no lock", polls, polls == 1 ? "" : "s");
        if (st.Busy == 0) {
            std::printf(", AFC step %+d, signal %u", st.PllOffset, st.SignalStrength);
        }
        std::printf("\n");
        const uint32_t modes = driver_->AvailableAudioModes();
        const uint32_t want =
            (modes & ks::TVAudioMode_Stereo) != 0 ? ks::TVAudioMode_Stereo : ks::TVAudioMode_Mono;
        std::printf("TV sound available: %s; %s %s\n", emu::AudioModeNames(modes).c_str(),
                    emu::AudioModeNames(want).c_str(),
                    driver_->SetAudioMode(want) ? "set" : "refused");
        driver_->SetSampleRate(48000);
        std::printf("audio sample rate 48000 Hz: pin 0 = %u\n", host_.PinOutput(0));
        driver_->Close();
        driver_->Unload();
        std::printf("closed and unloaded after %s of %s\n", Seconds(NowUs()).c_str(), Clock());
        return st.Busy == 0 ? 0 : 1;
    }

    const Options& options_;
    bench::LoadedModule module_; // outlives everything that calls into it
    emu::Host host_;
    std::unique_ptr<emu::VirtualTimeLink> link_; // for the linked module
    emu::Board board_;
    std::unique_ptr<bench::PrintCapture> prints_;
    std::unique_ptr<emu::HostDriver> driver_;
    int lockLate_ = 0;
    uint64_t started_ = 0;
};

std::vector<bench::Scenario> ChosenScenarios(const Options& o) {
    std::vector<bench::Scenario> chosen;
    for (const bench::Scenario& s : bench::Scenarios()) {
        bool wanted = o.scenarios.empty();
        for (const std::string& name : o.scenarios) {
            wanted = wanted || name == s.name;
        }
        if (wanted) {
            chosen.push_back(s);
        }
    }
    for (const std::string& name : o.scenarios) {
        bool known = false;
        for (const bench::Scenario& s : bench::Scenarios()) {
            known = known || name == s.name;
        }
        if (!known) {
            Fail("unknown scenario '" + name + "'");
        }
    }
    return chosen;
}

bench::Recording RecordOne(const bench::Scenario& s, const std::string& module) {
    if (module.empty()) {
        return bench::RecordReference(s);
    }
    bench::Recording r;
    std::string error;
    if (!bench::RecordBuild(s, module, &r, &error)) {
        Fail(error);
    }
    return r;
}

int Record(const Options& o) {
    std::vector<bench::Recording> recordings;
    for (const bench::Scenario& s : ChosenScenarios(o)) {
        recordings.push_back(RecordOne(s, o.module));
    }
    if (o.out.empty()) {
        bench::WriteRecordings(std::cout, recordings);
        return 0;
    }
    std::ofstream file(o.out);
    bench::WriteRecordings(file, recordings);
    file.close();
    if (!file) {
        std::fprintf(stderr, "tvboard: cannot write %s\n", o.out.c_str());
        return 1;
    }
    return 0;
}

std::string Ms(uint64_t us) {
    char b[32];
    std::snprintf(b, sizeof b, "%9.1f ms", static_cast<double>(us) / 1000.0);
    return b;
}

int Conform(const Options& o) {
    if (o.module.empty()) {
        Fail("conform needs --module PATH, the build to check");
    }
    std::vector<bench::Recording> references;
    if (!o.against.empty()) {
        std::ifstream file(o.against);
        std::string error;
        if (!file || !bench::ReadRecordings(file, &references, &error)) {
            Fail("cannot read " + o.against + (error.empty() ? "" : ": " + error));
        }
    }
    std::printf("conformance of %s against %s\n", o.module.c_str(),
                o.against.empty() ? "the reference built into this bench" : o.against.c_str());
    std::printf("%-16s %-6s %12s %12s %7s\n", "scenario", "result", "calls took", "waits need",
                "ratio");
    int failed = 0;
    uint64_t tookAll = 0;
    uint64_t requiredAll = 0;
    for (const bench::Scenario& s : ChosenScenarios(o)) {
        bench::Recording reference;
        if (o.against.empty()) {
            reference = bench::RecordReference(s);
        } else {
            bool found = false;
            for (const bench::Recording& r : references) {
                if (r.scenario == s.name) {
                    reference = r;
                    found = true;
                }
            }
            if (!found) {
                Fail(o.against + " has no scenario '" + s.name + "'");
            }
        }
        const bench::Recording built = RecordOne(s, o.module);
        const bench::Verdict v = bench::Compare(reference, built);
        const bool ok = v.same && v.waitsKept;
        failed += ok ? 0 : 1;
        tookAll += v.tookUs;
        requiredAll += v.requiredUs;
        const double ratio = v.requiredUs > 0
                                 ? static_cast<double>(v.tookUs) / static_cast<double>(v.requiredUs)
                                 : 0.0;
        std::printf("%-16s %-6s %s %s %7.3f\n", s.name, ok ? "ok" : "FAIL", Ms(v.tookUs).c_str(),
                    Ms(v.requiredUs).c_str(), ratio);
        if (!ok) {
            std::printf("  %s: %s\n%s", s.name, v.same ? "a wait is too short" : "timelines differ",
                        v.difference.c_str());
        }
        std::fflush(stdout);
    }
    std::printf("%s: %d scenario%s failed; calls took %s for %s of required waits\n",
                failed == 0 ? "conform" : "DOES NOT CONFORM", failed, failed == 1 ? "" : "s",
                Ms(tookAll).c_str(), Ms(requiredAll).c_str());
    return failed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const Options options = Parse(argc, argv);
    if (options.command == "conform") {
        return Conform(options);
    }
    if (options.command == "record") {
        return Record(options);
    }
    Bench bench(options);
    return bench.Run();
}
