#include "bench/annotate.h"

#include "regmap/decoder_map.h"
#include "regmap/if_demod_map.h"
#include "regmap/synth_map.h"
#include "text/format.h"

#include <initializer_list>
#include <sstream>
#include <vector>

namespace bench {

namespace {

namespace dmap = regmap::decoder;
namespace ifd = regmap::if_demod;
namespace sm = regmap::synth;

struct Explanation {
    std::string prefix; // the start of a timeline line
    const char* text;
};

std::string Hex2(uint32_t value) {
    return text::Format("%02X", value);
}

// The start of a transfer's line: the device and its first bytes, followed
// by `tail` (" " when more bytes follow, "}" for exactly these, "" for either).
std::string Transfer(uint8_t device, std::initializer_list<uint8_t> bytes, const char* tail) {
    std::string s = Hex2(device) + " {";
    const char* gap = "";
    for (uint8_t b : bytes) {
        s += gap + Hex2(b);
        gap = " ";
    }
    return s + tail;
}
std::string ToDemod(std::initializer_list<uint8_t> bytes, const char* tail = "}") {
    return Transfer(TVB_IF_DEMOD_ADDRESS, bytes, tail);
}
std::string ToSynth(std::initializer_list<uint8_t> bytes, const char* tail = "}") {
    return Transfer(TVB_SYNTH_ADDRESS, bytes, tail);
}
// A write of one decoder register, and of the dword a field lies in.
std::string RegWrite(uint16_t reg) {
    return text::Format("%02X[%03X] <-", TVB_DECODER_ADDRESS, reg);
}
std::string Dword(uint16_t reg, const char* arrow) {
    return text::Format("%02X[%03X..%03X] %s", TVB_DECODER_ADDRESS, reg, reg + 3u, arrow);
}

// First match wins, so longer prefixes stand before shorter ones.
const std::vector<Explanation>& Explanations() {
    static const std::vector<Explanation> kExplanations = {
        {ToDemod({ifd::kGate, ifd::kGateOpen}), "gate open: synthesizer on the bus"},
        {ToDemod({ifd::kGate, ifd::kGateClosed}), "gate closed"},
        {ToDemod({ifd::kHold, ifd::kHoldOn}), "demodulator: hold for a standard change"},
        {ToDemod({ifd::kStandard}, " "), "demodulator: standard code (bit 7 while tuning)"},
        {ToDemod({ifd::kTuningControl, ifd::kTuningStart}), "demodulator: tuning starts"},
        {ToDemod({ifd::kTuningControl, ifd::kTuningDone}), "demodulator: tuning done"},
        {ToDemod({ifd::kAgc, ifd::kAgcCorrection}), "first correction"},
        {ToDemod({ifd::kDetector, ifd::kDetectorCorrection}), "third correction"},
        {ToDemod({ifd::kLoop, ifd::kLoopCorrection}), "third correction"},
        {ToDemod({ifd::kStatus}), "read status: lock (bit 7), AFC (bits 6..0)"},
        {ToDemod({ifd::kLevel}), "read level"},
        {ToDemod({ifd::kCounter}), "read counter"},
        {ToDemod({ifd::kNudge}, ""), "SECAM L: pulse on register 0x0E"},
        {ToDemod({ifd::kStartup30, ifd::kStartup30Value}), "demodulator initialisation"},
        {ToDemod({ifd::kStartup20, ifd::kStartup20Value}), "demodulator initialisation"},
        // Only the initial block clears R0 to R2: tuning always sets R2.
        {ToSynth({sm::SubAddress(sm::kDividerHigh), 0, 0, 0}, " "),
         "synthesizer: initial register block R0..R12"},
        {ToSynth({sm::SubAddress(sm::kDividerHigh)}, " "),
         "synthesizer: divider, band and RF codes (R0..R6)"},
        {ToSynth({sm::SubAddress(sm::kControl8), sm::kControl8Loop | sm::kControl8Correction}),
         "second correction"},
        {ToSynth({sm::SubAddress(sm::kControl8)}, " "), "synthesizer R8"},
        {ToSynth({sm::SubAddress(sm::kControl3)}, " "), "synthesizer R3: loop start-up"},
        {ToSynth({sm::SubAddress(sm::kControl6)}, " "), "synthesizer R6"},
        {RegWrite(dmap::kInputSelect), "video input"},
        {RegWrite(dmap::kInputControl), "video input"},
        {RegWrite(dmap::kBrightness), "brightness"},
        {RegWrite(dmap::kContrast), "contrast"},
        {RegWrite(dmap::kSaturation), "saturation"},
        {RegWrite(dmap::kHue), "hue"},
        {RegWrite(dmap::kOutputControl), "output control"},
        {Dword(dmap::kStandard1, "<-"), "standard: decoder register 0x115"},
        {Dword(dmap::kStandard2, "<-"), "standard: decoder register 0x116"},
        {Dword(dmap::kStandard3, "<-"), "standard: decoder register 0x117"},
        {Dword(dmap::kSoundStatus, "->"), "audio DSP: sound status"},
        {Dword(dmap::kStereoFlag, "->"), "audio DSP: stereo flag"},
        {Dword(dmap::kTwoLanguageFlag, "->"), "audio DSP: two-language flag"},
        {Dword(dmap::kDemodControl, "<-"), "audio DSP: restart bit (bit 7)"},
        {Dword(dmap::kSoundSelect, "<-"), "audio DSP: sound source and channel"},
        {Dword(dmap::kAudioSetup598.reg, "<-"), "audio set-up begins"},
        {"pins <- 0=1", "audio clock 48 kHz"},
        {"pins <- 0=0", "audio clock 44.1 kHz"},
        {"pins -> ", "board pins"},
    };
    return kExplanations;
}

constexpr size_t kColumn = 40;

} // namespace

std::string Annotate(const std::string& line) {
    for (const Explanation& e : Explanations()) {
        if (line.rfind(e.prefix, 0) == 0) {
            std::string out = line;
            out.append(out.size() < kColumn ? kColumn - out.size() : 1, ' ');
            return out + "; " + e.text;
        }
    }
    return line;
}

std::string AnnotateAll(const std::string& text) {
    std::istringstream in(text);
    std::string out;
    for (std::string line; std::getline(in, line);) {
        out += Annotate(line) + "\n";
    }
    return out;
}

} // namespace bench
