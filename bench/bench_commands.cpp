#include "bench/bench_commands.h"

#include "bench/caps_report.h"
#include "bench/channel_plan.h"
#include "bench/json_document.h"
#include "bench/progress.h"
#include "bench/vcd.h"
#include "emu/annotate.h"
#include "emu/board.h"
#include "emu/decoder_trace.h"
#include "frame/kernel_virtual.h"
#include "host_driver/host_driver.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace bench {

namespace {

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

// A fixed-size text field of a record, up to its first zero.
template <size_t N> std::string Field(const char (&text)[N]) {
    return std::string(text, std::find(text, text + N, '\0'));
}

// The names of the bits set, as a JSON array.
Json AudioModeList(uint32_t modes) {
    Json list = Json::array();
    for (uint32_t bit = 1; bit != 0; bit <<= 1) {
        if ((modes & bit) != 0) {
            list.push_back(host_driver::AudioModeNames(bit));
        }
    }
    return list;
}

Json StandardList(uint32_t standards) {
    Json list = Json::array();
    for (uint32_t bit = 1; bit != 0; bit <<= 1) {
        if ((standards & bit) != 0) {
            list.push_back(host_driver::StandardName(bit));
        }
    }
    return list;
}

// $date of a dump: now, or SOURCE_DATE_EPOCH for a reproducible file.
std::string DumpDate() {
    std::time_t t = std::time(nullptr);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        t = static_cast<std::time_t>(std::strtoll(epoch, nullptr, 10));
    }
    char b[64] = "";
    if (const std::tm* utc = std::gmtime(&t)) {
        std::strftime(b, sizeof b, "%Y-%m-%d %H:%M:%S UTC", utc);
    }
    return b;
}

class Bench {
  public:
    explicit Bench(const Options& o)
        : options_(o), board_(host_), driver_(host_, o.module, /*echoPrints=*/true) {
        if (!driver_.Ready()) {
            throw UsageError(driver_.Error());
        }
        started_ = host_.Now();
        for (const AntennaStation& s : o.stations.empty() ? DefaultLineup() : o.stations) {
            board_.antenna.Add(s.station);
            lineup_.push_back(s);
        }
        if (o.noLock) {
            board_.demod.LockNever();
        }
    }

    int Run() {
        const std::string& c = options_.command;
        result_ = {{"command", c}};
        int rc = 0;
        if (c == "stations") {
            rc = Stations();
        } else if (c == "caps") {
            rc = Caps();
        } else if (c == "standards") {
            rc = BringUp() ? StandardsReport() : 1;
        } else if (c == "tune") {
            rc = BringUp() ? TuneReport(options_.tuneHz) : 1;
        } else if (c == "scan") {
            rc = BringUp() ? Scan() : 1;
        } else {
            rc = Session();
        }
        if (driver_.Settings() != nullptr) {
            driver_.Close();
        }
        driver_.DrainPrints();
        progress_.Clear();
        if (Verify() && rc == 0) {
            rc = 1;
        }
        Timeline();
        if (options_.json) {
            std::fputs(JsonText(result_).c_str(), stdout);
        }
        if (!options_.vcd.empty()) {
            WriteDump();
        }
        return rc;
    }

  private:
    // The linked module waits on virtual time; a loaded library really waits.
    bool RealTime() const { return !options_.module.empty(); }
    const char* Clock() const { return RealTime() ? "real time" : "virtual time"; }
    uint64_t NowUs() const { return host_.Now() - started_; }
    bool Text() const { return !options_.json; }

    // Shows what the bench waits for while a loaded build waits for real.
    void Step(const std::string& what) {
        if (RealTime()) {
            progress_.Show(options_.command + ": " + what);
        }
    }

    // What the session did that a real board or kernel would not take: every
    // device protocol violation and unexpected argument, and on virtual time
    // every kernel rule the module broke. Each is one line on stderr (and in
    // the JSON document); any of them fails the command.
    bool Verify() {
        std::vector<std::string> found;
        for (const emu::Problem& p : host_.Problems()) {
            found.push_back((p.isViolation ? "device protocol violation at event "
                                           : "unexpected argument at event ") +
                            std::to_string(p.event) + ": " + p.text);
        }
        if (!RealTime()) {
            for (const std::string& v : vt::Violations()) {
                found.push_back("kernel rule broken: " + v);
            }
        }
        for (const std::string& f : found) {
            std::fprintf(stderr, "tvboard: %s\n", f.c_str());
        }
        if (!found.empty()) {
            result_["violations"] = found;
        }
        return !found.empty();
    }

    void Timeline() {
        if (!options_.trace && !options_.raw) {
            return;
        }
        const std::string lines = options_.raw ? host_.Trace().Render(options_.timestamps)
                                               : decoder_trace::Summary(host_.Trace(), 0);
        if (options_.json) {
            Json list = Json::array();
            std::istringstream in(lines);
            for (std::string line; std::getline(in, line);) {
                list.push_back(line);
            }
            result_["timeline"] = std::move(list);
            return;
        }
        std::printf("\n-- bus timeline (%zu events, %s of %s)\n", host_.Trace().Size(),
                    Seconds(NowUs()).c_str(), Clock());
        std::fputs(emu::AnnotateAll(lines).c_str(), stdout);
    }

    void WriteDump() {
        std::ofstream file(options_.vcd, std::ios::binary);
        VcdOptions v;
        v.busHz = options_.busHz;
        v.date = DumpDate();
        v.version = "tvboard " + options_.version;
        WriteVcd(file, host_.Trace(), v);
        file.close();
        if (!file) {
            throw UsageError("cannot write " + options_.vcd);
        }
    }

    bool BringUp() {
        Step("loading and opening the board");
        if (!driver_.Load() || !driver_.Open()) {
            if (Text()) {
                std::printf("the module did not open the board\n");
            }
            result_["error"] = "the module did not open the board";
            return false;
        }
        Step("InitializeSensor");
        driver_.InitializeSensor(0);
        driver_.SetTvStandard(options_.standard);
        return true;
    }

    int Stations() {
        Json list = Json::array();
        for (const AntennaStation& a : lineup_) {
            const emu::Station& s = a.station;
            if (Text()) {
                std::printf("%12s  %-9s  strength %3u  sound %s", MHz(s.frequencyHz).c_str(),
                            host_driver::StandardName(s.standard).c_str(), s.strength,
                            SoundName(s.sound).c_str());
                if (a.offsetHz != 0) {
                    std::printf("  (%s %+.1f kHz)", MHz(a.NominalHz()).c_str(),
                                static_cast<double>(a.offsetHz) / 1e3);
                }
                std::printf("\n");
            }
            list.push_back({{"frequency_hz", s.frequencyHz},
                            {"nominal_hz", a.NominalHz()},
                            {"offset_hz", a.offsetHz},
                            {"standard", host_driver::StandardName(s.standard)},
                            {"sound", SoundKeyword(s.sound)},
                            {"strength", s.strength}});
        }
        result_["stations"] = std::move(list);
        return 0;
    }

    int Caps() {
        Step("loading");
        if (!driver_.Load()) {
            result_["error"] = "the module gave no capability record";
            if (Text()) {
                std::printf("the module gave no capability record\n");
            }
            return 1;
        }
        const CapsReport r = ReadCaps(*driver_.Caps());
        driver_.Unload();
        if (Text()) {
            std::printf("capability record: %u bytes, words 0x%X 0x%X 0x%X\n", r.size, r.word4,
                        r.word8, r.word12);
            for (const TableInfo& t : r.tables) {
                std::printf("%s (%zu slots)\n", t.name.c_str(), t.slots.size());
                for (size_t i = 0; i < t.slots.size(); ++i) {
                    const SlotInfo& s = t.slots[i];
                    std::printf("  %2zu  %-25s %2zu args", i, s.name.c_str(), s.args);
                    if (s.stub) {
                        std::printf("  returns %u (0x%X)", s.returns, s.returns);
                    }
                    std::printf("\n");
                }
            }
            for (const TunerModeInfo& m : r.tunerModes) {
                std::printf("tuner mode %u (%s): %s .. %s in steps of %u Hz, %u input%s, "
                            "settling %u ms\n",
                            m.mode, m.name.c_str(), MHz(m.caps.MinFrequency).c_str(),
                            MHz(m.caps.MaxFrequency).c_str(), m.caps.TuningGranularity,
                            m.caps.NumberOfInputs, m.caps.NumberOfInputs == 1 ? "" : "s",
                            m.caps.SettlingTime);
            }
            std::printf("audio format: %u Hz, mode %u, word 0x%X; interface words:",
                        r.audioFormat.SampleRate, r.audioFormat.FormatMode,
                        r.audioFormat.FormatWord);
            for (size_t i = 0; i < 33; ++i) {
                if (r.audioConfig.Word[i] != 0) {
                    std::printf(" [%zu]=0x%X", i, r.audioConfig.Word[i]);
                }
            }
            std::printf("\n");
        }
        Json tables = Json::array();
        for (const TableInfo& t : r.tables) {
            Json slots = Json::array();
            for (size_t i = 0; i < t.slots.size(); ++i) {
                const SlotInfo& s = t.slots[i];
                slots.push_back(
                    {{"slot", i}, {"name", s.name}, {"args", s.args}, {"stub", s.stub}});
                if (s.stub) {
                    slots.back()["returns"] = s.returns;
                }
            }
            tables.push_back({{"name", t.name}, {"slots", std::move(slots)}});
        }
        Json modes = Json::array();
        for (const TunerModeInfo& m : r.tunerModes) {
            modes.push_back({{"mode", m.mode},
                             {"name", m.name},
                             {"min_hz", m.caps.MinFrequency},
                             {"max_hz", m.caps.MaxFrequency},
                             {"granularity_hz", m.caps.TuningGranularity},
                             {"inputs", m.caps.NumberOfInputs},
                             {"settling_ms", m.caps.SettlingTime}});
        }
        result_["record"] = {
            {"size", r.size}, {"word4", r.word4}, {"word8", r.word8}, {"word12", r.word12}};
        result_["tables"] = std::move(tables);
        result_["tuner_modes"] = std::move(modes);
        result_["audio_format"] = {{"sample_rate", r.audioFormat.SampleRate},
                                   {"format_mode", r.audioFormat.FormatMode},
                                   {"format_word", r.audioFormat.FormatWord},
                                   {"interface_words", r.audioConfig.Word}};
        return 0;
    }

    int StandardsReport() {
        Json list = Json::array();
        for (const VideoStandardDescriptor& d : driver_.Standards()) {
            if (Text()) {
                std::printf("%-22s %3ux%u  %6.3f frames/s  standards 0x%05X  \"%s\"\n", d.Name,
                            d.Width, d.Height, d.FrameRate / 1001.0, d.Standards, d.Description);
            }
            list.push_back({{"name", Field(d.Name)},
                            {"description", Field(d.Description)},
                            {"width", d.Width},
                            {"height", d.Height},
                            {"frame_rate", Decimal(d.FrameRate / 1001.0)},
                            {"standards", d.Standards},
                            {"standard_names", StandardList(d.Standards)}});
        }
        VideoPropertyDefaults defaults{};
        driver_.Caps()->VideoOps->GetVideoPropertyDefaults(0, 0, &defaults);
        if (Text()) {
            std::printf("property defaults:");
            for (uint32_t v : defaults.Value) {
                std::printf(" %u", v);
            }
            std::printf("\n");
        }
        result_["standards"] = std::move(list);
        result_["property_defaults"] = defaults.Value;
        return 0;
    }

    // Tunes and asks for the status once; true when locked.
    bool TuneAndCheck(uint32_t hz, TVTunerSettings* status) {
        if (options_.lockLate > 0) {
            board_.demod.LockAfterReads(options_.lockLate);
        }
        driver_.Tune(hz);
        int polls = 0;
        *status = driver_.WaitForLock(1, &polls);
        return status->Busy == 0;
    }

    int TuneReport(uint32_t hz) {
        TVTunerSettings st{};
        const uint64_t start = NowUs();
        Step("tuning " + MHz(hz));
        const bool locked = TuneAndCheck(hz, &st);
        const uint64_t took = NowUs() - start;
        if (Text()) {
            std::printf("tuned %s (%s): %s", MHz(hz).c_str(),
                        host_driver::StandardName(options_.standard).c_str(),
                        locked ? "locked" : "no lock");
            if (locked) {
                std::printf(", AFC step %+d, signal %u", st.PllOffset, st.SignalStrength);
            }
            std::printf(" (%s)\n", Seconds(took).c_str());
        }
        result_["frequency_hz"] = hz;
        result_["standard"] = host_driver::StandardName(options_.standard);
        result_["locked"] = locked;
        if (locked) {
            Step("reading the TV sound modes");
            const uint32_t modes = driver_.AvailableAudioModes();
            if (Text()) {
                std::printf("TV sound available: %s\n", host_driver::AudioModeNames(modes).c_str());
            }
            result_["afc_step"] = st.PllOffset;
            result_["signal"] = st.SignalStrength;
            result_["audio_modes"] = AudioModeList(modes);
        }
        result_["took_us"] = took;
        result_["clock"] = Clock();
        return locked ? 0 : 1;
    }

    int Scan() {
        const std::vector<Channel> channels =
            options_.sweep
                ? FrequencySweep(options_.sweepFrom, options_.sweepTo, options_.sweepStep)
                : ChannelPlan(options_.standard);
        if (Text()) {
            std::printf("scanning %zu channels for %s\n", channels.size(),
                        host_driver::StandardName(options_.standard).c_str());
        }
        const uint64_t start = NowUs();
        int found = 0;
        Json list = Json::array();
        for (size_t i = 0; i < channels.size(); ++i) {
            const Channel& ch = channels[i];
            progress_.Show("scan: channel " + ch.name + " at " + MHz(ch.frequencyHz) + " (" +
                           std::to_string(i + 1) + " of " + std::to_string(channels.size()) +
                           "), " + std::to_string(found) + " found so far");
            TVTunerSettings st{};
            if (!TuneAndCheck(ch.frequencyHz, &st)) {
                continue;
            }
            ++found;
            const uint32_t modes = driver_.AvailableAudioModes();
            if (Text()) {
                std::printf("  %-7s %12s  AFC step %+d  signal %3u  sound %s\n", ch.name.c_str(),
                            MHz(ch.frequencyHz).c_str(), st.PllOffset, st.SignalStrength,
                            host_driver::AudioModeNames(modes).c_str());
            }
            list.push_back({{"channel", ch.name},
                            {"frequency_hz", ch.frequencyHz},
                            {"afc_step", st.PllOffset},
                            {"signal", st.SignalStrength},
                            {"audio_modes", AudioModeList(modes)}});
        }
        progress_.Clear();
        const uint64_t took = NowUs() - start;
        if (Text()) {
            std::printf("%d station%s in %zu channels, %s of %s\n", found, found == 1 ? "" : "s",
                        channels.size(), Seconds(took).c_str(), Clock());
        }
        result_["standard"] = host_driver::StandardName(options_.standard);
        result_["channels"] = channels.size();
        result_["found"] = std::move(list);
        result_["took_us"] = took;
        result_["clock"] = Clock();
        return found > 0 ? 0 : 1;
    }

    int Session() {
        std::printf("session: load, capabilities, open\n");
        Step("loading and opening the board");
        if (!driver_.Load() || !driver_.Open()) {
            std::printf("the module did not open the board\n");
            return 1;
        }
        Step("InitializeSensor");
        std::printf("InitializeSensor -> %d\n", driver_.InitializeSensor(0));
        std::printf("video standards:\n");
        for (const VideoStandardDescriptor& d : driver_.Standards()) {
            std::printf("  %-22s %ux%u\n", d.Name, d.Width, d.Height);
        }
        driver_.SetTvStandard(options_.standard);
        const emu::Station* target = nullptr;
        for (const emu::Station& s : board_.antenna.Stations()) {
            if (s.standard == options_.standard) {
                target = &s;
                break;
            }
        }
        const uint32_t hz = target != nullptr ? target->frequencyHz : 175250000;
        Step("tuning " + MHz(hz));
        driver_.Tune(hz);
        int polls = 0;
        Step("waiting for lock");
        const TVTunerSettings st = driver_.WaitForLock(3, &polls);
        std::printf("tuned %s (%s): %s after %d status request%s", MHz(hz).c_str(),
                    host_driver::StandardName(options_.standard).c_str(),
                    st.Busy == 0 ? "locked" : "no lock", polls, polls == 1 ? "" : "s");
        if (st.Busy == 0) {
            std::printf(", AFC step %+d, signal %u", st.PllOffset, st.SignalStrength);
        }
        std::printf("\n");
        Step("TV sound");
        const uint32_t modes = driver_.AvailableAudioModes();
        const uint32_t want =
            (modes & TVB_AUDIO_MODE_STEREO) != 0 ? TVB_AUDIO_MODE_STEREO : TVB_AUDIO_MODE_MONO;
        std::printf("TV sound available: %s; %s %s\n", host_driver::AudioModeNames(modes).c_str(),
                    host_driver::AudioModeNames(want).c_str(),
                    driver_.SetAudioMode(want) ? "set" : "refused");
        driver_.SetSampleRate(48000);
        std::printf("audio sample rate 48000 Hz: pin 0 = %u\n", host_.PinOutput(0));
        Step("closing");
        driver_.Close();
        driver_.Unload();
        progress_.Clear();
        std::printf("closed and unloaded after %s of %s\n", Seconds(NowUs()).c_str(), Clock());
        return st.Busy == 0 ? 0 : 1;
    }

    const Options& options_;
    emu::Host host_;
    emu::Board board_;
    host_driver::HostDriver driver_;
    std::vector<AntennaStation> lineup_;
    uint64_t started_ = 0;
    Progress progress_;
    Json result_;
};

} // namespace

int RunBoardCommand(const Options& options) {
    Bench bench(options);
    return bench.Run();
}

} // namespace bench
