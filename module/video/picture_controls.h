// Brightness, contrast, saturation and hue.
#pragma once

#include <stdint.h>

// 1 when the value is in range (also with no board open), 0 otherwise.
uint8_t SetBrightness(int32_t value); // 0..100
uint8_t SetContrast(int32_t value);   // 0..100
uint8_t SetSaturation(int32_t value); // 0..100
uint8_t SetHue(int32_t value);        // -50..50
