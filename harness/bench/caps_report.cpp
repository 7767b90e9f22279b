#include "bench/caps_report.h"

#include "include/tvboard.h"

namespace bench {

namespace {

// The number of arguments of a slot, from its typed stdcall signature (the
// specialisation matches only the calling convention it names).
template <typename T> struct Arity;
template <typename R, typename... A> struct Arity<R(TVB_API*)(A...)> {
    static constexpr size_t value = sizeof...(A);
};

template <typename F> SlotInfo Slot(const char* name) {
    return SlotInfo{name, Arity<F>::value, false, 0};
}

// Stubs ignore their arguments and return their constant.
SlotInfo Stub(TVB_STUB2_FN f) {
    return SlotInfo{"stub", Arity<TVB_STUB2_FN>::value, true, static_cast<uint32_t>(f(0, 0))};
}
SlotInfo Stub(TVB_STUB3_FN f) {
    return SlotInfo{"stub", Arity<TVB_STUB3_FN>::value, true, static_cast<uint32_t>(f(0, 0, 0))};
}
SlotInfo Stub(TVB_STUB20_FN f) {
    return SlotInfo{
        "stub", Arity<TVB_STUB20_FN>::value, true,
        static_cast<uint32_t>(f(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0))};
}

#define TVB_SLOT(table, member) Slot<decltype(table::member)>(#member)

} // namespace

CapsReport ReadCaps(const TVB_BOARD_MODULE_CAPS& c) {
    CapsReport r;
    r.size = c.Size;
    r.word4 = c.Word4;
    r.word8 = c.Word8;
    r.word12 = c.Word12;

    r.tables.push_back(
        {"BoardOps", {TVB_SLOT(TVB_BOARD_OPS, OpenBoard), TVB_SLOT(TVB_BOARD_OPS, CloseBoard)}});
    const TVB_VIDEO_OPS& v = *c.VideoOps;
    r.tables.push_back(
        {"VideoOps",
         {Stub(v.Slot0), Stub(v.Slot1), TVB_SLOT(TVB_VIDEO_OPS, GetVideoStandards),
          TVB_SLOT(TVB_VIDEO_OPS, GetVideoPropertyDefaults),
          TVB_SLOT(TVB_VIDEO_OPS, InitializeSensor), Stub(v.Slot5), Stub(v.Slot6), Stub(v.Slot7),
          TVB_SLOT(TVB_VIDEO_OPS, SetVideoProperty), TVB_SLOT(TVB_VIDEO_OPS, GetVideoProperty),
          Stub(v.Slot10), Stub(v.Slot11)}});
    const TVB_AUDIO_OPS& a = *c.AudioOps;
    r.tables.push_back({"AudioOps",
                        {Stub(a.Slot0), TVB_SLOT(TVB_AUDIO_OPS, GetAudioFormat),
                         TVB_SLOT(TVB_AUDIO_OPS, SetAudioSampleRate), Stub(a.Slot3)}});
    const TVB_INPUT_OPS& in = *c.InputOps;
    r.tables.push_back({"InputOps",
                        {Stub(in.Slot0), TVB_SLOT(TVB_INPUT_OPS, InputQuery), Stub(in.Slot2),
                         TVB_SLOT(TVB_INPUT_OPS, InputSelect), Stub(in.Slot4)}});
    r.tables.push_back(
        {"TunerOps",
         {TVB_SLOT(TVB_TUNER_OPS, GetTunerModeCaps), TVB_SLOT(TVB_TUNER_OPS, GetTunerProperty),
          TVB_SLOT(TVB_TUNER_OPS, SetTunerProperty)}});

    for (const TunerModeInfo& m : {TunerModeInfo{TVB_TUNER_MODE_TV, "tv", {}},
                                   TunerModeInfo{TVB_TUNER_MODE_FM_RADIO, "fm-radio", {}}}) {
        TunerModeInfo info = m;
        c.TunerOps->GetTunerModeCaps(0, 0, m.mode, &info.limits);
        r.tunerModes.push_back(info);
    }
    c.AudioOps->GetAudioFormat(0, 0, &r.audioConfig, &r.audioFormat);
    return r;
}

} // namespace bench
