// InitializeSensor: the input chosen twice around an audio demodulator
// restart, the seventeen video properties, the board's one-time set-up, and
// the audio set-up on the first five calls that reach a board.
#include "ops/initialize_sensor.h"

#include "audio/audio_setup.h"
#include "frame/debug.h"
#include "frame/host_calls.h"
#include "include/tvboard.h"
#include "ops/one_time_setup.h"
#include "ops/video_properties.h"

namespace {

constexpr uint8_t kMaxAudioInitializations = 5;

} // namespace

int32_t TVB_API InitializeSensor(const TVB_SENSOR_INIT_RECORD* record, TVB_ARG hostValue,
                                 int32_t restartValue, int32_t videoInput, int32_t p1, int32_t p2,
                                 int32_t p3, int32_t p4, int32_t p5, int32_t p6, int32_t p7,
                                 int32_t p8, int32_t p9, int32_t p10, int32_t p11, int32_t p12,
                                 int32_t p13, int32_t p14, int32_t p15, int32_t p16, int32_t p17) {
    // This one message has its own switch: bit 0 of the debug flags.
    DebugPrintIf((DbgFlags & 1u) != 0,
                 "InitializeSensor--audioInitializeCount= %d g_bIsTvInitialized=%d "
                 "g_bIsScalerInitialized=%d ",
                 static_cast<int>(audioInitializeCount), static_cast<int>(g_bIsTvInitialized),
                 static_cast<int>(g_bIsScalerInitialized));
    if (record == nullptr) {
        return TVB_SENSOR_NO_RECORD;
    }
    if (restartValue == TVB_SENSOR_USE_RECORD) {
        restartValue = static_cast<int32_t>(record->RestartValue);
    }
    if (videoInput == TVB_SENSOR_USE_RECORD) {
        videoInput = static_cast<int32_t>(record->VideoInput);
    }
    const TVB_ARG recordArg = reinterpret_cast<TVB_ARG>(record);

    uint32_t r = SetVideoProperty(recordArg, hostValue, TVB_PROPERTY_VIDEO_INPUT, videoInput, 0);
    if (r != 0) {
        return static_cast<int32_t>(r);
    }
    r = SetVideoProperty(recordArg, hostValue, TVB_PROPERTY_AUDIO_RESTART, restartValue, 0);
    if (r != 0) {
        return static_cast<int32_t>(r);
    }
    // The input is chosen a second time once the demodulator has restarted.
    SetVideoProperty(recordArg, hostValue, TVB_PROPERTY_VIDEO_INPUT, videoInput, 0);

    const int32_t properties[17] = {p1,  p2,  p3,  p4,  p5,  p6,  p7,  p8, p9,
                                    p10, p11, p12, p13, p14, p15, p16, p17};
    for (uint32_t k = 1; k <= 17; ++k) {
        SetVideoProperty(recordArg, hostValue, k, properties[k - 1], 0);
    }

    EnsureTunerAndDecoderSetUp();
    // Counted only when the set-up reaches a board; without one it still
    // runs, with its waits.
    if (audioInitializeCount < kMaxAudioInitializations) {
        if (BoardReachable()) {
            ++audioInitializeCount;
        }
        InitAudioStandard(0);
    }
    return 0;
}
