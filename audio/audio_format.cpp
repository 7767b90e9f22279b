// Audio capture format: placeholders until the audio format lands.
#include "frame/operations.h"

uint32_t TVB_STDCALL GetAudioFormat(Arg, Arg, AudioInterfaceConfig*, AudioFormat*) { return 0; }
uint32_t TVB_STDCALL SetAudioSampleRate(Arg, HostHandle, AudioFormat*) { return 0; }
