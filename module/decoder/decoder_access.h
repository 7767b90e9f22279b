// Decoder register access shared by the video, audio and tuner code. Plain
// registers are one host call per byte; registers 0x400..0x500 belong to the
// audio DSP and are reached only through the handshake on status register
// 0x580. The path is chosen once per access, by its first address.
#pragma once

#include "regmap/decoder_map.h"

#include <stdint.h>

// True (1) when the byte was delivered; *out is cleared first in every case.
uint8_t ReadDecoderByte(uint16_t reg, uint8_t* out);
// The little-endian dword of registers reg..reg+3; *out is cleared first.
uint8_t ReadDecoderDword(uint16_t reg, uint32_t* out);
uint8_t WriteDecoderDword(uint16_t reg, uint32_t value);
// Bit field (reg, shift, width) of the dword at reg; 0 when the read failed.
uint32_t ReadDecoderField(uint16_t reg, uint32_t shift, uint32_t width);
// Read-modify-write of the whole dword; 1 when it was rewritten.
uint8_t WriteDecoderField(uint16_t reg, uint32_t shift, uint32_t width, uint32_t value);

// The same for a named field of the register map.
inline uint32_t ReadDecoderField(const regmap::DecoderField& f) {
    return ReadDecoderField(f.reg, f.lowBit, f.width);
}
inline uint8_t WriteDecoderField(const regmap::DecoderField& f, uint32_t value) {
    return WriteDecoderField(f.reg, f.lowBit, f.width, value);
}
