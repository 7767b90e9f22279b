/* The C host's board: what its bus operations reach. A register file for
 * the decoder, whose audio DSP is always ready and reports a stereo
 * broadcast; the IF demodulator's registers with the gate to the tuner
 * synthesizer, whose registers stay reachable only while the gate is open,
 * and which reports the tuner locked on the carrier once the synthesizer
 * has been programmed; pins that read 0. */
#ifndef TVBOARD_HOST_BOARD_H
#define TVBOARD_HOST_BOARD_H

#include "tvboard.h"

/* The host's handle for its board, passed to OpenBoard. */
#define BOARD_HANDLE ((TVB_HOST_HANDLE)0xB0A4D0u)

/* Decoder registers the host reads back. */
#define DECODER_BRIGHTNESS 0x10Au
#define DECODER_BRIGHTEST 0xFFu /* the byte for TVB_BRIGHTNESS_MAX */
#define DECODER_REGISTERS 0x600u

/* Synthesizer registers: the divider's two bytes come first. */
#define SYNTH_REGISTERS 13u

extern const TVB_HOST_OPS BoardHostOps;
extern uint8_t Decoder[DECODER_REGISTERS];
extern uint8_t Synth[SYNTH_REGISTERS];
extern int SynthTransfers;  /* transfers the synthesizer took through the gate */
extern int UnexpectedCalls; /* bus calls whose handle or fixed arguments were wrong */

int GateOpen(void);

#endif
