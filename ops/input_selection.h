// Choosing one of the three video inputs, and the InputOps slots that report
// and choose it.
#pragma once

#include "frame/abi.h"

// Input 0, 1 or 2 (any other number configures input 0 and is still
// reported as passed); always 0.
uint32_t SelectVideoInput(uint32_t input);

// InputOps slot 1: the input last selected.
Arg TVB_STDCALL QueryVideoInput(Arg, Arg);
// InputOps slot 3: selects its third argument; 0.
uint32_t TVB_STDCALL ChooseVideoInput(Arg, Arg, uint32_t input);
