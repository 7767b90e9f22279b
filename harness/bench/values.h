// Values as the bench's users write them on the command line and in its
// files: frequencies, whole numbers, names of TV standards, TV sound modes
// and video inputs, the bus clock and a frequency sweep. Every parser
// returns false with one line in *error that says what is wrong; an error
// about a name lists the names there are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// The highest frequency the bench takes anywhere (a station, a tuning).
constexpr uint32_t kHighestHz = 4000000000u;
// The most stations an antenna, and channels a list, may hold: more than
// any band has, few enough that every tuning can look at each.
constexpr size_t kMostEntries = 10000;

// The parts of a text between the separators (an empty text: one empty part).
std::vector<std::string> Split(const std::string& text, char sep);
// A line's fields, separated by blanks, up to a '#' that starts a comment.
std::vector<std::string> Fields(const std::string& line);

// A plain decimal number: an optional sign, digits, an optional fraction
// ("175.25", "-62.5", ".5"); no blanks, exponent or hexadecimal.
bool ParseDecimal(const std::string& text, double* value);
// A frequency in MHz above 0 and up to 4000, to the nearest Hz.
bool ParseMHz(const std::string& text, uint32_t* hz, std::string* error);
// A whole number in min..max; `what` names it in the error.
bool ParseWhole(const std::string& text, long min, long max, const std::string& what, long* value,
                std::string* error);

// TV standards by the names of the public header (PAL_B, NTSC_M, ...).
bool ParseStandard(const std::string& text, uint32_t* standard, std::string* error);
std::vector<std::string> StandardNames();
// TV sound modes: mono, stereo, lang-a, lang-b, lang-c, or several joined
// by '+' (lang-a+stereo), as the module's set request takes them.
bool ParseAudioModes(const std::string& text, uint32_t* modes, std::string* error);
std::vector<std::string> AudioModeNameList();
// Video inputs: tuner, composite, svideo (or their numbers 0, 1, 2).
bool ParseInput(const std::string& text, uint32_t* input, std::string* error);
std::string InputName(uint32_t input);

// The bus clock of a capture: 1k..3.4M Hz, with an optional unit k, kHz,
// M, MHz or Hz.
bool ParseBusRate(const std::string& text, uint32_t* hz, std::string* error);

// FROM:TO:STEP in MHz, FROM at most TO, STEP above 0.
struct Sweep {
    uint32_t fromHz = 0;
    uint32_t toHz = 0;
    uint32_t stepHz = 0;
    uint64_t Points() const { return stepHz == 0 ? 0 : (uint64_t{toHz} - fromHz) / stepHz + 1; }
};
bool ParseSweep(const std::string& text, Sweep* sweep, std::string* error);

// Text a user gave, in quotes for an error message, with control characters
// written as \xNN so that the message stays one line. A text longer than 64
// bytes is shown by its first 48 and its length ('E5xxxx...' (1048576
// bytes)), so that a message stays short whatever a file brings.
std::string Quoted(const std::string& text);
// A path in a message: as Quoted, without the quotes, shortened only past
// 256 bytes; "-" is stdin.
std::string Shown(const std::string& path);
// A frequency for people: "175.250 MHz".
std::string MHzText(uint32_t hz);
// A time in seconds, "0.152 s"; an AFC step with its sign, "+1".
std::string Seconds(uint64_t us);
std::string Step(int step);

} // namespace bench
