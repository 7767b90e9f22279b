// The video property interface: properties by number, and InitializeSensor,
// which brings up the whole board in one call.
#include "audio/audio_setup.h"
#include "audio/decoder_access.h"
#include "frame/debug.h"
#include "frame/host.h"
#include "frame/operations.h"
#include "tuner/if_demod.h"
#include "video/decoder_video.h"

namespace {

enum VideoProperty : uint32_t {
    kVideoInput = 0,
    kBrightness = 1,
    kContrast = 3,
    kHue = 5,
    kSaturation = 7,
    kSyncStatusBit1 = 0x1000,
    kSyncStatusBit0 = 0x1001,
    kAudioRestart = 0x1002,
    kOutputControl = 0x1003,
};

constexpr uint16_t kStatusRegister = 0x11F;
constexpr uint16_t kOutputControlRegister = 0x190;
constexpr uint8_t kMaxAudioInitializations = 5;
constexpr int32_t kUseRecord = -1;

} // namespace

uint32_t TVB_STDCALL SetVideoProperty(Arg, Arg, uint32_t property, int32_t value, Arg) {
    DebugPrint("SetVideoProperty %d %d", static_cast<int>(property), static_cast<int>(value));
    switch (property) {
    case kVideoInput:
        SelectVideoInput(static_cast<uint32_t>(value));
        break;
    case kBrightness:
        SetBrightness(value);
        break;
    case kContrast:
        SetContrast(value);
        break;
    case kHue:
        SetHue(value);
        break;
    case kSaturation:
        SetSaturation(value);
        break;
    case kAudioRestart:
        RestartAudioDemodulator(0);
        break;
    case kOutputControl:
        if (BoardReachable()) {
            HostWriteReg16(kOutputControlRegister, value != 0 ? 0x18 : 0x00);
        }
        break;
    default: // accepted, no effect on this board
        break;
    }
    return 0;
}

uint32_t TVB_STDCALL GetVideoProperty(Arg, Arg, uint32_t property, uint32_t* value, Arg) {
    if (value == nullptr) {
        return 0;
    }
    DebugPrint("GetVideoProperty %d", static_cast<int>(property));
    if (property == kSyncStatusBit1 || property == kSyncStatusBit0) {
        uint8_t status = 0;
        ReadDecoderByte(kStatusRegister, &status);
        *value = property == kSyncStatusBit1 ? (status >> 1) & 1u : status & 1u;
    }
    DebugPrint("GetVideoProperty return %d", static_cast<int>(*value));
    return 0;
}

int32_t TVB_STDCALL InitializeSensor(const SensorInitRecord* record, Arg hostValue,
                                     int32_t restartValue, int32_t videoInput, int32_t p1,
                                     int32_t p2, int32_t p3, int32_t p4, int32_t p5, int32_t p6,
                                     int32_t p7, int32_t p8, int32_t p9, int32_t p10, int32_t p11,
                                     int32_t p12, int32_t p13, int32_t p14, int32_t p15,
                                     int32_t p16, int32_t p17) {
    // This one message has its own switch: bit 0 of the debug flags.
    DebugPrintIf((DbgFlags & 1u) != 0,
                 "InitializeSensor--saa7135AudioInitializeCount= %d g_bIsTvInitialized=%d "
                 "g_bIsScalerInitialized=%d ",
                 static_cast<int>(saa7135AudioInitializeCount),
                 static_cast<int>(g_bIsTvInitialized), static_cast<int>(g_bIsScalerInitialized));
    if (record == nullptr) {
        return -1;
    }
    if (restartValue == kUseRecord) {
        restartValue = static_cast<int32_t>(record->RestartValue);
    }
    if (videoInput == kUseRecord) {
        videoInput = static_cast<int32_t>(record->VideoInput);
    }
    const Arg recordArg = reinterpret_cast<Arg>(record);

    uint32_t r = SetVideoProperty(recordArg, hostValue, kVideoInput, videoInput, 0);
    if (r != 0) {
        return static_cast<int32_t>(r);
    }
    r = SetVideoProperty(recordArg, hostValue, kAudioRestart, restartValue, 0);
    if (r != 0) {
        return static_cast<int32_t>(r);
    }
    // The input is chosen a second time once the demodulator has restarted.
    SetVideoProperty(recordArg, hostValue, kVideoInput, videoInput, 0);

    const int32_t properties[17] = {p1,  p2,  p3,  p4,  p5,  p6,  p7,  p8, p9,
                                    p10, p11, p12, p13, p14, p15, p16, p17};
    for (uint32_t k = 1; k <= 17; ++k) {
        SetVideoProperty(recordArg, hostValue, k, properties[k - 1], 0);
    }

    // Each one-time set-up marks itself done only when it reached a board, so
    // a call before the board is open leaves it for a later one.
    if (g_bIsTvInitialized == 0) {
        InitTuner();
    }
    if (g_bIsScalerInitialized == 0) {
        InitDecoderRegisters();
    }
    if (saa7135AudioInitializeCount < kMaxAudioInitializations) {
        if (BoardReachable()) {
            ++saa7135AudioInitializeCount;
        }
        InitAudioStandard(0);
    }
    return 0;
}
