// Choosing one of the three video inputs, and the InputOps slots that report
// and choose it.
#pragma once

#include "include/tvboard.h"

// Input 0, 1 or 2 (any other number configures input 0 and is still
// reported as passed); always 0.
uint32_t SelectVideoInput(uint32_t input);

// InputOps slot 1: the input last selected.
TVB_ARG TVB_API QueryVideoInput(TVB_ARG, TVB_ARG);
// InputOps slot 3: selects its third argument; 0.
uint32_t TVB_API ChooseVideoInput(TVB_ARG, TVB_ARG, uint32_t input);
