// Audio DSP set-up for the selected input, and the demodulator restart. Every
// step is a read-modify-write of the dword at its register; steps are never
// skipped, and a step whose handshake fails does not stop the rest.
#include "audio/audio_setup.h"

#include "decoder/decoder_access.h"
#include "frame/waits.h"
#include "regmap/decoder_map.h"

namespace {

enum class Action : uint8_t { Write, Sleep, ReadStatus };

namespace dec = regmap::decoder;

struct AudioStep {
    Action action;
    regmap::DecoderField field;
    uint32_t input0;      // value when the sound comes from input 0
    uint32_t otherInputs; // value for every other input
};

constexpr AudioStep Write(regmap::DecoderField field, uint32_t value) {
    return {Action::Write, field, value, value};
}
constexpr AudioStep WriteByInput(regmap::DecoderField field, uint32_t input0,
                                 uint32_t otherInputs) {
    return {Action::Write, field, input0, otherInputs};
}
constexpr AudioStep SleepFor(uint32_t ms) {
    return {Action::Sleep, {0, 0, 0}, ms, ms};
}
constexpr AudioStep ReadStatus(regmap::DecoderField field) {
    return {Action::ReadStatus, field, 0, 0};
}

// Write(field, value); WriteByInput(field, input 0, other inputs)
constexpr AudioStep kAudioStandard[] = {
    Write(dec::kAudioSetup598, 0x200000),
    Write(dec::kDemodLowBits, 0),
    Write(dec::kDemodMode, 0x1F),
    SleepFor(10),
    Write(dec::kDemodRestart, 0), // restart bit low ...
    SleepFor(10),
    Write(dec::kDemodRestart, 1), // ... high for 10 ms ...
    SleepFor(10),
    Write(dec::kDemodRestart, 0), // ... and low again
    WriteByInput(dec::kSoundSourceSelect, 0, 0x303),
    WriteByInput(dec::kSoundSelect2Word, 0, 0x303),
    Write(dec::kAudioSetup46C, 0xBBBBBB),
    Write(dec::kAudioSetup470, 0xBB10BB),
    Write(dec::kAudioSetup1C0, 0x1D),
    WriteByInput(dec::kAudioInputSelect, 0, 1),
    Write(dec::kAudioSetup474, 0x18),
    Write(dec::kAudioSetup480, 0),
    Write(dec::kAudioSetup484, 0),
    Write(dec::kAudioSetup488, 0),
    Write(dec::kAudioSetup594, 0x0F),
    ReadStatus(dec::kSoundStatusCode),
};
// The restart bit's levels, each written after 10 ms.
constexpr uint8_t kRestartLevels[] = {1, 1, 0};

} // namespace

uint32_t InitAudioStandard(uint32_t input) {
    uint32_t status = 0;
    for (const AudioStep& step : kAudioStandard) {
        const uint32_t value = input == 0 ? step.input0 : step.otherInputs;
        switch (step.action) {
        case Action::Write:
            WriteDecoderField(step.field, value);
            break;
        case Action::Sleep:
            SleepMs(value);
            break;
        case Action::ReadStatus:
            status = ReadDecoderField(step.field);
            break;
        }
    }
    return status;
}

void DriveAudioRestartBit(const uint8_t* levels, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        SleepMs(10);
        WriteDecoderField(dec::kDemodRestart, levels[i]);
    }
}

uint32_t RestartAudioDemodulator(uint32_t /*unused*/) {
    DriveAudioRestartBit(kRestartLevels, sizeof(kRestartLevels));
    return 1;
}
