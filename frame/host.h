// The host's operations table and the wrappers through which every bus and
// pin access of the module goes, with exactly the arguments the host expects.
#pragma once

#include "frame/abi.h"
#include "frame/module_state.h" // HostOps (from GetBoardModuleCaps), HostContext (from OpenBoard)
#include "regmap/decoder_map.h"
#include "regmap/if_demod_map.h"
#include "regmap/synth_map.h"

constexpr uint8_t DecoderAddress = regmap::decoder::kBusAddress;
constexpr uint8_t IfDemodAddress = regmap::if_demod::kBusAddress;
constexpr uint8_t SynthAddress = regmap::synth::kBusAddress;

// True while a board is open and the host has handed in its table. Every
// hardware routine tests this first; without a table nothing can be called.
inline bool BoardReachable() {
    return HostContext != 0 && HostOps != nullptr;
}

// Decoder register byte access (16-bit register addresses).
void HostWriteReg16(uint16_t reg, uint8_t value);
void HostReadReg16(uint16_t reg, uint8_t* value);
// One transfer on the serial bus; the first byte is the device's sub-address.
void HostBusWrite(uint8_t device, const uint8_t* bytes, uint32_t count);
void HostBusRead(uint8_t device, uint8_t* buffer, uint32_t count);
// General-purpose pins. WritePins takes its own handle: the audio sample-rate
// operation drives its pin with the handle the host passed to it.
void HostWritePins(HostHandle handle, uint32_t count, const uint32_t* pins, const uint32_t* values);
void HostReadPins(uint32_t count, const uint32_t* pins, uint32_t* values);
