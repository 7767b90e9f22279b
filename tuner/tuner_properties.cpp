// Tuner property interface: placeholders until the tuner lands.
#include "frame/operations.h"

uint32_t TVB_STDCALL GetTunerModeCaps(Arg, Arg, uint32_t, TunerModeCaps*) {
    return 0;
}
uint32_t TVB_STDCALL GetTunerProperty(TVTunerSettings*, Arg, TVTunerSettings*) {
    return 0;
}
uint32_t TVB_STDCALL SetTunerProperty(TVTunerSettings*, Arg, TVTunerSettings*) {
    return 0;
}
