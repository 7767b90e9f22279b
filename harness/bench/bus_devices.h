// The board's three bus devices as the bus tools (detect, dump, get, set)
// name them: the name a user gives, the bus address, the registers a device
// has and whether they can be read, the registers' names from the register
// maps, and the operands DEVICE, REG and VALUE and the option --range as a
// user writes them. Every parser returns false with one line in *error that
// says what is wrong.
#pragma once

#include <cstdint>
#include <string>

namespace bench {

struct BoardDevice {
    const char* name;   // as a user names it: decoder, demodulator, synthesizer
    const char* title;  // in a report: "IF demodulator"
    uint8_t busAddress; // as the host's calls carry it (the 7-bit address and the read/write bit)
    uint32_t registers; // 0 .. registers - 1
    int digits;         // hex digits of a register address
    bool readable;      // the synthesizer acknowledges no read
};

// The decoder (0x42, 64 KiB of registers, the audio DSP's 0x400..0x500
// through the handshake on 0x580), the IF demodulator (0x96, 256
// sub-addresses) and the synthesizer (0xC2, R0..R12, write-only, on the bus
// only while the demodulator's gate is open).
const BoardDevice& Decoder();
const BoardDevice& Demodulator();
const BoardDevice& Synthesizer();

// The device at a bus address (as the host's calls carry it), or null.
const BoardDevice* DeviceAt(uint32_t busAddress);

bool ParseDevice(const std::string& text, const BoardDevice** device, std::string* error);
// A register of the device: 0x1B (hex) or 27 (decimal), a name of the
// register maps (Brightness, Gate; any case), R4 for the synthesizer.
bool ParseRegister(const BoardDevice& device, const std::string& text, uint32_t* reg,
                   std::string* error);
// A byte: 0..255 or 0x00..0xFF.
bool ParseByte(const std::string& text, uint8_t* value, std::string* error);
// --range FIRST-LAST, two registers of the device, FIRST at most LAST.
bool ParseRange(const BoardDevice& device, const std::string& text, uint32_t* first, uint32_t* last,
                std::string* error);

// A register as the bench writes it: "10A" (as on the timeline), "1B", "R4".
std::string RegisterLabel(const BoardDevice& device, uint32_t reg);
// Its name in the register maps, "" for one they name only by address or not
// at all.
std::string RegisterName(const BoardDevice& device, uint32_t reg);

} // namespace bench
