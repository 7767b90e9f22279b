#include "fuzz/seeds.h"

#include "include/tvboard.h"

namespace fuzz {

namespace {

constexpr uint8_t kBoardOps = 0;
constexpr uint8_t kVideoOps = 1;
constexpr uint8_t kAudioOps = 2;
constexpr uint8_t kInputOps = 3;
constexpr uint8_t kTunerOps = 4;
constexpr uint32_t kUseRecord = 0xFFFFFFFF;

} // namespace

Encoder::Encoder(uint8_t table, uint8_t mask) {
    bytes_.push_back(table);
    if (table % 4 == 2) {
        bytes_.push_back(mask);
    }
}

Encoder& Encoder::Op(fuzz::Op op) {
    bytes_.push_back(static_cast<uint8_t>(op));
    return *this;
}

Encoder& Encoder::U8(uint8_t b) {
    bytes_.push_back(b);
    return *this;
}

Encoder& Encoder::V(Kind kind, uint32_t value) {
    const std::vector<uint32_t>& table = ValuesOf(kind);
    for (size_t i = 0; i < table.size() && i < kRawValue; ++i) {
        if (table[i] == value) {
            return U8(static_cast<uint8_t>(i));
        }
    }
    U8(kRawValue);
    for (int k = 0; k < 4; ++k) {
        U8(static_cast<uint8_t>(value >> (8 * k)));
    }
    return *this;
}

Encoder& Encoder::Rec(Record how) {
    return U8(static_cast<uint8_t>(how));
}

Encoder& Encoder::Load() {
    Op(Op::Initialize);
    return Op(Op::Caps).U8(0).U8(3);
}

Encoder& Encoder::Unload() {
    return Op(Op::Unload);
}

Encoder& Encoder::Open(uint32_t handle) {
    Op(Op::Call).U8(kBoardOps).U8(0);
    return V(Kind::Handle, handle).U8(1).Rec(Record::Full);
}

Encoder& Encoder::Close(Closing which) {
    Op(Op::Call).U8(kBoardOps).U8(1);
    return U8(static_cast<uint8_t>(which)).V(Kind::Any, 0);
}

Encoder& Encoder::InitializeSensor(uint32_t input, uint32_t restart, Record record) {
    Op(Op::Call).U8(kVideoOps).U8(4);
    V(Kind::Any, 0).V(Kind::PropertyValue, restart).V(Kind::Input, kUseRecord);
    const uint32_t defaults[17] = {50, 0, 50, 0, 0, 0, 50, 0, 50, 0, 50, 0, 50, 0, 50, 0, 0};
    for (uint32_t d : defaults) {
        V(Kind::PropertyValue, d);
    }
    V(Kind::Input, input).V(Kind::PropertyValue, 0);
    Rec(record);
    if (record == Record::Short) {
        U8(0);
    }
    return *this;
}

Encoder& Encoder::Standards() {
    Op(Op::Call).U8(kVideoOps).U8(2);
    return V(Kind::Any, 0).V(Kind::Any, 0).Rec(Record::Full).Rec(Record::Full);
}

Encoder& Encoder::Defaults() {
    Op(Op::Call).U8(kVideoOps).U8(3);
    return V(Kind::Any, 0).V(Kind::Any, 0).Rec(Record::Full);
}

Encoder& Encoder::SetVideoProperty(uint32_t property, uint32_t value) {
    Op(Op::Call).U8(kVideoOps).U8(8);
    V(Kind::Any, 0).V(Kind::Any, 0).V(Kind::Property, property);
    return V(Kind::PropertyValue, value).V(Kind::Any, 0);
}

Encoder& Encoder::GetVideoProperty(uint32_t property) {
    Op(Op::Call).U8(kVideoOps).U8(9);
    V(Kind::Any, 0).V(Kind::Any, 0).V(Kind::Property, property).V(Kind::Any, 0);
    return Rec(Record::Full);
}

Encoder& Encoder::Stub(uint8_t table, uint8_t slot) {
    Op(Op::Call).U8(table).U8(slot);
    const bool video = table == kVideoOps;
    const int args = video && slot == 6                    ? 20
                     : video && (slot == 10 || slot == 11) ? 3
                     : table == kInputOps && slot == 4     ? 3
                                                           : 2;
    for (int i = 0; i < args; ++i) {
        V(Kind::Any, static_cast<uint32_t>(i));
    }
    return *this;
}

Encoder& Encoder::InputSelect(uint32_t input) {
    Op(Op::Call).U8(kInputOps).U8(3);
    return V(Kind::Any, 0).V(Kind::Any, 0).V(Kind::Input, input);
}

Encoder& Encoder::InputQuery() {
    Op(Op::Call).U8(kInputOps).U8(1);
    return V(Kind::Any, 0).V(Kind::Any, 0);
}

Encoder& Encoder::AudioFormat(uint32_t rate) {
    Op(Op::Call).U8(kAudioOps).U8(1);
    V(Kind::Any, 0).V(Kind::Any, 0).V(Kind::SampleRate, rate).V(Kind::Any, 1).V(Kind::Any, 0);
    return Rec(Record::Full).Rec(Record::Full);
}

Encoder& Encoder::SampleRate(uint32_t rate, uint32_t handle) {
    Op(Op::Call).U8(kAudioOps).U8(2);
    V(Kind::Any, 0).V(Kind::Handle, handle).V(Kind::SampleRate, rate);
    return Rec(Record::Full);
}

Encoder& Encoder::ModeCaps(uint32_t mode) {
    Op(Op::Call).U8(kTunerOps).U8(0);
    return V(Kind::Any, 0).V(Kind::Any, 0).V(Kind::Mode, mode).Rec(Record::Full);
}

Encoder& Encoder::Tuner(bool set, uint32_t id, uint32_t value, Record settings, Record request,
                        uint8_t length) {
    Op(Op::Call).U8(kTunerOps).U8(set ? 2 : 1);
    Rec(settings).U8(length).V(Kind::Any, 0).Rec(request).V(Kind::RequestId, id);
    const Kind kind = id == 1   ? Kind::AudioMode
                      : id == 2 ? Kind::Mode
                      : id == 3 ? Kind::Standard
                      : id == 4 ? Kind::Frequency
                      : id == 5 ? Kind::Input
                                : Kind::Any;
    return V(kind, value).U8(0xA5).U8(length);
}

Encoder& Encoder::Station(uint32_t hz, uint32_t standard, uint8_t sound, uint8_t strength) {
    Op(Op::Station).V(Kind::Frequency, hz).V(Kind::Standard, standard);
    return U8(sound).U8(strength);
}

Encoder& Encoder::Lock(uint8_t mode, uint8_t n) {
    return Op(Op::Lock).U8(mode).U8(n);
}

Encoder& Encoder::DspTiming(uint8_t ready, uint8_t data, uint8_t done) {
    return Op(Op::DspTiming).U8(ready).U8(data).U8(done);
}

Encoder& Encoder::Irql(uint8_t levelIndex) {
    return Op(Op::Irql).U8(levelIndex);
}

namespace {

constexpr uint8_t kStereo = 1;
constexpr uint8_t kTwo = 2;
constexpr uint8_t kThree = 4;

Seed Make(const char* name, const Encoder& e) {
    return Seed{name, e.Bytes()};
}

Encoder Session() {
    Encoder e;
    e.Station(175250000, TVB_STANDARD_PAL_B, kStereo, 230).Lock(1, 2);
    e.Load().Open().InitializeSensor(0).Standards().SetStandard(TVB_STANDARD_PAL_B);
    e.Tune(175250000);
    for (int i = 0; i < 3; ++i) {
        e.Status();
    }
    e.AvailableModes().SetAudioMode(TVB_AUDIO_MODE_STEREO).SampleRate(48000).Close().Unload();
    return e;
}

Encoder Scan(uint8_t lockMode, uint8_t late, uint32_t second) {
    Encoder e;
    e.Station(175250000, TVB_STANDARD_PAL_B, kStereo, 230);
    e.Station(189250000, TVB_STANDARD_PAL_B, 0, 120);
    e.Load().Open().SetStandard(TVB_STANDARD_PAL_B);
    for (uint32_t hz : {175250000u, second}) {
        e.Lock(lockMode, late).Tune(hz).Status();
    }
    return e.Close().Unload();
}

Encoder SoundModes() {
    Encoder e;
    e.Station(175250000, TVB_STANDARD_PAL_B).Station(182250000, TVB_STANDARD_PAL_B, kStereo);
    e.Station(189250000, TVB_STANDARD_PAL_B, kTwo)
        .Station(196250000, TVB_STANDARD_PAL_B, kTwo | kThree);
    e.Load().Open().SetStandard(TVB_STANDARD_PAL_B);
    const uint8_t layouts[][2] = {{0, 0}, {4, 1}, {9, 0}};
    for (const auto& layout : layouts) {
        e.Op(Op::SoundReport).U8(layout[0]).U8(layout[1]);
        for (uint32_t hz : {182250000u, 196250000u}) {
            e.Tune(hz).AvailableModes();
            for (uint32_t mode :
                 {TVB_AUDIO_MODE_MONO, TVB_AUDIO_MODE_STEREO, TVB_AUDIO_MODE_LANG_B,
                  TVB_AUDIO_MODE_LANG_C, TVB_AUDIO_MODE_LANG_A | TVB_AUDIO_MODE_STEREO}) {
                e.SetAudioMode(mode);
            }
            e.Tuner(false, 1, 0);
        }
    }
    e.SetVideoProperty(0, 1).SetAudioMode(TVB_AUDIO_MODE_LANG_B);
    return e.Close().Unload();
}

Encoder Inputs() {
    Encoder e;
    e.Op(Op::DecoderReg).V(Kind::Register, 0x10E).U8(0x5A);
    e.Load().Open().InputQuery().InputSelect(1).InputQuery().InputSelect(2).InputSelect(7);
    e.InputQuery().SetVideoProperty(0, 0).Stub(3, 0).Stub(3, 2).Stub(3, 4);
    return e.Close().Unload();
}

Encoder Picture() {
    Encoder e;
    e.Op(Op::VideoStatus).U8(0xB2).Load().Open();
    for (uint32_t v : {0xFFFFFFFFu, 0u, 50u, 100u, 101u, 0x80000000u, 0x7FFFFFFFu}) {
        e.SetVideoProperty(1, v);
    }
    for (uint32_t p : {3u, 7u}) {
        e.SetVideoProperty(p, 50).SetVideoProperty(p, 101);
    }
    for (uint32_t v : {static_cast<uint32_t>(-51), static_cast<uint32_t>(-50), 0u, 50u, 51u}) {
        e.SetVideoProperty(5, v);
    }
    e.SetVideoProperty(0x1003, 7).SetVideoProperty(0x1003, 0).SetVideoProperty(2, 7);
    e.GetVideoProperty(0x1000).GetVideoProperty(0x1001).GetVideoProperty(2);
    return e.Close().Unload();
}

Encoder DspLate() {
    Encoder e;
    e.Op(Op::SoundReport).U8(0).U8(0).DspTiming(2, 3, 1).Load().Open();
    e.SetVideoProperty(0x1002, 0).AvailableModes().SetAudioMode(TVB_AUDIO_MODE_MONO);
    return e.Close().Unload();
}

Encoder DspNever() {
    Encoder e;
    e.Load().Open().DspTiming(0xFF, 0, 0).SetVideoProperty(0x1002, 0).AvailableModes();
    e.DspTiming(0, 0xFF, 0)
        .AvailableModes()
        .DspTiming(0, 0, 0xFF)
        .SetAudioMode(TVB_AUDIO_MODE_MONO);
    e.DspTiming(0, 0, 0).SetAudioMode(TVB_AUDIO_MODE_STEREO);
    return e.Close().Unload();
}

Encoder AboveBand() {
    Encoder e;
    e.Station(175250000, TVB_STANDARD_PAL_G, kStereo).Station(855250000, TVB_STANDARD_PAL_G);
    e.Load().Open().SetStandard(TVB_STANDARD_PAL_G).Tune(175250000).Status();
    e.Tune(860000000).Status().Tuner(false, 4, 0).Tune(0xFFFFFFFF).Status();
    e.Tune(855250000).Status();
    return e.Close().Unload();
}

Encoder Standards() {
    Encoder e;
    e.Station(55250000, TVB_STANDARD_SECAM_L1).Station(479250000, TVB_STANDARD_SECAM_L);
    e.Station(67250000, TVB_STANDARD_NTSC_M_J).Load().Open();
    for (uint32_t s : ValuesOf(Kind::Standard)) {
        e.SetStandard(s);
    }
    e.SetStandard(TVB_STANDARD_NTSC_M_J).Tune(67250000).Status();
    e.SetStandard(TVB_STANDARD_SECAM_L).Tune(55250000).Status().Tune(66000000).Status();
    e.Tune(479250000).Status().Tuner(false, 3, 0);
    return e.Close().Unload();
}

// Every slot before a board is open, then again after it was closed.
Encoder EverySlot(Encoder e) {
    for (uint8_t slot : {0, 1, 5, 6, 7, 10, 11}) {
        e.Stub(1, slot);
    }
    e.Standards().Defaults().InitializeSensor(2).InitializeSensor(0, 0, Record::Null);
    for (uint32_t p : {0u, 1u, 3u, 5u, 7u, 0x1002u, 0x1003u, 9u}) {
        e.SetVideoProperty(p, 1);
    }
    e.GetVideoProperty(0x1000).GetVideoProperty(0x1001).GetVideoProperty(9);
    e.Stub(2, 0).AudioFormat(48000).SampleRate(48000).SampleRate(44100).SampleRate(32000);
    e.Stub(2, 3).Stub(3, 0).InputQuery().Stub(3, 2).InputSelect(1).Stub(3, 4);
    e.ModeCaps(1).ModeCaps(2).ModeCaps(4);
    for (uint32_t id = 1; id <= 7; ++id) {
        e.Tuner(true, id, id == 4 ? 175250000 : 1, Record::Full);
        e.Tuner(false, id, 0, Record::Full);
    }
    return e;
}

Encoder NoBoard() {
    Encoder e;
    e.Station(175250000, TVB_STANDARD_PAL_B).Op(Op::Pin).U8(7).U8(1).Load();
    e = EverySlot(e);
    e.Close(Closing::Null).Open().Close();
    return EverySlot(e).Unload();
}

// A host table with slots left empty (the mask's bits), and the session.
Encoder EmptySlots(uint8_t mask) {
    Encoder e(2, mask);
    e.Station(175250000, TVB_STANDARD_PAL_B).Op(Op::VideoStatus).U8(0xFF);
    e.Op(Op::Initialize).Open().InitializeSensor(0).SetStandard(TVB_STANDARD_PAL_B);
    e.Tune(175250000).GetVideoProperty(0x1000).Status().Tuner(false, 4, 0).SampleRate(48000);
    return e.Close().Unload();
}

// The operations a host may call at raised level, and OpenBoard above
// dispatch level, where the pool is out of reach.
Encoder RaisedLevel() {
    Encoder e;
    e.Station(175250000, TVB_STANDARD_PAL_B).Load().Irql(3).Open().Irql(0).Open();
    e.Irql(2).SetStandard(TVB_STANDARD_PAL_B).Tune(175250000).Status().InitializeSensor(1);
    e.Irql(3).Close().Irql(0).Close();
    return e.Unload();
}

// Records handed back twice, records OpenBoard did not make, a second open
// without a close, an allocation that fails.
Encoder RecordMistakes() {
    Encoder e;
    e.Load().Open().Open().Close(Closing::Older).Close().Close(Closing::ClosedAlready);
    e.Close(Closing::HostMemory).Op(Op::FailAllocations).U8(1).Open().Open();
    e.Tuner(true, 4, 175250000, Record::Null).Tuner(false, 4, 0, Record::Live, Record::Null);
    e.Tuner(true, 3, TVB_STANDARD_SECAM_L, Record::Live, Record::Same);
    e.Tuner(false, 6, 0, Record::Short, Record::Short, 3);
    e.Tuner(true, 5, 1, Record::Full, Record::Live);
    return e.Close().Unload();
}

// Short and overlapping records wherever a call takes one.
Encoder ShortRecords() {
    Encoder e;
    e.Load()
        .Open()
        .InitializeSensor(1, 0, Record::Short)
        .InitializeSensor(0, 0xFFFFFFFF, Record::Short);
    e.Op(Op::Call).U8(1).U8(2).V(Kind::Any, 0).V(Kind::Any, 0).Rec(Record::Full).Rec(Record::Same);
    e.Op(Op::Call).U8(2).U8(1).V(Kind::Any, 0).V(Kind::Any, 0).V(Kind::SampleRate, 48000);
    e.V(Kind::Any, 1).V(Kind::Any, 0).Rec(Record::Full).Rec(Record::Same);
    e.Op(Op::Call).U8(2).U8(2).V(Kind::Any, 0).V(Kind::Handle, 0x7777).V(Kind::SampleRate, 44100);
    e.Rec(Record::Short).U8(0);
    e.Op(Op::Call).U8(4).U8(0).V(Kind::Any, 0).V(Kind::Any, 0).V(Kind::Mode, 4);
    e.Rec(Record::Short).U8(0);
    e.Tuner(true, 1, TVB_AUDIO_MODE_MONO, Record::Short, Record::Short, 7);
    e.Tuner(true, 4, 175250000, Record::Live, Record::Short, 2);
    e.Tuner(false, 4, 0, Record::Live, Record::Same);
    return e.Close().Unload();
}

// Tuner transfers lost, cut and corrupted; a lock that goes again.
Encoder TunerFaults() {
    Encoder e;
    e.Station(175250000, TVB_STANDARD_PAL_B, kStereo).Load().Open().SetStandard(TVB_STANDARD_PAL_B);
    e.Op(Op::DemodFaults).U8(4).U8(1).U8(1).U8(0).U8(0).U8(0).U8(1).Tune(175250000).Status();
    e.Op(Op::DemodFaults).U8(0xFF).U8(0).U8(0).U8(0).U8(0).U8(0).U8(0);
    e.Op(Op::SynthFaults).U8(2).U8(0).U8(2).U8(1).U8(0).U8(0).U8(0).Tune(182250000).Status();
    e.Op(Op::SynthFaults).U8(0xFF).U8(0).U8(0).U8(0).U8(0).U8(0).U8(0);
    e.Lock(3, 1).Tune(175250000).Status().Status().Lock(2, 0).Status();
    return e.Close().Unload();
}

// The DSP: status bits flapping and set without cause, requests ignored,
// reads of a register failing.
Encoder DspFaults() {
    Encoder e;
    e.Load().Open().Op(Op::DspNoise).U8(2).U8(1).U8(0x05).U8(0x02);
    e.InitializeSensor(0).Op(Op::DspNoise).U8(0xFF).U8(0).U8(0).U8(0);
    e.Op(Op::DspRequests).U8(3).U8(1).AvailableModes();
    e.Op(Op::DspFailReads).V(Kind::Register, 0x404).U8(1).U8(2).AvailableModes();
    e.Op(Op::DspFailReads).V(Kind::Register, 0x580).U8(0).U8(5).SetVideoProperty(0x1002, 0);
    return e.Close().Unload();
}

// A DSP that answers every wait at its last poll and ignores the first four
// requests of every read: the longest calls that still succeed.
Encoder SlowestDsp() {
    Encoder e;
    e.Load().Open().Op(Op::DspNoise).U8(0xFE).U8(4).U8(0).U8(0);
    e.InitializeSensor(0).SetVideoProperty(0, 1).SetAudioMode(TVB_AUDIO_MODE_MONO);
    return e.Close().Unload();
}

} // namespace

const std::vector<Seed>& Seeds() {
    static const std::vector<Seed> seeds = {
        Make("session", Session()),
        Make("scan-lock-first", Scan(0, 0, 189250000)),
        Make("scan-lock-late", Scan(1, 3, 189250000)),
        Make("scan-lock-never", Scan(2, 0, 182250000)),
        Make("sound-modes", SoundModes()),
        Make("inputs", Inputs()),
        Make("picture", Picture()),
        Make("dsp-late", DspLate()),
        Make("dsp-never", DspNever()),
        Make("above-band", AboveBand()),
        Make("standards", Standards()),
        Make("no-board", NoBoard()),
        Make("empty-slots-bus", EmptySlots(0x0C)),
        Make("empty-slots-decoder", EmptySlots(0x03)),
        Make("empty-slots-pins", EmptySlots(0xC0)),
        Make("no-table", EmptySlots(0xFF)),
        Make("raised-level", RaisedLevel()),
        Make("record-mistakes", RecordMistakes()),
        Make("short-records", ShortRecords()),
        Make("tuner-faults", TunerFaults()),
        Make("dsp-faults", DspFaults()),
        Make("slowest-dsp", SlowestDsp()),
    };
    return seeds;
}

namespace {

// One dictionary entry: the bytes of an encoder's operations without its
// header.
void Token(std::string& dict, const std::string& name, const Encoder& e) {
    dict += name + "=\"";
    const std::vector<uint8_t>& bytes = e.Bytes();
    for (size_t i = 1; i < bytes.size(); ++i) {
        static const char kHex[] = "0123456789ABCDEF";
        dict += "\\x";
        dict += kHex[bytes[i] >> 4];
        dict += kHex[bytes[i] & 15];
    }
    dict += "\"\n";
}

} // namespace

std::string Dictionary() {
    std::string d = "# libFuzzer dictionary of the tvboard fuzz target, written by\n"
                    "# tvboard_fuzz_replay --write-dict (fuzz/seeds.cpp): do not edit.\n";
    Token(d, "load", Encoder().Load());
    Token(d, "open", Encoder().Open());
    Token(d, "close", Encoder().Close());
    Token(d, "close_twice", Encoder().Close().Close(Closing::ClosedAlready));
    Token(d, "sensor", Encoder().InitializeSensor(0));
    Token(d, "sensor_input2", Encoder().InitializeSensor(2));
    Token(d, "standards", Encoder().Standards());
    Token(d, "input1", Encoder().SetVideoProperty(0, 1));
    Token(d, "restart", Encoder().SetVideoProperty(0x1002, 0));
    Token(d, "status_bit", Encoder().GetVideoProperty(0x1000));
    Token(d, "select2", Encoder().InputSelect(2));
    Token(d, "query", Encoder().InputQuery());
    Token(d, "rate48k", Encoder().SampleRate(48000));
    Token(d, "format", Encoder().AudioFormat(48000));
    Token(d, "tune", Encoder().Tune(175250000));
    Token(d, "tune_secam", Encoder().SetStandard(TVB_STANDARD_SECAM_L).Tune(55250000));
    Token(d, "status", Encoder().Status());
    Token(d, "modes", Encoder().AvailableModes());
    Token(d, "stereo", Encoder().SetAudioMode(TVB_AUDIO_MODE_STEREO));
    Token(d, "get_frequency", Encoder().Tuner(false, 4, 0));
    Token(d, "station", Encoder().Station(175250000, TVB_STANDARD_PAL_B, 1, 230));
    Token(d, "lock_late", Encoder().Lock(1, 3));
    Token(d, "lock_lost", Encoder().Lock(3, 1));
    Token(d, "dsp_slow", Encoder().DspTiming(9, 9, 9));
    Token(d, "dsp_never", Encoder().DspTiming(0, 0, 0xFF));
    Token(d, "dsp_done_late", Encoder().DspTiming(1, 0, 3));
    Token(d, "dsp_just_in_time", Encoder().Op(Op::DspNoise).U8(0xFE).U8(4).U8(0).U8(0));
    Token(d, "raised", Encoder().Irql(2));
    Token(d, "alloc_fails", Encoder().Op(Op::FailAllocations).U8(1));
    for (uint32_t hz : {55250000u, 66000000u, 175250000u, 857250000u, 0xFFFFFFFFu}) {
        Token(d, "hz_" + std::to_string(hz),
              Encoder()
                  .U8(kRawValue)
                  .U8(hz & 0xFF)
                  .U8(hz >> 8 & 0xFF)
                  .U8(hz >> 16 & 0xFF)
                  .U8(hz >> 24));
    }
    return d;
}

} // namespace fuzz
