// The board's fixed register sequences, each checked in once under
// tests/module/expected/sequences/ by its own test, and a condenser that
// shows every occurrence of one in a longer condensed timeline
// (emu/decoder_trace.h) as a single named line, so that a changed value
// inside a sequence fails only the sequence's own test.
//
// Notation. In a condensed timeline the line
//   == audio set-up (sequences/audio_setup.txt)
// stands for a run of lines with the SHAPE of that file's sequence: the same
// lines in the same order, with the same registers and sub-addresses, the same
// directions, waits, prints and notes, but with any values. The shape of a
// line masks its values with dots:
//   42[10E] -> 58                    42[10E] -> ..
//   42[454..457] <- 0000007C (dsp)   42[454..457] <- ........ (dsp)
//   96 {07 00}                       96 {07 ..}      (the sub-address stays)
//   C2 {00 2D 80 40 52 91 8F 8F}     C2 {00 .. .. .. .. .. .. ..}
//   96 -> {19}                       96 -> {..}
// Waits, prints, notes, pins and named lines are their own shape. Values
// differ with what the registers held before and with the input (input 0
// gets other values in three steps of the audio set-up), so they are left to
// the sequence's own test.
//
// One sequence is recognised with its values: the audio demodulator restart.
// Its shape, three pauses of 10 ms each followed by a field write of 0x454,
// is also the shape of the pulse an input change ends with; what makes it the
// restart are its levels of the restart bit, 1, 1, 0 (the input change's
// pulse is 0, 1, 0).
//
// A sequence may contain one listed before it: its own file shows that one as
// a named line (the TV standard change ends with the mode bits).
#pragma once

#include <string>

namespace sequences {

// The file name below tests/module/expected of each sequence, also the key the
// functions below take.
constexpr char kAudioSetUp[] = "sequences/audio_setup.txt";
constexpr char kDecoderRegisters[] = "sequences/decoder_registers.txt";
constexpr char kAudioRestart[] = "sequences/audio_restart.txt";
constexpr char kModeBits[] = "sequences/mode_bits.txt";
constexpr char kTvStandardChange[] = "sequences/tv_standard_change.txt";
constexpr char kTunerStartUp[] = "sequences/tuner_startup.txt";
constexpr char kTuningSettled[] = "sequences/tuning_settled.txt";

// A line with its values masked, as above.
std::string Shape(const std::string& line);

// A condensed timeline with every occurrence of a known sequence replaced by
// its named line.
std::string Condense(const std::string& timeline);

// The named line that stands for the sequence in `file`, and the sequence as
// checked in there (without its comments).
std::string NamedLine(const std::string& file);
std::string Recorded(const std::string& file);

// For the sequence's own test: the timeline, condensed with the sequences it
// may contain, compared with its file (or written to it with
// TVB_UPDATE_EXPECTED=1, see ExpectMatchesFile).
void ExpectMatches(const std::string& timeline, const std::string& file);

} // namespace sequences
