#include "bench/scenarios.h"

#include "host_driver/session.h"
#include "host_driver/slots.h"
#include "include/tvboard.h"
#include "regmap/decoder_map.h"

#include <string>

namespace bench {

namespace {

constexpr uint32_t kMono = TVB_AUDIO_MODE_MONO;
constexpr uint32_t kStereo = TVB_AUDIO_MODE_STEREO;
constexpr uint32_t kLangA = TVB_AUDIO_MODE_LANG_A;
constexpr uint32_t kLangB = TVB_AUDIO_MODE_LANG_B;
constexpr uint32_t kLangC = TVB_AUDIO_MODE_LANG_C;
constexpr emu::Sound kTriple{false, true, true};

void Station(emu::Board& board, uint32_t hz, uint32_t standard, emu::Sound sound = emu::kMonoSound,
             uint8_t strength = 200) {
    board.antenna.Add({hz, standard, sound, strength});
}

// Load and open; the host's record and the capabilities are then at hand.
void Start(host_driver::HostDriver& d) {
    d.Load();
    d.Open();
}

// Every stub of a table, with the words 1, 2, 3, ... (which it ignores).
void CallStubs(const TVB_BOARD_MODULE_CAPS& c, size_t table) {
    TVB_ARG words[host_driver::kMostArguments];
    for (size_t i = 0; i < host_driver::kMostArguments; ++i) {
        words[i] = i + 1;
    }
    const host_driver::Table& t = host_driver::kTables[table];
    for (size_t i = 0; i < t.count; ++i) {
        if (t.slots[i].stub) {
            t.slots[i].call(c, words);
        }
    }
}

void Finish(host_driver::HostDriver& d) {
    if (d.Settings() != nullptr) {
        d.Close();
    }
    d.Unload();
}

void TuneAndPoll(host_driver::HostDriver& d, uint32_t hz, int polls) {
    d.Tune(hz);
    d.WaitForLock(polls, nullptr);
}

// ---------------------------------------------------------------------------

// A stereo station on PAL B, stereo chosen.
void WholeSession(emu::Board& board, host_driver::HostDriver& d) {
    Station(board, 175250000, TVB_STANDARD_PAL_B, emu::kStereoSound, 230);
    board.demod.LockAfterReads(2);
    host_driver::SessionOutcome outcome;
    host_driver::RunSession(d, {}, &outcome);
}

void ScanChannels(emu::Board& board, host_driver::HostDriver& d,
                  const std::vector<uint32_t>& channels, int lockAfterReads, bool never) {
    Station(board, 175250000, TVB_STANDARD_PAL_B, emu::kStereoSound, 230);
    Station(board, 189250000, TVB_STANDARD_PAL_B, emu::kMonoSound, 120);
    if (never) {
        board.demod.LockNever();
    }
    Start(d);
    d.SetTvStandard(TVB_STANDARD_PAL_B);
    for (uint32_t hz : channels) {
        board.demod.LockAfterReads(lockAfterReads);
        d.Tune(hz);
        d.Status();
    }
    Finish(d);
}

void ScanLockFirst(emu::Board& board, host_driver::HostDriver& d) {
    ScanChannels(board, d, {175250000, 189250000}, 0, false);
}
void ScanLockLate(emu::Board& board, host_driver::HostDriver& d) {
    ScanChannels(board, d, {175250000, 189250000}, 3, false);
}
void ScanLockNever(emu::Board& board, host_driver::HostDriver& d) {
    ScanChannels(board, d, {175250000, 182250000}, 0, true);
}

// Every mode request against broadcasts of every kind, in both layouts the
// DSP reports the sound in, on input 0 and on input 1.
void SoundModes(emu::Board& board, host_driver::HostDriver& d) {
    Station(board, 175250000, TVB_STANDARD_PAL_B, emu::kMonoSound);
    Station(board, 182250000, TVB_STANDARD_PAL_B, emu::kStereoSound);
    Station(board, 189250000, TVB_STANDARD_PAL_B, emu::kTwoLanguageSound);
    Station(board, 196250000, TVB_STANDARD_PAL_B, kTriple);
    const uint32_t modes[] = {kMono,
                              kStereo,
                              kLangA,
                              kLangB,
                              kLangC,
                              kLangA | kMono,
                              kLangA | kStereo,
                              kLangB | kStereo,
                              kLangC | kMono,
                              0,
                              kLangA | kLangB,
                              0x80};
    struct Layout {
        uint8_t code;
        bool bit11;
    };
    const Layout layouts[] = {{0, false}, {4, true}, {9, false}};
    Start(d);
    d.SetTvStandard(TVB_STANDARD_PAL_B);
    for (const Layout& layout : layouts) {
        board.decoder.SetSoundReport(layout.code, layout.bit11);
        for (uint32_t hz : {175250000u, 182250000u, 189250000u, 196250000u}) {
            d.Tune(hz);
            d.AvailableAudioModes();
            for (uint32_t mode : modes) {
                d.SetAudioMode(mode);
            }
            d.GetTuner("AudioMode", TVB_REQUEST_AUDIO_MODE);
        }
    }
    d.SetVideoProperty(TVB_PROPERTY_VIDEO_INPUT, 1); // the sound now comes from input 1
    d.SetAudioMode(kLangB);
    d.SetAudioMode(kLangC | kStereo);
    Finish(d);
}

void Inputs(emu::Board& board, host_driver::HostDriver& d) {
    board.decoder.Reg(regmap::decoder::kControl) = 0x5A; // as the decoder came up
    Start(d);
    const auto select = [&](uint32_t input) {
        d.InputSelect(input, "InputOps select " + std::to_string(input));
    };
    const auto query = [&] { d.InputQuery("InputOps query"); };
    query();
    select(1);
    query();
    select(2);
    select(7);
    query();
    d.SetVideoProperty(TVB_PROPERTY_VIDEO_INPUT, 0);
    d.Calling("InputOps stubs");
    CallStubs(*d.Caps(), host_driver::kInputOps);
    d.Returned();
    Finish(d);
}

void PictureControls(emu::Board& board, host_driver::HostDriver& d) {
    board.decoder.SetVideoStatus(0xB2);
    Start(d);
    struct Control {
        uint32_t property;
        std::vector<int32_t> values;
    };
    const Control controls[] = {
        {TVB_PROPERTY_BRIGHTNESS, {-1, 0, 1, 50, 99, 100, 101, -2147483647 - 1, 2147483647}},
        {TVB_PROPERTY_CONTRAST, {-1, 0, 50, 100, 101}},
        {TVB_PROPERTY_SATURATION, {-1, 0, 50, 100, 101}},
        {TVB_PROPERTY_HUE, {-51, -50, -49, -25, -1, 0, 1, 25, 50, 51}},
        {TVB_PROPERTY_OUTPUT_CONTROL, {5, 0, -1}},
        // Numbers that name no property.
        {2, {7}},
        {4, {7}},
        {0x2000, {7}},
    };
    for (const Control& c : controls) {
        for (int32_t v : c.values) {
            d.SetVideoProperty(c.property, v);
        }
    }
    for (uint32_t property : {TVB_PROPERTY_STATUS_BIT1, TVB_PROPERTY_STATUS_BIT0, 2u}) {
        d.GetVideoProperty(property);
    }
    Finish(d);
}

// The DSP answers, but each status bit only after some polls.
void DspLate(emu::Board& board, host_driver::HostDriver& d) {
    board.decoder.SetBroadcastSound(emu::kStereoSound);
    board.decoder.SetReadyPolls(2);
    board.decoder.SetDataReadyPolls(3);
    board.decoder.SetReadDonePolls(1);
    Start(d);
    d.SetVideoProperty(TVB_PROPERTY_AUDIO_RESTART, 0);
    d.AvailableAudioModes();
    d.SetAudioMode(kStereo);
    Finish(d);
}

// Each status bit in turn never comes up.
void DspNever(emu::Board& board, host_driver::HostDriver& d) {
    emu::Decoder& dsp = board.decoder;
    dsp.SetBroadcastSound(emu::kStereoSound);
    Start(d);
    dsp.SetReadyPolls(emu::Decoder::kNever);
    d.SetVideoProperty(TVB_PROPERTY_AUDIO_RESTART, 0);
    d.AvailableAudioModes();
    dsp.SetReadyPolls(0);
    dsp.SetDataReadyPolls(emu::Decoder::kNever);
    d.AvailableAudioModes();
    dsp.SetDataReadyPolls(0);
    dsp.SetReadDonePolls(emu::Decoder::kNever);
    d.SetAudioMode(kMono);
    dsp.SetReadDonePolls(0);
    d.SetAudioMode(kStereo);
    Finish(d);
}

// Frequencies at and above the top of the synthesizer's band table.
void AboveBand(emu::Board& board, host_driver::HostDriver& d) {
    Station(board, 175250000, TVB_STANDARD_PAL_G, emu::kStereoSound);
    Station(board, 855250000, TVB_STANDARD_PAL_G);
    Start(d);
    d.SetTvStandard(TVB_STANDARD_PAL_G);
    TuneAndPoll(d, 175250000, 1);
    d.Tune(860000000); // 867.75 MHz of oscillator: beyond the table
    d.Status();
    d.GetTuner("Frequency", TVB_REQUEST_FREQUENCY);
    d.Tune(4294967295u);
    d.Status();
    TuneAndPoll(d, 855250000, 1); // oscillator 863 MHz: the last row
    Finish(d);
}

// Both SECAM L variants follow the frequency, and every standard is applied.
void Standards(emu::Board& board, host_driver::HostDriver& d) {
    Station(board, 55250000, TVB_STANDARD_SECAM_L1);
    Station(board, 479250000, TVB_STANDARD_SECAM_L);
    Station(board, 67250000, TVB_STANDARD_NTSC_M_J);
    Start(d);
    // Every standard but SECAM L, which follows below with its switches to
    // L', then no bit and two bits at once.
    std::vector<uint32_t> every;
    for (uint32_t s : host_driver::StandardBits()) {
        if (s != TVB_STANDARD_SECAM_L) {
            every.push_back(s);
        }
    }
    every.push_back(0u);
    every.push_back(TVB_STANDARD_PAL_B | TVB_STANDARD_PAL_G);
    for (uint32_t s : every) {
        d.SetTvStandard(s);
    }
    d.SetTvStandard(TVB_STANDARD_NTSC_M_J);
    TuneAndPoll(d, 67250000, 1);
    d.SetTvStandard(TVB_STANDARD_SECAM_L);
    TuneAndPoll(d, 55250000, 1);
    TuneAndPoll(d, 66000000, 1);
    TuneAndPoll(d, 479250000, 1);
    d.GetTuner("VideoStandard", TVB_REQUEST_VIDEO_STANDARD);
    Finish(d);
}

// Every slot of every table before any board is open, and again after the
// board was closed: the stubs, then each operation.
void EverySlot(host_driver::HostDriver& d, TVTunerSettings* settings) {
    const TVB_BOARD_MODULE_CAPS* c = d.Caps();
    uint32_t count = 0;
    static VideoStandardDescriptor standards[3];
    VideoPropertyDefaults defaults{};
    TVB_SENSOR_INIT_RECORD record{2, 0};
    uint32_t value = 0;
    AudioInterfaceConfig config{};
    AudioFormat format{0, 48000, 1, 0x12345};
    TunerModeCaps modeCaps{};
    const TVB_VIDEO_OPS* v = c->VideoOps;
    d.Calling("every VideoOps slot");
    CallStubs(*c, host_driver::kVideoOps);
    v->GetVideoStandards(0, 0, &count, standards);
    v->GetVideoPropertyDefaults(0, 0, &defaults);
    v->InitializeSensor(&record, 0, -1, -1, 50, 0, 50, 0, 0, 0, 50, 0, 50, 0, 50, 0, 50, 0, 50, 0,
                        0);
    v->InitializeSensor(nullptr, 0, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    for (uint32_t property : {0u, 1u, 3u, 5u, 7u, 0x1002u, 0x1003u, 9u}) {
        v->SetVideoProperty(0, 0, property, 1, 0);
    }
    for (uint32_t property : {0x1000u, 0x1001u, 9u}) {
        v->GetVideoProperty(0, 0, property, &value, 0);
    }
    d.Returned();

    const TVB_AUDIO_OPS* a = c->AudioOps;
    d.Calling("every AudioOps slot");
    CallStubs(*c, host_driver::kAudioOps);
    a->GetAudioFormat(0, 0, &config, &format);
    for (uint32_t rate : {48000u, 44100u, 32000u}) {
        format.SampleRate = rate;
        a->SetAudioSampleRate(0, emu::HostTable::kBoardHandle, &format);
    }
    d.Returned();

    const TVB_INPUT_OPS* in = c->InputOps;
    d.Calling("every InputOps slot");
    CallStubs(*c, host_driver::kInputOps);
    in->InputQuery(1, 2);
    in->InputSelect(0, 0, 1);
    d.Returned();

    const TVB_TUNER_OPS* t = c->TunerOps;
    d.Calling("every TunerOps slot and request");
    for (uint32_t mode : {1u, 2u, 4u}) {
        t->GetTunerModeCaps(0, 0, mode, &modeCaps);
    }
    for (uint32_t id = 1; id <= 7; ++id) {
        TVTunerSettings request = *settings;
        request.RequestId = id;
        request.Frequency = 175250000;
        request.VideoStandard = TVB_STANDARD_PAL_B;
        request.AudioMode = kMono;
        t->SetTunerProperty(settings, 0, &request);
        t->GetTunerProperty(settings, 0, &request);
    }
    d.Returned();
}

void NoBoard(emu::Board& board, host_driver::HostDriver& d) {
    Station(board, 175250000, TVB_STANDARD_PAL_B);
    board.host.SetPinInput(7, 1);
    d.Load();
    TVTunerSettings own{};
    own.Mode = 1;
    own.VideoStandard = TVB_STANDARD_NTSC_M;
    own.Frequency = 67250000;
    EverySlot(d, &own);
    d.Calling("CloseBoard without a record");
    d.Caps()->BoardOps->CloseBoard(nullptr, 0);
    d.Returned();
    d.Open();
    d.Close();
    EverySlot(d, &own);
    d.Unload();
}

// Every slot on its own, on an open board that InitializeSensor has set up,
// each call noted by its table and slot: what each one does in the normal
// case, for the slots the other scenarios call only in a batch or not at all.
void EverySlotOnItsOwn(emu::Board& board, host_driver::HostDriver& d) {
    Station(board, 175250000, TVB_STANDARD_PAL_B, emu::kStereoSound);
    board.host.SetPinInput(TVB_PIN_BYTE_VALID, 1); // the board's pin byte, 0x81
    board.host.SetPinInput(0, 1);
    Start(d);
    d.InitializeSensor(0);
    d.InitializeSensor(0); // a later call: the one-time set-up is done
    const TVB_BOARD_MODULE_CAPS* c = d.Caps();
    const auto each = [&d](const char* what, const auto& call) {
        d.Calling(what);
        call();
        d.Returned();
    };
    const TVB_VIDEO_OPS* v = c->VideoOps;
    each("VideoOps.Slot0", [v] { v->Slot0(1, 2); });
    each("VideoOps.Slot1", [v] { v->Slot1(1, 2); });
    each("VideoOps.Slot5", [v] { v->Slot5(1, 2); });
    each("VideoOps.Slot6",
         [v] { v->Slot6(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20); });
    each("VideoOps.Slot7", [v] { v->Slot7(1, 2); });
    each("VideoOps.Slot10", [v] { v->Slot10(1, 2, 3); });
    each("VideoOps.Slot11", [v] { v->Slot11(1, 2, 3); });
    const TVB_AUDIO_OPS* a = c->AudioOps;
    AudioInterfaceConfig config{};
    AudioFormat format{0, TVB_SAMPLE_RATE_48000, 1, 0x12345};
    each("AudioOps.Slot0", [a] { a->Slot0(1, 2); });
    each("AudioOps.GetAudioFormat", [&] { a->GetAudioFormat(0, 0, &config, &format); });
    d.SetSampleRate(TVB_SAMPLE_RATE_44100);
    d.SetSampleRate(TVB_SAMPLE_RATE_32000);
    each("AudioOps.Slot3", [a] { a->Slot3(1, 2); });
    const TVB_INPUT_OPS* in = c->InputOps;
    each("InputOps.Slot0", [in] { in->Slot0(1, 2); });
    each("InputOps.Slot2", [in] { in->Slot2(1, 2); });
    each("InputOps.Slot4", [in] { in->Slot4(1, 2, 3); });
    const TVB_TUNER_OPS* t = c->TunerOps;
    TunerModeCaps modeCaps{};
    each("TunerOps.GetTunerModeCaps TV",
         [&] { t->GetTunerModeCaps(0, 0, TVB_TUNER_MODE_TV, &modeCaps); });
    TVTunerSettings r = d.Request(TVB_REQUEST_MODE);
    r.Mode = TVB_TUNER_MODE_TV;
    d.SetTuner("Mode tv", r);
    r = d.Request(TVB_REQUEST_TUNER_INPUT);
    r.TunerInput = 1;
    d.SetTuner("TunerInput 1", r);
    d.SetTuner("request 7", d.Request(7));
    d.GetTuner("Frequency", TVB_REQUEST_FREQUENCY);
    d.GetTuner("TunerInput", TVB_REQUEST_TUNER_INPUT);
    d.GetTuner("request 7", 7);
    d.SetVideoProperty(TVB_PROPERTY_AUDIO_RESTART, 0);
    Finish(d);
}

const std::vector<Scenario> kScenarios = {
    {"session", "the whole host session", WholeSession},
    {"scan-lock-first", "a short scan, lock on the first poll", ScanLockFirst},
    {"scan-lock-late", "a short scan, lock after three polls", ScanLockLate},
    {"scan-lock-never", "a short scan, no lock ever", ScanLockNever},
    {"sound-modes", "every TV sound mode in every report layout", SoundModes},
    {"inputs", "input changes and the input slots", Inputs},
    {"picture", "picture controls at and beyond their ranges", PictureControls},
    {"dsp-late", "DSP status bits late", DspLate},
    {"dsp-never", "DSP status bits never", DspNever},
    {"above-band", "frequencies at and above the band table", AboveBand},
    {"standards", "every TV standard, SECAM L and L'", Standards},
    {"no-board", "every operation with no board open", NoBoard},
    {"slots", "every slot on its own, on an open board", EverySlotOnItsOwn},
};

} // namespace

const std::vector<Scenario>& Scenarios() {
    return kScenarios;
}

} // namespace bench
