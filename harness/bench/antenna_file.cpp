#include "bench/antenna_file.h"

#include "bench/input_files.h"
#include "bench/values.h"
#include "include/tvboard.h"

#include <cmath>
#include <sstream>

namespace bench {

namespace {

constexpr double kLargestOffsetKHz = 5000.0;
constexpr uint8_t kDefaultStrength = 200;
constexpr emu::Sound kTripleSound{false, true, true};

struct SoundWord {
    const char* word;
    emu::Sound sound;
};
constexpr SoundWord kSounds[] = {
    {"mono", emu::kMonoSound},
    {"stereo", emu::kStereoSound},
    {"dual", emu::kTwoLanguageSound},
    {"triple", kTripleSound},
};

bool SameSound(const emu::Sound& a, const emu::Sound& b) {
    return a.stereo == b.stereo && a.twoLanguages == b.twoLanguages &&
           a.thirdLanguage == b.thirdLanguage;
}

bool ParseStrength(const std::string& text, uint8_t* strength, std::string* error) {
    long v = 0;
    std::string ignored;
    if (!ParseWhole(text, 1, 255, "station strength", &v, &ignored)) {
        *error = "station strength must be 1..255: " + Quoted(text);
        return false;
    }
    *strength = static_cast<uint8_t>(v);
    return true;
}

bool ParseOffset(const std::string& text, int32_t* offsetHz, std::string* error) {
    double khz = 0.0;
    if (!ParseDecimal(text, &khz) || std::fabs(khz) > kLargestOffsetKHz) {
        *error = "carrier offset must be -5000..5000 kHz: " + Quoted(text);
        return false;
    }
    *offsetHz = static_cast<int32_t>(std::llround(khz * 1e3));
    return true;
}

bool ParseLine(const std::vector<std::string>& f, AntennaStation* s, std::string* error) {
    if (f.size() < 2) {
        *error = "a station needs at least a frequency (MHz) and a TV standard";
        return false;
    }
    if (f.size() > 5) {
        *error =
            "too many fields: " + Quoted(f[5]) + " (MHZ STANDARD [SOUND [STRENGTH [OFFSET_KHZ]]])";
        return false;
    }
    uint32_t nominal = 0;
    if (!ParseMHz(f[0], &nominal, error) || !ParseStandard(f[1], &s->station.standard, error) ||
        (f.size() > 2 && !ParseSound(f[2], &s->station.sound, error)) ||
        (f.size() > 3 && !ParseStrength(f[3], &s->station.strength, error)) ||
        (f.size() > 4 && !ParseOffset(f[4], &s->offsetHz, error))) {
        return false;
    }
    const int64_t carrier = static_cast<int64_t>(nominal) + s->offsetHz;
    if (carrier <= 0 || carrier > static_cast<int64_t>(kHighestHz)) {
        *error = "the carrier lies outside 0.." + MHzText(kHighestHz);
        return false;
    }
    s->station.frequencyHz = static_cast<uint32_t>(carrier);
    return true;
}

} // namespace

bool ParseSound(const std::string& text, emu::Sound* sound, std::string* error) {
    for (const SoundWord& s : kSounds) {
        if (text == s.word) {
            *sound = s.sound;
            return true;
        }
    }
    *error = "unknown sound " + Quoted(text) + " (mono, stereo, dual, triple)";
    return false;
}

bool ParseStationOption(const std::string& text, AntennaStation* out, std::string* error) {
    const std::vector<std::string> p = Split(text, ':');
    AntennaStation s;
    if (p.size() > 4) {
        *error =
            "too many fields in station " + Quoted(text) + " (MHZ[:STANDARD[:SOUND[:STRENGTH]]])";
        return false;
    }
    if (!ParseMHz(p[0], &s.station.frequencyHz, error) ||
        (p.size() > 1 && !p[1].empty() && !ParseStandard(p[1], &s.station.standard, error)) ||
        (p.size() > 2 && !p[2].empty() && !ParseSound(p[2], &s.station.sound, error)) ||
        (p.size() > 3 && !ParseStrength(p[3], &s.station.strength, error))) {
        return false;
    }
    *out = s;
    return true;
}

bool ReadAntenna(std::istream& in, const std::string& name, std::vector<AntennaStation>* out,
                 std::string* error) {
    TextLines text(in, name);
    int stations = 0;
    for (std::string line; text.Next(&line);) {
        const std::vector<std::string> fields = Fields(line);
        if (fields.empty()) {
            continue;
        }
        AntennaStation s;
        s.station.strength = kDefaultStrength;
        std::string what;
        if (!ParseLine(fields, &s, &what)) {
            *error = text.At() + what;
            return false;
        }
        if (out->size() >= kMostEntries) {
            *error = text.At() + "more than " + std::to_string(kMostEntries) +
                     " stations on the antenna";
            return false;
        }
        out->push_back(s);
        ++stations;
    }
    if (!text.Error().empty()) {
        *error = text.Error();
        return false;
    }
    if (stations == 0) {
        *error = name + ": no stations (one a line: MHZ STANDARD [SOUND [STRENGTH [OFFSET_KHZ]]])";
        return false;
    }
    return true;
}

bool LoadAntennaFile(const std::string& path, std::vector<AntennaStation>* out,
                     std::string* error) {
    std::string text;
    if (!ReadText(path, "antenna file", kListBounds.mostBytes, &text, error)) {
        return false;
    }
    std::istringstream in(text);
    return ReadAntenna(in, Shown(path), out, error);
}

std::string SoundKeyword(const emu::Sound& sound) {
    for (const SoundWord& s : kSounds) {
        if (SameSound(sound, s.sound)) {
            return s.word;
        }
    }
    return SoundName(sound);
}

std::string SoundName(const emu::Sound& s) {
    std::string name = s.stereo ? "stereo" : "mono";
    if (s.twoLanguages) {
        name += s.thirdLanguage ? ", three languages" : ", two languages";
    } else if (s.thirdLanguage) {
        name += ", third language";
    }
    return name;
}

// A few stations per region, some slightly off their channel so the
// fine-tuning status has something to show.
std::vector<AntennaStation> DefaultLineup() {
    const auto at = [](uint32_t nominalHz, int32_t offsetHz, uint32_t standard, emu::Sound sound,
                       uint8_t strength) {
        AntennaStation s;
        s.station = {nominalHz + static_cast<uint32_t>(offsetHz), standard, sound, strength};
        s.offsetHz = offsetHz;
        return s;
    };
    const emu::Sound mono = emu::kMonoSound;
    const emu::Sound stereo = emu::kStereoSound;
    const emu::Sound dual = emu::kTwoLanguageSound;
    return {
        at(175250000, 0, TVB_STANDARD_PAL_B, stereo, 230),       // E5
        at(196250000, 60000, TVB_STANDARD_PAL_B, dual, 180),     // E8, 60 kHz high
        at(503250000, 0, TVB_STANDARD_PAL_B, mono, 150),         // E25
        at(615250000, -125000, TVB_STANDARD_PAL_B, stereo, 200), // E39, 125 kHz low
        at(759250000, 0, TVB_STANDARD_PAL_B, kTripleSound, 210), // E57
        at(503250000, 0, TVB_STANDARD_PAL_G, stereo, 200),       // 25 as a G transmitter
        at(55250000, 0, TVB_STANDARD_NTSC_M, mono, 160),         // 2
        at(67250000, 0, TVB_STANDARD_NTSC_M, stereo, 220),       // 4
        at(181250000, 0, TVB_STANDARD_NTSC_M, stereo, 190),      // 8
        at(471250000, 0, TVB_STANDARD_PAL_I, stereo, 200),       // 21
        at(479250000, 0, TVB_STANDARD_SECAM_L, mono, 170),       // 22
        at(183250000, 0, TVB_STANDARD_PAL_D, mono, 150),         // R7
    };
}

} // namespace bench
