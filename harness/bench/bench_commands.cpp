#include "bench/bench_commands.h"

#include "bench/caps_report.h"
#include "bench/channel_list.h"
#include "bench/claims.h"
#include "bench/files.h"
#include "bench/json_document.h"
#include "bench/progress.h"
#include "bench/register_view.h"
#include "bench/station_finder.h"
#include "bench/timeline_stream.h"
#include "bench/vcd.h"
#include "emu/board.h"
#include "emu/if_demod.h"
#include "emu/synth.h"
#include "host_driver/host_driver.h"
#include "text/bit_names.h"
#include "text/fixed_field.h"
#include "text/format.h"
#include "virtual_time/kernel_virtual.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace bench {

namespace {

// More sweep points than this are not a scan anyone waits for.
constexpr uint64_t kMostSweepPoints = 100000;
// Status requests a session makes until the tuner locks.
constexpr int kSessionPolls = 3;

using text::Format;

std::string Seconds(uint64_t us) {
    return Format("%.3f s", static_cast<double>(us) / 1e6);
}

std::string Step(int step) {
    return Format("%+d", step);
}

using text::FixedField;

// The names of the bits set, as a JSON array.
Json AudioModeList(uint32_t modes) {
    return text::BitNames(modes, host_driver::AudioModeNames);
}
Json StandardList(uint32_t standards) {
    return text::BitNames(standards, host_driver::StandardName);
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

// The frequencies the tuner can be asked for.
struct Range {
    uint32_t lowHz = 0;
    uint32_t highHz = 0;
    bool Holds(uint32_t hz) const { return hz >= lowHz && hz <= highHz; }
    std::string Text() const {
        std::string low = MHzText(lowHz);
        low.erase(low.find(' '));
        return low + ".." + MHzText(highHz);
    }
};

// One tuning: what the module kept, and the status it then reported.
struct Tuning {
    bool refused = false;
    uint32_t keptHz = 0;
    bool locked = false;
    int polls = 0;
    TVTunerSettings status{};
};

class Bench {
  public:
    explicit Bench(const Options& o)
        : options_(o), board_(host_), driver_(host_, o.module, /*echoPrints=*/true),
          claims_(board_) {
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
        host_.Trace().Keep(kKeptEvents);
    }

    int Run() {
        OpenOutputs();
        const std::string& c = options_.command;
        int rc = 0;
        if (c == "stations") {
            rc = Stations();
        } else if (c == "caps") {
            rc = Caps();
        } else if (c == "standards") {
            rc = StandardsReport();
        } else if (c == "tune") {
            rc = BringUp() ? TuneReport() : 1;
        } else if (c == "scan") {
            rc = BringUp() ? Scan() : 1;
        } else if (c == "input") {
            rc = BringUp() ? InputReport() : 1;
        } else if (c == "picture") {
            rc = BringUp() ? PictureReport() : 1;
        } else {
            rc = Session();
        }
        // As a host ends: the board closed, the module unloaded.
        if (driver_.Settings() != nullptr && driver_.Caps() != nullptr) {
            driver_.Close();
        }
        if (loaded_) {
            Unload();
        }
        driver_.DrainPrints();
        Flush();
        progress_.Clear();
        if (Verify() && rc == 0) {
            rc = 1;
        }
        Finish();
        return rc;
    }

  private:
    // --- output -------------------------------------------------------------
    bool Text() const { return !options_.json; }
    bool TimelineWanted() const { return options_.trace || options_.raw; }
    // A line of the report, where it happens: after the timeline so far.
    void Say(const std::string& line) {
        if (Text()) {
            Flush();
            Report(line + "\n");
        }
    }
    // The report goes to stdout, unless a file option took it ('-').
    void Report(const std::string& text) {
        std::FILE* to = vcdFile_.IsStdout() || saveFile_.IsStdout() ? stderr : stdout;
        std::cout.flush();
        std::fputs(text.c_str(), to);
        std::fflush(to);
    }

    // Everything that writes is opened before the run, so that a path that
    // cannot be written stops the bench before a long run, not after it.
    void OpenOutputs() {
        std::string error;
        if (!options_.vcd.empty()) {
            if (!vcdFile_.Open(options_.vcd, "capture", &error)) {
                throw UsageError(error);
            }
            VcdOptions v;
            v.busHz = options_.busHz;
            v.date = DumpDate();
            v.version = "tvboard " + options_.version;
            vcd_ = std::make_unique<VcdWriter>(vcdFile_.Stream(), v);
        }
        if (!options_.save.empty() && !saveFile_.Open(options_.save, "channel list", &error)) {
            throw UsageError(error);
        }
        TimelineStream::Views views;
        views.text = TimelineWanted() && Text();
        views.json = TimelineWanted() && options_.json;
        views.condensed = options_.trace;
        views.timestamps = options_.timestamps;
        if (options_.json) {
            json_ = std::make_unique<JsonStream>(std::cout);
            json_->Begin(options_.command);
            if (views.json) {
                json_->BeginList("timeline");
            }
        } else if (views.text) {
            std::cout << "-- bus timeline ("
                      << (options_.trace ? "DSP handshakes condensed" : "every event") << ")\n";
        }
        stream_ = std::make_unique<TimelineStream>(
            host_.Trace(), views, &std::cout, [this](const Json& j) { json_->Item(j); },
            vcd_.get());
    }

    void Flush() { stream_->Flush(); }

    void Finish() {
        std::string error;
        if (TimelineWanted()) {
            if (options_.json) {
                json_->EndList();
            } else {
                std::cout << Format("-- end of the bus timeline: %zu events, %s of %s\n",
                                    host_.Trace().Size(), Seconds(NowUs()).c_str(), Clock());
            }
        }
        if (options_.registers) {
            if (Text()) {
                Report(RegisterViewText(board_));
            }
            result_["registers"] = RegisterViewJson(board_);
        }
        if (vcd_ != nullptr) {
            vcd_->Finish();
        }
        if (!vcdFile_.Close(&error)) {
            std::fprintf(stderr, "tvboard: %s\n", error.c_str());
        }
        if (options_.json) {
            json_->End(result_);
        }
    }

    // The linked module and a Windows image run on virtual time; a library
    // loaded with dlopen really waits.
    bool RealTime() const { return !driver_.OnVirtualTime(); }
    const char* Clock() const { return RealTime() ? "real time" : "virtual time"; }
    uint64_t NowUs() const { return host_.Now() - started_; }

    // Shows what the bench waits for while a loaded build waits for real.
    void Waiting(const std::string& what) {
        if (RealTime()) {
            progress_.Show(options_.command + ": " + what);
        }
    }

    // What the run did that a real board or kernel would not take: every
    // device protocol violation and unexpected argument, on virtual time
    // every kernel rule the module broke, and every claim of the module the
    // board contradicts. Each is one line on stderr (and in the JSON
    // document); any of them fails the command.
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
        found.insert(found.end(), claims_.Broken().begin(), claims_.Broken().end());
        if (stream_->Lost() != 0) {
            found.push_back(std::to_string(stream_->Lost()) +
                            " events of the timeline were dropped before they were written");
        }
        for (const std::string& f : found) {
            std::fprintf(stderr, "tvboard: %s\n", f.c_str());
        }
        if (!found.empty()) {
            result_["violations"] = found;
        }
        return !found.empty();
    }

    // --- host calls ---------------------------------------------------------
    // Loads the module; a module that cannot be driven stops the bench.
    void Load() {
        Waiting("loading");
        const bool ok = driver_.Load();
        loaded_ = ok;
        Flush();
        if (!ok) {
            throw UsageError(driver_.Error().empty() ? "the module gave no capability record"
                                                     : driver_.Error());
        }
    }

    void Unload() {
        driver_.Unload();
        loaded_ = false;
    }

    bool BringUp() {
        Load();
        Waiting("opening the board");
        const bool open = driver_.Open();
        Flush();
        if (!open) {
            Say("the module did not open the board");
            result_["error"] = "the module did not open the board";
            return false;
        }
        Waiting("InitializeSensor");
        initialized_ = driver_.InitializeSensor(TVB_VIDEO_INPUT_TUNER);
        Flush();
        tvLimits_ = driver_.TunerModeLimits(TVB_TUNER_MODE_TV);
        SetStandard(options_.standard);
        return true;
    }

    void SetStandard(uint32_t standard) {
        driver_.SetTvStandard(standard);
        Flush();
        standard_ = standard;
    }

    // The tuner's TV range (GetTunerModeCaps) within the synthesizer's
    // reach for the standard's IF offset.
    Range TunerRange() const {
        const uint32_t offset = emu::IfDemod::IfOffsetHz(emu::IfDemod::CodeOf(standard_));
        const uint64_t low = emu::Synth::LowestOscillatorHz();
        const uint64_t high = emu::Synth::HighestOscillatorHz();
        Range r{tvLimits_.MinFrequency, tvLimits_.MaxFrequency};
        r.lowHz = std::max<uint64_t>(r.lowHz, low > offset ? low - offset : 0);
        r.highHz = static_cast<uint32_t>(std::min<uint64_t>(r.highHz, high - offset));
        return r;
    }

    Tuning Tune(uint32_t hz, int polls) {
        Tuning t;
        if (options_.lockLate > 0) {
            board_.demod.LockAfterReads(options_.lockLate);
        }
        claims_.BeforeTune();
        driver_.Tune(hz);
        Flush();
        t.keptHz = driver_.Settings()->Frequency;
        claims_.Tuned(hz, t.keptHz);
        t.refused = t.keptHz != hz;
        if (t.refused) {
            return t;
        }
        claims_.BeforeStatus();
        t.status = driver_.WaitForLock(polls, &t.polls);
        Flush();
        claims_.Status(t.status, t.keptHz);
        t.locked = t.status.Busy == 0;
        return t;
    }

    uint32_t AudioModes() {
        const uint32_t modes = driver_.AvailableAudioModes();
        Flush();
        claims_.AudioModes(modes);
        return modes;
    }

    bool SetAudioMode(uint32_t mode) {
        const bool accepted = driver_.SetAudioMode(mode);
        Flush();
        claims_.AudioModeSet(mode, accepted);
        return accepted;
    }

    uint32_t SelectInput(uint32_t input) {
        driver_.InputSelect(input, "InputSelect " + InputName(input));
        const uint32_t reported = driver_.InputQuery();
        Flush();
        claims_.Input(input, reported);
        return reported;
    }

    void SetPicture(const PictureControl& c, int32_t value) {
        driver_.SetVideoProperty(c.property, value);
        Flush();
        claims_.Picture(c, value);
    }

    // Why the tuner did not lock, as far as the board tells.
    std::string NoLockReason(uint32_t hz) const {
        std::string why;
        const Range r = TunerRange();
        if (!r.Holds(hz)) {
            why = MHzText(hz) + " lies outside the tuner's range " + r.Text() + "; ";
        }
        if (options_.noLock) {
            return why + "the emulated demodulator never locks (--no-lock)";
        }
        if (!board_.synth.Locked()) {
            return why + "the synthesizer's oscillator cannot run at " +
                   Format("%.3f MHz", static_cast<double>(board_.synth.OscillatorHz()) / 1e6);
        }
        if (board_.demod.Receiving() == nullptr) {
            return why + "no " + host_driver::StandardName(standard_) +
                   " station on the antenna within the demodulator's reach";
        }
        return why + "the demodulator locks only after " + std::to_string(options_.lockLate) +
               " status polls (--lock-late), more than the module makes";
    }

    // Why the module kept its old frequency.
    std::string RefusalReason(uint32_t hz) const {
        const Range tv{tvLimits_.MinFrequency, tvLimits_.MaxFrequency};
        if (!tv.Holds(hz)) {
            return MHzText(hz) + " lies outside the tuner's TV range " + tv.Text() +
                   " (GetTunerModeCaps)";
        }
        const uint32_t offset = emu::IfDemod::IfOffsetHz(emu::IfDemod::CodeOf(standard_));
        return "with the IF offset of " + host_driver::StandardName(standard_) + " (" +
               MHzText(offset) + ") the oscillator would run at " +
               Format("%.3f MHz", (static_cast<double>(hz) + offset) / 1e6) +
               ", above the synthesizer's reach as the module programs it";
    }

    // --- commands -----------------------------------------------------------
    int Stations() {
        Json list = Json::array();
        for (const AntennaStation& a : lineup_) {
            const emu::Station& s = a.station;
            if (options_.standardGiven && s.standard != options_.standard) {
                continue;
            }
            std::string line =
                Format("%12s  %-9s  strength %3u  sound %s", MHzText(s.frequencyHz).c_str(),
                       host_driver::StandardName(s.standard).c_str(), s.strength,
                       SoundName(s.sound).c_str());
            if (a.offsetHz != 0) {
                line += Format("  (%s %+.1f kHz)", MHzText(a.NominalHz()).c_str(),
                               static_cast<double>(a.offsetHz) / 1e3);
            }
            Say(line);
            list.push_back({{"frequency_hz", s.frequencyHz},
                            {"nominal_hz", a.NominalHz()},
                            {"offset_hz", a.offsetHz},
                            {"standard", host_driver::StandardName(s.standard)},
                            {"sound", SoundKeyword(s.sound)},
                            {"strength", s.strength}});
        }
        if (list.empty()) {
            Say("no " + host_driver::StandardName(options_.standard) + " stations on the antenna");
        }
        result_["stations"] = std::move(list);
        return 0;
    }

    int Caps() {
        Load();
        const CapsReport r = ReadCaps(*driver_.Caps());
        Unload();
        Flush();
        Say(Format("capability record: %u bytes, words 0x%X 0x%X 0x%X", r.size, r.word4, r.word8,
                   r.word12));
        Json tables = Json::array();
        for (const TableInfo& t : r.tables) {
            Say(Format("%s (%zu slots)", t.name.c_str(), t.slots.size()));
            Json slots = Json::array();
            for (size_t i = 0; i < t.slots.size(); ++i) {
                const SlotInfo& s = t.slots[i];
                Say(Format("  %2zu  %-25s %2zu args", i, s.name.c_str(), s.args) +
                    (s.stub ? Format("  returns %u (0x%X)", s.returns, s.returns) : ""));
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
            Say(Format("tuner mode %u (%s): %s .. %s in steps of %u Hz, %u input%s, settling "
                       "%u ms",
                       m.mode, m.name.c_str(), MHzText(m.limits.MinFrequency).c_str(),
                       MHzText(m.limits.MaxFrequency).c_str(), m.limits.TuningGranularity,
                       m.limits.NumberOfInputs, m.limits.NumberOfInputs == 1 ? "" : "s",
                       m.limits.SettlingTime));
            modes.push_back({{"mode", m.mode},
                             {"name", m.name},
                             {"min_hz", m.limits.MinFrequency},
                             {"max_hz", m.limits.MaxFrequency},
                             {"granularity_hz", m.limits.TuningGranularity},
                             {"inputs", m.limits.NumberOfInputs},
                             {"settling_ms", m.limits.SettlingTime}});
        }
        std::string words;
        for (size_t i = 0; i < 33; ++i) {
            if (r.audioConfig.Word[i] != 0) {
                words += Format(" [%zu]=0x%X", i, r.audioConfig.Word[i]);
            }
        }
        Say(Format("audio format: %u Hz, mode %u, word 0x%X; interface words:",
                   r.audioFormat.SampleRate, r.audioFormat.FormatMode, r.audioFormat.FormatWord) +
            words);
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
        Load();
        const std::vector<VideoStandardDescriptor> standards = driver_.Standards();
        const VideoPropertyDefaults defaults = driver_.PropertyDefaults();
        Unload();
        Flush();
        Json list = Json::array();
        for (const VideoStandardDescriptor& d : standards) {
            if (options_.standardGiven && (d.Standards & options_.standard) == 0) {
                continue;
            }
            Say(Format("%-22s %3ux%u  %6.3f frames/s  standards 0x%05X  \"%s\"",
                       FixedField(d.Name).c_str(), d.Width, d.Height, d.FrameRate / 1001.0,
                       d.Standards, FixedField(d.Description).c_str()));
            list.push_back({{"name", FixedField(d.Name)},
                            {"description", FixedField(d.Description)},
                            {"width", d.Width},
                            {"height", d.Height},
                            {"frame_rate", Decimal(d.FrameRate / 1001.0)},
                            {"standards", d.Standards},
                            {"standard_names", StandardList(d.Standards)}});
        }
        int rc = 0;
        if (list.empty()) {
            Say("no video standard descriptor covers " +
                host_driver::StandardName(options_.standard));
            rc = 1;
        }
        std::string line = "property defaults:";
        for (uint32_t v : defaults.Value) {
            line += " " + std::to_string(v);
        }
        Say(line);
        result_["standards"] = std::move(list);
        result_["property_defaults"] = defaults.Value;
        return rc;
    }

    // The TV sound part of tune and session: the modes on offer, then the one
    // asked for (or, in a session, stereo when there is stereo). False when
    // the mode asked for was refused.
    bool Sound(bool chooseStereo) {
        Waiting("reading the TV sound modes");
        const uint32_t modes = AudioModes();
        result_["audio_modes"] = AudioModeList(modes);
        std::string line = "TV sound available: " + host_driver::AudioModeNames(modes);
        uint32_t want = options_.sound;
        if (!options_.soundGiven) {
            if (!chooseStereo) {
                Say(line);
                return true;
            }
            want =
                (modes & TVB_AUDIO_MODE_STEREO) != 0 ? TVB_AUDIO_MODE_STEREO : TVB_AUDIO_MODE_MONO;
        }
        const bool set = SetAudioMode(want);
        Say(line + "; " + host_driver::AudioModeNames(want) + (set ? " set" : " refused"));
        result_["audio_mode"] = host_driver::AudioModeNames(want);
        result_["audio_mode_set"] = set;
        return set || !options_.soundGiven;
    }

    int TuneReport() {
        const uint32_t hz = options_.tuneHz;
        const uint64_t start = NowUs();
        Waiting("tuning " + MHzText(hz));
        const Tuning t = Tune(hz, 1);
        const uint64_t took = NowUs() - start;
        const std::string name = options_.tuneChannel.empty()
                                     ? MHzText(hz)
                                     : options_.tuneChannel + " at " + MHzText(hz);
        std::string line = "tuned " + name + " (" + host_driver::StandardName(standard_) + "): ";
        if (!options_.tuneChannel.empty()) {
            result_["channel"] = options_.tuneChannel;
        }
        result_["frequency_hz"] = hz;
        result_["standard"] = host_driver::StandardName(standard_);
        result_["refused"] = t.refused;
        result_["locked"] = t.locked;
        bool soundSet = true;
        if (t.refused) {
            const std::string why = RefusalReason(hz);
            Say(line + "refused, the module keeps " + MHzText(t.keptHz) + ": " + why);
            result_["kept_hz"] = t.keptHz;
            result_["reason"] = why;
        } else if (!t.locked) {
            const std::string why = NoLockReason(hz);
            Say(line + "no lock (" + Seconds(took) + "): " + why);
            result_["reason"] = why;
        } else {
            Say(line + "locked, AFC step " + Step(t.status.PllOffset) + ", signal " +
                std::to_string(t.status.SignalStrength) + " (" + Seconds(took) + ")");
            result_["afc_step"] = t.status.PllOffset;
            result_["signal"] = t.status.SignalStrength;
            soundSet = Sound(false);
        }
        result_["took_us"] = took;
        result_["clock"] = Clock();
        return t.locked && soundSet ? 0 : 1;
    }

    // The channels to scan: a channel list, a sweep or the standard's plan,
    // those outside the tuner's range left out (and said so).
    std::vector<Channel> ScanChannels(Range range, uint64_t* skipped) {
        std::vector<Channel> channels;
        if (!options_.channels.empty()) {
            channels = options_.channels;
        } else if (!options_.sweeping) {
            if ((options_.bands & PlanBands(standard_)) == 0) {
                throw UsageError("the " + host_driver::StandardName(standard_) +
                                 " channel plan has no channels in " + BandNames(options_.bands) +
                                 " (it has " + BandNames(PlanBands(standard_)) + ")");
            }
            channels = ChannelPlan(standard_, options_.bands);
        }
        const size_t before = channels.size();
        channels.erase(
            std::remove_if(channels.begin(), channels.end(),
                           [&range](const Channel& c) { return !range.Holds(c.frequencyHz); }),
            channels.end());
        *skipped = before - channels.size();
        return channels;
    }

    // A sweep clipped to the tuner's range, refused where it makes no sense.
    Sweep SweepWithin(Range range, uint64_t* skipped) {
        const Sweep& s = options_.sweep;
        const uint32_t granularity = tvLimits_.TuningGranularity;
        if (s.stepHz < granularity) {
            throw UsageError("--sweep step " + MHzText(s.stepHz) +
                             " is finer than the tuner's granularity " + MHzText(granularity) +
                             " (GetTunerModeCaps)");
        }
        Sweep in = s;
        while (in.fromHz < range.lowHz && in.Points() > 1) {
            const uint64_t steps = (uint64_t{range.lowHz} - in.fromHz + s.stepHz - 1) / s.stepHz;
            in.fromHz = static_cast<uint32_t>(
                std::min<uint64_t>(uint64_t{in.fromHz} + steps * s.stepHz, UINT32_MAX));
            if (in.fromHz > in.toHz) {
                break;
            }
        }
        if (in.toHz > range.highHz) {
            in.toHz = range.highHz;
        }
        if (in.fromHz > in.toHz || !range.Holds(in.fromHz)) {
            throw UsageError("--sweep " + MHzText(s.fromHz) + ".." + MHzText(s.toHz) +
                             " lies outside the tuner's range " + range.Text());
        }
        *skipped = s.Points() - in.Points();
        if (in.Points() > kMostSweepPoints) {
            throw UsageError("--sweep gives " + std::to_string(in.Points()) +
                             " frequencies, more than " + std::to_string(kMostSweepPoints) +
                             ": take a larger step or a narrower range");
        }
        return in;
    }

    Heard Hear(uint32_t hz) {
        const Tuning t = Tune(hz, 1);
        lastTunedHz_ = hz;
        return Heard{t.locked, t.locked ? t.status.PllOffset : 0};
    }

    // A station found: tuned there again if the scan has moved on, its
    // signal and sound read, reported and kept.
    void Found(const FoundStation& f) {
        Tuning t;
        if (lastTunedHz_ != f.hz) {
            t = Tune(f.hz, 1);
            lastTunedHz_ = f.hz;
        } else {
            claims_.BeforeStatus();
            t.status = driver_.Status();
            Flush();
            claims_.Status(t.status, driver_.Settings()->Frequency);
            t.locked = t.status.Busy == 0;
        }
        const uint32_t modes = t.locked ? AudioModes() : TVB_AUDIO_MODE_MONO;
        const int afc = t.locked ? t.status.PllOffset : f.afcStep;
        const uint32_t signal = t.locked ? t.status.SignalStrength : 0;
        std::string nominal;
        FoundStation shown = f;
        if (options_.sweeping) {
            // A sweep point is no channel: the station is named by its frequency.
            shown.channel.name = Format("%.2f", f.hz / 1e6);
            shown.channel.frequencyHz = f.hz;
        }
        if (shown.hz != shown.channel.frequencyHz) {
            nominal = " (" +
                      Format("%+.1f kHz", (static_cast<double>(f.hz) -
                                           static_cast<double>(f.channel.frequencyHz)) /
                                              1e3) +
                      ")";
        }
        Say(Format("  %-7s %14s%-13s AFC step %s  signal %3u  sound %s", shown.channel.name.c_str(),
                   MHzText(f.hz).c_str(), nominal.c_str(), Step(afc).c_str(), signal,
                   host_driver::AudioModeNames(modes).c_str()));
        found_.push_back({{"channel", shown.channel.name},
                          {"frequency_hz", f.hz},
                          {"nominal_hz", shown.channel.frequencyHz},
                          {"standard", host_driver::StandardName(standard_)},
                          {"afc_step", afc},
                          {"signal", signal},
                          {"audio_modes", AudioModeList(modes)}});
        const Channel kept{shown.channel.name, f.hz, standard_};
        kept_.push_back(
            {kept, Format("sound %s, AFC step %s, signal %u",
                          host_driver::AudioModeNames(modes).c_str(), Step(afc).c_str(), signal)});
    }

    int Scan() {
        const Range range = TunerRange();
        uint64_t skipped = 0;
        std::vector<Channel> channels;
        Sweep sweep;
        uint64_t count = 0;
        if (options_.sweeping) {
            sweep = SweepWithin(range, &skipped);
            count = sweep.Points();
        } else {
            channels = ScanChannels(range, &skipped);
            count = channels.size();
        }
        const std::string what = options_.channels.empty() ? host_driver::StandardName(standard_)
                                                           : options_.channelsPath;
        Say(Format("scanning %llu channels for %s", static_cast<unsigned long long>(count),
                   what.c_str()) +
            (skipped != 0 ? Format(", %llu outside the tuner's range %s left out",
                                   static_cast<unsigned long long>(skipped), range.Text().c_str())
                          : ""));
        const uint64_t start = NowUs();
        StationFinder finder(tvLimits_.TuningGranularity, [this](uint32_t hz) { return Hear(hz); });
        const auto found = [this](const std::optional<FoundStation>& f) {
            if (f) {
                Found(*f);
            }
        };
        for (uint64_t i = 0; i < count; ++i) {
            Channel ch;
            if (options_.sweeping) {
                ch.frequencyHz = static_cast<uint32_t>(sweep.fromHz + i * sweep.stepHz);
                ch.name = Format("%.2f", ch.frequencyHz / 1e6);
            } else {
                ch = channels[i];
            }
            if (ch.standard != 0 && ch.standard != standard_) {
                found(finder.Finish());
                SetStandard(ch.standard);
            }
            progress_.Show(Format("scan: channel %s at %s (%llu of %llu), %zu found so far",
                                  ch.name.c_str(), MHzText(ch.frequencyHz).c_str(),
                                  static_cast<unsigned long long>(i) + 1,
                                  static_cast<unsigned long long>(count), found_.size()));
            found(finder.Add(ch, Hear(ch.frequencyHz)));
        }
        found(finder.Finish());
        progress_.Clear();
        const uint64_t took = NowUs() - start;
        const size_t n = found_.size();
        Say(Format("%zu station%s in %llu channels, %s of %s", n, n == 1 ? "" : "s",
                   static_cast<unsigned long long>(count), Seconds(took).c_str(), Clock()));
        if (!options_.save.empty()) {
            WriteChannelListHead(saveFile_.Stream());
            for (const auto& k : kept_) {
                WriteChannel(saveFile_.Stream(), k.first, k.second);
            }
            std::string error;
            if (!saveFile_.Close(&error)) {
                throw UsageError(error);
            }
        }
        result_["standard"] = host_driver::StandardName(standard_);
        result_["channels"] = count;
        result_["left_out"] = skipped;
        result_["range"] = {{"min_hz", range.lowHz}, {"max_hz", range.highHz}};
        result_["found"] = std::move(found_);
        result_["took_us"] = took;
        result_["clock"] = Clock();
        return n > 0 ? 0 : 1;
    }

    int InputReport() {
        uint32_t input = TVB_VIDEO_INPUT_TUNER;
        if (options_.inputGiven) {
            Waiting("selecting input " + InputName(options_.input));
            input = SelectInput(options_.input);
        } else {
            input = driver_.InputQuery();
            Flush();
        }
        Say("video input: " + InputName(input) + " (" + std::to_string(input) + ")" +
            (options_.inputGiven ? "" : "; inputs: tuner (0), composite (1), svideo (2)"));
        result_["input"] = InputName(input);
        result_["input_number"] = input;
        return 0;
    }

    // The four controls as the decoder holds them, with range and default.
    void PictureNow() {
        const VideoPropertyDefaults defaults = driver_.PropertyDefaults();
        Flush();
        Json list = Json::array();
        for (const PictureControl& c : PictureControls()) {
            const uint8_t byte = static_cast<uint8_t>(board_.decoder.Dword(c.reg));
            int32_t value = 0;
            const bool known = PictureValue(c, byte, &value);
            const int32_t def = static_cast<int32_t>(defaults.Value[c.property - 1]);
            Say(Format("  %-10s %4s  (range %d..%d, default %d; decoder register 0x%03X = 0x%02X)",
                       c.name, known ? std::to_string(value).c_str() : "?", c.min, c.max, def,
                       c.reg, byte));
            list.push_back({{"control", c.name},
                            {"value", known ? Json(value) : Json(nullptr)},
                            {"min", c.min},
                            {"max", c.max},
                            {"default", def},
                            {"register", c.reg},
                            {"register_value", byte}});
        }
        result_["picture"] = std::move(list);
    }

    int PictureReport() {
        for (const auto& [control, value] : options_.picture) {
            Waiting(std::string("setting ") + control->name);
            SetPicture(*control, value);
        }
        Say("picture:");
        PictureNow();
        return 0;
    }

    int Session() {
        if (!BringUp()) {
            return 1;
        }
        Say("session: loaded, capabilities read, board open");
        Say("InitializeSensor -> " + std::to_string(initialized_));
        result_["initialize_sensor"] = initialized_;
        Say("video standards:");
        Json names = Json::array();
        for (const VideoStandardDescriptor& d : driver_.Standards()) {
            Say(Format("  %-22s %ux%u", FixedField(d.Name).c_str(), d.Width, d.Height));
            names.push_back(FixedField(d.Name));
        }
        Flush();
        result_["video_standards"] = std::move(names);
        if (options_.inputGiven) {
            const uint32_t reported = SelectInput(options_.input);
            Say("video input " + InputName(options_.input) + ": the module reports " +
                InputName(reported));
            result_["input"] = InputName(reported);
        }
        if (!options_.picture.empty()) {
            std::string line = "picture:";
            Json set = Json::object();
            for (const auto& [control, value] : options_.picture) {
                SetPicture(*control, value);
                line += std::string(" ") + control->name + " " + std::to_string(value);
                set[control->name] = value;
            }
            Say(line);
            result_["picture"] = std::move(set);
        }
        const emu::Station* target = nullptr;
        for (const emu::Station& s : board_.antenna.Stations()) {
            if (s.standard == standard_) {
                target = &s;
                break;
            }
        }
        const uint32_t hz = target != nullptr ? target->frequencyHz : 175250000;
        Waiting("tuning " + MHzText(hz));
        const Tuning t = Tune(hz, kSessionPolls);
        std::string line =
            "tuned " + MHzText(hz) + " (" + host_driver::StandardName(standard_) + "): ";
        result_["standard"] = host_driver::StandardName(standard_);
        result_["frequency_hz"] = hz;
        result_["locked"] = t.locked;
        if (t.refused) {
            line += "refused: " + RefusalReason(hz);
        } else {
            line += Format("%s after %d status request%s", t.locked ? "locked" : "no lock", t.polls,
                           t.polls == 1 ? "" : "s");
            result_["polls"] = t.polls;
            if (t.locked) {
                line += ", AFC step " + Step(t.status.PllOffset) + ", signal " +
                        std::to_string(t.status.SignalStrength);
                result_["afc_step"] = t.status.PllOffset;
                result_["signal"] = t.status.SignalStrength;
            } else {
                line += ": " + NoLockReason(hz);
            }
        }
        Say(line);
        const bool soundSet = Sound(true);
        driver_.SetSampleRate(TVB_SAMPLE_RATE_48000);
        Flush();
        Say(Format("audio sample rate 48000 Hz: pin 0 = %u", host_.PinOutput(0)));
        result_["sample_rate"] = TVB_SAMPLE_RATE_48000;
        result_["rate_pin"] = host_.PinOutput(0);
        Waiting("closing");
        driver_.Close();
        Unload();
        Flush();
        progress_.Clear();
        Say("closed and unloaded after " + Seconds(NowUs()) + " of " + Clock());
        result_["took_us"] = NowUs();
        result_["clock"] = Clock();
        return t.locked && soundSet ? 0 : 1;
    }

    const Options& options_;
    emu::HostTable host_;
    emu::Board board_;
    host_driver::HostDriver driver_;
    Claims claims_;
    std::vector<AntennaStation> lineup_;
    uint64_t started_ = 0;
    bench::Progress progress_;
    Json result_ = Json::object();
    Output vcdFile_;
    Output saveFile_;
    std::unique_ptr<VcdWriter> vcd_;
    std::unique_ptr<JsonStream> json_;
    std::unique_ptr<TimelineStream> stream_;
    TunerModeCaps tvLimits_{};
    uint32_t standard_ = 0;
    int32_t initialized_ = 0;
    uint32_t lastTunedHz_ = 0;
    bool loaded_ = false;
    Json found_ = Json::array();
    std::vector<std::pair<Channel, std::string>> kept_;
};

} // namespace

int RunBoardCommand(const Options& options) {
    Bench bench(options);
    return bench.Run();
}

} // namespace bench
