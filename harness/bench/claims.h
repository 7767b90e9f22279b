// What the module tells the host, held against what the emulated board is
// actually doing: lock, AFC step, signal and frequency of a status answer,
// the frequency it keeps after a tuning, the TV sound modes it reports and
// accepts, the input it reports, the picture it was asked for. A module
// that says "locked" while the demodulator shows no lock, or reports a
// frequency the synthesizer is not set for, fails like a protocol
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

    // The TV sound modes the broadcast received now offers.
    uint32_t BroadcastModes() const;
    // The step the module should report for the demodulator's AFC value.
    static int AfcStep(uint8_t status);

    const std::vector<std::string>& Broken() const { return broken_; }

  private:
    void Fail(const std::string& what) { broken_.push_back("claim check: " + what); }
    uint32_t TunedNowHz() const;

    const emu::Board& board_;
    int statusReadsBefore_ = 0;
    uint64_t oscillatorBefore_ = 0;
    std::vector<std::string> broken_;
};

} // namespace bench
