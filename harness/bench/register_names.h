// The register maps' lists (regmap/), expanded into tables: every register
// and bit field the board names, with its address, its bits and what it is
// for. The register view and the board's register reference are made from
// these.
#pragma once

#include "regmap/decoder_map.h"
#include "regmap/if_demod_map.h"
#include "regmap/synth_map.h"

#include <cstdint>
#include <string>

namespace bench {

struct NamedRegister {
    const char* name;
    uint32_t address;
    const char* meaning;
};
struct NamedDecoderField {
    const char* name;
    regmap::DecoderField field;
    const char* meaning;
};
// A field of an 8-bit register: its bits as a mask in place.
struct NamedMask {
    const char* name;
    uint8_t reg;
    uint8_t mask;
    const char* meaning;
};

#define TVB_NAMED_REGISTER(name, address, meaning) {#name, address, meaning},
inline constexpr NamedRegister kDecoderRegisters[] = {TVB_DECODER_REGISTERS(TVB_NAMED_REGISTER)};
inline constexpr NamedRegister kIfDemodRegisters[] = {TVB_IF_DEMOD_REGISTERS(TVB_NAMED_REGISTER)};
inline constexpr NamedRegister kSynthRegisters[] = {TVB_SYNTH_REGISTERS(TVB_NAMED_REGISTER)};
#undef TVB_NAMED_REGISTER
#define TVB_NAMED_DECODER_FIELD(name, reg, lowBit, width, meaning)                                 \
    {#name, regmap::decoder::name, meaning},
inline constexpr NamedDecoderField kDecoderFields[] = {TVB_DECODER_FIELDS(TVB_NAMED_DECODER_FIELD)};
#undef TVB_NAMED_DECODER_FIELD
#define TVB_NAMED_IF_DEMOD_FIELD(name, reg, mask, meaning)                                         \
    {#name, regmap::if_demod::reg, regmap::if_demod::name, meaning},
inline constexpr NamedMask kIfDemodFields[] = {TVB_IF_DEMOD_FIELDS(TVB_NAMED_IF_DEMOD_FIELD)};
#undef TVB_NAMED_IF_DEMOD_FIELD
#define TVB_NAMED_SYNTH_FIELD(name, reg, mask, meaning)                                            \
    {#name, regmap::synth::reg, regmap::synth::name, meaning},
inline constexpr NamedMask kSynthFields[] = {TVB_SYNTH_FIELDS(TVB_NAMED_SYNTH_FIELD)};
#undef TVB_NAMED_SYNTH_FIELD

// A field of an 8-bit register, shifted down from its mask in place.
inline uint32_t Masked(uint32_t value, uint8_t mask) {
    uint32_t v = value & mask;
    for (uint32_t m = mask; m != 0 && (m & 1u) == 0; m >>= 1) {
        v >>= 1;
    }
    return v;
}

// A register map's name without its constant's 'k'.
inline std::string Plain(const char* name) {
    return name[0] == 'k' ? name + 1 : name;
}

} // namespace bench
