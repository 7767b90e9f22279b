// Audio DSP set-up for the selected input, and the demodulator restart. Every
// step is a read-modify-write of the dword at its register; steps are never
// skipped, and a step whose handshake fails does not stop the rest.
#include "audio/audio_setup.h"

#include "audio/decoder_access.h"
#include "frame/waits.h"

namespace {

enum class Action : uint8_t { Write, Sleep, ReadStatus };

struct AudioStep {
    Action action;
    uint16_t reg;
    uint8_t shift;
    uint8_t width;
    uint32_t input0;      // value when the sound comes from input 0
    uint32_t otherInputs; // value for every other input
};

constexpr AudioStep Write(uint16_t reg, uint8_t shift, uint8_t width, uint32_t value) {
    return {Action::Write, reg, shift, width, value, value};
}
constexpr AudioStep WriteByInput(uint16_t reg, uint8_t shift, uint8_t width, uint32_t input0,
                                 uint32_t otherInputs) {
    return {Action::Write, reg, shift, width, input0, otherInputs};
}
constexpr AudioStep SleepFor(uint32_t ms) {
    return {Action::Sleep, 0, 0, 0, ms, ms};
}
constexpr AudioStep ReadStatus(uint16_t reg, uint8_t shift, uint8_t width) {
    return {Action::ReadStatus, reg, shift, width, 0, 0};
}

// Write(register, shift, width, value); WriteByInput(..., input 0, other inputs)
constexpr AudioStep kAudioStandard[] = {
    Write(0x598, 0, 32, 0x200000),
    Write(0x454, 0, 2, 0),
    Write(0x454, 2, 5, 0x1F),
    SleepFor(10),
    Write(0x454, 7, 1, 0), // restart bit low ...
    SleepFor(10),
    Write(0x454, 7, 1, 1), // ... high for 10 ms ...
    SleepFor(10),
    Write(0x454, 7, 1, 0), // ... and low again
    WriteByInput(0x464, 0, 16, 0, 0x303),
    WriteByInput(0x468, 0, 16, 0, 0x303),
    Write(0x46C, 0, 24, 0xBBBBBB),
    Write(0x470, 0, 24, 0xBB10BB),
    Write(0x1C0, 0, 8, 0x1D),
    WriteByInput(0x59B, 6, 2, 0, 1),
    Write(0x474, 0, 5, 0x18),
    Write(0x480, 0, 16, 0),
    Write(0x484, 0, 16, 0),
    Write(0x488, 0, 10, 0),
    Write(0x594, 0, 5, 0x0F),
    ReadStatus(0x404, 0, 5), // status code
};

constexpr uint16_t kRestartReg = 0x454;
constexpr uint8_t kRestartBit = 7;
// The restart bit's levels, each written after 10 ms.
constexpr uint8_t kRestartLevels[] = {1, 1, 0};

} // namespace

uint32_t InitAudioStandard(uint32_t input) {
    uint32_t status = 0;
    for (const AudioStep& step : kAudioStandard) {
        const uint32_t value = input == 0 ? step.input0 : step.otherInputs;
        switch (step.action) {
        case Action::Write:
            WriteDecoderField(step.reg, step.shift, step.width, value);
            break;
        case Action::Sleep:
            SleepMs(value);
            break;
        case Action::ReadStatus:
            status = ReadDecoderField(step.reg, step.shift, step.width);
            break;
        }
    }
    return status;
}

void DriveAudioRestartBit(const uint8_t* levels, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        SleepMs(10);
        WriteDecoderField(kRestartReg, kRestartBit, 1, levels[i]);
    }
}

uint32_t RestartAudioDemodulator(uint32_t /*unused*/) {
    DriveAudioRestartBit(kRestartLevels, sizeof(kRestartLevels));
    return 1;
}
