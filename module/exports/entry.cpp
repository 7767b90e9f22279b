// The module's three exports and the one-entry capability list.
#include "exports/tables.h"
#include "frame/debug.h"
#include "frame/host_calls.h"
#include "include/tvboard.h"

// The size is the record's own: 36 bytes on the 32-bit target, more where
// pointers are wider, so a host never reads past what it was told.
const TVB_BOARD_MODULE_CAPS BoardModuleCaps = {
    sizeof(TVB_BOARD_MODULE_CAPS),
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
const TVB_BOARD_MODULE_CAPS* const CapabilityList[1] = {&BoardModuleCaps};
const uint32_t CapabilityCount = 1;
} // namespace

extern "C" {

TVB_STATUS TVB_API DllInitialize(void* /*registryPath*/) {
    DebugPrint("************ Load Board Module *************");
    return TVB_STATUS_SUCCESS;
}

TVB_STATUS TVB_API DllUnload(void) {
    DebugPrint("*********** Unload Board Module ************");
    return TVB_STATUS_SUCCESS;
}

void TVB_API GetBoardModuleCaps(TVB_ARG /*unused*/, const TVB_HOST_OPS* hostOps,
                                const TVB_BOARD_MODULE_CAPS* const** listOut, uint32_t* countOut) {
    HostOps = hostOps;
    if (listOut != nullptr) {
        *listOut = CapabilityList;
    }
    if (countOut != nullptr) {
        *countOut = CapabilityCount;
    }
}

} // extern "C"
