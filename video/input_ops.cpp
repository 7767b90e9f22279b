// The InputOps slots that report and choose the video input.
#include "frame/module_state.h"
#include "frame/operations.h"
#include "video/decoder_video.h"

Arg TVB_STDCALL QueryVideoInput(Arg, Arg) {
    return CurrentVideoInput;
}

uint32_t TVB_STDCALL ChooseVideoInput(Arg, Arg, uint32_t input) {
    SelectVideoInput(input);
    return 0;
}
