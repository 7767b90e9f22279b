/* A host streaming driver in miniature, in plain C, written from
 * docs/host-interface.md, docs/board-registers.md and include/tvboard.h:
 * linked against tvboard.sys's import library, so the loader binds
 * GetBoardModuleCaps as it binds an importing driver. It initializes the
 * board, lists the video standards, selects an input, sets a picture
 * control, a standard, a frequency, TV sound modes and the sample rate, and
 * reads each back, on its own small board (board.h) whose DSP answers the
 * status handshake as the reference describes it. It needs no C runtime:
 * the same source is built by MinGW against libtvboard.a and by clang in
 * MSVC mode against tvboard.lib. Exit code 0 when everything was as
 * expected. */
#include "board.h"
#include "console.h"
#include "kernel32.h"
#include "tvboard.h"

/* A PAL B channel (E5) and the synthesizer divider the board expects for it. */
#define CHANNEL_HZ 175250000u
#define CHANNEL_DIVIDER_HIGH 0x2Du
#define CHANNEL_DIVIDER_LOW 0x80u
/* How long tuning must wait for the synthesizer to settle. */
#define TUNE_SETTLING_MS 152u

static int failures;
static const TVB_BOARD_MODULE_CAPS* caps;
static TVB_TUNER_SETTINGS* settings;

static void Check(int ok, const char* what) {
    Print(ok ? "ok: " : "FAIL: ");
    Print(what);
    Print("\n");
    failures += ok ? 0 : 1;
}

static int SameText(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) {
        ++a, ++b;
    }
    return *a == *b;
}

/* A request record: the settings as the module last reported them, with the
 * request id and, for set requests, the value to set filled in after. */
static TVB_TUNER_SETTINGS Request(uint32_t id) {
    TVB_TUNER_SETTINGS request = *settings;
    request.RequestId = id;
    return request;
}

static TVB_TUNER_SETTINGS Get(uint32_t id) {
    TVB_TUNER_SETTINGS request = Request(id);
    caps->TunerOps->GetTunerProperty(settings, 0, &request);
    return request;
}

/* InitializeSensor as a host calls it when streaming starts: the tuner's
 * input, the record's restart value, the property defaults. The audio
 * set-up reaches the DSP only through the handshake. */
static void Initialize(void) {
    const TVB_SENSOR_INIT_RECORD record = {TVB_VIDEO_INPUT_TUNER, 0};
    TVB_VIDEO_PROPERTY_DEFAULTS p;
    int32_t result;
    caps->VideoOps->GetVideoPropertyDefaults(0, 0, &p);
    result = caps->VideoOps->InitializeSensor(
        &record, 0, TVB_SENSOR_USE_RECORD, TVB_SENSOR_USE_RECORD, (int32_t)p.Value[0],
        (int32_t)p.Value[1], (int32_t)p.Value[2], (int32_t)p.Value[3], (int32_t)p.Value[4],
        (int32_t)p.Value[5], (int32_t)p.Value[6], (int32_t)p.Value[7], (int32_t)p.Value[8],
        (int32_t)p.Value[9], (int32_t)p.Value[10], (int32_t)p.Value[11], (int32_t)p.Value[12],
        (int32_t)p.Value[13], (int32_t)p.Value[14], (int32_t)p.Value[15], (int32_t)p.Value[16]);
    Check(result == 0, "InitializeSensor");
    Check(Decoder[DECODER_AUDIO_SETUP_46C] == DECODER_AUDIO_SETUP_46C_VALUE,
          "the audio set-up reaches the DSP through the handshake");
}

static void ListStandards(void) {
    TVB_VIDEO_STANDARD_DESCRIPTOR d[TVB_VIDEO_STANDARD_COUNT];
    uint32_t count = 0;
    uint32_t all = 0;
    uint32_t sizes = 1;
    uint32_t i;
    caps->VideoOps->GetVideoStandards(0, 0, &count, d);
    for (i = 0; i < count && i < TVB_VIDEO_STANDARD_COUNT; ++i) {
        Print("standard: ");
        Print(d[i].Name);
        Print(", ");
        PrintUnsigned(d[i].Width);
        Print(" x ");
        PrintUnsigned(d[i].Height);
        Print(", standards ");
        PrintHex(d[i].Standards);
        Print("\n");
        all |= d[i].Standards;
        sizes &= d[i].Size == sizeof d[i];
    }
    Check(count == TVB_VIDEO_STANDARD_COUNT && sizes, "GetVideoStandards lists its descriptors");
    Check((all & TVB_STANDARD_NTSC_M) && (all & TVB_STANDARD_PAL_B) && (all & TVB_STANDARD_SECAM_L),
          "the descriptors cover NTSC M, PAL B and SECAM L");
}

static void SelectInput(void) {
    caps->InputOps->InputSelect(0, 0, TVB_VIDEO_INPUT_COMPOSITE);
    Check(caps->InputOps->InputQuery(0, 0) == TVB_VIDEO_INPUT_COMPOSITE,
          "InputQuery reads back the composite input");
    caps->InputOps->InputSelect(0, 0, TVB_VIDEO_INPUT_TUNER);
    Check(caps->InputOps->InputQuery(0, 0) == TVB_VIDEO_INPUT_TUNER,
          "InputQuery reads back the tuner input");
}

static void SetPicture(void) {
    caps->VideoOps->SetVideoProperty(0, 0, TVB_PROPERTY_BRIGHTNESS, TVB_BRIGHTNESS_MAX, 0);
    Check(Decoder[DECODER_BRIGHTNESS] == DECODER_BRIGHTEST,
          "the brightest setting reaches the decoder");
    caps->VideoOps->SetVideoProperty(0, 0, TVB_PROPERTY_BRIGHTNESS, TVB_BRIGHTNESS_MAX + 1, 0);
    Check(Decoder[DECODER_BRIGHTNESS] == DECODER_BRIGHTEST,
          "a brightness out of range changes nothing");
}

static void SetSampleRate(void) {
    TVB_AUDIO_FORMAT format = {0, TVB_SAMPLE_RATE_48000, 1, 0};
    caps->AudioOps->SetAudioSampleRate(0, BOARD_HANDLE, &format);
    Check(Pins[TVB_PIN_SAMPLE_RATE] == TVB_PIN_RATE_48000, "48 kHz drives the sample-rate pin");
}

/* Milliseconds between two counter readings (no 64-bit division: no C
 * runtime supplies it); the counter runs at well under 2^32 Hz. */
static uint32_t Milliseconds(int64_t ticks, int64_t frequency) {
    const uint32_t perMs = (uint32_t)frequency / 1000u;
    return perMs == 0 ? 0 : (uint32_t)ticks / perMs;
}

static void Tune(void) {
    TVB_TUNER_SETTINGS request = Request(TVB_REQUEST_VIDEO_STANDARD);
    TVB_TUNER_SETTINGS got;
    int64_t frequency = 0, start = 0, end = 0;

    request.VideoStandard = TVB_STANDARD_PAL_B;
    caps->TunerOps->SetTunerProperty(settings, 0, &request);

    request = Request(TVB_REQUEST_FREQUENCY);
    request.Frequency = CHANNEL_HZ;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    caps->TunerOps->SetTunerProperty(settings, 0, &request);
    QueryPerformanceCounter(&end);
    Print("tune took ");
    PrintUnsigned(Milliseconds(end - start, frequency));
    Print(" ms\n");
    Check((uint64_t)(end - start) * 1000u >= (uint64_t)frequency * TUNE_SETTLING_MS,
          "the tune waits the synthesizer's 152 ms");
    Check(Synth[0] == CHANNEL_DIVIDER_HIGH && Synth[1] == CHANNEL_DIVIDER_LOW,
          "the divider for 175.25 MHz on PAL B");
    Check(SynthTransfers > 0 && !GateOpen(), "the gate is closed again");
    Check(settings->Frequency == CHANNEL_HZ, "the host's record holds the frequency");

    Pins[2] = 1;
    Pins[TVB_PIN_BYTE_VALID] = 1;
    got = Get(TVB_REQUEST_FREQUENCY);
    Check(got.Frequency == CHANNEL_HZ && got.VideoStandard == TVB_STANDARD_PAL_B,
          "a frequency request reads back the frequency and the standard");
    /* Pin 0 reads as the sample-rate pin was driven (48 kHz: 1). */
    Check(got.Mode == ((1u << TVB_PIN_BYTE_VALID | 1u << 2 | Pins[TVB_PIN_SAMPLE_RATE]) &
                       TVB_PIN_BYTE_MASK),
          "and the board's pin byte");

    got = Get(TVB_REQUEST_STATUS);
    Check(got.Busy == 0 && got.PllOffset == 0 && got.SignalStrength == TVB_SIGNAL_FULL &&
              got.Frequency == CHANNEL_HZ,
          "locked, AFC 0, full signal");
}

static void SetSound(void) {
    TVB_TUNER_SETTINGS request;
    Check(Get(TVB_REQUEST_MODE).AudioMode == (TVB_AUDIO_MODE_MONO | TVB_AUDIO_MODE_STEREO),
          "the broadcast offers mono and stereo");

    request = Request(TVB_REQUEST_AUDIO_MODE);
    request.AudioMode = TVB_AUDIO_MODE_MONO;
    caps->TunerOps->SetTunerProperty(settings, 0, &request);
    Check(request.Result == TVB_AUDIO_MODE_APPLIED &&
              (Decoder[DECODER_SOUND_SELECT] & DECODER_SOUND_SELECT_CHANNEL) == 2u << 5,
          "mono is applied: sound channel 2 (language A)");

    request = Request(TVB_REQUEST_AUDIO_MODE);
    request.AudioMode = TVB_AUDIO_MODE_STEREO;
    caps->TunerOps->SetTunerProperty(settings, 0, &request);
    Check(request.Result == TVB_AUDIO_MODE_APPLIED &&
              (Decoder[DECODER_SOUND_SELECT] &
               (DECODER_SOUND_SELECT_CHANNEL | DECODER_SOUND_SELECT_SOURCE)) == 0,
          "stereo is applied: sound source 0, channel 0");
    Check(Get(TVB_REQUEST_AUDIO_MODE).AudioMode == TVB_AUDIO_MODE_STEREO,
          "an audio-mode request reads back stereo");

    request = Request(TVB_REQUEST_AUDIO_MODE);
    request.AudioMode = TVB_AUDIO_MODE_LANG_C;
    caps->TunerOps->SetTunerProperty(settings, 0, &request);
    Check(request.Result == TVB_AUDIO_MODE_REFUSED &&
              Get(TVB_REQUEST_AUDIO_MODE).AudioMode == TVB_AUDIO_MODE_STEREO,
          "a third language not on the air is refused and stereo stays");
}

static int Run(void) {
    const TVB_BOARD_MODULE_CAPS* const* list = 0;
    uint32_t count = 0;
    TVB_BOARD_INFO info;

    GetBoardModuleCaps(0, &BoardHostOps, &list, &count);
    Check(list != 0 && count == 1, "GetBoardModuleCaps hands out one capability record");
    if (list == 0 || count != 1) {
        return 1;
    }
    caps = list[0];
    Check(caps->Size == sizeof(TVB_BOARD_MODULE_CAPS) && caps->Word4 == TVB_CAPS_WORD4 &&
              caps->Word8 == TVB_CAPS_WORD8 && caps->Word12 == TVB_CAPS_WORD12,
          "the capability record");

    info.Name[0] = '\0';
    Check(caps->BoardOps->OpenBoard(BOARD_HANDLE, &settings, &info) == TVB_STATUS_SUCCESS &&
              settings != 0,
          "OpenBoard hands out a settings record");
    if (settings == 0) {
        return 1;
    }
    Check(SameText(info.Name, TVB_BOARD_NAME) && info.Word64 == TVB_BOARD_INFO_WORD64 &&
              info.Word68 == TVB_BOARD_INFO_WORD68 && info.Word72 == TVB_BOARD_INFO_WORD72,
          "the board's name and words");

    Initialize();
    ListStandards();
    SelectInput();
    SetPicture();
    SetSampleRate();
    Tune();
    SetSound();

    Check(caps->BoardOps->CloseBoard(settings, 0) == TVB_STATUS_SUCCESS, "CloseBoard");
    Check(UnexpectedCalls == 0, "every bus call carried the board's handle and fixed arguments");
    Check(HandshakeErrors == 0, "every DSP access kept to the handshake, and no wait ran out");
    Print(failures == 0 ? "c host: all checks passed\n" : "c host: FAILED\n");
    return failures == 0 ? 0 : 1;
}

/* The process starts here: no C runtime runs before. */
void HostEntry(void) {
    ExitProcess((uint32_t)Run());
}
