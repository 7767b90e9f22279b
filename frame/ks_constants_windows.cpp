// The module's own copies of the kernel-streaming constants, held against the
// values in Windows' ksmedia.h. Compiled only in the Windows build, where the
// header exists; it produces no code.
#include <windows.h>

#include <ks.h>
#include <ksmedia.h>

#include "frame/ks_constants.h"

#define TVB_SAME_AS_KSMEDIA(ours, theirs)                                                          \
    static_assert(ks::ours == static_cast<uint32_t>(theirs), #ours " differs from " #theirs)

TVB_SAME_AS_KSMEDIA(AnalogVideo_NTSC_M, KS_AnalogVideo_NTSC_M);
TVB_SAME_AS_KSMEDIA(AnalogVideo_NTSC_M_J, KS_AnalogVideo_NTSC_M_J);
TVB_SAME_AS_KSMEDIA(AnalogVideo_NTSC_433, KS_AnalogVideo_NTSC_433);
TVB_SAME_AS_KSMEDIA(AnalogVideo_PAL_B, KS_AnalogVideo_PAL_B);
TVB_SAME_AS_KSMEDIA(AnalogVideo_PAL_D, KS_AnalogVideo_PAL_D);
TVB_SAME_AS_KSMEDIA(AnalogVideo_PAL_G, KS_AnalogVideo_PAL_G);
TVB_SAME_AS_KSMEDIA(AnalogVideo_PAL_H, KS_AnalogVideo_PAL_H);
TVB_SAME_AS_KSMEDIA(AnalogVideo_PAL_I, KS_AnalogVideo_PAL_I);
TVB_SAME_AS_KSMEDIA(AnalogVideo_PAL_M, KS_AnalogVideo_PAL_M);
TVB_SAME_AS_KSMEDIA(AnalogVideo_PAL_N, KS_AnalogVideo_PAL_N);
TVB_SAME_AS_KSMEDIA(AnalogVideo_PAL_60, KS_AnalogVideo_PAL_60);
TVB_SAME_AS_KSMEDIA(AnalogVideo_SECAM_B, KS_AnalogVideo_SECAM_B);
TVB_SAME_AS_KSMEDIA(AnalogVideo_SECAM_D, KS_AnalogVideo_SECAM_D);
TVB_SAME_AS_KSMEDIA(AnalogVideo_SECAM_G, KS_AnalogVideo_SECAM_G);
TVB_SAME_AS_KSMEDIA(AnalogVideo_SECAM_H, KS_AnalogVideo_SECAM_H);
TVB_SAME_AS_KSMEDIA(AnalogVideo_SECAM_K, KS_AnalogVideo_SECAM_K);
TVB_SAME_AS_KSMEDIA(AnalogVideo_SECAM_K1, KS_AnalogVideo_SECAM_K1);
TVB_SAME_AS_KSMEDIA(AnalogVideo_SECAM_L, KS_AnalogVideo_SECAM_L);
TVB_SAME_AS_KSMEDIA(AnalogVideo_SECAM_L1, KS_AnalogVideo_SECAM_L1);

TVB_SAME_AS_KSMEDIA(TVAudioMode_Mono, KS_TVAUDIO_MODE_MONO);
TVB_SAME_AS_KSMEDIA(TVAudioMode_Stereo, KS_TVAUDIO_MODE_STEREO);
TVB_SAME_AS_KSMEDIA(TVAudioMode_LangA, KS_TVAUDIO_MODE_LANG_A);
TVB_SAME_AS_KSMEDIA(TVAudioMode_LangB, KS_TVAUDIO_MODE_LANG_B);
TVB_SAME_AS_KSMEDIA(TVAudioMode_LangC, KS_TVAUDIO_MODE_LANG_C);
