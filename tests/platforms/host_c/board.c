#include "board.h"

/* Decoder: the DSP's status register with its handshake bits (accepts an
 * access, value ready, read done), and the sound status word with the
 * stereo bits (bit 11 selects the group in which bit 5 means stereo). */
#define DSP_STATUS 0x580u
#define DSP_ALWAYS_READY 0x07u
#define SOUND_STATUS 0x404u
#define SOUND_STATUS_STEREO 0x20u       /* byte 0, bit 5 */
#define SOUND_STATUS_STEREO_GROUP 0x08u /* byte 1, bit 3: bit 11 of the word */
/* IF demodulator: the gate bit, and the lock and level status registers. */
#define DEMOD_GATE_REGISTER 0x21u
#define DEMOD_GATE_OPEN 0x40u
#define DEMOD_LOCK_STATUS 0x1Bu
#define DEMOD_LOCKED_ON_CARRIER 0x80u
#define DEMOD_LEVEL 0x1Du
#define DEMOD_LEVEL_STRONG 0x20u

/* The DSP reports a stereo broadcast from the start. */
uint8_t Decoder[DECODER_REGISTERS] = {[SOUND_STATUS] = SOUND_STATUS_STEREO,
                                      [SOUND_STATUS + 1] = SOUND_STATUS_STEREO_GROUP};
uint8_t Synth[SYNTH_REGISTERS];
int SynthTransfers;
int UnexpectedCalls;
static uint8_t demod[256];
static uint8_t demodPointer;

int GateOpen(void) {
    return (demod[DEMOD_GATE_REGISTER] & DEMOD_GATE_OPEN) != 0;
}

static void Expect(int ok) {
    UnexpectedCalls += ok ? 0 : 1;
}

static uint32_t TVB_API WriteReg16(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t bits,
                                   uint32_t reg, uint32_t value, uint32_t zero) {
    Expect(ctx == BOARD_HANDLE && device == TVB_DECODER_ADDRESS && bits == TVB_REG16_ADDRESS_BITS &&
           zero == 0 && reg < DECODER_REGISTERS);
    if (reg < DECODER_REGISTERS) {
        Decoder[reg] = (uint8_t)value;
    }
    return 0;
}

static uint32_t TVB_API ReadReg16(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t bits, uint32_t reg,
                                  uint8_t* value, uint32_t zero) {
    Expect(ctx == BOARD_HANDLE && device == TVB_DECODER_ADDRESS && bits == TVB_REG16_ADDRESS_BITS &&
           zero == 0 && reg < DECODER_REGISTERS);
    *value = reg == DSP_STATUS ? DSP_ALWAYS_READY : reg < DECODER_REGISTERS ? Decoder[reg] : 0;
    return 0;
}

static uint32_t TVB_API BusWrite(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t zero1,
                                 uint32_t zero2, uint32_t count, const uint8_t* bytes,
                                 uint32_t flags) {
    uint32_t i;
    Expect(ctx == BOARD_HANDLE && zero1 == 0 && zero2 == 0 && flags == TVB_BUS_TRANSFER_FLAGS);
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
    Expect(ctx == BOARD_HANDLE && mode == TVB_BUS_READ_MODE && zero == 0 &&
           flags == TVB_BUS_TRANSFER_FLAGS);
    for (i = 0; i < count && device == TVB_IF_DEMOD_ADDRESS; ++i) {
        const uint8_t reg = demodPointer++;
        buffer[i] = reg == DEMOD_LOCK_STATUS ? (Synth[0] != 0 ? DEMOD_LOCKED_ON_CARRIER : 0)
                    : reg == DEMOD_LEVEL     ? DEMOD_LEVEL_STRONG
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
    (void)handle, (void)count, (void)pins, (void)values, (void)zero;
    return 0;
}

static uint32_t TVB_API ReadPins(TVB_HOST_HANDLE ctx, uint32_t count, const uint32_t* pins,
                                 uint32_t* values, uint32_t one) {
    uint32_t i;
    (void)pins, (void)one;
    Expect(ctx == BOARD_HANDLE);
    for (i = 0; i < count; ++i) {
        values[i] = 0;
    }
    return 0;
}

const TVB_HOST_OPS BoardHostOps = {WriteReg16,  ReadReg16,   BusWrite,  BusRead,
                                   NeverCalled, NeverCalled, WritePins, ReadPins};
