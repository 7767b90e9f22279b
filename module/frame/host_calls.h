// The host's operations table and the wrappers through which every bus and
// pin access of the module goes, with exactly the arguments the host expects.
#pragma once

#include "frame/module_state.h" // HostOps (from GetBoardModuleCaps), HostContext (from OpenBoard)
#include "include/tvboard.h"
#include "regmap/decoder_map.h"
#include "regmap/if_demod_map.h"
#include "regmap/synth_map.h"

// The decoder's bus address, as the module passes it with every register
// access; the demodulator and the synthesizer are addressed by the header's
// TVB_IF_DEMOD_ADDRESS and TVB_SYNTH_ADDRESS.
constexpr uint8_t DecoderAddress = TVB_DECODER_ADDRESS;

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
void HostWritePins(TVB_HOST_HANDLE handle, uint32_t count, const uint32_t* pins,
                   const uint32_t* values);
void HostReadPins(uint32_t count, const uint32_t* pins, uint32_t* values);
