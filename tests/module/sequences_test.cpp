// The condenser of sequences.h: what the shape of a line keeps, and
// that a sequence is found in a longer timeline whatever values it carries,
// but not when a register, a sub-address, a direction or a wait differs.
#include "sequences.h"

#include "audio/audio_setup.h"
#include "decoder_fixture.h"
#include "ops/input_selection.h"

#include <functional>
#include <string>
#include <vector>

TEST(SequencesTest, ShapeMasksTheValuesOnly) {
    const struct {
        const char* line;
        const char* shape;
    } cases[] = {
        {"42[10E] -> 58", "42[10E] -> .."},
        {"42[102] <- C1", "42[102] <- .."},
        {"42[454..457] <- 0000007C (dsp)", "42[454..457] <- ........ (dsp)"},
        {"42[10E] -> (no ack)", "42[10E] -> (no ack)"},
        {"96 {07 00}", "96 {07 ..}"},
        {"96 {1D}", "96 {1D}"},
        {"C2 {00 2D 80 40}", "C2 {00 .. .. ..}"},
        {"C2 {80 0C} (no ack)", "C2 {80 ..} (no ack)"},
        {"96 -> {15 80}", "96 -> {.. ..}"},
        {"[sleep 10 ms]", "[sleep 10 ms]"},
        {"[150 ms]", "[150 ms]"},
        {"dbg \"SetVideoProperty 1 50\"", "dbg \"SetVideoProperty 1 50\""},
        {"# host: CloseBoard", "# host: CloseBoard"},
        {"pins <- 0=1", "pins <- 0=1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sequences::Shape(c.line), c.shape);
    }
}

// Every sequence as checked in, between two lines of its own, is its named
// line; changed, it still is when only a value changed.
TEST(SequencesTest, FoundByShapeWhereverValuesDiffer) {
    const auto between = [](const std::string& lines) {
        std::string text = "# host: before\n";
        text += lines;
        text += "# host: after\n";
        return text;
    };
    for (const char* file :
         {sequences::kAudioSetUp, sequences::kDecoderRegisters, sequences::kAudioRestart,
          sequences::kModeBits, sequences::kTvStandardChange, sequences::kTunerStartUp,
          sequences::kTuningSettled}) {
        EXPECT_EQ(sequences::Condense(between(sequences::Recorded(file))),
                  between(sequences::NamedLine(file) + "\n"));
    }
    // One line of the audio set-up, found by its start, changed.
    using Change = std::function<std::string(const std::string&)>;
    const struct {
        const char* change;
        const char* line;
        Change to;
        bool found;
    } cases[] = {
        {"a value", "42[470..473] <- ",
         [](const std::string&) { return "42[470..473] <- 12345678 (dsp)"; }, true},
        {"a register", "42[470..473] <- ",
         [](const std::string& l) { return "42[471..474]" + l.substr(12); }, false},
        {"a direction", "42[470..473] <- ",
         [](const std::string& l) { return "42[470..473] ->" + l.substr(15); }, false},
        {"a plain register through the DSP", "42[1C0..1C3] <- ",
         [](const std::string& l) { return l + " (dsp)"; }, false},
        {"a wait", "[sleep 10 ms]", [](const std::string&) { return "[sleep 20 ms]"; }, false},
        {"a step left out", "42[404..407] -> ", [](const std::string&) { return ""; }, false},
    };
    for (const auto& c : cases) {
        std::string changed;
        bool applied = false;
        for (const std::string& line : Lines(sequences::Recorded(sequences::kAudioSetUp))) {
            const bool here = !applied && line.rfind(c.line, 0) == 0;
            const std::string now = here ? c.to(line) : line;
            applied = applied || here;
            changed += now.empty() ? "" : now + "\n";
        }
        ASSERT_TRUE(applied) << c.change;
        const std::string condensed = sequences::Condense(between(changed));
        EXPECT_EQ(condensed == between(sequences::NamedLine(sequences::kAudioSetUp) + "\n"),
                  c.found)
            << c.change << "\n"
            << condensed;
    }
    // The standard change is found by its own lines and the mode bits' shape.
    std::string change = sequences::Recorded(sequences::kTvStandardChange);
    change.replace(change.find(sequences::NamedLine(sequences::kModeBits)), std::string::npos,
                   sequences::Recorded(sequences::kModeBits));
    EXPECT_EQ(sequences::Condense(change),
              sequences::NamedLine(sequences::kTvStandardChange) + "\n");
}

using SequencesOnTheBoardTest = DecoderTest;

// The set-up of every input, from whatever the registers held, is one line.
TEST_F(SequencesOnTheBoardTest, AudioSetUpOfEveryInputIsOneLine) {
    for (uint32_t input : {0u, 1u, 2u, 0u}) {
        const size_t mark = Mark();
        InitAudioStandard(input);
        EXPECT_EQ(sequences::Condense(SummaryFrom(mark)),
                  sequences::NamedLine(sequences::kAudioSetUp) + "\n")
            << input;
    }
}

// An input change ends with a pulse of the restart bit in the restart's
// shape but with its own levels, 0, 1, 0: it stays in full, not named as the
// restart.
TEST_F(SequencesOnTheBoardTest, InputChangePulseIsNotTheRestart) {
    SelectVideoInput(1);
    const size_t mark = Mark();
    SelectVideoInput(1);
    const std::vector<std::string> lines = Lines(sequences::Condense(SummaryFrom(mark)));
    const std::vector<std::string> restart = Lines(sequences::Recorded(sequences::kAudioRestart));
    ASSERT_GE(lines.size(), restart.size());
    for (size_t i = 0; i < restart.size(); ++i) {
        EXPECT_EQ(sequences::Shape(lines[lines.size() - restart.size() + i]),
                  sequences::Shape(restart[i]));
    }
    for (const std::string& line : lines) {
        EXPECT_NE(line, sequences::NamedLine(sequences::kAudioRestart));
    }
}
