// The video property interface (VideoOps slots 8 and 9): properties by
// number.
#pragma once

#include "include/tvboard.h"

// Performs the property's action (input, picture controls, audio restart,
// output control; any other number is accepted and does nothing); always 0.
uint32_t TVB_API SetVideoProperty(TVB_ARG a1, TVB_ARG a2, uint32_t property, int32_t value,
                                  TVB_ARG a5);
// Stores the decoder's status bit for 0x1000 and 0x1001, nothing for any
// other number; always 0.
uint32_t TVB_API GetVideoProperty(TVB_ARG a1, TVB_ARG a2, uint32_t property, uint32_t* value,
                                  TVB_ARG a5);
