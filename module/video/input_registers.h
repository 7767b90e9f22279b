// The decoder's routing of one of the three video inputs.
#pragma once

#include <stdint.h>

// The input control register as it is now (0 with no board open). An input
// change writes it back with bit 0 set.
uint8_t ReadInputControl();
// Routes the decoder to input 0, 1 or 2 (any other number as input 0): the
// two input registers and `control` with bit 0 set, one chain that stops when
// the board goes away, then the input mode field.
void RouteVideoInput(uint32_t input, uint8_t control);
