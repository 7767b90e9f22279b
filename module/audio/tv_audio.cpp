// TV sound modes. The audio DSP reports what the broadcast carries in its
// status word at 0x404; for the status codes 5, 9, 10 and 11 it reports stereo
// and the two languages in flag registers instead. A mode is switched by the
// sound source and channel selection fields of 0x464.
#include "audio/tv_audio.h"

#include "decoder/decoder_access.h"
#include "include/tvboard.h"
#include "regmap/decoder_map.h"

namespace {

namespace dec = regmap::decoder;

constexpr uint32_t kMono = TVB_AUDIO_MODE_MONO;
constexpr uint32_t kStereo = TVB_AUDIO_MODE_STEREO;
constexpr uint32_t kLangA = TVB_AUDIO_MODE_LANG_A;
constexpr uint32_t kLangB = TVB_AUDIO_MODE_LANG_B;
constexpr uint32_t kLangC = TVB_AUDIO_MODE_LANG_C;

constexpr uint32_t Bit(uint32_t word, uint32_t n) {
    return (word >> n) & 1u;
}

// Modes from the status word itself. Bit 11 selects which bit group holds
// them; with bit 11 clear, bits 8 and 9 count only when bit 7 is set.
uint32_t ModesFromStatusWord(uint32_t status) {
    if (Bit(status, dec::kStatusBitLayout)) {
        if (Bit(status, dec::kStatusBitStereo11)) {
            return kStereo;
        }
        return Bit(status, dec::kStatusBitLanguages11) ? kLangA | kLangB : kMono;
    }
    if (!Bit(status, dec::kStatusBitValid)) {
        return kMono;
    }
    if (Bit(status, dec::kStatusBitStereo)) {
        return kStereo;
    }
    return Bit(status, dec::kStatusBitLanguages) ? kLangA | kLangB : kMono;
}

uint32_t ModesFromFlagRegisters() {
    uint32_t modes = 0;
    if (ReadDecoderField(dec::kStereoFlagBit) == 1) {
        modes = kStereo;
    }
    if (ReadDecoderField(dec::kTwoLanguageFlagBit) == 1) {
        modes |= kLangA | kLangB;
    }
    return modes;
}

struct ChannelChoice {
    uint32_t mode;
    uint8_t channel;
    bool thirdLanguage; // with status bit 12 set, the third language's source
};

// Any mode value not listed selects the stereo channel.
constexpr ChannelChoice kChannels[] = {
    {kMono, dec::kChannelLanguageA, false},
    {kStereo, dec::kChannelStereo, false},
    {kLangA, dec::kChannelLanguageA, false},
    {kLangA | kMono, dec::kChannelLanguageA, false},
    {kLangA | kStereo, dec::kChannelStereo, false},
    {kLangB, dec::kChannelLanguageB, false},
    {kLangB | kMono, dec::kChannelLanguageB, false},
    {kLangB | kStereo, dec::kChannelLanguageB, false},
    {kLangC, dec::kChannelLanguageA, true},
    {kLangC | kMono, dec::kChannelLanguageA, true},
    {kLangC | kStereo, dec::kChannelLanguageA, true},
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
    const uint32_t status = ReadDecoderField(dec::kSoundStatusWord);
    const uint32_t code = status & ((1u << dec::kSoundStatusCode.width) - 1);
    const uint32_t modes =
        dec::ReportsInFlagRegisters(code) ? ModesFromFlagRegisters() : ModesFromStatusWord(status);
    // Bit 12 reports a third language whichever layout the rest uses.
    const uint32_t third = Bit(status, dec::kStatusBitThirdLanguage) ? kLangC : 0;
    return modes | third | kMono;
}

uint8_t SetTvAudioMode(uint32_t mode) {
    const uint32_t available = DetectTvAudioModes();
    if ((available & mode) != mode) {
        return 0;
    }
    // Read again: the sound may have changed since the detection.
    const bool thirdLanguage =
        Bit(ReadDecoderField(dec::kSoundStatusLow), dec::kStatusBitThirdLanguage) != 0;

    // The decoder's input, from the low bits of its input register (one
    // plain byte read).
    uint8_t input = 0;
    ReadDecoderByte(dec::kInputSelect, &input);
    const uint32_t inputBits = input & ((1u << dec::kInputSource.width) - 1);
    WriteDecoderField(dec::kSoundSource, inputBits == dec::kInputSourceInput0
                                             ? dec::kSourceInput0
                                             : dec::kSourceOtherInputs);

    const ChannelChoice* choice = FindChannel(mode);
    if (choice != nullptr && choice->thirdLanguage && thirdLanguage) {
        WriteDecoderField(dec::kSoundSource, dec::kSourceThirdLanguage);
    } else {
        WriteDecoderField(dec::kSoundChannel,
                          choice != nullptr ? choice->channel : dec::kChannelStereo);
    }
    return 1;
}
