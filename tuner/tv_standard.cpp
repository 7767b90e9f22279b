// TV standard selection: the IF demodulator's standard code, the IF offset the
// synthesizer tunes with, and the decoder's registers that follow the
// standard.
#include "audio/decoder_access.h"
#include "frame/host.h"
#include "frame/ks_constants.h"
#include "frame/module_state.h"
#include "tuner/if_demod.h"
#include "tuner/tuner_bus.h"
#include "video/decoder_video.h"

namespace {

struct TvStandardRow {
    uint32_t Standards; // the analog video standard bits the row serves
    uint8_t IfCode;
    uint32_t IfOffsetHz;
    uint8_t Ntsc;
    uint8_t Reg115;
    uint8_t Reg116;
};

constexpr TvStandardRow kTvStandards[] = {
    {ks::AnalogVideo_NTSC_M | ks::AnalogVideo_NTSC_M_J, 0x01, 5750000, 1, 0x04, 0x14},
    {ks::AnalogVideo_PAL_M | ks::AnalogVideo_PAL_N, 0x01, 5750000, 0, 0x35, 0x15},
    {ks::AnalogVideo_PAL_B | ks::AnalogVideo_SECAM_B, 0x02, 6750000, 0, 0x35, 0x15},
    {ks::AnalogVideo_PAL_G | ks::AnalogVideo_PAL_H | ks::AnalogVideo_SECAM_G |
         ks::AnalogVideo_SECAM_H,
     0x04, 7750000, 0, 0x35, 0x15},
    {ks::AnalogVideo_PAL_I, 0x08, 7750000, 0, 0x35, 0x15},
    {ks::AnalogVideo_PAL_D | ks::AnalogVideo_SECAM_D, 0x10, 7750000, 0, 0x35, 0x15},
    {ks::AnalogVideo_SECAM_L, 0x20, 7750000, 0, 0x35, 0x15},
    {ks::AnalogVideo_SECAM_L1, 0x40, 1750000, 0, 0x35, 0x15},
};
// Every other value (NTSC 4.43, PAL 60, SECAM K and K1, 0, combinations of
// bits) is set up as the B standard and recorded as PAL B.
constexpr TvStandardRow kFallback = {ks::AnalogVideo_PAL_B, 0x02, 6750000, 0, 0x35, 0x15};

constexpr uint8_t kIfStandard = 0x01;
constexpr uint8_t kIfHold = 0x07;

// Only a single standard bit picks a row.
const TvStandardRow* FindRow(uint32_t standard) {
    if (standard == 0 || (standard & (standard - 1)) != 0) {
        return nullptr;
    }
    for (const TvStandardRow& row : kTvStandards) {
        if ((row.Standards & standard) != 0) {
            return &row;
        }
    }
    return nullptr;
}

} // namespace

uint32_t SelectTvStandard(uint32_t standard) {
    if (!BoardReachable()) {
        return 0;
    }
    if (standard != CurrentTvStandard) {
        WriteIfRegister(kIfHold, 0x00);
        CurrentTvStandard = standard;
        NtscSelected = 0;

        const TvStandardRow* row = FindRow(standard);
        if (row != nullptr) {
            WriteIfRegister(kIfHold, 0x00);
        } else {
            row = &kFallback;
            CurrentTvStandard = ks::AnalogVideo_PAL_B;
        }
        IfStandardCode = row->IfCode;
        IfOffsetHz = row->IfOffsetHz;
        NtscSelected = row->Ntsc;

        WriteDecoderField(0x115, 0, 8, row->Reg115);
        WriteDecoderField(0x116, 0, 8, row->Reg116);
        WriteDecoderField(0x117, 0, 8, 0x19);
        WriteIfRegister(kIfStandard, IfStandardCode);
    }
    SetDecoderModeBits();
    return 1;
}
