/* The C host's board: what its bus operations reach, modelled from
 * docs/host-interface.md and docs/board-registers.md alone. A register file
 * for the decoder whose audio DSP answers the status handshake on 0x580 at
 * once and reports a stereo broadcast; the IF demodulator's registers with
 * the gate to the tuner synthesizer, whose registers stay reachable only
 * while the gate is open, and which reports the tuner settled and locked on
 * the carrier once the synthesizer has been programmed; eight pins, the
 * sample-rate pin among them. */
#ifndef TVBOARD_HOST_BOARD_H
#define TVBOARD_HOST_BOARD_H

#include "tvboard.h"

/* The host's handle for its board, passed to OpenBoard. */
#define BOARD_HANDLE ((TVB_HOST_HANDLE)0xB0A4D0u)

/* Decoder registers the host reads back (docs/board-registers.md). */
#define DECODER_BRIGHTNESS 0x10Au
#define DECODER_BRIGHTEST 0xFFu /* the byte for TVB_BRIGHTNESS_MAX */
#define DECODER_AUDIO_SETUP_46C 0x46Cu
#define DECODER_AUDIO_SETUP_46C_VALUE 0xBBu
#define DECODER_SOUND_SELECT 0x464u
#define DECODER_SOUND_SELECT_SOURCE 0x1Fu  /* bits 4..0 */
#define DECODER_SOUND_SELECT_CHANNEL 0xE0u /* bits 7..5; 0: stereo */
#define DECODER_REGISTERS 0x600u

/* Synthesizer registers: the divider's two bytes come first. */
#define SYNTH_REGISTERS 13u

extern const TVB_HOST_OPS BoardHostOps;
extern uint8_t Decoder[DECODER_REGISTERS];
extern uint8_t Synth[SYNTH_REGISTERS];
extern uint32_t Pins[TVB_PIN_COUNT]; /* the levels the board shows; the host drives pin 0 */
extern int SynthTransfers;           /* transfers the synthesizer took through the gate */
extern int UnexpectedCalls;          /* bus calls whose handle or fixed arguments were wrong */
extern int HandshakeErrors; /* DSP accesses out of the handshake's order, or a wait run out */

int GateOpen(void);

#endif
