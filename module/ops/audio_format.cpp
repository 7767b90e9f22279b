// The audio capture format: the configuration words the host's audio
// interface needs, and the sample-rate pin.
#include "ops/audio_format.h"

#include "frame/host_calls.h"

namespace {

uint16_t SampleRateCode(uint32_t rate) {
    switch (rate) {
    case TVB_SAMPLE_RATE_48000:
        return 8;
    case TVB_SAMPLE_RATE_44100:
        return 4;
    default:
        return 12; // 32 000 Hz
    }
}

} // namespace

uint32_t TVB_API GetAudioFormat(TVB_ARG, TVB_ARG, AudioInterfaceConfig* config,
                                AudioFormat* format) {
    if (config == nullptr || format == nullptr) {
        return 0;
    }
    format->SampleRate = TVB_SAMPLE_RATE_32000;
    uint16_t* w = config->Word;
    for (uint16_t& word : config->Word) {
        word = 0;
    }
    w[0] = 2;
    w[1] = SampleRateCode(format->SampleRate);
    w[6] = 1;
    w[9] = static_cast<uint16_t>(format->FormatWord & 0xFFFFu);
    w[10] = 1;
    w[11] = format->FormatMode == 1 ? 1 : 0;
    w[25] = 0x100;
    w[27] = 0x10;
    w[28] = 0x10;
    w[29] = 0x100;
    w[30] = 0x100;
    return 0;
}

// Pin 0 selects the audio clock: 1 for 48 kHz, 0 for 44.1 kHz. It is driven
// with the handle the host passed here, whether or not a board is open.
uint32_t TVB_API SetAudioSampleRate(TVB_ARG, TVB_HOST_HANDLE handle, AudioFormat* format) {
    if (format == nullptr) {
        return 0;
    }
    const uint32_t pins[1] = {TVB_PIN_SAMPLE_RATE};
    uint32_t values[1] = {TVB_PIN_RATE_44100};
    if (format->SampleRate == TVB_SAMPLE_RATE_48000) {
        values[0] = TVB_PIN_RATE_48000;
    } else if (format->SampleRate != TVB_SAMPLE_RATE_44100) {
        return 0;
    }
    HostWritePins(handle, 1, pins, values);
    return 0;
}
