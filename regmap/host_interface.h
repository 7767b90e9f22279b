// The numbers the host and the module exchange besides the registers:
// tuner request ids, video property numbers, tuner modes. They are defined
// once, in the header hosts build against; this pulls in its constants and
// types (not its import declaration, which the module itself defines).
#pragma once

#ifndef TVBOARD_NO_PROTOTYPES
#define TVBOARD_NO_PROTOTYPES 1
#endif
#include "include/tvboard.h"
