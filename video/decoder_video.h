// The decoder's video side: one-time register set, picture controls, mode
// bits and input selection.
#pragma once

#include <stdint.h>

void InitDecoderRegisters();
// 1 when the value is in range (also with no board open), 0 otherwise.
uint8_t SetBrightness(int32_t value);
uint8_t SetContrast(int32_t value);
uint8_t SetSaturation(int32_t value);
uint8_t SetHue(int32_t value);
void SetDecoderModeBits();
// Input 0, 1 or 2 (others configure input 0); always 0.
uint32_t SelectVideoInput(uint32_t input);
