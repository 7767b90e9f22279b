// The explanations the bench appends to the timeline lines it knows.
#include "bench/annotate.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The explanation stands in column 41, or one space after a longer line.
TEST(AnnotateTest, KnownLinesGetTheirExplanationInAColumn) {
    EXPECT_EQ(bench::Annotate("96 {21 C0}"),
              "96 {21 C0}" + std::string(30, ' ') + "; gate open: synthesizer on the bus");
    struct Case {
        const char* line;
        const char* explanation; // null: the line stays as it is
    };
    // One line of each shape a prefix takes, and the near misses.
    const Case cases[] = {
        {"96 {21 80}", "gate closed"},
        {"96 {01 82}", "demodulator: standard code (bit 7 while tuning)"},
        {"96 {28 14}", nullptr},
        {"96 {1B}", "read status: lock (bit 7), AFC (bits 6..0)"},
        {"96 {1B 00}", nullptr},
        {"96 {0E}", "SECAM L: pulse on register 0x0E"},
        {"96 {0E 02}", "SECAM L: pulse on register 0x0E"},
        {"96 -> {80}", nullptr},
        {"C2 {00 00 00 00 7C 04 A3 3F 2A 04 FF 00 00 40}",
         "synthesizer: initial register block R0..R12"},
        {"C2 {00 2D 80 40 52 91 8F 8F}", "synthesizer: divider, band and RF codes (R0..R6)"},
        {"C2 {80 0C}", "second correction"},
        {"C2 {80 08}", "synthesizer R8"},
        {"C2 {30 D2}", "synthesizer R3: loop start-up"},
        {"42[10A] <- 80", "brightness"},
        {"42[10A] -> 80", nullptr},
        {"42[117..11A] <- 00000019", "standard: decoder register 0x117"},
        {"42[40A..40D] -> 00000001 (dsp)", "audio DSP: two-language flag"},
        {"42[464..467] <- 00000003 (dsp)", "audio DSP: sound source and channel"},
        {"42[598..59B] <- 00000000", "audio set-up begins"},
        {"pins <- 0=0", "audio clock 44.1 kHz"},
        {"pins -> 7=1", "board pins"},
        {"[150 ms]", nullptr},
    };
    std::string text;
    std::string annotated;
    for (const Case& c : cases) {
        std::string expected = c.line;
        if (c.explanation != nullptr) {
            expected.append(expected.size() < 40 ? 40 - expected.size() : 1, ' ');
            expected += std::string("; ") + c.explanation;
        }
        EXPECT_EQ(bench::Annotate(c.line), expected);
        text += std::string(c.line) + "\n";
        annotated += expected + "\n";
    }
    EXPECT_EQ(bench::AnnotateAll(text), annotated);
}

} // namespace
