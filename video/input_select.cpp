// Choosing one of the three video inputs: the decoder's input registers, the
// audio set-up for that input, the mode bits, and a restart of the audio
// demodulator. Unknown input numbers are configured as input 0 and still
// reported as passed.
#include "audio/audio_setup.h"
#include "audio/decoder_access.h"
#include "frame/host.h"
#include "frame/module_state.h"
#include "video/decoder_video.h"

namespace {

struct VideoInput {
    uint8_t reg102;
    uint8_t reg109;
    uint32_t audioInput;
};

constexpr VideoInput kInputs[] = {
    {0xC1, 0x40, 0}, // input 0, also for any other number
    {0xC0, 0x00, 1},
    {0xC8, 0x80, 2},
};

constexpr uint16_t kInputReg = 0x102;
constexpr uint16_t kInputReg2 = 0x109;
constexpr uint16_t kControlReg = 0x10E;

// The audio restart bit's levels after the input change, 10 ms apart.
constexpr uint8_t kRestartPulse[] = {0, 1, 0};

} // namespace

uint32_t SelectVideoInput(uint32_t input) {
    // Read before the register set may load it: on the very first selection
    // this is the register as the decoder came up.
    uint8_t control = 0;
    ReadDecoderByte(kControlReg, &control);
    if (g_bIsScalerInitialized == 0) {
        InitDecoderRegisters();
    }

    const VideoInput& in = input < 3 ? kInputs[input] : kInputs[0];
    const struct {
        uint16_t reg;
        uint8_t value;
    } chain[] = {{kInputReg, in.reg102},
                 {kInputReg2, in.reg109},
                 {kControlReg, static_cast<uint8_t>(control | 0x01)}};
    for (const auto& write : chain) {
        if (!BoardReachable()) {
            break;
        }
        HostWriteReg16(write.reg, write.value);
    }

    WriteDecoderField(0x108, 3, 2, 1);
    InitAudioStandard(in.audioInput);
    SetDecoderModeBits();
    CurrentVideoInput = input;

    DriveAudioRestartBit(kRestartPulse, sizeof(kRestartPulse));
    return 0;
}
