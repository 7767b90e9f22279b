#include "bench/explanations.h"

#include "bench/board_reading.h"
#include "bench/values.h"
#include "emu/if_demod.h"
#include "emu/synth.h"
#include "text/format.h"

#include <algorithm>

namespace bench {

namespace {

// The IF offset the module tunes with: that of the demodulator's set-up
// (which for a standard without one of its own is B's), else, before any,
// the standard's own.
uint32_t IfOffsetHz(const HostCalls& calls) {
    const uint8_t code = SetUpCode(calls.Run().board);
    return emu::IfDemod::IfOffsetHz(code != 0 ? code : emu::IfDemod::CodeOf(calls.standard));
}

Range TvRange(const HostCalls& calls) {
    return Range{calls.tvLimits.MinFrequency, calls.tvLimits.MaxFrequency};
}

} // namespace

std::string Range::Text() const {
    std::string low = MHzText(lowHz);
    low.erase(low.find(' '));
    return low + ".." + MHzText(highHz);
}

std::string StandardAsSetUp(const HostCalls& calls) {
    const uint8_t code = SetUpCode(calls.Run().board);
    const std::string asked = host_driver::StandardName(calls.standard);
    return SetUpFor(code, calls.standard) ? asked : asked + ", set up as " + SetUpText(code);
}

std::string SynthesizerOff(const HostCalls& calls, uint32_t hz) {
    const SynthSetting s = TunedOnBoard(calls.Run().board);
    if (s.hz == hz) {
        return "";
    }
    return ", synthesizer " +
           (s.hz == 0 ? std::string("set for no frequency") : "at " + MHzText(s.hz)) +
           text::Format(" in %g kHz steps", s.stepHz / 1e3);
}

Json TuningMembers(const HostCalls& calls) {
    const emu::Board& board = calls.Run().board;
    const SynthSetting s = TunedOnBoard(board);
    Json j = {{"synthesizer_hz", s.hz},
              {"synthesizer_step_hz", s.stepHz},
              {"set_up_as", emu::IfDemod::CodeName(SetUpCode(board))}};
    if (ReceivedStandard(board) != 0) {
        j["received_standard"] = host_driver::StandardName(ReceivedStandard(board));
    }
    return j;
}

Range TunerRange(const HostCalls& calls) {
    const uint32_t offset = IfOffsetHz(calls);
    const uint64_t low = emu::Synth::LowestOscillatorHz();
    const uint64_t high = emu::Synth::HighestOscillatorHz();
    Range r = TvRange(calls);
    r.lowHz = std::max<uint64_t>(r.lowHz, low > offset ? low - offset : 0);
    r.highHz = static_cast<uint32_t>(std::min<uint64_t>(r.highHz, high - offset));
    return r;
}

std::string RefusalReason(const HostCalls& calls, uint32_t hz) {
    const Range tv = TvRange(calls);
    if (!tv.Holds(hz)) {
        return MHzText(hz) + " lies outside the tuner's TV range " + tv.Text() +
               " (GetTunerModeCaps)";
    }
    const uint32_t offset = IfOffsetHz(calls);
    return "with the IF offset of " + StandardAsSetUp(calls) + " (" + MHzText(offset) +
           ") the oscillator would run at " +
           text::Format("%.3f MHz", (static_cast<double>(hz) + offset) / 1e6) +
           ", above the synthesizer's reach as the module programs it";
}

std::string NoLockReason(const HostCalls& calls, uint32_t hz) {
    const Options& o = calls.Run().options;
    const emu::Board& board = calls.Run().board;
    std::string why;
    const Range r = TunerRange(calls);
    if (!r.Holds(hz)) {
        why = MHzText(hz) + " lies outside the tuner's range " + r.Text() + "; ";
    }
    if (o.noLock) {
        return why + "the emulated demodulator never locks (--no-lock)";
    }
    if (!board.synth.Locked()) {
        return why + "the synthesizer's oscillator cannot run at " +
               text::Format("%.3f MHz", static_cast<double>(board.synth.OscillatorHz()) / 1e6);
    }
    if (board.demod.Receiving() == nullptr) {
        const uint8_t code = SetUpCode(board);
        if (SetUpFor(code, calls.standard)) {
            return why + "no " + host_driver::StandardName(calls.standard) +
                   " station on the antenna within the demodulator's reach";
        }
        // (The demodulator receives what its set-up receives, whatever was
        // asked.)
        const std::string received = SetUpStandards(code, " or ");
        return why + "no " + (received.empty() ? "station it can take" : received + " station") +
               " on the antenna within the demodulator's reach: it has no set-up for " +
               host_driver::StandardName(calls.standard) + " and is set up as " +
               emu::IfDemod::CodeName(code);
    }
    return why + "the demodulator locks only after " + std::to_string(o.lockLate) +
           " status polls (--lock-late), more than the module makes";
}

} // namespace bench
