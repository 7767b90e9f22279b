// A TV standard reaches both halves of the board: the IF demodulator is held
// while the decoder's standard registers follow, then takes the new code;
// the decoder's mode bits are applied again in every case.
#include "ops/tv_standard.h"

#include "frame/host_calls.h"
#include "frame/module_state.h"
#include "tuner/if_standard.h"
#include "video/mode_bits.h"
#include "video/standard_registers.h"

uint32_t SelectTvStandard(uint32_t standard) {
    if (!BoardReachable()) {
        return 0;
    }
    if (IfStandardChanges(standard)) {
        LoadIfStandard(standard);
        WriteStandardRegisters(NtscSelected != 0);
        CommitIfStandard();
    }
    SetDecoderModeBits();
    return 1;
}
