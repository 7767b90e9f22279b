// Decoder register access. Plain registers cost one host call per byte. The
// audio DSP (0x400..0x500) takes a byte only when status bit 0 says it is
// ready; a read is a request, a wait for the data, the fetch, and a wait for
// the DSP to finish the read. Host results are never looked at: a read the
// host could not make shows as the cleared byte.
#include "decoder/decoder_access.h"

#include "frame/host_calls.h"
#include "frame/waits.h"

namespace {

using regmap::decoder::kDspDataReady;
using regmap::decoder::kDspReadDone;
using regmap::decoder::kDspReady;
using regmap::decoder::kDspStatus;

constexpr uint32_t kStatusPolls = 10;
// Requests placed again after the first when the data does not come.
constexpr uint32_t kRepeatedRequests = 5;

uint16_t Plus(uint16_t reg, uint32_t k) {
    return static_cast<uint16_t>(reg + k);
}

// Polls 0x580 until `bit` is set, pausing after every poll that finds it
// clear; false after the tenth such poll and its pause.
uint8_t WaitStatus(uint8_t bit, uint32_t pauseMs) {
    uint8_t status = 0;
    for (uint32_t poll = 0; poll < kStatusPolls; ++poll) {
        ReadDecoderByte(kDspStatus, &status);
        if ((status & bit) != 0) {
            return 1;
        }
        SleepMs(pauseMs);
    }
    return 0;
}

uint8_t WaitDspReady() {
    return WaitStatus(kDspReady, 2);
}
uint8_t WaitDspDataReady() {
    return WaitStatus(kDspDataReady, 10);
}
uint8_t WaitDspReadDone() {
    return WaitStatus(kDspReadDone, 2);
}

// A read request: the byte such a read yields is stale and never used.
void PlaceRequest(uint16_t reg) {
    uint8_t stale = 0;
    HostReadReg16(reg, &stale);
}

// The fetch, into a byte cleared just before: a fetch the host cannot make
// yields 0, never a byte an earlier read left.
uint8_t Fetch(uint16_t reg) {
    uint8_t value = 0;
    HostReadReg16(reg, &value);
    return value;
}

// One byte from the DSP. The byte a request read yields is stale; the fetch
// replaces it, and the DSP signals read done only once it has seen the fetch.
uint8_t HandshakenRead(uint16_t reg, uint8_t* out) {
    if (!WaitDspReady()) {
        return 0;
    }
    PlaceRequest(reg);
    uint8_t value = 0;
    uint32_t repeated = 0;
    for (;;) {
        if (WaitDspDataReady()) {
            value = Fetch(reg);
            break;
        }
        if (!WaitDspReady()) {
            return 0;
        }
        PlaceRequest(reg); // the request again
        if (++repeated == kRepeatedRequests) {
            return 0;
        }
    }
    if (!WaitDspReadDone()) {
        return 0;
    }
    *out = value;
    return 1;
}

// 2^width - 1; only the low byte of width counts, 32 and more give all bits.
uint32_t FieldMask(uint32_t width) {
    width &= 0xFF;
    return width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1u;
}

// Only the low byte of shift counts, and it acts modulo 32.
uint32_t FieldShift(uint32_t shift) {
    return shift & 31u;
}

} // namespace

uint8_t ReadDecoderByte(uint16_t reg, uint8_t* out) {
    *out = 0;
    if (!BoardReachable()) {
        return 0;
    }
    if (regmap::decoder::InDspWindow(reg)) {
        return HandshakenRead(reg, out);
    }
    HostReadReg16(reg, out);
    return 1;
}

uint8_t ReadDecoderDword(uint16_t reg, uint32_t* out) {
    *out = 0;
    if (!BoardReachable()) {
        return 0;
    }
    const bool dsp = regmap::decoder::InDspWindow(reg); // the first address decides for all four
    for (uint32_t k = 0; k < 4; ++k) {
        uint8_t byte = 0;
        if (dsp) {
            if (!HandshakenRead(Plus(reg, k), &byte)) {
                return 0;
            }
        } else {
            HostReadReg16(Plus(reg, k), &byte);
        }
        *out |= static_cast<uint32_t>(byte) << (8 * k);
    }
    return 1;
}

uint8_t WriteDecoderDword(uint16_t reg, uint32_t value) {
    if (!BoardReachable()) {
        return 0;
    }
    const bool dsp = regmap::decoder::InDspWindow(reg);
    for (uint32_t k = 0; k < 4; ++k) {
        if (dsp && !WaitDspReady()) {
            return 0; // the bytes already written stay written
        }
        HostWriteReg16(Plus(reg, k), static_cast<uint8_t>(value >> (8 * k)));
    }
    return 1;
}

uint32_t ReadDecoderField(uint16_t reg, uint32_t shift, uint32_t width) {
    uint32_t dword = 0;
    if (!ReadDecoderDword(reg, &dword)) {
        return 0;
    }
    return (dword >> FieldShift(shift)) & FieldMask(width);
}

uint8_t WriteDecoderField(uint16_t reg, uint32_t shift, uint32_t width, uint32_t value) {
    uint32_t current = 0;
    if (!ReadDecoderDword(reg, &current)) {
        return 0;
    }
    const uint32_t mask = FieldMask(width) << FieldShift(shift);
    const uint32_t updated = ((value << FieldShift(shift)) & mask) | (current & ~mask);
    return WriteDecoderDword(reg, updated);
}
