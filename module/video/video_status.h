// The decoder's video status bits the host asks for, and its output switch.
#pragma once

#include <stdint.h>

// Bit 0 or 1 of the video status register, 0 or 1 (0 with no board open).
uint32_t ReadVideoStatusBit(uint8_t bit);
// The decoder's output on (0x18) or off (0x00); nothing without a board.
void SetOutputControl(bool on);
