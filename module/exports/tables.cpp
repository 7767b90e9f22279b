// The five operation tables. Slots the board does not support hold stubs that
// ignore their arguments and return the constant the host expects; one stub
// serves every slot with the same argument count and constant.
#include "exports/tables.h"

#include "ops/audio_format.h"
#include "ops/open_close.h"
#include "ops/initialize_sensor.h"
#include "ops/input_selection.h"
#include "ops/tuner_properties.h"
#include "ops/video_properties.h"
#include "ops/video_standards.h"

namespace {

TVB_ARG TVB_API Return0With2(TVB_ARG, TVB_ARG) {
    return 0;
}
TVB_ARG TVB_API Return0With3(TVB_ARG, TVB_ARG, TVB_ARG) {
    return 0;
}
TVB_ARG TVB_API Return0With20(TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG,
                              TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG,
                              TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG, TVB_ARG) {
    return 0;
}
TVB_ARG TVB_API Return341With2(TVB_ARG, TVB_ARG) {
    return TVB_VIDEO_SLOT0_RESULT;
}
TVB_ARG TVB_API Return131001With2(TVB_ARG, TVB_ARG) {
    return TVB_AUDIO_SLOT0_RESULT;
}
TVB_ARG TVB_API Return7With2(TVB_ARG, TVB_ARG) {
    return TVB_INPUT_SLOT0_RESULT;
}
TVB_ARG TVB_API Return3With2(TVB_ARG, TVB_ARG) {
    return TVB_INPUT_SLOT2_RESULT;
}

} // namespace

const TVB_BOARD_OPS BoardOps = {OpenBoard, CloseBoard};

const TVB_VIDEO_OPS VideoOps = {
    Return341With2,           // 0
    Return0With2,             // 1
    GetVideoStandards,        // 2
    GetVideoPropertyDefaults, // 3
    InitializeSensor,         // 4
    Return0With2,             // 5
    Return0With20,            // 6
    Return0With2,             // 7
    SetVideoProperty,         // 8
    GetVideoProperty,         // 9
    Return0With3,             // 10
    Return0With3,             // 11
};

const TVB_AUDIO_OPS AudioOps = {
    Return131001With2,  // 0
    GetAudioFormat,     // 1
    SetAudioSampleRate, // 2
    Return0With2,       // 3
};

const TVB_INPUT_OPS InputOps = {
    Return7With2,     // 0
    QueryVideoInput,  // 1
    Return3With2,     // 2
    ChooseVideoInput, // 3
    Return0With3,     // 4
};

const TVB_TUNER_OPS TunerOps = {GetTunerModeCaps, GetTunerProperty, SetTunerProperty};
