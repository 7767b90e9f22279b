// The audio capture format (AudioOps slots 1 and 2): the configuration words
// the host's audio interface needs, and the sample-rate pin.
#pragma once

#include "include/tvboard.h"

// Sets the host's rate to 32 000 Hz and fills the 33 configuration words. (No
// result value of its own: the slot returns 0.)
uint32_t TVB_API GetAudioFormat(TVB_ARG, TVB_ARG, AudioInterfaceConfig* config,
                                AudioFormat* format);
// Pin 0 to 1 for 48 000 Hz, to 0 for 44 100 Hz, untouched for any other rate;
// driven with `handle`, whether or not a board is open. Always 0.
uint32_t TVB_API SetAudioSampleRate(TVB_ARG, TVB_HOST_HANDLE handle, AudioFormat* format);
