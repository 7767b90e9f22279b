// The video property interface: each number leads to a picture control, the
// input selection, the audio demodulator restart, the decoder's output
// switch or one of its status bits.
#include "ops/video_properties.h"

#include "audio/audio_setup.h"
#include "frame/debug.h"
#include "include/tvboard.h"
#include "ops/input_selection.h"
#include "regmap/decoder_map.h"
#include "video/picture_controls.h"
#include "video/video_status.h"

uint32_t TVB_API SetVideoProperty(TVB_ARG, TVB_ARG, uint32_t property, int32_t value, TVB_ARG) {
    DebugPrint("SetVideoProperty %d %d", static_cast<int>(property), static_cast<int>(value));
    switch (property) {
    case TVB_PROPERTY_VIDEO_INPUT:
        SelectVideoInput(static_cast<uint32_t>(value));
        break;
    case TVB_PROPERTY_BRIGHTNESS:
        SetBrightness(value);
        break;
    case TVB_PROPERTY_CONTRAST:
        SetContrast(value);
        break;
    case TVB_PROPERTY_HUE:
        SetHue(value);
        break;
    case TVB_PROPERTY_SATURATION:
        SetSaturation(value);
        break;
    case TVB_PROPERTY_AUDIO_RESTART:
        RestartAudioDemodulator(0);
        break;
    case TVB_PROPERTY_OUTPUT_CONTROL:
        SetOutputControl(value != 0);
        break;
    default: // accepted, no effect on this board
        break;
    }
    return 0;
}

uint32_t TVB_API GetVideoProperty(TVB_ARG, TVB_ARG, uint32_t property, uint32_t* value, TVB_ARG) {
    if (value == nullptr) {
        return 0;
    }
    DebugPrint("GetVideoProperty %d", static_cast<int>(property));
    if (property == TVB_PROPERTY_STATUS_BIT1) {
        *value = ReadVideoStatusBit(regmap::decoder::kVideoStatusBit1);
    } else if (property == TVB_PROPERTY_STATUS_BIT0) {
        *value = ReadVideoStatusBit(regmap::decoder::kVideoStatusBit0);
    }
    DebugPrint("GetVideoProperty return %d", static_cast<int>(*value));
    return 0;
}
