// The conformance comparison: what counts as a difference, how waits are
// measured between stamped events, and the recording format that carries a
// reference from one build of the bench to another.
#include "bench/conform.h"
#include "virtual_time/kernel_virtual.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using bench::Recording;
using bench::TimedLine;

TimedLine L(uint64_t t, const std::string& line) {
    return TimedLine{t, false, 0, line};
}
TimedLine W(uint64_t t, uint64_t us) {
    return TimedLine{t, true, us, "[" + std::to_string(us / 1000) + " ms]"};
}

// A call that writes, waits 10 ms, prints and writes again.
Recording Reference() {
    return Recording{"r",
                     {L(0, "# host: Tune"), L(0, "96 {0F 88}"), W(0, 10000), L(10000, "dbg \"x\""),
                      L(10000, "96 {0F 81}"), L(10000, "# returned")}};
}

TEST(ConformTest, SameEventsWithLongEnoughGapsConform) {
    const Recording built{"b",
                          {L(100, "# host: Tune"), L(105, "96 {0F 88}"), L(10200, "dbg \"x\""),
                           L(10110, "96 {0F 81}"), L(10300, "# returned")}};
    const bench::Verdict v = bench::Compare(Reference(), built);
    EXPECT_TRUE(v.same) << v.difference;
    EXPECT_TRUE(v.waitsKept) << v.difference;
    EXPECT_EQ(v.requiredUs, 10000u);
    EXPECT_EQ(v.tookUs, 10200u);
}

TEST(ConformTest, DifferencesAreReportedAtTheFirstOneWithContext) {
    struct Case {
        const char* name;
        std::vector<TimedLine> lines;
        const char* expected; // in the report
    };
    const Case cases[] = {
        {"a byte",
         {L(0, "# host: Tune"), L(0, "96 {0F 89}"), L(20000, "dbg \"x\""), L(20000, "96 {0F 81}"),
          L(20000, "# returned")},
         "first difference at event 2:\n    # host: Tune\n  - 96 {0F 88}\n  + 96 {0F 89}\n"},
        {"a missing print",
         {L(0, "# host: Tune"), L(0, "96 {0F 88}"), L(20000, "96 {0F 81}"), L(20000, "# returned")},
         "  - dbg \"x\"\n  + 96 {0F 81}\n"},
        {"the end",
         {L(0, "# host: Tune"), L(0, "96 {0F 88}"), L(20000, "dbg \"x\""), L(20000, "96 {0F 81}")},
         "  - # returned\n  + (end of the build's timeline)\n"},
        {"one event more",
         {L(0, "# host: Tune"), L(0, "96 {0F 88}"), L(20000, "dbg \"x\""), L(20000, "96 {0F 81}"),
          L(20000, "# returned"), L(20000, "96 {0F 81}")},
         "  - (end of the reference)\n  + 96 {0F 81}\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bench::Verdict v = bench::Compare(Reference(), Recording{"b", c.lines});
        EXPECT_FALSE(v.same);
        EXPECT_NE(v.difference.find(c.expected), std::string::npos) << v.difference;
    }
}

TEST(ConformTest, AWaitShorterThanTheReferenceFails) {
    // 9.999 ms where 10 ms are needed; the late print does not count as a
    // stamp, so the gap is taken up to the next write.
    const Recording built{"b",
                          {L(0, "# host: Tune"), L(1000, "96 {0F 88}"), L(20000, "dbg \"x\""),
                           L(10999, "96 {0F 81}"), L(11000, "# returned")}};
    const bench::Verdict v = bench::Compare(Reference(), built);
    EXPECT_TRUE(v.same);
    EXPECT_FALSE(v.waitsKept);
    EXPECT_NE(v.difference.find("only 9.999 ms between\n    96 {0F 88}\n    96 {0F 81}\n  "
                                "where the reference waits 10.000 ms"),
              std::string::npos)
        << v.difference;
}

TEST(ConformTest, RecordingsSurviveTheirTextForm) {
    const std::vector<Recording> written = {
        Reference(), Recording{"empty", {}},
        Recording{"odd", {L(7, "dbg \"a \\\"quoted\\\" text with  spaces\""), W(8, 50)}}};
    std::stringstream text;
    bench::WriteRecordings(text, written);
    std::vector<Recording> read;
    std::string error;
    ASSERT_TRUE(bench::ReadRecordings(text, &read, &error)) << error;
    ASSERT_EQ(read.size(), written.size());
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].scenario, written[i].scenario);
        ASSERT_EQ(read[i].lines.size(), written[i].lines.size());
        for (size_t k = 0; k < read[i].lines.size(); ++k) {
            EXPECT_EQ(read[i].lines[k].line, written[i].lines[k].line);
            EXPECT_EQ(read[i].lines[k].timeUs, written[i].lines[k].timeUs);
            EXPECT_EQ(read[i].lines[k].wait, written[i].lines[k].wait);
            EXPECT_EQ(read[i].lines[k].waitUs, written[i].lines[k].waitUs);
        }
    }
}

TEST(ConformTest, BrokenRecordingsAreRefusedWithTheLine) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"12 - x\n", "line 1: expected 'scenario NAME', not '12 - x'"},
        {"scenario a\nnot a line\nend\n",
         "line 2: the time is not a whole number of microseconds: 'not'"},
        {"scenario a\n12\nend\n", "line 2: expected 'TIME WAIT LINE' or 'end', not '12'"},
        {"scenario a\n12 -5 x\nend\n",
         "line 2: the wait is neither '-' nor a whole number of microseconds: '-5'"},
        {"scenario a\n99999999999999999999 - x\nend\n",
         "line 2: the time is not a whole number of microseconds: '99999999999999999999'"},
        {"scenario a\n12 - x\n", "scenario 'a' (line 1) has no 'end'"},
        {"scenario a\nscenario b\nend\n",
         "line 2: 'scenario' before the 'end' of scenario 'a' (line 1)"},
        {"scenario a\nend\n\nscenario a\nend\n", "line 4: scenario 'a' is already on line 1"},
        {"scenario \nend\n", "line 1: a scenario's name is one word: 'scenario '"},
        {"# only a comment\n", "no scenarios in it"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        std::vector<Recording> read;
        std::string error;
        EXPECT_FALSE(bench::ReadRecordings(in, &read, &error)) << c.text;
        EXPECT_EQ(error, c.error);
        EXPECT_TRUE(read.empty()) << c.text;
    }
}

TEST(ConformTest, EveryScenarioGivesTheSameReferenceTwice) {
    // A reference that changed between two runs could never be met by a
    // build: the scenarios and the board must be deterministic. Nor may the
    // reference break a kernel rule that the kernel build would meet.
    for (const bench::Scenario& s : bench::Scenarios()) {
        SCOPED_TRACE(s.name);
        std::string error;
        Recording a;
        Recording b;
        ASSERT_TRUE(bench::Record(s, "", &a, &error));
        EXPECT_EQ(vt::Violations(), std::vector<std::string>{}) << "a kernel rule broken";
        ASSERT_TRUE(bench::Record(s, "", &b, &error));
        const bench::Verdict v = bench::Compare(a, b);
        EXPECT_TRUE(v.same) << v.difference;
        EXPECT_GT(a.lines.size(), 10u);
    }
}

TEST(ConformTest, AModuleThatCannotBeLoadedSaysWhy) {
    Recording r;
    std::string error;
    EXPECT_FALSE(bench::Record(bench::Scenarios()[0], "/nonexistent/libtvboard.so", &r, &error));
    EXPECT_NE(error.find("cannot load module /nonexistent/libtvboard.so"), std::string::npos);
}

} // namespace
