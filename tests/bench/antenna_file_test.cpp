// Antenna files and --station options as the bench reads them: every field,
// the defaults, and each kind of mistake named with its line.
#include "bench/antenna_file.h"

#include "include/tvboard.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using bench::AntennaStation;

std::vector<AntennaStation> Read(const std::string& text, std::string* error) {
    std::istringstream in(text);
    std::vector<AntennaStation> out;
    if (!bench::ReadAntenna(in, "air.txt", &out, error)) {
        out.clear();
    }
    return out;
}

TEST(AntennaFileTest, LinesGiveStationsAtTheirCarrier) {
    std::string error;
    const std::vector<AntennaStation> s =
        Read("\xEF\xBB\xBF# a line-up, saved with a byte-order mark\n"
             "\n"
             "175.25 PAL_B stereo 230 0   # E5\n"
             "  196.25\tPAL_B dual 180 +60\r\n"
             "615.25 PAL_G triple 170 -62.5\n"
             "55.75 SECAM_L1\n"
             "63.75 SECAM_L1 mono 1 -5000\n",
             &error);
    ASSERT_EQ(s.size(), 5u) << error;
    EXPECT_EQ(s[0].station.frequencyHz, 175250000u);
    EXPECT_EQ(s[0].station.standard, TVB_STANDARD_PAL_B);
    EXPECT_TRUE(s[0].station.sound.stereo);
    EXPECT_EQ(s[0].station.strength, 230);
    EXPECT_EQ(s[1].station.frequencyHz, 196310000u);
    EXPECT_EQ(s[1].offsetHz, 60000);
    EXPECT_EQ(s[1].NominalHz(), 196250000u);
    EXPECT_EQ(bench::SoundKeyword(s[1].station.sound), "dual");
    EXPECT_EQ(s[2].station.frequencyHz, 615187500u);
    EXPECT_EQ(s[2].station.standard, TVB_STANDARD_PAL_G);
    EXPECT_EQ(bench::SoundKeyword(s[2].station.sound), "triple");
    // Defaults: mono, strength 200, on the nominal frequency.
    EXPECT_EQ(s[3].station.frequencyHz, 55750000u);
    EXPECT_EQ(s[3].station.standard, TVB_STANDARD_SECAM_L1);
    EXPECT_EQ(bench::SoundKeyword(s[3].station.sound), "mono");
    EXPECT_EQ(s[3].station.strength, 200);
    EXPECT_EQ(s[3].offsetHz, 0);
    EXPECT_EQ(s[4].station.frequencyHz, 58750000u);
    EXPECT_EQ(s[4].station.strength, 1);
}

TEST(AntennaFileTest, ABadLineIsNamedWithWhatIsWrong) {
    const struct {
        std::string line;
        const char* error;
    } cases[] = {
        {"471.25", "air.txt:2: a station needs at least a frequency (MHz) and a TV standard"},
        {"471.25 PAL_B stereo 200 0 E21",
         "air.txt:2: too many fields: 'E21' (MHZ STANDARD [SOUND [STRENGTH [OFFSET_KHZ]]])"},
        {"abc PAL_B", "air.txt:2: not a frequency in MHz: 'abc'"},
        {"0 PAL_B", "air.txt:2: frequency out of range: '0' MHz (above 0 and at most 4000 MHz)"},
        {"4000.001 PAL_B", "air.txt:2: frequency out of range: '4000.001' MHz"},
        {"1e3 PAL_B", "air.txt:2: not a frequency in MHz: '1e3'"},
        {"0x10 PAL_B", "air.txt:2: not a frequency in MHz: '0x10'"},
        {"471.25MHz PAL_B", "air.txt:2: not a frequency in MHz: '471.25MHz'"},
        {"nan PAL_B", "air.txt:2: not a frequency in MHz: 'nan'"},
        {"471.25 pal_b", "air.txt:2: unknown TV standard 'pal_b'"},
        {"471.25 PAL_B loud", "air.txt:2: unknown sound 'loud' (mono, stereo, dual, triple)"},
        {"471.25 PAL_B mono 0", "air.txt:2: station strength must be 1..255: '0'"},
        {"471.25 PAL_B mono 256", "air.txt:2: station strength must be 1..255: '256'"},
        {"471.25 PAL_B mono 2x", "air.txt:2: station strength must be 1..255: '2x'"},
        {"471.25 PAL_B mono 9 5000.5",
         "air.txt:2: carrier offset must be -5000..5000 kHz: '5000.5'"},
        {"471.25 PAL_B mono 9 60k", "air.txt:2: carrier offset must be -5000..5000 kHz: '60k'"},
        {"0.001 PAL_B mono 9 -2", "air.txt:2: the carrier lies outside 0..4000.000 MHz"},
        {std::string("471.25\0 PAL_B", 13), "air.txt:2: a NUL byte: not a text file"},
        {std::string(4097, '1'), "air.txt:2: a line longer than 4096 bytes, beginning '1111"},
        {"\xEF\xBB\xBF"
         "471.25 PAL_B",
         "air.txt:2: not a frequency in MHz: '\xEF\xBB\xBF"
         "471.25'"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_TRUE(Read("175.25 PAL_B\n" + c.line + "\n", &error).empty()) << c.line;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.line << ": " << error;
    }
}

TEST(AntennaFileTest, AFileThatCannotBeReadOrHasNoStationsSaysSo) {
    std::vector<AntennaStation> out;
    std::string error;
    EXPECT_FALSE(bench::LoadAntennaFile("/nonexistent/air.txt", &out, &error));
    EXPECT_EQ(error, "cannot read antenna file /nonexistent/air.txt: No such file or directory");
    EXPECT_FALSE(bench::LoadAntennaFile("/", &out, &error));
    EXPECT_EQ(error, "cannot read antenna file /: Is a directory");
    for (const char* text : {"", "# comments only\n\n   # and blanks\n"}) {
        EXPECT_TRUE(Read(text, &error).empty());
        EXPECT_EQ(error, "air.txt: no stations (one a line: MHZ STANDARD [SOUND [STRENGTH "
                         "[OFFSET_KHZ]]])");
    }
}

TEST(AntennaFileTest, StationOptionsOfTheCommandLine) {
    const struct {
        const char* option;
        uint32_t hz;
        uint32_t standard; // 0: the session's
        const char* sound;
        int strength;
        const char* error;
    } cases[] = {
        {"176", 176000000, 0, "mono", 200, nullptr},
        {"196.31:PAL_B:dual", 196310000, TVB_STANDARD_PAL_B, "dual", 200, nullptr},
        {"100:PAL_G:stereo:9", 100000000, TVB_STANDARD_PAL_G, "stereo", 9, nullptr},
        {"100::triple", 100000000, 0, "triple", 200, nullptr},
        {"100:PAL_B:stereo:300", 0, 0, nullptr, 0, "station strength must be 1..255: '300'"},
        {"100:PAL_B:loud", 0, 0, nullptr, 0, "unknown sound 'loud'"},
        {"100:PAL_B:mono:9:1", 0, 0, nullptr, 0, "too many fields in station '100:PAL_B:mono:9:1'"},
        {":PAL_B", 0, 0, nullptr, 0, "not a frequency in MHz: ''"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        AntennaStation s;
        std::string error;
        const bool ok = bench::ParseStationOption(c.option, &s, &error);
        if (c.error != nullptr) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
            continue;
        }
        ASSERT_TRUE(ok) << error;
        EXPECT_EQ(s.station.frequencyHz, c.hz);
        EXPECT_EQ(s.station.standard, c.standard);
        EXPECT_EQ(bench::SoundKeyword(s.station.sound), c.sound);
        EXPECT_EQ(s.station.strength, c.strength);
    }
}

} // namespace
