#include "bench/scan_command.h"

#include "bench/board_reading.h"
#include "bench/channel_list.h"
#include "bench/explanations.h"
#include "bench/station_finder.h"
#include "bench/values.h"
#include "text/bit_names.h"
#include "text/format.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

namespace {

using text::Format;

// More sweep points than this are not a scan anyone waits for.
constexpr uint64_t kMostSweepPoints = 100000;
// The channels left out that the report names; the rest it counts.
constexpr size_t kLeftOutNamed = 10;

// A station found, as the module reports it there; `entry` is its part of
// the document's "found".
struct ScanStation {
    Json entry;
    Channel channel; // as a channel list keeps it
    uint32_t modes = 0;
    std::string setUp; // the standard asked and the demodulator's set-up, where they differ

    int AfcStep() const { return entry["afc_step"]; }
    uint32_t Signal() const { return entry["signal"]; }
    // What the board did besides: where the synthesizer is when that is
    // not the station's frequency, the set-up where it is not the standard's.
    std::string Besides() const {
        const uint32_t synthHz = entry["synthesizer_hz"];
        std::string b;
        if (synthHz != channel.frequencyHz) {
            b = "synthesizer at " + MHzText(synthHz);
        }
        if (!setUp.empty()) {
            b += (b.empty() ? "" : ", ") + setUp;
        }
        return b;
    }
    std::string Line() const {
        const uint32_t nominalHz = entry["nominal_hz"];
        const double offHz =
            static_cast<double>(channel.frequencyHz) - static_cast<double>(nominalHz);
        const std::string besides = Besides();
        return Format("  %-7s %14s%-13s AFC step %s  signal %3u  sound %s", channel.name.c_str(),
                      MHzText(channel.frequencyHz).c_str(),
                      offHz == 0 ? "" : Format(" (%+.1f kHz)", offHz / 1e3).c_str(),
                      Step(AfcStep()).c_str(), Signal(),
                      host_driver::AudioModeNames(modes).c_str()) +
               (besides.empty() ? "" : " (" + besides + ")");
    }
    std::string Comment() const {
        const std::string besides = Besides();
        return Format("sound %s, AFC step %s, signal %u",
                      host_driver::AudioModeNames(modes).c_str(), Step(AfcStep()).c_str(),
                      Signal()) +
               (besides.empty() ? "" : "; " + besides);
    }
};

class Scan {
  public:
    Scan(BoardRun& run, HostCalls& calls) : run_(run), calls_(calls), o_(run.options) {}
    int Run();

  private:
    std::vector<Channel> Channels(Range range, uint64_t* skipped);
    Sweep SweepWithin(Range range, uint64_t* skipped);
    Heard Hear(uint32_t hz);
    void Found(const FoundStation& f);
    // What was left out, the first few by name: "E2 48.250 MHz, ..., and 3 more".
    std::string LeftOutText() const;

    BoardRun& run_;
    HostCalls& calls_;
    const Options& o_;
    uint32_t lastTunedHz_ = 0;
    std::vector<ScanStation> found_;
    std::vector<std::string> leftOut_; // what was left out: channels, or a sweep's ends
};

// The channels to scan: a channel list or the standard's plan, those
// outside the tuner's range left out (and said so).
std::vector<Channel> Scan::Channels(Range range, uint64_t* skipped) {
    std::vector<Channel> channels = o_.channels;
    const uint32_t standard = calls_.standard;
    if (channels.empty()) {
        if ((o_.bands & PlanBands(standard)) == 0) {
            throw UsageError("the " + host_driver::StandardName(standard) +
                             " channel plan has no channels in " + BandNames(o_.bands) +
                             " (it has " + BandNames(PlanBands(standard)) + ")");
        }
        channels = ChannelPlan(standard, o_.bands);
    }
    std::vector<Channel> within;
    for (const Channel& c : channels) {
        if (range.Holds(c.frequencyHz)) {
            within.push_back(c);
        } else {
            leftOut_.push_back(c.name + " " + MHzText(c.frequencyHz));
        }
    }
    *skipped = channels.size() - within.size();
    return within;
}

// A sweep clipped to the tuner's range, refused where it makes no sense.
Sweep Scan::SweepWithin(Range range, uint64_t* skipped) {
    const Sweep& s = o_.sweep;
    const uint32_t granularity = calls_.tvLimits.TuningGranularity;
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
    const auto span = [](uint64_t fromHz, uint64_t toHz) {
        return MHzText(static_cast<uint32_t>(fromHz)) + ".." + MHzText(static_cast<uint32_t>(toHz));
    };
    if (in.fromHz != s.fromHz) {
        leftOut_.push_back(span(s.fromHz, in.fromHz - s.stepHz));
    }
    const uint64_t last = s.fromHz + (s.Points() - 1) * uint64_t{s.stepHz};
    const uint64_t lastIn = in.fromHz + (in.Points() - 1) * uint64_t{in.stepHz};
    if (last != lastIn) {
        leftOut_.push_back(span(lastIn + s.stepHz, last));
    }
    if (in.Points() > kMostSweepPoints) {
        throw UsageError("--sweep gives " + std::to_string(in.Points()) +
                         " frequencies, more than " + std::to_string(kMostSweepPoints) +
                         ": take a larger step or a narrower range");
    }
    return in;
}

std::string Scan::LeftOutText() const {
    std::vector<std::string> named;
    for (size_t i = 0; i < leftOut_.size() && i < kLeftOutNamed; ++i) {
        named.push_back(leftOut_[i]);
    }
    if (leftOut_.size() > named.size()) {
        named.push_back("and " + std::to_string(leftOut_.size() - named.size()) + " more");
    }
    return text::Joined(named, ", ");
}

Heard Scan::Hear(uint32_t hz) {
    const Tuning t = calls_.Tune(hz, 1);
    lastTunedHz_ = hz;
    return Heard{t.locked, t.locked ? t.status.PllOffset : 0};
}

// A station found: tuned there again if the scan has moved on, its signal
// and sound read, reported and kept.
void Scan::Found(const FoundStation& f) {
    Tuning t;
    if (lastTunedHz_ != f.hz) {
        t = calls_.Tune(f.hz, 1);
        lastTunedHz_ = f.hz;
    } else {
        t = calls_.Status();
    }
    const uint32_t modes = t.locked ? calls_.AudioModes() : TVB_AUDIO_MODE_MONO;
    // The station is kept with the standard the board received it in (a
    // standard without a set-up of its own is received as another one);
    // the one asked for is said beside it.
    const uint32_t received = ReceivedStandard(run_.board);
    const uint32_t standard = received != 0 ? received : calls_.standard;
    // A sweep point is no channel: the station is named by its frequency.
    const Channel channel{o_.sweeping ? Format("%.2f", f.hz / 1e6) : f.channel.name, f.hz,
                          standard};
    ScanStation s{{{"channel", channel.name},
                   {"frequency_hz", f.hz},
                   {"nominal_hz", o_.sweeping ? f.hz : f.channel.frequencyHz},
                   {"standard", host_driver::StandardName(standard)},
                   {"afc_step", t.locked ? t.status.PllOffset : f.afcStep},
                   {"signal", t.locked ? t.status.SignalStrength : 0},
                   {"audio_modes", text::BitNames(modes, host_driver::AudioModeNames)}},
                  channel,
                  modes,
                  ""};
    s.entry.update(TuningMembers(calls_));
    if (standard != calls_.standard || !SetUpFor(SetUpCode(run_.board), calls_.standard)) {
        s.entry["asked_standard"] = host_driver::StandardName(calls_.standard);
        s.setUp = "asked for " + StandardAsSetUp(calls_);
    }
    run_.Say(s.Line()); // (its entry goes into the summary)
    found_.push_back(s);
}

int Scan::Run() {
    const Range range = TunerRange(calls_);
    uint64_t skipped = 0;
    std::vector<Channel> channels;
    Sweep sweep;
    uint64_t count = 0;
    if (o_.sweeping) {
        sweep = SweepWithin(range, &skipped);
        count = sweep.Points();
    } else {
        channels = Channels(range, &skipped);
        count = channels.size();
    }
    const std::string what =
        o_.channels.empty() ? host_driver::StandardName(calls_.standard) : o_.channelsPath;
    run_.Say(Format("scanning %llu channels for %s", static_cast<unsigned long long>(count),
                    what.c_str()) +
             (skipped != 0
                  ? Format(", %llu outside the tuner's range %s left out: ",
                           static_cast<unsigned long long>(skipped), range.Text().c_str()) +
                        LeftOutText()
                  : ""));
    const uint64_t start = run_.NowUs();
    StationFinder finder(calls_.tvLimits.TuningGranularity,
                         [this](uint32_t hz) { return Hear(hz); });
    const auto found = [this](const std::optional<FoundStation>& f) {
        if (f) {
            Found(*f);
        }
    };
    for (uint64_t i = 0; i < count; ++i) {
        Channel ch;
        if (o_.sweeping) {
            ch.frequencyHz = static_cast<uint32_t>(sweep.fromHz + i * sweep.stepHz);
            ch.name = Format("%.2f", ch.frequencyHz / 1e6);
        } else {
            ch = channels[i];
        }
        if (ch.standard != 0 && ch.standard != calls_.standard) {
            found(finder.Finish());
            calls_.SetStandard(ch.standard);
        }
        run_.progress.Show(Format("scan: channel %s at %s (%llu of %llu), %zu found so far",
                                  ch.name.c_str(), MHzText(ch.frequencyHz).c_str(),
                                  static_cast<unsigned long long>(i) + 1,
                                  static_cast<unsigned long long>(count), found_.size()));
        found(finder.Add(ch, Hear(ch.frequencyHz)));
    }
    found(finder.Finish());
    run_.progress.Clear();
    Json entries = Json::array();
    for (const ScanStation& s : found_) {
        entries.push_back(s.entry);
    }
    const uint64_t took = run_.NowUs() - start;
    const size_t n = found_.size();
    run_.Put({{"standard", host_driver::StandardName(calls_.standard)},
              {"channels", count},
              {"left_out", skipped},
              {"left_out_what", leftOut_},
              {"range", {{"min_hz", range.lowHz}, {"max_hz", range.highHz}}},
              {"found", entries},
              {"took_us", took},
              {"clock", run_.Clock()}},
             [&](const Json&) {
                 return Format("%zu station%s in %llu channels, %s of %s\n", n, n == 1 ? "" : "s",
                               static_cast<unsigned long long>(count), Seconds(took).c_str(),
                               run_.Clock());
             });
    if (!o_.save.empty() && n == 0) {
        // A list without a channel is no list: what was there stays.
        run_.saveFile.Discard();
        run_.Say("no channel list written to " + Shown(o_.save) + ": no station found");
    } else if (!o_.save.empty()) {
        WriteChannelListHead(run_.saveFile.Stream());
        for (const ScanStation& s : found_) {
            WriteChannel(run_.saveFile.Stream(), s.channel, s.Comment());
        }
        // (A write that fails now fails the run; the list there stays.)
        std::string error;
        if (!run_.saveFile.Close(&error)) {
            std::fprintf(stderr, "tvboard: %s\n", error.c_str());
            return 1;
        }
    }
    return n > 0 ? 0 : 1;
}

} // namespace

int ScanCommand(BoardRun& run, HostCalls& calls) {
    return calls.BringUp() ? Scan(run, calls).Run() : 1;
}

} // namespace bench
