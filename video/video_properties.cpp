// Video property interface: placeholders until the property interface lands.
#include "frame/operations.h"

int32_t TVB_STDCALL InitializeSensor(const SensorInitRecord*, Arg, int32_t, int32_t, int32_t,
                                     int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                     int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                     int32_t, int32_t) {
    return 0;
}
uint32_t TVB_STDCALL SetVideoProperty(Arg, Arg, uint32_t, int32_t, Arg) {
    return 0;
}
uint32_t TVB_STDCALL GetVideoProperty(Arg, Arg, uint32_t, uint32_t*, Arg) {
    return 0;
}
