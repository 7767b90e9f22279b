// The module's three exports and the one-entry capability list.
#include "exports/tables.h"
#include "frame/debug.h"
#include "frame/host.h"
#include "regmap/host_interface.h"

// The size is the record's own: 36 bytes on the 32-bit target, more where
// pointers are wider, so a host never reads past what it was told.
const BoardModuleCaps BoardModuleCapsRecord = {
    sizeof(BoardModuleCaps),
    TVB_CAPS_WORD4,
    TVB_CAPS_WORD8,
    TVB_CAPS_WORD12,
    &BoardOps,
    &VideoOps,
    &AudioOps,
    &InputOps,
    &TunerOps,
};

namespace {
const BoardModuleCaps* const CapabilityList[1] = {&BoardModuleCapsRecord};
const uint32_t CapabilityCount = 1;
} // namespace

extern "C" {

NtStatus TVB_STDCALL DllInitialize(void* /*registryPath*/) {
    DebugPrint("************ Load Board Module *************");
    return kStatusSuccess;
}

NtStatus TVB_STDCALL DllUnload(void) {
    DebugPrint("*********** Unload Board Module ************");
    return kStatusSuccess;
}

void TVB_STDCALL GetBoardModuleCaps(Arg /*unused*/, const HostOpsTable* hostOps,
                                    const BoardModuleCaps* const** listOut, uint32_t* countOut) {
    HostOps = hostOps;
    if (listOut != nullptr) {
        *listOut = CapabilityList;
    }
    if (countOut != nullptr) {
        *countOut = CapabilityCount;
    }
}

} // extern "C"
