/* The public header as a C89 host compiles it; produces no code. */
#include "tvboard.h"

typedef char tvb_c89_header_compiles[sizeof(TVB_TUNER_SETTINGS) == 56 ? 1 : -1];
