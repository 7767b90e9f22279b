#include "tools/caps_report.h"

#include "regmap/host_interface.h"

namespace bench {

namespace {

// The number of arguments of a slot, from its typed stdcall signature (the
// specialisation matches only the calling convention it names).
template <typename T> struct Arity;
template <typename R, typename... A> struct Arity<R(TVB_STDCALL*)(A...)> {
    static constexpr size_t value = sizeof...(A);
};

template <typename F> SlotInfo Slot(const char* name) {
    return SlotInfo{name, Arity<F>::value, false, 0};
}

// Stubs ignore their arguments and return their constant.
SlotInfo Stub(Stub2Fn f) {
    return SlotInfo{"stub", Arity<Stub2Fn>::value, true, static_cast<uint32_t>(f(0, 0))};
}
SlotInfo Stub(Stub3Fn f) {
    return SlotInfo{"stub", Arity<Stub3Fn>::value, true, static_cast<uint32_t>(f(0, 0, 0))};
}
SlotInfo Stub(Stub20Fn f) {
    return SlotInfo{
        "stub", Arity<Stub20Fn>::value, true,
        static_cast<uint32_t>(f(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0))};
}

#define TVB_SLOT(table, member) Slot<decltype(table::member)>(#member)

} // namespace

CapsReport ReadCaps(const BoardModuleCaps& c) {
    CapsReport r;
    r.size = c.Size;
    r.word4 = c.Word4;
    r.word8 = c.Word8;
    r.word12 = c.Word12;

    r.tables.push_back(
        {"BoardOps", {TVB_SLOT(BoardOpsTable, OpenBoard), TVB_SLOT(BoardOpsTable, CloseBoard)}});
    const VideoOpsTable& v = *c.VideoOps;
    r.tables.push_back(
        {"VideoOps",
         {Stub(v.Slot0), Stub(v.Slot1), TVB_SLOT(VideoOpsTable, GetVideoStandards),
          TVB_SLOT(VideoOpsTable, GetVideoPropertyDefaults),
          TVB_SLOT(VideoOpsTable, InitializeSensor), Stub(v.Slot5), Stub(v.Slot6), Stub(v.Slot7),
          TVB_SLOT(VideoOpsTable, SetVideoProperty), TVB_SLOT(VideoOpsTable, GetVideoProperty),
          Stub(v.Slot10), Stub(v.Slot11)}});
    const AudioOpsTable& a = *c.AudioOps;
    r.tables.push_back({"AudioOps",
                        {Stub(a.Slot0), TVB_SLOT(AudioOpsTable, GetAudioFormat),
                         TVB_SLOT(AudioOpsTable, SetAudioSampleRate), Stub(a.Slot3)}});
    const InputOpsTable& in = *c.InputOps;
    r.tables.push_back({"InputOps",
                        {Stub(in.Slot0), TVB_SLOT(InputOpsTable, InputQuery), Stub(in.Slot2),
                         TVB_SLOT(InputOpsTable, InputSelect), Stub(in.Slot4)}});
    r.tables.push_back(
        {"TunerOps",
         {TVB_SLOT(TunerOpsTable, GetTunerModeCaps), TVB_SLOT(TunerOpsTable, GetTunerProperty),
          TVB_SLOT(TunerOpsTable, SetTunerProperty)}});

    for (const TunerModeInfo& m : {TunerModeInfo{TVB_TUNER_MODE_TV, "tv", {}},
                                   TunerModeInfo{TVB_TUNER_MODE_FM_RADIO, "fm-radio", {}}}) {
        TunerModeInfo info = m;
        c.TunerOps->GetTunerModeCaps(0, 0, m.mode, &info.caps);
        r.tunerModes.push_back(info);
    }
    c.AudioOps->GetAudioFormat(0, 0, &r.audioConfig, &r.audioFormat);
    return r;
}

} // namespace bench
