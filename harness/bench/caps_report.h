// What the module tells a host without touching the board: the capability
// record, every slot of the five operation tables with the number of 32-bit
// arguments its stdcall signature takes (and, for the stubs, the constant
// they return), the tuner's mode capabilities and the audio capture format.
#pragma once

#include "include/tvboard.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct SlotInfo {
    std::string name; // "stub" for a slot the board does not support
    size_t args = 0;
    bool stub = false;
    uint32_t returns = 0; // a stub's constant
};

struct TableInfo {
    std::string name;
    std::vector<SlotInfo> slots;
};

struct TunerModeInfo {
    uint32_t mode = 0;
    std::string name;
    TunerModeCaps limits{}; // what GetTunerModeCaps reports
};

struct CapsReport {
    uint32_t size = 0;
    uint32_t word4 = 0;
    uint32_t word8 = 0;
    uint32_t word12 = 0;
    std::vector<TableInfo> tables;
    std::vector<TunerModeInfo> tunerModes;
    AudioFormat audioFormat{};
    AudioInterfaceConfig audioConfig{};
    std::string unusable; // caps a host cannot use: the first one's reason
};

// Reads the record and its tables (which the host driver has checked);
// calls only the stubs, GetTunerModeCaps and GetAudioFormat, none of which
// reaches the board.
CapsReport ReadCaps(const TVB_BOARD_MODULE_CAPS& caps);

} // namespace bench
