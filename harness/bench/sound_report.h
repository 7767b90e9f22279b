// The TV sound part of a tune's or a session's report: the modes on offer
// and, when one was asked for, whether the module took it.
#pragma once

#include "bench/board_run.h"
#include "host_driver/host_driver.h"
#include "text/bit_names.h"

#include <cstdint>
#include <string>

namespace bench {

inline void PutSound(BoardRun& run, uint32_t modes, bool asked, uint32_t mode, bool set) {
    using host_driver::AudioModeNames;
    Json members = {{"audio_modes", text::BitNames(modes, AudioModeNames)}};
    if (asked) {
        members.update({{"audio_mode", AudioModeNames(mode)}, {"audio_mode_set", set}});
    }
    run.Put(members, [&](const Json&) {
        return "TV sound available: " + AudioModeNames(modes) +
               (asked ? "; " + AudioModeNames(mode) + (set ? " set" : " refused") : "") + "\n";
    });
}

} // namespace bench
