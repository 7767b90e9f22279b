#include "bench/board_reading.h"

#include "host_driver/host_driver.h"
#include "regmap/decoder_map.h"

namespace bench {

namespace dmap = regmap::decoder;

SynthSetting TunedOnBoard(const emu::Board& board) {
    SynthSetting s;
    const uint64_t osc = board.synth.OscillatorHz();
    const uint32_t offset = emu::IfDemod::IfOffsetHz(board.demod.StandardCode());
    if (osc > offset && osc - offset <= UINT32_MAX) {
        s.hz = static_cast<uint32_t>(osc - offset);
    }
    s.stepHz = static_cast<uint32_t>(board.synth.ResolutionHz());
    return s;
}

uint8_t SetUpCode(const emu::Board& board) {
    return board.demod.StandardCode();
}

std::string SetUpStandards(uint8_t code, const char* separator) {
    std::string standards;
    for (uint32_t s : host_driver::StandardBits()) {
        if (emu::IfDemod::CodeOf(s) == code) {
            standards += (standards.empty() ? "" : separator) + host_driver::StandardName(s);
        }
    }
    return standards;
}

std::string SetUpText(uint8_t code) {
    const std::string standards = SetUpStandards(code, ", ");
    return std::string(emu::IfDemod::CodeName(code)) + (standards.empty() ? "" : ": " + standards);
}

bool SetUpFor(uint8_t code, uint32_t standard) {
    return code != 0 && emu::IfDemod::CodeOf(standard) == code;
}

uint32_t ReceivedStandard(const emu::Board& board) {
    const emu::Station* s = board.demod.Receiving();
    return s != nullptr ? s->standard : 0;
}

uint32_t SoundProgrammed(const emu::Board& board) {
    const emu::Decoder& d = board.decoder;
    if (d.Field(dmap::kSoundSource) == dmap::kSourceThirdLanguage) {
        return TVB_AUDIO_MODE_LANG_C;
    }
    switch (d.Field(dmap::kSoundChannel)) {
    case dmap::kChannelStereo:
        return TVB_AUDIO_MODE_STEREO;
    case dmap::kChannelLanguageA:
        return TVB_AUDIO_MODE_MONO | TVB_AUDIO_MODE_LANG_A;
    case dmap::kChannelLanguageB:
        return TVB_AUDIO_MODE_LANG_B;
    default:
        return 0;
    }
}

bool SoundAsProgrammed(uint32_t mode, uint32_t programmed) {
    return (mode & programmed) != 0 && (mode & ~(programmed | TVB_AUDIO_MODE_MONO)) == 0;
}

} // namespace bench
