// Analog video standard bits and TV audio mode bits as the Windows
// kernel-streaming interface defines them. The host passes and expects these
// exact values.
#pragma once

#include <stdint.h>

namespace ks {

constexpr uint32_t AnalogVideo_NTSC_M = 0x1;
constexpr uint32_t AnalogVideo_NTSC_M_J = 0x2;
constexpr uint32_t AnalogVideo_NTSC_433 = 0x4;
constexpr uint32_t AnalogVideo_PAL_B = 0x10;
constexpr uint32_t AnalogVideo_PAL_D = 0x20;
constexpr uint32_t AnalogVideo_PAL_G = 0x40;
constexpr uint32_t AnalogVideo_PAL_H = 0x80;
constexpr uint32_t AnalogVideo_PAL_I = 0x100;
constexpr uint32_t AnalogVideo_PAL_M = 0x200;
constexpr uint32_t AnalogVideo_PAL_N = 0x400;
constexpr uint32_t AnalogVideo_PAL_60 = 0x800;
constexpr uint32_t AnalogVideo_SECAM_B = 0x1000;
constexpr uint32_t AnalogVideo_SECAM_D = 0x2000;
constexpr uint32_t AnalogVideo_SECAM_G = 0x4000;
constexpr uint32_t AnalogVideo_SECAM_H = 0x8000;
constexpr uint32_t AnalogVideo_SECAM_K = 0x10000;
constexpr uint32_t AnalogVideo_SECAM_K1 = 0x20000;
constexpr uint32_t AnalogVideo_SECAM_L = 0x40000;
constexpr uint32_t AnalogVideo_SECAM_L1 = 0x80000;

constexpr uint32_t TVAudioMode_Mono = 0x1;
constexpr uint32_t TVAudioMode_Stereo = 0x2;
constexpr uint32_t TVAudioMode_LangA = 0x10;
constexpr uint32_t TVAudioMode_LangB = 0x20;
constexpr uint32_t TVAudioMode_LangC = 0x40;

} // namespace ks
