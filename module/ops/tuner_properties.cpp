// The tuner property interface: the host sets mode, TV standard, frequency,
// input and TV audio mode, and reads back the settings, the TV audio modes
// the signal carries and the tuner's lock status. The module's copy of the
// settings is the source of every answer; the host's record is kept equal to
// it as requests arrive.
#include "ops/tuner_properties.h"

#include "audio/tv_audio.h"
#include "frame/debug.h"
#include "frame/host_calls.h"
#include "frame/module_state.h"
#include "include/tvboard.h"
#include "ops/one_time_setup.h"
#include "ops/tv_standard.h"
#include "tuner/if_tuning.h"
#include "tuner/synthesizer.h"
#include "tuner/tuner_status.h"

namespace {

constexpr TunerModeCaps kTvCaps = {40000000, 847000000, 62500, 2, 500};
constexpr TunerModeCaps kFmRadioCaps = {88100000, 107900000, 200000, 1, 100};

// SECAM L below this frequency is broadcast as L'.
constexpr uint32_t kSecamL1BelowHz = 66000000;

typedef uint32_t TVTunerSettings::*Field;

// Writes a field of both records, the request first; a null record is
// skipped.
void Put(TVTunerSettings* request, TVTunerSettings* settings, Field field, uint32_t value) {
    if (request != nullptr) {
        request->*field = value;
    }
    if (settings != nullptr) {
        settings->*field = value;
    }
}

void PutFromModule(TVTunerSettings* request, TVTunerSettings* settings, Field field) {
    Put(request, settings, field, g_TVTuner_Settings.*field);
}

// Frequency, TuneInfo2 and TuneInfo1 travel together.
constexpr Field kFrequencyFields[] = {&TVTunerSettings::Frequency, &TVTunerSettings::TuneInfo2,
                                      &TVTunerSettings::TuneInfo1};

// The board's general-purpose pins, read all at once: the byte counts only
// while its valid pin reads 1, and bits 6 and 5 are not reported.
uint8_t ReadPinByte() {
    uint32_t values[TVB_PIN_COUNT] = {};
    if (BoardReachable()) {
        const uint32_t pins[TVB_PIN_COUNT] = {0, 1, 2, 3, 4, 5, 6, 7};
        HostReadPins(TVB_PIN_COUNT, pins, values);
    }
    if (values[TVB_PIN_BYTE_VALID] != 1) {
        return 0;
    }
    uint8_t byte = 0;
    for (uint32_t i = 0; i < TVB_PIN_COUNT; ++i) {
        if (values[i] != 0) {
            byte = static_cast<uint8_t>(byte | 1u << i);
        }
    }
    return static_cast<uint8_t>(byte & TVB_PIN_BYTE_MASK);
}

void ReportStatus(TVTunerSettings* request, TVTunerSettings* settings) {
    Put(request, settings, &TVTunerSettings::SignalStrength, 0);
    int32_t afc = kNoAfcValue;
    int32_t busy = 1;
    ReadTunerStatus(&afc, &busy);
    Put(request, settings, &TVTunerSettings::Busy, static_cast<uint32_t>(busy));
    if (busy != 0 || afc == kNoAfcValue) {
        return;
    }
    request->PllOffset = afc;
    if (settings != nullptr) {
        settings->PllOffset = afc;
    }
    PutFromModule(request, settings, &TVTunerSettings::Frequency);
    if (afc == 0) {
        request->SignalStrength = TVB_SIGNAL_FULL;
    }
}

// What tuning a frequency depends on besides the frequency: the IF
// demodulator's standard code, the IF offset and NTSC bit the synthesizer is
// programmed with, and NTSC M J, which changes the synthesizer's R6 bytes.
struct TuningBasis {
    uint8_t ifStandardCode;
    uint32_t ifOffsetHz;
    uint8_t ntscSelected;
    bool ntscMJ;
};

TuningBasis CurrentTuningBasis() {
    return {IfStandardCode, IfOffsetHz, NtscSelected,
            g_TVTuner_Settings.VideoStandard == TVB_STANDARD_NTSC_M_J};
}

bool Differ(const TuningBasis& a, const TuningBasis& b) {
    return a.ifStandardCode != b.ifStandardCode || a.ifOffsetHz != b.ifOffsetHz ||
           a.ntscSelected != b.ntscSelected || a.ntscMJ != b.ntscMJ;
}

// An unchanged frequency is skipped, unless a standard change, a refused
// request or a tuning that reached no board may have left the tuner off it.
void SetFrequency(TVTunerSettings* settings, const TVTunerSettings* request) {
    if (FrequencySet == 1 && RetuneNeeded == 0 &&
        request->Frequency == g_TVTuner_Settings.Frequency) {
        return;
    }
    if (g_TVTuner_Settings.VideoStandard == TVB_STANDARD_SECAM_L &&
        request->Frequency < kSecamL1BelowHz) {
        g_TVTuner_Settings.VideoStandard = TVB_STANDARD_SECAM_L1;
        SelectTvStandard(TVB_STANDARD_SECAM_L1);
    } else if (g_TVTuner_Settings.VideoStandard == TVB_STANDARD_SECAM_L1 &&
               request->Frequency >= kSecamL1BelowHz) {
        g_TVTuner_Settings.VideoStandard = TVB_STANDARD_SECAM_L;
        SelectTvStandard(TVB_STANDARD_SECAM_L);
    }
    const uint32_t tuned = TuneFrequency(request->Frequency);
    if (!SynthesizerReaches(request->Frequency)) {
        // Refused: the synthesizer stays on the frequency it had, and both
        // records keep saying so. The demodulator was prepared for a tuning
        // all the same (undoing any correction the last one made), so the
        // next request tunes even for the frequency still stored.
        RetuneNeeded = 1;
        return;
    }
    for (Field field : kFrequencyFields) {
        g_TVTuner_Settings.*field = request->*field;
        if (settings != nullptr) {
            settings->*field = request->*field;
        }
    }
    FrequencySet = 1;
    // Stored without reaching a board (the host's table not handed in yet),
    // it is tuned on the next request, also for the same frequency.
    RetuneNeeded = tuned == 0 ? 1 : 0;
}

// Stores a value the request carries in the module's copy and the host's
// record.
void Keep(TVTunerSettings* settings, const TVTunerSettings* request, Field field) {
    g_TVTuner_Settings.*field = request->*field;
    if (settings != nullptr) {
        settings->*field = request->*field;
    }
}

void SetVideoStandard(TVTunerSettings* settings, const TVTunerSettings* request) {
    const TuningBasis before = CurrentTuningBasis();
    Keep(settings, request, &TVTunerSettings::VideoStandard);
    SelectTvStandard(request->VideoStandard);
    VideoStandardSet = 1;
    // The station stored was tuned for the standard before: with another IF
    // offset or code the tuner is now off it, so the same frequency must be
    // tuned again.
    if (Differ(CurrentTuningBasis(), before)) {
        RetuneNeeded = 1;
    }
}

} // namespace

uint32_t TVB_API GetTunerModeCaps(TVB_ARG, TVB_ARG, uint32_t mode, TunerModeCaps* caps) {
    if (caps == nullptr) {
        return 0;
    }
    if (mode == TVB_TUNER_MODE_TV) {
        *caps = kTvCaps;
    } else if (mode == TVB_TUNER_MODE_FM_RADIO) {
        *caps = kFmRadioCaps;
    }
    return 0;
}

uint32_t TVB_API GetTunerProperty(TVTunerSettings* settings, TVB_ARG, TVTunerSettings* request) {
    if (request == nullptr) {
        return 0; // nothing says what is asked, and there is nowhere to answer
    }
    PutFromModule(request, settings, &TVTunerSettings::VideoStandard);
    PutFromModule(request, settings, &TVTunerSettings::TuneInfo2);
    PutFromModule(request, settings, &TVTunerSettings::TuneInfo1);
    PutFromModule(request, settings, &TVTunerSettings::TunerInput);
    PutFromModule(request, settings, &TVTunerSettings::Mode);

    switch (request->RequestId) {
    case TVB_REQUEST_AUDIO_MODE:
        PutFromModule(request, settings, &TVTunerSettings::AudioMode);
        break;
    case TVB_REQUEST_MODE: // get: the TV audio modes the broadcast offers now
        Put(request, settings, &TVTunerSettings::AudioMode, DetectTvAudioModes());
        break;
    case TVB_REQUEST_FREQUENCY:
        for (Field field : kFrequencyFields) {
            PutFromModule(request, settings, field);
        }
        request->Mode = ReadPinByte();
        break;
    case TVB_REQUEST_STATUS:
        ReportStatus(request, settings);
        break;
    default:
        break;
    }
    return 0;
}

uint32_t TVB_API SetTunerProperty(TVTunerSettings* settings, TVB_ARG, TVTunerSettings* request) {
    EnsureTunerAndDecoderSetUp();
    if (request == nullptr) {
        return 0;
    }

    switch (request->RequestId) {
    case TVB_REQUEST_AUDIO_MODE: {
        const uint8_t applied = SetTvAudioMode(request->AudioMode);
        request->Result = applied;
        if (applied != 0) {
            Keep(settings, request, &TVTunerSettings::AudioMode);
        }
        AudioModeSet = 1;
        break;
    }
    case TVB_REQUEST_MODE:
        if (ModeSet == 1 && request->Mode == g_TVTuner_Settings.Mode) {
            break;
        }
        Keep(settings, request, &TVTunerSettings::Mode);
        ModeSet = 1;
        break;
    case TVB_REQUEST_VIDEO_STANDARD:
        SetVideoStandard(settings, request);
        break;
    case TVB_REQUEST_FREQUENCY:
        SetFrequency(settings, request);
        break;
    case TVB_REQUEST_TUNER_INPUT:
        Keep(settings, request, &TVTunerSettings::TunerInput);
        TunerInputSet = 1;
        DebugPrint("g_TVTuner_Settings.TunerInput = %d, g_TVTuner_Settings.VideoStandard = %d\n",
                   static_cast<int>(g_TVTuner_Settings.TunerInput),
                   static_cast<int>(g_TVTuner_Settings.VideoStandard));
        break;
    default:
        break;
    }
    return 0;
}
