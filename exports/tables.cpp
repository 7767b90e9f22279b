// The five operation tables. Slots the board does not support hold stubs that
// ignore their arguments and return the constant the host expects; one stub
// serves every slot with the same argument count and constant.
#include "exports/tables.h"

#include "audio/audio_format.h"
#include "frame/board.h"
#include "ops/initialize_sensor.h"
#include "ops/input_selection.h"
#include "ops/tuner_properties.h"
#include "ops/video_properties.h"
#include "video/standards.h"

namespace {

Arg TVB_STDCALL Return0With2(Arg, Arg) {
    return 0;
}
Arg TVB_STDCALL Return0With3(Arg, Arg, Arg) {
    return 0;
}
Arg TVB_STDCALL Return0With20(Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg, Arg,
                              Arg, Arg, Arg, Arg, Arg, Arg) {
    return 0;
}
Arg TVB_STDCALL Return341With2(Arg, Arg) {
    return 0x155;
}
Arg TVB_STDCALL Return131001With2(Arg, Arg) {
    return 0x131001;
}
Arg TVB_STDCALL Return7With2(Arg, Arg) {
    return 7;
}
Arg TVB_STDCALL Return3With2(Arg, Arg) {
    return 3;
}

} // namespace

const BoardOpsTable BoardOps = {OpenBoard, CloseBoard};

const VideoOpsTable VideoOps = {
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

const AudioOpsTable AudioOps = {
    Return131001With2,  // 0
    GetAudioFormat,     // 1
    SetAudioSampleRate, // 2
    Return0With2,       // 3
};

const InputOpsTable InputOps = {
    Return7With2,     // 0
    QueryVideoInput,  // 1
    Return3With2,     // 2
    ChooseVideoInput, // 3
    Return0With3,     // 4
};

const TunerOpsTable TunerOps = {GetTunerModeCaps, GetTunerProperty, SetTunerProperty};
