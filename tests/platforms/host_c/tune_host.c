/* A host streaming driver in miniature, in plain C: built with the public
 * header and linked against tvboard.sys's import library, so the loader binds
 * GetBoardModuleCaps as it binds an importing driver. Its bus is a small
 * board of its own: the IF demodulator's registers with the gate, the
 * synthesizer's registers behind it, and a decoder that takes every write.
 * It opens the board, tunes a PAL B channel and asks for the lock status,
 * checking what it gets back. Exit code 0 when everything was as expected. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "tvboard.h"

static uint8_t demod[256];
static uint8_t demodPointer;
static uint8_t synth[13];
static int synthTransfers;
static int failures;

static void Check(int ok, const char* what) {
    printf("%s: %s\n", ok ? "ok" : "FAIL", what);
    failures += ok ? 0 : 1;
}

static uint32_t TVB_API WriteReg16(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t bits,
                                   uint32_t reg, uint32_t value, uint32_t zero) {
    (void)ctx, (void)device, (void)bits, (void)reg, (void)value, (void)zero;
    return 0;
}

static uint32_t TVB_API ReadReg16(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t bits, uint32_t reg,
                                  uint8_t* value, uint32_t zero) {
    (void)ctx, (void)device, (void)bits, (void)zero;
    *value = reg == 0x580 ? 0x07 : 0x00; /* the audio DSP is always ready */
    return 0;
}

static uint32_t TVB_API BusWrite(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t zero1,
                                 uint32_t zero2, uint32_t count, const uint8_t* bytes,
                                 uint32_t flags) {
    uint32_t i;
    (void)ctx, (void)zero1, (void)zero2, (void)flags;
    if (count == 0) {
        return 0;
    }
    if (device == TVB_IF_DEMOD_ADDRESS) {
        demodPointer = bytes[0];
        for (i = 1; i < count; ++i) {
            demod[demodPointer++] = bytes[i];
        }
    } else if (device == TVB_SYNTH_ADDRESS && (demod[0x21] & 0x40) != 0) {
        for (i = 1; i < count && (bytes[0] >> 4) + i - 1 < 13; ++i) {
            synth[(bytes[0] >> 4) + i - 1] = bytes[i];
        }
        ++synthTransfers;
    }
    return 0;
}

static uint32_t TVB_API BusRead(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t eight, uint32_t zero,
                                uint32_t count, uint8_t* buffer, uint32_t flags) {
    uint32_t i;
    (void)ctx, (void)eight, (void)zero, (void)flags;
    for (i = 0; i < count && device == TVB_IF_DEMOD_ADDRESS; ++i) {
        const uint8_t reg = demodPointer++;
        /* Locked with AFC 0 and a strong level once the synthesizer runs. */
        buffer[i] = reg == 0x1B ? (synth[0] != 0 ? 0x80 : 0x00) : reg == 0x1D ? 0x20 : demod[reg];
    }
    return 0;
}

static uint32_t TVB_API NeverCalled(void) {
    Check(0, "host slots 4 and 5 are never called");
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
    (void)ctx, (void)pins, (void)one;
    for (i = 0; i < count; ++i) {
        values[i] = 0;
    }
    return 0;
}

static const TVB_HOST_OPS hostOps = {WriteReg16,  ReadReg16,   BusWrite,  BusRead,
                                     NeverCalled, NeverCalled, WritePins, ReadPins};

int main(void) {
    const TVB_BOARD_MODULE_CAPS* const* list = NULL;
    const TVB_BOARD_MODULE_CAPS* caps;
    uint32_t count = 0;
    TVB_TUNER_SETTINGS* settings = NULL;
    TVB_TUNER_SETTINGS request;
    TVB_BOARD_INFO info;
    LARGE_INTEGER frequency, start, end;
    double ms;

    memset(&info, 0, sizeof info);
    GetBoardModuleCaps(0, &hostOps, &list, &count);
    Check(list != NULL && count == 1, "GetBoardModuleCaps hands out one capability record");
    if (list == NULL || count != 1) {
        return 1;
    }
    caps = list[0];
    Check(caps->Size == sizeof(TVB_BOARD_MODULE_CAPS) && caps->Word4 == TVB_CAPS_WORD4 &&
              caps->Word8 == TVB_CAPS_WORD8,
          "the capability record");

    Check(caps->BoardOps->OpenBoard(0xB0A4D0, &settings, &info) == TVB_STATUS_SUCCESS &&
              settings != NULL,
          "OpenBoard hands out a settings record");
    if (settings == NULL) {
        return 1;
    }
    Check(strcmp(info.Name, "TV Tuner Board") == 0, "the board's name");

    request = *settings;
    request.RequestId = TVB_REQUEST_VIDEO_STANDARD;
    request.VideoStandard = 0x10; /* KS_TVB_STANDARD_PAL_B */
    caps->TunerOps->SetTunerProperty(settings, 0, &request);

    request = *settings;
    request.RequestId = TVB_REQUEST_FREQUENCY;
    request.Frequency = 175250000;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    caps->TunerOps->SetTunerProperty(settings, 0, &request);
    QueryPerformanceCounter(&end);
    ms = 1000.0 * (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
    printf("tune took %.1f ms\n", ms);
    Check(ms >= 152.0, "the tune waits the synthesizer's 152 ms");
    Check(synth[0] == 0x2D && synth[1] == 0x80, "the divider for 175.25 MHz on PAL B");
    Check(synthTransfers > 0 && (demod[0x21] & 0x40) == 0, "the gate is closed again");
    Check(settings->Frequency == 175250000, "the host's record holds the frequency");

    request = *settings;
    request.RequestId = TVB_REQUEST_STATUS;
    caps->TunerOps->GetTunerProperty(settings, 0, &request);
    Check(request.Busy == 0 && request.PllOffset == 0 && request.SignalStrength == 100 &&
              request.Frequency == 175250000,
          "locked, AFC 0, full signal");

    Check(caps->BoardOps->CloseBoard(settings, 0) == TVB_STATUS_SUCCESS, "CloseBoard");
    printf("%s\n", failures == 0 ? "c host: all checks passed" : "c host: FAILED");
    return failures == 0 ? 0 : 1;
}
