// Opening and closing the board: the host's handle, the settings record the
// host keeps, the board description and the record of what has been set.
#include "frame/board.h"

#include "frame/host.h"
#include "frame/ks_constants.h"
#include "frame/kservices.h"
#include "frame/operations.h"

namespace {

constexpr char kBoardName[] = "TV Tuner Board";

void FillBoardInfo(BoardInfo* info) {
    for (size_t i = 0; i < sizeof(kBoardName); ++i) { // the name with its terminating zero
        info->Name[i] = kBoardName[i];
    }
    info->Word64 = 0x208;
    info->Word68 = 0;
    info->Word72 = 15;
}

// The pool hands out a block as its memory was; what the module does not
// write must not carry that to the host. A plain byte loop: the module has no
// memset, and its build keeps the loop from being turned into a call to one.
void ZeroRecord(TVTunerSettings* record) {
    auto* bytes = reinterpret_cast<uint8_t*>(record);
    for (size_t i = 0; i < sizeof(*record); ++i) {
        bytes[i] = 0;
    }
}

} // namespace

void WriteSettingsDefaults(TVTunerSettings* settings) {
    settings->Mode = 1;
    settings->VideoStandard = ks::AnalogVideo_NTSC_M;
    settings->Frequency = 67250000;
    settings->TuneInfo1 = 1;
    settings->TuneInfo2 = 4;
    settings->TunerInput = 0;
    settings->Busy = 0;
    settings->AudioMode = ks::TVAudioMode_Mono;
}

NtStatus TVB_STDCALL OpenBoard(HostHandle ctx, TVTunerSettings** settingsOut, BoardInfo* info) {
    if (info != nullptr) {
        FillBoardInfo(info);
    }
    // A null destination could never receive the record, so none is made.
    TVTunerSettings* settings = nullptr;
    if (settingsOut != nullptr) {
        settings = static_cast<TVTunerSettings*>(
            KsAllocatePool(kPoolNonPaged, sizeof(TVTunerSettings), kPoolTagWdm));
        *settingsOut = settings;
        if (settings == nullptr) {
            // Without the record the host cannot drive the tuner: the board
            // stays as it was and the host learns why.
            return kStatusInsufficientResources;
        }
        ZeroRecord(settings);
        WriteSettingsDefaults(settings);
    }
    WriteSettingsDefaults(&g_TVTuner_Settings);
    ModeSet = 0;
    VideoStandardSet = 0;
    FrequencySet = 0;
    TunerInputSet = 0;
    AudioModeSet = 0;
    CurrentVideoInput = 0;
    HostContext = ctx;
    return kStatusSuccess;
}

NtStatus TVB_STDCALL CloseBoard(TVTunerSettings* settings, Arg /*unused*/) {
    if (settings != nullptr) {
        KsFreePool(settings);
    }
    HostContext = 0;
    return kStatusSuccess;
}
