// What the module tells the host, held against what the emulated board is
// actually doing: lock, AFC step, signal and frequency of a status answer,
// the frequency it keeps after a tuning (and that it lies within the range
// it advertises), the TV sound modes it reports and accepts, the input it
// reports, the picture it was asked for, the sample-rate pin; and what it
// describes without the board against what the board and the broadcast
// standards allow: each video standard descriptor's lines and frame rate
// against its standards, each tuner mode's range against what the
// synthesizer reaches, the audio format's rate code against its rate. A
// module that says "locked" while the demodulator shows no lock, or reports
// a frequency the synthesizer is not set for, fails like a protocol
// violation.
#pragma once

#include "bench/picture_settings.h"
#include "emu/board.h"
#include "include/tvboard.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

class Claims {
  public:
    explicit Claims(const emu::Board& board) : board_(board) {}

    // Before a status request: so that the answer is held against what the
    // demodulator showed the module (a lock that comes late is not the
    // module's fault), or against the demodulator now if it was not asked.
    void BeforeStatus();
    // A status request's answer; `storedHz` is the frequency the module keeps.
    void Status(const TVTunerSettings& answer, uint32_t storedHz);
    // Before a frequency request: the synthesizer as it was.
    void BeforeTune();
    // After it: the module kept `storedHz` (the host's record) for `askedHz`.
    void Tuned(uint32_t askedHz, uint32_t storedHz);
    // The TV sound modes the module reports available.
    void AudioModes(uint32_t reported);
    // A TV sound mode set request and the module's answer.
    void AudioModeSet(uint32_t mode, bool accepted);
    // The input the module reports after `chosen` was selected.
    void Input(uint32_t chosen, uint32_t reported);
    // A picture control set to `value`.
    void Picture(const PictureControl& control, int32_t value);
    // The video standard descriptors the module lists.
    void Descriptors(const std::vector<VideoStandardDescriptor>& descriptors);
    // A tuner mode's caps (nothing for a mode the module does not fill);
    // those of the TV mode also bound the frequencies Tuned takes.
    void TunerMode(uint32_t mode, const TunerModeCaps& caps);
    // The audio format GetAudioFormat filled.
    void AudioFormatRead(const AudioFormat& format, const AudioInterfaceConfig& config);
    // After SetAudioSampleRate with `rate`: the rate pin.
    void SampleRateSet(uint32_t rate);

    // The TV sound modes the broadcast received now offers.
    uint32_t BroadcastModes() const;
    // The step the module should report for the demodulator's AFC value.
    static int AfcStep(uint8_t status);

    const std::vector<std::string>& Broken() const { return broken_; }

  private:
    void Fail(const std::string& what) { broken_.push_back("claim check: " + what); }

    const emu::Board& board_;
    TunerModeCaps tvCaps_{}; // the TV mode's, once read
    int statusReadsBefore_ = 0;
    uint64_t oscillatorBefore_ = 0;
    std::vector<std::string> broken_;
};

} // namespace bench
