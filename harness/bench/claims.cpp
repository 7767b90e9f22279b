#include "bench/claims.h"

#include "bench/board_reading.h"
#include "bench/values.h"
#include "emu/if_demod.h"
#include "emu/synth.h"
#include "host_driver/host_driver.h"
#include "regmap/decoder_map.h"
#include "regmap/if_demod_map.h"
#include "text/fixed_field.h"
#include "text/format.h"

#include <algorithm>
#include <cstdlib>

namespace bench {

namespace {

namespace dmap = regmap::decoder;
namespace ifd = regmap::if_demod;

// The demodulator's AFC value counts units of 3125 Hz; a host reports the
// offset in steps of about one tuning step (62.5 kHz): below 59 375 Hz none,
// up to 118 749 Hz one, beyond that two, the sign that of the offset.
constexpr int kOneStepUnits = 19; // 59 375 Hz
constexpr int kTwoStepUnits = 38; // 118 750 Hz

std::string Modes(uint32_t modes) {
    return host_driver::AudioModeNames(modes);
}

// The two line systems of analog TV: the standards of each, the picture
// heights a capture of it has (its active lines) and its frame rate times
// 1001, as a descriptor gives it. PAL_M is broadcast on 525 lines, but this
// board's descriptors have always listed it with the 625-line standards,
// and hosts rely on where it is: either is taken for it.
struct LineSystem {
    int lines;
    uint32_t standards;
    uint32_t minHeight;
    uint32_t maxHeight;
    uint32_t frameRate;
};
constexpr LineSystem kLineSystems[] = {
    {525,
     TVB_STANDARD_NTSC_M | TVB_STANDARD_NTSC_M_J | TVB_STANDARD_NTSC_433 | TVB_STANDARD_PAL_M |
         TVB_STANDARD_PAL_60,
     480, 486, 30000},
    {625,
     TVB_STANDARD_PAL_B | TVB_STANDARD_PAL_D | TVB_STANDARD_PAL_G | TVB_STANDARD_PAL_H |
         TVB_STANDARD_PAL_I | TVB_STANDARD_PAL_M | TVB_STANDARD_PAL_N | TVB_STANDARD_SECAM_B |
         TVB_STANDARD_SECAM_D | TVB_STANDARD_SECAM_G | TVB_STANDARD_SECAM_H | TVB_STANDARD_SECAM_K |
         TVB_STANDARD_SECAM_K1 | TVB_STANDARD_SECAM_L | TVB_STANDARD_SECAM_L1,
     576, 576, 25025},
};

// The frequencies the synthesizer reaches with every IF offset the
// demodulator has: from its lowest oscillator less the smallest offset to
// its highest less the largest.
void TunableRange(uint64_t* lowHz, uint64_t* highHz) {
    uint64_t smallest = UINT64_MAX;
    uint64_t largest = 0;
    for (unsigned code = 1; code <= UINT8_MAX; code <<= 1) {
        const uint32_t offset = emu::IfDemod::IfOffsetHz(static_cast<uint8_t>(code));
        if (offset != 0) {
            smallest = std::min<uint64_t>(smallest, offset);
            largest = std::max<uint64_t>(largest, offset);
        }
    }
    *lowHz = emu::Synth::LowestOscillatorHz() - smallest;
    *highHz = emu::Synth::HighestOscillatorHz() - largest;
}

std::string MHz64(uint64_t hz) {
    return text::Format("%.3f MHz", static_cast<double>(hz) / 1e6);
}

} // namespace

int Claims::AfcStep(uint8_t status) {
    // Bits 6..0, a 7-bit two's-complement number.
    const int value = static_cast<int8_t>(static_cast<uint8_t>((status & ifd::kAfcMask) << 1)) / 2;
    const int units = std::abs(value);
    const int steps = units >= kTwoStepUnits ? 2 : (units >= kOneStepUnits ? 1 : 0);
    return value < 0 ? -steps : steps;
}

void Claims::BeforeStatus() {
    statusReadsBefore_ = board_.demod.StatusReads();
}

void Claims::Status(const TVTunerSettings& a, uint32_t storedHz) {
    const bool asked = board_.demod.StatusReads() != statusReadsBefore_;
    const uint8_t shown = asked ? board_.demod.LastStatusShown() : board_.demod.Peek(ifd::kStatus);
    const bool locked = (shown & ifd::kLockBit) != 0;
    const std::string source =
        asked ? "the IF demodulator's last status" : "the IF demodulator, which it did not ask,";
    if ((a.Busy == 0) != locked) {
        Fail(std::string("the module reports ") + (a.Busy == 0 ? "lock" : "no lock") + ", but " +
             source + (locked ? " shows lock" : " shows none"));
        return;
    }
    if (!locked) {
        return;
    }
    const int step = AfcStep(shown);
    if (a.PllOffset != step) {
        Fail("the module reports AFC step " + std::to_string(a.PllOffset) + ", but " + source +
             " means " + std::to_string(step));
    }
    const uint32_t signal = step == 0 ? TVB_SIGNAL_FULL : 0;
    if (a.SignalStrength != signal) {
        Fail("the module reports signal " + std::to_string(a.SignalStrength) + " at AFC step " +
             std::to_string(step) + ", where a lock on the carrier means " +
             std::to_string(TVB_SIGNAL_FULL) + " and any other 0");
    }
    if (a.Frequency != storedHz) {
        Fail("the module reports " + MHzText(a.Frequency) + " in its status, but keeps " +
             MHzText(storedHz));
    }
}

void Claims::BeforeTune() {
    oscillatorBefore_ = board_.synth.OscillatorHz();
}

void Claims::Tuned(uint32_t askedHz, uint32_t storedHz) {
    const uint64_t osc = board_.synth.OscillatorHz();
    if (storedHz != askedHz) {
        if (osc != oscillatorBefore_) {
            Fail("the module refused " + MHzText(askedHz) + " (it keeps " + MHzText(storedHz) +
                 "), but moved the synthesizer");
        }
        return;
    }
    if (tvCaps_.MaxFrequency != 0 &&
        (askedHz < tvCaps_.MinFrequency || askedHz > tvCaps_.MaxFrequency)) {
        std::string low = MHzText(tvCaps_.MinFrequency);
        low.erase(low.find(' '));
        Fail("the module keeps " + MHzText(askedHz) + " as tuned, outside the TV range " + low +
             ".." + MHzText(tvCaps_.MaxFrequency) + " it advertises (GetTunerModeCaps)");
    }
    // The divider gives the oscillator in steps: the tuned frequency lies
    // at most one step below the one asked for.
    const SynthSetting set = TunedOnBoard(board_);
    const uint32_t tuned = set.hz;
    const uint64_t step = set.stepHz;
    if (tuned > askedHz || uint64_t{askedHz} - tuned >= step) {
        Fail("the module keeps " + MHzText(askedHz) + " as tuned, but the synthesizer is set for " +
             (tuned != 0 ? MHzText(tuned) : std::string("no frequency")) + " (divider " +
             std::to_string(board_.synth.Divider()) + ")");
    }
}

uint32_t Claims::BroadcastModes() const {
    const emu::Sound& s = board_.decoder.BroadcastSound();
    uint32_t modes = TVB_AUDIO_MODE_MONO;
    if (s.stereo) {
        modes |= TVB_AUDIO_MODE_STEREO;
    } else if (s.twoLanguages) {
        modes |= TVB_AUDIO_MODE_LANG_A | TVB_AUDIO_MODE_LANG_B;
    }
    if (s.thirdLanguage) {
        modes |= TVB_AUDIO_MODE_LANG_C;
    }
    return modes;
}

void Claims::AudioModes(uint32_t reported) {
    const uint32_t truth = BroadcastModes();
    if (reported != truth) {
        Fail("the module reports TV sound " + Modes(reported) + ", but the broadcast carries " +
             Modes(truth));
    }
}

void Claims::AudioModeSet(uint32_t mode, bool accepted) {
    const uint32_t truth = BroadcastModes();
    const bool available = (mode & ~truth) == 0;
    if (accepted != available) {
        Fail("the module " + std::string(accepted ? "accepted " : "refused ") + Modes(mode) +
             ", which the broadcast (" + Modes(truth) + ") " +
             (available ? "carries" : "does not carry"));
        return;
    }
    if (!accepted) {
        return;
    }
    // Where a single mode puts the DSP's sound channel (or, for the third
    // language, its source).
    const emu::Decoder& d = board_.decoder;
    const struct {
        uint32_t mode;
        regmap::DecoderField field;
        uint32_t value;
    } expected[] = {
        {TVB_AUDIO_MODE_MONO, dmap::kSoundChannel, dmap::kChannelLanguageA},
        {TVB_AUDIO_MODE_STEREO, dmap::kSoundChannel, dmap::kChannelStereo},
        {TVB_AUDIO_MODE_LANG_A, dmap::kSoundChannel, dmap::kChannelLanguageA},
        {TVB_AUDIO_MODE_LANG_B, dmap::kSoundChannel, dmap::kChannelLanguageB},
        {TVB_AUDIO_MODE_LANG_C, dmap::kSoundSource, dmap::kSourceThirdLanguage},
    };
    for (const auto& e : expected) {
        if (e.mode == mode && d.Field(e.field) != e.value) {
            Fail("the module accepted " + Modes(mode) + ", but the audio DSP's register 0x464 " +
                 "holds " + std::to_string(d.Field(e.field)) + " where " + Modes(mode) + " needs " +
                 std::to_string(e.value));
        }
    }
}

void Claims::Input(uint32_t chosen, uint32_t reported) {
    if (reported != chosen) {
        Fail("input " + InputName(chosen) + " was selected, but the module reports " +
             InputName(reported));
    }
    const struct {
        uint32_t input;
        uint8_t select;
        uint8_t control;
    } routes[] = {
        {TVB_VIDEO_INPUT_TUNER, dmap::kInputSelectInput0, dmap::kInputControlInput0},
        {TVB_VIDEO_INPUT_COMPOSITE, dmap::kInputSelectInput1, dmap::kInputControlInput1},
        {TVB_VIDEO_INPUT_SVIDEO, dmap::kInputSelectInput2, dmap::kInputControlInput2},
    };
    for (const auto& r : routes) {
        const uint8_t select = static_cast<uint8_t>(board_.decoder.Dword(dmap::kInputSelect));
        const uint8_t control = static_cast<uint8_t>(board_.decoder.Dword(dmap::kInputControl));
        if (r.input == chosen && (select != r.select || control != r.control)) {
            Fail(text::Format("input %s was selected, but the decoder's input registers hold "
                              "0x%02X and 0x%02X, where it needs 0x%02X and 0x%02X",
                              InputName(chosen).c_str(), select, control, r.select, r.control));
        }
    }
}

void Claims::Picture(const PictureControl& c, int32_t value) {
    const uint8_t byte = static_cast<uint8_t>(board_.decoder.Dword(c.reg));
    int32_t held = 0;
    if (!PictureValue(c, byte, &held) || held != value) {
        Fail(text::Format("%s %d was set, but decoder register 0x%03X holds 0x%02X", c.name, value,
                          c.reg, byte));
    }
}

void Claims::Descriptors(const std::vector<VideoStandardDescriptor>& descriptors) {
    for (const VideoStandardDescriptor& d : descriptors) {
        const std::string name = text::FixedField(d.Name);
        for (uint32_t bit : host_driver::StandardBits()) {
            if ((d.Standards & bit) == 0) {
                continue;
            }
            bool fits = false;
            const LineSystem* own = nullptr;
            int systems = 0;
            for (const LineSystem& ls : kLineSystems) {
                if ((ls.standards & bit) == 0) {
                    continue;
                }
                own = &ls;
                ++systems;
                fits = fits || (d.Height >= ls.minHeight && d.Height <= ls.maxHeight &&
                                d.FrameRate == ls.frameRate);
            }
            if (fits || own == nullptr) {
                continue;
            }
            const std::string standard = host_driver::StandardName(bit);
            Fail(text::Format("the descriptor '%s' gives %s %u lines at %.3f frames/s, ",
                              name.c_str(), standard.c_str(), d.Height, d.FrameRate / 1001.0) +
                 (systems == 1 ? text::Format("but %s is a %d-line standard: %u lines at %.3f "
                                              "frames/s",
                                              standard.c_str(), own->lines, own->minHeight,
                                              own->frameRate / 1001.0)
                               : std::string("which neither line system has")));
        }
    }
}

void Claims::TunerMode(uint32_t mode, const TunerModeCaps& caps) {
    if (caps.MinFrequency == 0 && caps.MaxFrequency == 0) {
        return; // not a mode the module has
    }
    if (mode == TVB_TUNER_MODE_TV) {
        tvCaps_ = caps;
    }
    uint64_t low = 0;
    uint64_t high = 0;
    TunableRange(&low, &high);
    if (caps.MinFrequency > caps.MaxFrequency || caps.MinFrequency < low ||
        caps.MaxFrequency > high) {
        Fail(text::Format("the module advertises tuner mode %u from %s to %s, but the board "
                          "tunes %s..%s (the synthesizer's reach with every IF offset)",
                          mode, MHzText(caps.MinFrequency).c_str(),
                          MHzText(caps.MaxFrequency).c_str(), MHz64(low).c_str(),
                          MHz64(high).c_str()));
    }
}

void Claims::AudioFormatRead(const AudioFormat& format, const AudioInterfaceConfig& config) {
    // The interface's code of each rate (word 1 of the configuration).
    const struct {
        uint32_t rate;
        uint16_t code;
    } codes[] = {
        {TVB_SAMPLE_RATE_48000, 8}, {TVB_SAMPLE_RATE_44100, 4}, {TVB_SAMPLE_RATE_32000, 12}};
    for (const auto& c : codes) {
        if (c.rate == format.SampleRate) {
            if (config.Word[1] != c.code) {
                Fail(text::Format("the audio format gives %u Hz, but its rate code (word 1) is "
                                  "%u, where %u Hz is %u",
                                  format.SampleRate, config.Word[1], c.rate, c.code));
            }
            return;
        }
    }
    Fail(text::Format("the audio format gives %u Hz, a rate the audio interface has no code for "
                      "(48000, 44100 or 32000)",
                      format.SampleRate));
}

void Claims::SampleRateSet(uint32_t rate) {
    const uint32_t want = rate == TVB_SAMPLE_RATE_48000 ? 1 : 0;
    if (rate != TVB_SAMPLE_RATE_48000 && rate != TVB_SAMPLE_RATE_44100) {
        return; // no level of the pin means another rate
    }
    const uint32_t pin = board_.host.PinOutput(0);
    if (pin != want) {
        Fail(text::Format("the sample rate was set to %u Hz, but the rate pin 0 is %s, where %u "
                          "Hz needs %u",
                          rate, pin == 255 ? "not driven" : std::to_string(pin).c_str(), rate,
                          want));
    }
}

} // namespace bench
