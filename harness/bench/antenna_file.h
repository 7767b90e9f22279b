// Stations for the emulated antenna, as the bench's user writes them: one on
// the command line (--station MHZ[:STANDARD[:SOUND[:STRENGTH]]]) or a file of
// them (--antenna FILE), one a line:
//
//   # channel E8, dual-language news
//   196.25  PAL_B  dual  180  +60
//
// nominal frequency (MHz), TV standard, sound (mono, stereo, dual, triple;
// default mono), strength (1..255; default 200) and the carrier's offset
// from the nominal frequency (kHz, -5000..5000; default 0), separated by
// blanks; '#' starts a comment. The station's carrier is the nominal
// frequency plus the offset.
#pragma once

#include "emu/antenna.h"

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace bench {

struct AntennaStation {
    emu::Station station; // frequencyHz: the carrier
    int32_t offsetHz = 0; // carrier - nominal
    uint32_t NominalHz() const { return station.frequencyHz - static_cast<uint32_t>(offsetHz); }
};

// Each parser returns false with what is wrong in *error (numbers and
// standards as bench/values.h reads them).
bool ParseSound(const std::string& text, emu::Sound* sound, std::string* error);
// MHZ[:STANDARD[:SOUND[:STRENGTH]]]; a station without a standard gets 0
// (the caller fills in the session's standard).
bool ParseStationOption(const std::string& text, AntennaStation* out, std::string* error);

// The lines of an antenna file; errors read "NAME:LINE: what is wrong". A
// file without a single station is refused as well: it would leave the
// antenna empty, which no user means.
bool ReadAntenna(std::istream& in, const std::string& name, std::vector<AntennaStation>* out,
                 std::string* error);
bool LoadAntennaFile(const std::string& path, std::vector<AntennaStation>* out, std::string* error);

// The keyword of a sound (mono, stereo, dual, triple) and its description.
std::string SoundKeyword(const emu::Sound& sound);
std::string SoundName(const emu::Sound& sound);

// The bench's built-in line-up.
std::vector<AntennaStation> DefaultLineup();

} // namespace bench
