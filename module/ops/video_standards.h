// The video standards the decoder handles, as the host receives them, and
// the default values of the video properties (VideoOps slots 2 and 3).
#pragma once

#include "include/tvboard.h"

// Writes the count 3 and the three descriptors, 1080 bytes; no hardware.
uint32_t TVB_API GetVideoStandards(TVB_ARG, TVB_ARG, uint32_t* count,
                                   VideoStandardDescriptor* buffer);
// Writes the 17 default property values; no hardware. (No result value of
// its own: the slot returns 0.)
uint32_t TVB_API GetVideoPropertyDefaults(TVB_ARG, TVB_ARG, VideoPropertyDefaults* defaults);
