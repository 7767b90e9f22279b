// Opening and closing the board: the host's handle, the settings record the
// host keeps, the board description and the record of what has been set.
#include "ops/open_close.h"

#include "frame/debug.h"
#include "frame/host_calls.h"
#include "frame/kernel_services.h"
#include "include/tvboard.h"

namespace {

constexpr char kBoardName[] = TVB_BOARD_NAME;

void FillBoardInfo(BoardInfo* info) {
    for (size_t i = 0; i < sizeof(kBoardName); ++i) { // the name with its terminating zero
        info->Name[i] = kBoardName[i];
    }
    info->Word64 = TVB_BOARD_INFO_WORD64;
    info->Word68 = TVB_BOARD_INFO_WORD68;
    info->Word72 = TVB_BOARD_INFO_WORD72;
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

constexpr size_t kListed = sizeof(HandedOutRecords.Record) / sizeof(HandedOutRecords.Record[0]);

// The entry holding the record, or kListed when it is not listed.
size_t FindListed(const TVTunerSettings* record) {
    for (size_t i = 0; i < kListed; ++i) {
        if (record != nullptr && HandedOutRecords.Record[i] == record) {
            return i;
        }
    }
    return kListed;
}

void Unlist(size_t entry) {
    TVTunerSettings** r = HandedOutRecords.Record;
    for (size_t i = entry; i + 1 < kListed; ++i) {
        r[i] = r[i + 1];
    }
    r[kListed - 1] = nullptr;
}

// Lists a record just allocated, as the newest. The pool never hands out an
// address still in use, so an entry with the same address is stale (the block
// was freed behind the module's back) and goes. With every entry taken the
// oldest is dropped: that record is leaked, never freed twice.
void List(TVTunerSettings* record) {
    const size_t stale = FindListed(record);
    if (stale != kListed) {
        Unlist(stale);
    }
    if (HandedOutRecords.Record[kListed - 1] != nullptr) {
        Unlist(0);
    }
    for (TVTunerSettings*& entry : HandedOutRecords.Record) {
        if (entry == nullptr) {
            entry = record;
            return;
        }
    }
}

} // namespace

void WriteSettingsDefaults(TVTunerSettings* settings) {
    settings->Mode = 1;
    settings->VideoStandard = TVB_STANDARD_NTSC_M;
    settings->Frequency = 67250000;
    settings->TuneInfo1 = 1;
    settings->TuneInfo2 = 4;
    settings->TunerInput = 0;
    settings->Busy = 0;
    settings->AudioMode = TVB_AUDIO_MODE_MONO;
}

TVB_STATUS TVB_API OpenBoard(TVB_HOST_HANDLE ctx, TVTunerSettings** settingsOut, BoardInfo* info) {
    if (info != nullptr) {
        FillBoardInfo(info);
    }
    // A null destination could never receive the record, so none is made.
    TVTunerSettings* settings = nullptr;
    if (settingsOut != nullptr) {
        // Non-paged pool is to be had only at or below dispatch level; above
        // it the open fails as if the pool were empty.
        if (KernelCurrentIrql() <= kIrqlDispatch) {
            settings = static_cast<TVTunerSettings*>(
                KernelAllocatePool(kPoolNonPaged, sizeof(TVTunerSettings), TVB_POOL_TAG));
        }
        *settingsOut = settings;
        if (settings == nullptr) {
            // Without the record the host cannot drive the tuner: the board
            // stays as it was and the host learns why.
            return TVB_STATUS_INSUFFICIENT_RESOURCES;
        }
        List(settings);
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
    return TVB_STATUS_SUCCESS;
}

// Only a record the module handed out and has not freed yet is freed: freeing
// anything else stops the machine. The board is closed in every case.
TVB_STATUS TVB_API CloseBoard(TVTunerSettings* settings, TVB_ARG /*unused*/) {
    if (settings != nullptr) {
        const size_t entry = FindListed(settings);
        if (entry == kListed) {
            DebugPrint("CloseBoard: record %p was not handed out by OpenBoard or is already freed; "
                       "left alone",
                       static_cast<void*>(settings));
        } else if (KernelCurrentIrql() > kIrqlDispatch) {
            // The pool cannot be given back above dispatch level; the record
            // stays listed, so a later close at a lower level frees it.
            DebugPrint("CloseBoard: called above dispatch level; record %p not freed, left to the "
                       "host",
                       static_cast<void*>(settings));
        } else {
            Unlist(entry);
            KernelFreePool(settings);
        }
    }
    HostContext = 0;
    return TVB_STATUS_SUCCESS;
}
