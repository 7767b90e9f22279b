// TV sound modes. The audio DSP reports what the broadcast carries in its
// status word at 0x404; for the status codes 5, 9, 10 and 11 it reports stereo
// and the two languages in flag registers instead. A mode is switched by the
// sound source and channel selection fields of 0x464.
#include "audio/tv_audio.h"

#include "audio/decoder_access.h"
#include "frame/ks_constants.h"

namespace {

constexpr uint16_t kSoundStatus = 0x404;
constexpr uint16_t kStereoFlag = 0x409;      // bit 7
constexpr uint16_t kTwoLanguageFlag = 0x40A; // bit 0
constexpr uint16_t kSoundSelect = 0x464;
constexpr uint16_t kInputReg = 0x102;

constexpr uint32_t kMono = ks::TVAudioMode_Mono;
constexpr uint32_t kStereo = ks::TVAudioMode_Stereo;
constexpr uint32_t kLangA = ks::TVAudioMode_LangA;
constexpr uint32_t kLangB = ks::TVAudioMode_LangB;
constexpr uint32_t kLangC = ks::TVAudioMode_LangC;

constexpr uint32_t Bit(uint32_t word, uint32_t n) {
    return (word >> n) & 1u;
}

bool ReportsInFlagRegisters(uint32_t code) {
    return code == 5 || code == 9 || code == 10 || code == 11;
}

// Modes from the status word itself. Bit 11 selects which bit group holds
// them; with bit 11 clear, bits 8 and 9 count only when bit 7 is set.
uint32_t ModesFromStatusWord(uint32_t status) {
    if (Bit(status, 11)) {
        if (Bit(status, 5)) {
            return kStereo;
        }
        return Bit(status, 6) ? kLangA | kLangB : kMono;
    }
    if (!Bit(status, 7)) {
        return kMono;
    }
    if (Bit(status, 9)) {
        return kStereo;
    }
    return Bit(status, 8) ? kLangA | kLangB : kMono;
}

uint32_t ModesFromFlagRegisters() {
    uint32_t modes = 0;
    if (ReadDecoderField(kStereoFlag, 7, 1) == 1) {
        modes = kStereo;
    }
    if (ReadDecoderField(kTwoLanguageFlag, 0, 1) == 1) {
        modes |= kLangA | kLangB;
    }
    return modes;
}

// Sound source (bits 0..4 of 0x464): the decoder's own input 0, or any other.
constexpr uint32_t kSourceInput0 = 0;
constexpr uint32_t kSourceOtherInputs = 3;
constexpr uint32_t kSourceThirdLanguage = 2;
// Low four bits of 0x102 while the decoder is on input 0.
constexpr uint8_t kInput0Select = 1;

struct ChannelChoice {
    uint32_t mode;
    uint8_t channel;    // bits 5..7 of 0x464
    bool thirdLanguage; // with status bit 12 set, the third language's source
};

// Any mode value not listed selects channel 0.
constexpr ChannelChoice kChannels[] = {
    {kMono, 2, false},          {kStereo, 0, false},          {kLangA, 2, false},
    {kLangA | kMono, 2, false}, {kLangA | kStereo, 0, false}, {kLangB, 3, false},
    {kLangB | kMono, 3, false}, {kLangB | kStereo, 3, false}, {kLangC, 2, true},
    {kLangC | kMono, 2, true},  {kLangC | kStereo, 2, true},
};

const ChannelChoice* FindChannel(uint32_t mode) {
    for (const ChannelChoice& c : kChannels) {
        if (c.mode == mode) {
            return &c;
        }
    }
    return nullptr;
}

} // namespace

uint32_t DetectTvAudioModes() {
    const uint32_t status = ReadDecoderField(kSoundStatus, 0, 32);
    const uint32_t modes = ReportsInFlagRegisters(status & 0x1F) ? ModesFromFlagRegisters()
                                                                 : ModesFromStatusWord(status);
    // Bit 12 reports a third language whichever layout the rest uses.
    const uint32_t third = Bit(status, 12) ? kLangC : 0;
    return modes | third | kMono;
}

uint8_t SetTvAudioMode(uint32_t mode) {
    const uint32_t available = DetectTvAudioModes();
    if ((available & mode) != mode) {
        return 0;
    }
    // Read again: the sound may have changed since the detection.
    const bool thirdLanguage = Bit(ReadDecoderField(kSoundStatus, 0, 24), 12) != 0;

    uint8_t input = 0;
    ReadDecoderByte(kInputReg, &input);
    WriteDecoderField(kSoundSelect, 0, 5,
                      (input & 0x0F) == kInput0Select ? kSourceInput0 : kSourceOtherInputs);

    const ChannelChoice* choice = FindChannel(mode);
    if (choice != nullptr && choice->thirdLanguage && thirdLanguage) {
        WriteDecoderField(kSoundSelect, 0, 5, kSourceThirdLanguage);
    } else {
        WriteDecoderField(kSoundSelect, 5, 3, choice != nullptr ? choice->channel : 0);
    }
    return 1;
}
