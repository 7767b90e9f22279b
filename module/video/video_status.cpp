#include "video/video_status.h"

#include "decoder/decoder_access.h"
#include "frame/host_calls.h"
#include "regmap/decoder_map.h"

namespace dec = regmap::decoder;

uint32_t ReadVideoStatusBit(uint8_t bit) {
    uint8_t status = 0;
    ReadDecoderByte(dec::kVideoStatus, &status);
    return (status >> bit) & 1u;
}

void SetOutputControl(bool on) {
    if (BoardReachable()) {
        HostWriteReg16(dec::kOutputControl, on ? dec::kOutputOn : dec::kOutputOff);
    }
}
