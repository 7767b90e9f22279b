#include "fuzz/input.h"

#include "host_driver/host_driver.h"

#include "emu/host_table.h"
#include "include/tvboard.h"

#include <array>

namespace fuzz {

namespace {

// Values at and around every edge the module's behaviour changes at: band
// rows, RF codes, SECAM L', the top of the table, wrap-around of the 32-bit
// sum with the IF offset.
const std::vector<uint32_t> kFrequencies = {
    0,          40000000,
    55250000,   56250000,
    61000000,   62000000,
    65999999,   66000000,
    67250000,   70250000,
    83999999,   84000000,
    97999999,   98000000,
    150000000,  153999999,
    154000000,  175250000,
    180999999,  181000000,
    182250000,  189250000,
    196250000,  323999999,
    324000000,  479250000,
    553999999,  554000000,
    727250000,  847000000,
    855250000,  857250000,
    857250001,  859250000,
    860000000,  865000000,
    0xFFFFFFFF, 0xFFFFFFFF - 5749999,
    0x80000000, 1,
};

// Every standard bit, then no bit, two bits, every bit, a bit past the last
// standard, and SECAM L once more.
std::vector<uint32_t> StandardValues() {
    std::vector<uint32_t> values = host_driver::StandardBits();
    values.insert(values.end(), {0, TVB_STANDARD_PAL_B | TVB_STANDARD_PAL_G, 0xFFFFFFFF, 0x100000,
                                 TVB_STANDARD_SECAM_L});
    return values;
}
const std::vector<uint32_t> kStandards = StandardValues();

const std::vector<uint32_t> kProperties = {
    0,  1,  2,  3,  4, 5, 6, 7,      8,      9,      10,     11,     12,     13,     14,
    15, 16, 17, 18, 0, 0, 1, 0x1000, 0x1001, 0x1002, 0x1003, 0x1004, 0x1002, 0x1003, 0xFFFFFFFF};

const std::vector<uint32_t> kPropertyValues = {0,
                                               1,
                                               0xFFFFFFFF,
                                               50,
                                               99,
                                               100,
                                               101,
                                               static_cast<uint32_t>(-50),
                                               static_cast<uint32_t>(-51),
                                               51,
                                               25,
                                               static_cast<uint32_t>(-25),
                                               0x80000000,
                                               0x7FFFFFFF,
                                               2,
                                               7,
                                               0xFFFFFFFF,
                                               0xFFFFFFFF};

const std::vector<uint32_t> kRequestIds = {1, 2, 3, 4, 5, 6, 0, 7, 16, 0xFFFFFFFF, 4, 6, 1, 3};

const std::vector<uint32_t> kAudioModes = {
    TVB_AUDIO_MODE_MONO,
    TVB_AUDIO_MODE_STEREO,
    TVB_AUDIO_MODE_MONO | TVB_AUDIO_MODE_STEREO,
    TVB_AUDIO_MODE_LANG_A,
    TVB_AUDIO_MODE_LANG_A | TVB_AUDIO_MODE_MONO,
    TVB_AUDIO_MODE_LANG_A | TVB_AUDIO_MODE_STEREO,
    TVB_AUDIO_MODE_LANG_B,
    TVB_AUDIO_MODE_LANG_B | TVB_AUDIO_MODE_MONO,
    TVB_AUDIO_MODE_LANG_B | TVB_AUDIO_MODE_STEREO,
    TVB_AUDIO_MODE_LANG_A | TVB_AUDIO_MODE_LANG_B,
    TVB_AUDIO_MODE_LANG_C,
    TVB_AUDIO_MODE_LANG_C | TVB_AUDIO_MODE_MONO,
    TVB_AUDIO_MODE_LANG_C | TVB_AUDIO_MODE_STEREO,
    0,
    0x80,
    0xFFFFFFFF,
};

const std::vector<uint32_t> kInputs = {0, 1, 2, 3, 7, 0xFFFFFFFF, 0x80000000};
const std::vector<uint32_t> kSampleRates = {48000, 44100, 32000, 8000, 0, 0xFFFFFFFF};
const std::vector<uint32_t> kModes = {1, 2, 0, 3, 4, 0xFFFFFFFF};
const std::vector<uint32_t> kHandles = {
    emu::HostTable::kBoardHandle, emu::HostTable::kBoardHandle, 0, 0x7777, 1, 0xFFFFFFFF};
const std::vector<uint32_t> kRegisters = {0x10E, 0x102, 0x11F, 0x404, 0x405, 0x409, 0x40A,
                                          0x454, 0x455, 0x456, 0x457, 0x464, 0x465, 0x580,
                                          0x400, 0x500, 0x3FF, 0x501, 0x108, 0x190, 0x59B};
const std::vector<uint32_t> kAny = {
    0,      1,  2,  3, 7, 0xFFFFFFFF, 0x80000000, 0x7FFFFFFF, emu::HostTable::kBoardHandle,
    0x1000, 16, 255};

} // namespace

const std::vector<uint32_t>& ValuesOf(Kind kind) {
    static const std::array<const std::vector<uint32_t>*, static_cast<size_t>(Kind::Count)> tables =
        {&kAny,        &kFrequencies, &kStandards,   &kProperties, &kPropertyValues, &kRequestIds,
         &kAudioModes, &kInputs,      &kSampleRates, &kModes,      &kHandles,        &kRegisters};
    return *tables[static_cast<size_t>(kind) % tables.size()];
}

} // namespace fuzz
