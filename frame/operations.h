// The operations behind the slots of the five tables, with their stdcall
// signatures. Each lives in the subsystem that owns its behaviour.
#pragma once

#include "frame/abi.h"

// BoardOps (frame/board.cpp)
NtStatus TVB_STDCALL OpenBoard(HostHandle ctx, TVTunerSettings** settingsOut, BoardInfo* info);
NtStatus TVB_STDCALL CloseBoard(TVTunerSettings* settings, Arg unused);

// VideoOps (video/)
uint32_t TVB_STDCALL GetVideoStandards(Arg, Arg, uint32_t* count, VideoStandardDescriptor* buffer);
uint32_t TVB_STDCALL GetVideoPropertyDefaults(Arg, Arg, VideoPropertyDefaults* defaults);
int32_t TVB_STDCALL InitializeSensor(const SensorInitRecord* record, Arg hostValue,
                                     int32_t restartValue, int32_t videoInput, int32_t p1,
                                     int32_t p2, int32_t p3, int32_t p4, int32_t p5, int32_t p6,
                                     int32_t p7, int32_t p8, int32_t p9, int32_t p10, int32_t p11,
                                     int32_t p12, int32_t p13, int32_t p14, int32_t p15,
                                     int32_t p16, int32_t p17);
uint32_t TVB_STDCALL SetVideoProperty(Arg a1, Arg a2, uint32_t property, int32_t value, Arg a5);
uint32_t TVB_STDCALL GetVideoProperty(Arg a1, Arg a2, uint32_t property, uint32_t* value, Arg a5);

// InputOps (video/)
Arg TVB_STDCALL QueryVideoInput(Arg, Arg);
uint32_t TVB_STDCALL ChooseVideoInput(Arg, Arg, uint32_t input);

// AudioOps (audio/)
uint32_t TVB_STDCALL GetAudioFormat(Arg, Arg, AudioInterfaceConfig* config, AudioFormat* format);
uint32_t TVB_STDCALL SetAudioSampleRate(Arg, HostHandle handle, AudioFormat* format);

// TunerOps (tuner/)
uint32_t TVB_STDCALL GetTunerModeCaps(Arg, Arg, uint32_t mode, TunerModeCaps* caps);
uint32_t TVB_STDCALL GetTunerProperty(TVTunerSettings* settings, Arg unused,
                                      TVTunerSettings* request);
uint32_t TVB_STDCALL SetTunerProperty(TVTunerSettings* settings, Arg unused,
                                      TVTunerSettings* request);
