// The TV sound part of a tune's or a session's report: the modes on offer
// and, when one was asked for, whether the module took it and what the
// audio DSP was then programmed for (board_reading.h). A mode is "set" only
// when the tuner is locked and the DSP's fields give what was asked;
// otherwise the report says what the module did instead.
#pragma once

#include "bench/board_reading.h"
#include "bench/board_run.h"
#include "host_driver/host_driver.h"
#include "text/bit_names.h"

#include <cstdint>
#include <string>

namespace bench {

// The report's piece; true when the mode asked for is set.
inline bool PutSound(BoardRun& run, uint32_t modes, bool asked, uint32_t mode, bool accepted,
                     bool locked) {
    using host_driver::AudioModeNames;
    const uint32_t programmed = SoundProgrammed(run.board);
    const bool set = locked && accepted && SoundAsProgrammed(mode, programmed);
    Json members = {{"audio_modes", text::BitNames(modes, AudioModeNames)}};
    if (asked) {
        members.update({{"audio_mode", AudioModeNames(mode)},
                        {"audio_mode_set", set},
                        {"audio_mode_accepted", accepted},
                        {"audio_mode_programmed", text::BitNames(programmed, AudioModeNames)}});
    }
    run.Put(members, [&](const Json&) {
        const std::string name = AudioModeNames(mode);
        std::string what;
        if (asked && !locked) {
            what = std::string("; no lock, so no sound to set (the module ") +
                   (accepted ? "accepted " : "refused ") + name + ")";
        } else if (asked && !accepted) {
            what = "; " + name + " refused";
        } else if (asked && set) {
            what = "; " + name + " set";
        } else if (asked) {
            what = "; " + name + " accepted, but the audio DSP was programmed for " +
                   (programmed != 0 ? AudioModeNames(programmed) : "no sound mode") +
                   " (register 0x464)";
        }
        return "TV sound available: " + AudioModeNames(modes) + what + "\n";
    });
    return !asked || set;
}

} // namespace bench
