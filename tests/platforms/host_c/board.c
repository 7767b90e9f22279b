#include "board.h"

/* Decoder: the sound status word, stereo in the layout of bit 11 (bit 5
 * with bit 11 set, status code 0: docs/board-registers.md, "The sound
 * status"). */
#define SOUND_STATUS 0x404u
#define SOUND_STATUS_STEREO 0x20u       /* byte 0, bit 5 */
#define SOUND_STATUS_STEREO_GROUP 0x08u /* byte 1, bit 3: bit 11 of the word */
/* IF demodulator: the gate bit, and the status, level and counter the board
 * sets: locked on the carrier (AFC value 0), settled, at rest. */
#define DEMOD_GATE_REGISTER 0x21u
#define DEMOD_GATE_OPEN 0x40u
#define DEMOD_STATUS 0x1Bu
#define DEMOD_LOCKED_ON_CARRIER 0x80u
#define DEMOD_LEVEL 0x1Du
#define DEMOD_LEVEL_STRONG 0x20u /* a settled tuner reads 115 or less */
#define DEMOD_COUNTER 0x1Au

/* The DSP reports a stereo broadcast from the start. */
uint8_t Decoder[DECODER_REGISTERS] = {[SOUND_STATUS] = SOUND_STATUS_STEREO,
                                      [SOUND_STATUS + 1] = SOUND_STATUS_STEREO_GROUP};
uint8_t Synth[SYNTH_REGISTERS];
uint32_t Pins[TVB_PIN_COUNT];
int SynthTransfers;
int UnexpectedCalls;
int HandshakeErrors;
static uint8_t demod[256];
static uint8_t demodPointer;

/* The DSP's side of the handshake: a read request it holds until the
 * fetch, whether the last poll showed the data ready, a read done to show,
 * and the polls since the last DSP access. It answers every wait at its
 * first poll, so a module that waited longer (more than the read-done poll
 * and the ready poll after it in a row) found the handshake not as the
 * reference describes it. */
static int dspRequest = -1;
static int dataShown;
static int doneToShow;
static int pollsInARow;

int GateOpen(void) {
    return (demod[DEMOD_GATE_REGISTER] & DEMOD_GATE_OPEN) != 0;
}

static void Expect(int ok) {
    UnexpectedCalls += ok ? 0 : 1;
}

static int InDsp(uint32_t reg) {
    return reg >= TVB_DSP_FIRST_REGISTER && reg <= TVB_DSP_LAST_REGISTER;
}

static uint8_t Poll(void) {
    const uint8_t status = (uint8_t)(TVB_DSP_READY | (dspRequest >= 0 ? TVB_DSP_DATA_READY : 0) |
                                     (doneToShow ? TVB_DSP_READ_DONE : 0));
    dataShown = dspRequest >= 0;
    doneToShow = 0;
    HandshakeErrors += ++pollsInARow == 3 ? 1 : 0;
    return status;
}

/* A DSP access needs a poll since the last one, and none may come between a
 * request and its fetch or between a fetch and the poll that shows it done. */
static void DspAccess(int isRequest, uint32_t reg) {
    HandshakeErrors += pollsInARow == 0 || doneToShow ? 1 : 0;
    HandshakeErrors += dspRequest >= 0 && !(isRequest && (uint32_t)dspRequest == reg) ? 1 : 0;
    pollsInARow = 0;
}

static uint32_t TVB_API WriteReg16(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t bits,
                                   uint32_t reg, uint32_t value, uint32_t zero) {
    Expect(ctx == BOARD_HANDLE && device == TVB_DECODER_ADDRESS && bits == TVB_REG16_ADDRESS_BITS &&
           zero == TVB_HOST_ZERO_ARG && reg < DECODER_REGISTERS && value <= 0xFFu);
    if (InDsp(reg)) {
        DspAccess(0, reg);
    }
    if (reg < DECODER_REGISTERS) {
        Decoder[reg] = (uint8_t)value;
    }
    return 0;
}

static uint32_t TVB_API ReadReg16(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t bits, uint32_t reg,
                                  uint8_t* value, uint32_t zero) {
    Expect(ctx == BOARD_HANDLE && device == TVB_DECODER_ADDRESS && bits == TVB_REG16_ADDRESS_BITS &&
           zero == TVB_HOST_ZERO_ARG && reg < DECODER_REGISTERS && *value == 0);
    if (reg == TVB_DSP_STATUS_REGISTER) {
        *value = Poll();
    } else if (InDsp(reg) && dataShown && (uint32_t)dspRequest == reg) {
        /* The fetch: the poll before it showed the data ready. */
        pollsInARow = 0;
        dspRequest = -1;
        dataShown = 0;
        doneToShow = 1;
        *value = Decoder[reg];
    } else if (InDsp(reg)) {
        DspAccess(1, reg); /* a request: its byte is thrown away */
        dspRequest = (int)reg;
        *value = 0;
    } else if (reg < DECODER_REGISTERS) {
        *value = Decoder[reg];
    }
    return 0;
}

static uint32_t TVB_API BusWrite(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t mode, uint32_t zero,
                                 uint32_t count, const uint8_t* bytes, uint32_t flags) {
    uint32_t i;
    Expect(ctx == BOARD_HANDLE && mode == TVB_BUS_WRITE_MODE && zero == TVB_HOST_ZERO_ARG &&
           flags == TVB_BUS_TRANSFER_FLAGS && count >= 1 && count <= TVB_BUS_WRITE_MAX_BYTES);
    if (count == 0) {
        return 0;
    }
    if (device == TVB_IF_DEMOD_ADDRESS) {
        demodPointer = bytes[0];
        for (i = 1; i < count; ++i) {
            demod[demodPointer++] = bytes[i];
        }
    } else if (device == TVB_SYNTH_ADDRESS && GateOpen()) {
        /* The first byte's high nibble is the register the block starts at. */
        for (i = 1; i < count && (bytes[0] >> 4) + i - 1 < SYNTH_REGISTERS; ++i) {
            Synth[(bytes[0] >> 4) + i - 1] = bytes[i];
        }
        ++SynthTransfers;
    }
    return 0;
}

static uint32_t TVB_API BusRead(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t mode, uint32_t zero,
                                uint32_t count, uint8_t* buffer, uint32_t flags) {
    uint32_t i;
    Expect(ctx == BOARD_HANDLE && device == TVB_IF_DEMOD_ADDRESS && mode == TVB_BUS_READ_MODE &&
           zero == TVB_HOST_ZERO_ARG && flags == TVB_BUS_TRANSFER_FLAGS && count >= 1 &&
           count <= TVB_BUS_READ_MAX_BYTES);
    for (i = 0; i < count && device == TVB_IF_DEMOD_ADDRESS; ++i) {
        const uint8_t reg = demodPointer++;
        Expect(buffer[i] == 0);
        buffer[i] = reg == DEMOD_STATUS    ? (Synth[0] != 0 ? DEMOD_LOCKED_ON_CARRIER : 0)
                    : reg == DEMOD_LEVEL   ? DEMOD_LEVEL_STRONG
                    : reg == DEMOD_COUNTER ? 0
                                           : demod[reg];
    }
    return 0;
}

static uint32_t TVB_API NeverCalled(void) {
    Expect(0);
    return 0;
}

static uint32_t TVB_API WritePins(TVB_HOST_HANDLE handle, uint32_t count, const uint32_t* pins,
                                  const uint32_t* values, uint32_t zero) {
    uint32_t i;
    Expect(handle == BOARD_HANDLE && count == 1 && zero == TVB_HOST_ZERO_ARG);
    for (i = 0; i < count; ++i) {
        Expect(pins[i] == TVB_PIN_SAMPLE_RATE);
        if (pins[i] < TVB_PIN_COUNT) {
            Pins[pins[i]] = values[i];
        }
    }
    return 0;
}

static uint32_t TVB_API ReadPins(TVB_HOST_HANDLE ctx, uint32_t count, const uint32_t* pins,
                                 uint32_t* values, uint32_t mode) {
    uint32_t i;
    Expect(ctx == BOARD_HANDLE && count == TVB_PIN_COUNT && mode == TVB_READ_PINS_MODE);
    for (i = 0; i < count; ++i) {
        Expect(pins[i] == i && values[i] == 0);
        values[i] = pins[i] < TVB_PIN_COUNT ? Pins[pins[i]] : 0;
    }
    return 0;
}

const TVB_HOST_OPS BoardHostOps = {WriteReg16,  ReadReg16,   BusWrite,  BusRead,
                                   NeverCalled, NeverCalled, WritePins, ReadPins};
