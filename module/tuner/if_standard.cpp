// The IF demodulator's side of a TV standard: its standard code, and the IF
// offset and NTSC bit the synthesizer then tunes with.
#include "tuner/if_standard.h"

#include "frame/module_state.h"
#include "include/tvboard.h"
#include "regmap/if_demod_map.h"
#include "tuner/tuner_bus.h"

namespace {

namespace ifd = regmap::if_demod;

struct IfStandardRow {
    uint32_t Standards; // the analog video standard bits the row serves
    uint8_t IfCode;
    uint32_t IfOffsetHz;
    uint8_t Ntsc;
};

constexpr IfStandardRow kIfStandards[] = {
    {TVB_STANDARD_NTSC_M | TVB_STANDARD_NTSC_M_J, ifd::kCodeMN, 5750000, 1},
    {TVB_STANDARD_PAL_M | TVB_STANDARD_PAL_N, ifd::kCodeMN, 5750000, 0},
    {TVB_STANDARD_PAL_B | TVB_STANDARD_SECAM_B, ifd::kCodeB, 6750000, 0},
    {TVB_STANDARD_PAL_G | TVB_STANDARD_PAL_H | TVB_STANDARD_SECAM_G | TVB_STANDARD_SECAM_H,
     ifd::kCodeGH, 7750000, 0},
    {TVB_STANDARD_PAL_I, ifd::kCodeI, 7750000, 0},
    {TVB_STANDARD_PAL_D | TVB_STANDARD_SECAM_D, ifd::kCodeD, 7750000, 0},
    {TVB_STANDARD_SECAM_L, ifd::kCodeL, 7750000, 0},
    {TVB_STANDARD_SECAM_L1, ifd::kCodeL1, 1750000, 0},
};
// Every other value (NTSC 4.43, PAL 60, SECAM K and K1, 0, combinations of
// bits) is set up as the B standard and recorded as PAL B.
constexpr IfStandardRow kFallback = {TVB_STANDARD_PAL_B, ifd::kCodeB, 6750000, 0};

// Only a single standard bit picks a row.
const IfStandardRow* FindRow(uint32_t standard) {
    if (standard == 0 || (standard & (standard - 1)) != 0) {
        return nullptr;
    }
    for (const IfStandardRow& row : kIfStandards) {
        if ((row.Standards & standard) != 0) {
            return &row;
        }
    }
    return nullptr;
}

} // namespace

bool IfStandardChanges(uint32_t standard) {
    return standard != CurrentTvStandard;
}

void LoadIfStandard(uint32_t standard) {
    WriteIfRegister(ifd::kHold, ifd::kHoldOn);
    CurrentTvStandard = standard;
    NtscSelected = 0;

    const IfStandardRow* row = FindRow(standard);
    if (row != nullptr) {
        WriteIfRegister(ifd::kHold, ifd::kHoldOn);
    } else {
        row = &kFallback;
        CurrentTvStandard = TVB_STANDARD_PAL_B;
    }
    IfStandardCode = row->IfCode;
    IfOffsetHz = row->IfOffsetHz;
    NtscSelected = row->Ntsc;
}

void CommitIfStandard() {
    WriteIfRegister(ifd::kStandard, IfStandardCode);
}
