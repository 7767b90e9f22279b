#include "ops/one_time_setup.h"

#include "frame/module_state.h"
#include "tuner/tuner_init.h"
#include "video/register_set.h"

// Each initialisation marks itself done only when it reached a board, so a
// call before the board is open leaves it for a later one.
void EnsureTunerAndDecoderSetUp() {
    if (g_bIsTvInitialized == 0) {
        InitTuner();
    }
    EnsureDecoderSetUp();
}

void EnsureDecoderSetUp() {
    if (g_bIsScalerInitialized == 0) {
        InitDecoderRegisters();
    }
}
