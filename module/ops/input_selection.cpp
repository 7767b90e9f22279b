// An input change touches the whole decoder: its input routing (loading the
// register set on the first change), the audio set-up for where the sound
// now comes from, the mode bits, and a restart of the audio demodulator.
#include "ops/input_selection.h"

#include "audio/audio_setup.h"
#include "frame/module_state.h"
#include "ops/one_time_setup.h"
#include "video/input_registers.h"
#include "video/mode_bits.h"

namespace {

// The audio set-up's argument: where the sound comes from (input 0 also for
// any other number).
uint32_t AudioInputOf(uint32_t input) {
    return input < 3 ? input : 0;
}

// The audio restart bit's levels after the input change, 10 ms apart.
constexpr uint8_t kRestartPulse[] = {0, 1, 0};

} // namespace

uint32_t SelectVideoInput(uint32_t input) {
    // Read before the register set may load it: on the very first selection
    // this is the register as the decoder came up.
    const uint8_t control = ReadInputControl();
    EnsureDecoderSetUp();
    RouteVideoInput(input, control);
    InitAudioStandard(AudioInputOf(input));
    SetDecoderModeBits();
    CurrentVideoInput = input;
    DriveAudioRestartBit(kRestartPulse, sizeof(kRestartPulse));
    return 0;
}

TVB_ARG TVB_API QueryVideoInput(TVB_ARG, TVB_ARG) {
    return CurrentVideoInput;
}

uint32_t TVB_API ChooseVideoInput(TVB_ARG, TVB_ARG, uint32_t input) {
    SelectVideoInput(input);
    return 0;
}
