// The capability record and the five operation tables it points to.
#pragma once

#include "include/tvboard.h"

extern const TVB_BOARD_OPS BoardOps;
extern const TVB_VIDEO_OPS VideoOps;
extern const TVB_AUDIO_OPS AudioOps;
extern const TVB_INPUT_OPS InputOps;
extern const TVB_TUNER_OPS TunerOps;

extern const TVB_BOARD_MODULE_CAPS BoardModuleCaps;
