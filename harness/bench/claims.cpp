#include "bench/claims.h"

#include "bench/values.h"
#include "emu/if_demod.h"
#include "host_driver/host_driver.h"
#include "regmap/decoder_map.h"
#include "regmap/if_demod_map.h"
#include "text/format.h"

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

} // namespace

int Claims::AfcStep(uint8_t status) {
    // Bits 6..0, a 7-bit two's-complement number.
    const int value = static_cast<int8_t>(static_cast<uint8_t>((status & ifd::kAfcMask) << 1)) / 2;
    const int units = std::abs(value);
    const int steps = units >= kTwoStepUnits ? 2 : (units >= kOneStepUnits ? 1 : 0);
    return value < 0 ? -steps : steps;
}

uint32_t Claims::TunedNowHz() const {
    const uint64_t osc = board_.synth.OscillatorHz();
    const uint32_t offset = emu::IfDemod::IfOffsetHz(board_.demod.StandardCode());
    return osc > offset ? static_cast<uint32_t>(osc - offset) : 0;
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
    // The divider gives the oscillator in steps: the tuned frequency lies
    // at most one step below the one asked for.
    const uint32_t tuned = TunedNowHz();
    const uint64_t step = board_.synth.ResolutionHz();
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

} // namespace bench
