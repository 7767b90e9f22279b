// The tuner synthesizer at 0xC2: band table, divider, start-up sequence and
// the settle check with its corrections. The synthesizer is only reachable
// while the IF demodulator's gate is open, so every sequence here opens the
// gate first and closes it on the way out.
#include "tuner/synthesizer.h"

#include "frame/debug.h"
#include "frame/host_calls.h"
#include "frame/module_state.h"
#include "frame/waits.h"
#include "include/tvboard.h"
#include "regmap/if_demod_map.h"
#include "regmap/synth_map.h"
#include "tuner/tuner_bus.h"

namespace {

namespace ifd = regmap::if_demod;
namespace sy = regmap::synth;

// One row covers the oscillator frequencies up to LoMaxHz. The oscillator
// enters the divider multiplied by 2^DivExp; the sub-band bits select the
// VCO within the row's group.
struct SynthBandRow {
    uint32_t LoMaxHz;
    uint8_t SubBandLow;  // the sub-band's low two bits
    uint8_t SubBandHigh; // and its top bit
    uint8_t DivExp;
    uint8_t FinalR3Bits; // the loop bits of R3 once the loop has settled
};
static_assert(sizeof(SynthBandRow) == 8, "a band row is eight bytes");

constexpr SynthBandRow SynthBandTable[28] = {
    // LoMaxHz   SubLow SubHigh DivExp Final
    {62000000, 2, 1, 3, 0},  //
    {66000000, 3, 1, 3, 0},  //
    {76000000, 1, 0, 3, 0},  //
    {84000000, 2, 0, 3, 0},  //
    {93000000, 2, 0, 3, 0},  //
    {98000000, 3, 0, 3, 0},  //
    {109000000, 3, 0, 3, 0}, //
    {123000000, 2, 1, 2, 0}, //
    {133000000, 3, 1, 2, 0}, //
    {151000000, 1, 0, 2, 0}, //
    {154000000, 2, 0, 2, 0}, //
    {181000000, 2, 0, 2, 0}, //
    {185000000, 2, 0, 2, 0}, //
    {217000000, 3, 0, 2, 0}, //
    {244000000, 2, 1, 1, 0}, //
    {265000000, 3, 1, 1, 0}, //
    {302000000, 1, 0, 1, 0}, //
    {324000000, 2, 0, 1, 0}, //
    {370000000, 2, 0, 1, 0}, //
    {454000000, 3, 0, 1, 0}, //
    {493000000, 2, 1, 0, 0}, //
    {530000000, 3, 1, 0, 0}, //
    {554000000, 1, 0, 0, 0}, //
    {604000000, 1, 0, 0, 0}, //
    {696000000, 2, 0, 0, 0}, //
    {740000000, 2, 0, 0, 1}, //
    {820000000, 3, 0, 0, 0}, //
    {865000000, 3, 0, 0, 1}, //
};
constexpr size_t kBandRows = sizeof(SynthBandTable) / sizeof(SynthBandTable[0]);

// The RF input stage is chosen from the tuning frequency itself, not from the
// oscillator frequency: each row covers frequencies below BelowHz.
struct RfCodeRow {
    uint32_t BelowHz;
    uint8_t RfBandCode;
    uint8_t RfAuxCode;
};
constexpr RfCodeRow kRfCodes[] = {
    {84000000, 0, 3},  //
    {98000000, 0, 1},  //
    {154000000, 1, 1}, //
    {181000000, 1, 0}, //
    {324000000, 2, 1}, //
    {554000000, 3, 1}, //
};
constexpr RfCodeRow kRfCodesAbove = {0, 4, 0}; // 554 MHz and up

// The synthesizer's reference: the divider counts oscillator cycles times
// 2^DivExp times 64 per 16 MHz of reference, i.e. 250 kHz steps.
constexpr uint64_t kReferenceHz = 16000000;
constexpr uint64_t kPrescale = 64;

// Start-up of the loop once the divider and band are in: each step rewrites
// one register as (R & ~Clear) | Set and then waits. The charge pump is
// kicked, switched to its step, released, and the loop bits take the row's
// final bits.
struct StartUpStep {
    uint8_t Register;
    uint8_t Clear;
    uint8_t Set;
    uint8_t WithFinalBits; // also OR in the row's FinalR3Bits
    uint32_t DelayMs;
};
constexpr StartUpStep kStartUp[] = {
    {sy::kControl3, 0, sy::kControl3Kick, 0, 1},
    {sy::kControl3, sy::kControl3Kick | sy::kControl3StepMask, sy::kControl3Step, 0, 1},
    {sy::kControl3, sy::kControl3StepMask, 0, 0, 150},
    {sy::kControl3, sy::kControl3StepMask | sy::kControl3LoopMask, 0, 1, 0},
    {sy::kControl6, sy::kControl6EndMask, sy::kControl6End, 0, 0},
    {sy::kControl8, 0, sy::kControl8Loop, 0, 0},
};

constexpr uint32_t kCorrectionDelayMs = 100;

uint8_t* Shadow() {
    return SynthShadow.R;
}

void WriteShadowRegister(uint8_t index) {
    WriteSynthRegister(index, Shadow()[index]);
}

const SynthBandRow* FindBandRow(uint64_t loHz) {
    for (size_t i = 0; i < kBandRows; ++i) {
        if (loHz <= SynthBandTable[i].LoMaxHz) {
            return &SynthBandTable[i];
        }
    }
    return nullptr;
}

const RfCodeRow& FindRfCodes(uint32_t frequencyHz) {
    for (const RfCodeRow& row : kRfCodes) {
        if (frequencyHz < row.BelowHz) {
            return row;
        }
    }
    return kRfCodesAbove;
}

// Level and lock as the demodulator sees them after the loop has run.
bool Settled() {
    const uint8_t level = ReadIfRegister(ifd::kLevel);
    const uint8_t status = ReadIfRegister(ifd::kStatus);
    return level <= ifd::kLevelSettledMax && (status & ifd::kLockBit) != 0;
}

// Up to three corrections, each tried only if the one before did not settle
// the tuner; the last one is not checked. A counter at its limit means they
// cannot help.
void SettleTuner() {
    const bool settled = Settled();
    const uint8_t count = ReadIfRegister(ifd::kCounter);
    if (settled || count >= ifd::kCounterLimit) {
        return;
    }

    WriteIfRegister(ifd::kAgc, ifd::kAgcCorrection);
    DelayMs(kCorrectionDelayMs);
    if (Settled()) {
        return;
    }

    Shadow()[sy::kControl8] |= sy::kControl8Correction;
    WriteShadowRegister(sy::kControl8);
    DelayMs(kCorrectionDelayMs);
    if (Settled()) {
        return;
    }

    WriteIfRegister(ifd::kDetector, ifd::kDetectorCorrection);
    WriteIfRegister(ifd::kLoop, ifd::kLoopCorrection);
    DelayMs(kCorrectionDelayMs);
}

} // namespace

bool SynthesizerReaches(uint32_t frequencyHz) {
    return FindBandRow(static_cast<uint64_t>(frequencyHz) + IfOffsetHz) != nullptr;
}

void SetTunerGate(uint32_t open) {
    if (!BoardReachable()) {
        return;
    }
    WriteIfRegister(ifd::kGate,
                    static_cast<uint8_t>(open) == 1 ? ifd::kGateOpen : ifd::kGateClosed);
}

uint32_t ProgramSynthesizer(uint32_t frequencyHz) {
    if (!BoardReachable()) {
        return 0;
    }
    // Formed wide so that a frequency near the top of the 32-bit range cannot
    // wrap around to a low oscillator frequency.
    const uint64_t loHz = static_cast<uint64_t>(frequencyHz) + IfOffsetHz;
    const SynthBandRow* row = FindBandRow(loHz);
    if (row == nullptr) {
        // The synthesizer cannot reach it; it keeps the frequency it had and
        // the gate is left closed.
        DebugPrint("ProgramSynthesizer: %u Hz plus IF offset %u Hz is above the synthesizer's "
                   "range (%u Hz), synthesizer not programmed",
                   frequencyHz, IfOffsetHz, SynthBandTable[kBandRows - 1].LoMaxHz);
        return 0;
    }

    SetTunerGate(1);

    const uint32_t divider =
        static_cast<uint32_t>((loHz << row->DivExp) * kPrescale / kReferenceHz);
    const RfCodeRow& rf = FindRfCodes(frequencyHz);
    const uint8_t ntscBit = (NtscSelected & 1) != 0 ? sy::kControl3Ntsc : 0;
    const uint32_t subBand = ((row->SubBandHigh & 1u) << 2) | (row->SubBandLow & 3u);

    uint8_t* r = Shadow();
    r[sy::kDividerHigh] = static_cast<uint8_t>(divider >> sy::kDividerHighShift);
    r[sy::kDividerLow] = static_cast<uint8_t>(divider << sy::kDividerLowShift);
    r[sy::kControl2] = sy::kControl2Tuning;
    r[sy::kControl3] = static_cast<uint8_t>(
        (r[sy::kControl3] & ~(sy::kControl3Ntsc | sy::kControl3StepMask | sy::kControl3LoopMask)) |
        ntscBit | sy::kControl3LoopStarting);
    r[sy::kBand] = static_cast<uint8_t>(
        ((row->DivExp << sy::kDividerExpShift) & sy::kDividerExpMask) |
        ((subBand << sy::kSubBandShift) & sy::kSubBandMask) | (rf.RfBandCode & sy::kRfBandMask));
    r[sy::kRfAux] = static_cast<uint8_t>(sy::kRfAuxFixed |
                                         ((rf.RfAuxCode << sy::kRfAuxShift) & sy::kRfAuxMask));
    r[sy::kControl6] = sy::kControl6Tuning;
    const uint8_t block[] = {sy::SubAddress(sy::kDividerHigh),
                             r[sy::kDividerHigh],
                             r[sy::kDividerLow],
                             r[sy::kControl2],
                             static_cast<uint8_t>(sy::kControl3Block | ntscBit),
                             r[sy::kBand],
                             r[sy::kRfAux],
                             r[sy::kControl6]};
    static_assert(sizeof(block) <= TVB_BUS_WRITE_MAX_BYTES, "within the host's longest transfer");
    HostBusWrite(TVB_SYNTH_ADDRESS, block, sizeof(block));

    r[sy::kControl8] = sy::kControl8Tuning;
    WriteShadowRegister(sy::kControl8);

    const uint8_t standardBits = g_TVTuner_Settings.VideoStandard == TVB_STANDARD_NTSC_M_J
                                     ? sy::kControl6NtscMJ
                                     : sy::kControl6OtherStandards;
    r[sy::kControl6] =
        static_cast<uint8_t>((r[sy::kControl6] & ~sy::kControl6StandardMask) | standardBits);
    WriteShadowRegister(sy::kControl6);

    for (const StartUpStep& step : kStartUp) {
        uint8_t value = static_cast<uint8_t>((r[step.Register] & ~step.Clear) | step.Set);
        if (step.WithFinalBits) {
            value = static_cast<uint8_t>(value | (row->FinalR3Bits & sy::kControl3LoopMask));
        }
        r[step.Register] = value;
        WriteShadowRegister(step.Register);
        if (step.DelayMs != 0) {
            DelayMs(step.DelayMs);
        }
    }

    SettleTuner();
    SetTunerGate(0);
    return 0;
}
