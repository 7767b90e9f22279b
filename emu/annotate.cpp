#include "emu/annotate.h"

#include <sstream>

namespace emu {

namespace {

struct Explanation {
    const char* prefix; // the start of a timeline line
    const char* text;
};

// First match wins, so longer prefixes stand before shorter ones.
constexpr Explanation kExplanations[] = {
    {"96 {21 C0}", "gate open: synthesizer on the bus"},
    {"96 {21 80}", "gate closed"},
    {"96 {07 00}", "demodulator: hold for a standard change"},
    {"96 {01 ", "demodulator: standard code (bit 7 while tuning)"},
    {"96 {0F 88}", "demodulator: tuning starts"},
    {"96 {0F 81}", "demodulator: tuning done"},
    {"96 {28 64}", "first correction"},
    {"96 {05 01}", "third correction"},
    {"96 {0D 27}", "third correction"},
    {"96 {1B}", "read status: lock (bit 7), AFC (bits 6..0)"},
    {"96 {1D}", "read level"},
    {"96 {1A}", "read counter"},
    {"96 {0E", "SECAM L: pulse on register 0x0E"},
    {"96 {30 6F}", "demodulator initialisation"},
    {"96 {20 0B}", "demodulator initialisation"},
    {"C2 {00 00 00 00 7C", "synthesizer: initial register block R0..R12"},
    {"C2 {00 ", "synthesizer: divider, band and RF codes (R0..R6)"},
    {"C2 {80 0C}", "second correction"},
    {"C2 {80 ", "synthesizer R8"},
    {"C2 {30 ", "synthesizer R3: loop start-up"},
    {"C2 {60 ", "synthesizer R6"},
    {"42[102] <-", "video input"},
    {"42[109] <-", "video input"},
    {"42[10A] <-", "brightness"},
    {"42[10B] <-", "contrast"},
    {"42[10C] <-", "saturation"},
    {"42[10D] <-", "hue"},
    {"42[190] <-", "output control"},
    {"42[115..118] <-", "standard: decoder register 0x115"},
    {"42[116..119] <-", "standard: decoder register 0x116"},
    {"42[117..11A] <-", "standard: decoder register 0x117"},
    {"42[404..407] ->", "audio DSP: sound status"},
    {"42[409..40C] ->", "audio DSP: stereo flag"},
    {"42[40A..40D] ->", "audio DSP: two-language flag"},
    {"42[454..457] <-", "audio DSP: restart bit (bit 7)"},
    {"42[464..467] <-", "audio DSP: sound source and channel"},
    {"42[598..59B] <-", "audio set-up begins"},
    {"pins <- 0=1", "audio clock 48 kHz"},
    {"pins <- 0=0", "audio clock 44.1 kHz"},
    {"pins -> ", "board pins"},
};

constexpr size_t kColumn = 40;

} // namespace

std::string Annotate(const std::string& line) {
    for (const Explanation& e : kExplanations) {
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

} // namespace emu
