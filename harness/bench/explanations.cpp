#include "bench/explanations.h"

#include "bench/values.h"
#include "emu/if_demod.h"
#include "emu/synth.h"
#include "text/format.h"

#include <algorithm>

namespace bench {

namespace {

uint32_t IfOffsetHz(uint32_t standard) {
    return emu::IfDemod::IfOffsetHz(emu::IfDemod::CodeOf(standard));
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

Range TunerRange(const HostCalls& calls) {
    const uint32_t offset = IfOffsetHz(calls.standard);
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
    const uint32_t offset = IfOffsetHz(calls.standard);
    return "with the IF offset of " + host_driver::StandardName(calls.standard) + " (" +
           MHzText(offset) + ") the oscillator would run at " +
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
        return why + "no " + host_driver::StandardName(calls.standard) +
               " station on the antenna within the demodulator's reach";
    }
    return why + "the demodulator locks only after " + std::to_string(o.lockLate) +
           " status polls (--lock-late), more than the module makes";
}

} // namespace bench
