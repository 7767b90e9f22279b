#include "bench/board_registers_cases.h"

#include "emu/board.h"
#include "emu/host_table.h"
#include "host_driver/host_driver.h"
#include "include/tvboard.h"
#include "regmap/decoder_map.h"
#include "regmap/if_demod_map.h"

#include <functional>

namespace board_doc {
namespace {

namespace dec = regmap::decoder;
namespace ifd = regmap::if_demod;
using emu::Event;
using emu::EventKind;

// --- Runs of the module on boards set up for one case ---------------------

// The module loaded afresh on a board of its own, and opened.
struct Run {
    emu::HostTable host;
    emu::Board board{host};
    host_driver::HostDriver driver{&host};

    Run() {
        driver.SetNotes(host_driver::Notes::Off);
        driver.Load();
        driver.Open();
    }
    // What a call did: its waits, its status polls and its events.
    struct Cost {
        uint64_t waitUs = 0;
        unsigned waits = 0;
        unsigned polls = 0;
        unsigned dspReads = 0;
        unsigned demodStatusReads = 0;
    };
    Cost Measure(const std::function<void()>& call) {
        const size_t from = host.Trace().Size();
        call();
        Cost c;
        uint32_t demodPointer = 0;
        for (size_t i = from; i < host.Trace().Size(); ++i) {
            const Event& e = *host.Trace().At(i);
            c.waitUs += e.kind == EventKind::Wait ? e.waitUs : 0;
            c.waits += e.kind == EventKind::Wait ? 1 : 0;
            c.polls += e.kind == EventKind::RegRead && e.reg == dec::kDspStatus ? 1 : 0;
            c.dspReads += e.kind == EventKind::RegRead && dec::InDspWindow(e.reg) ? 1 : 0;
            if (e.kind == EventKind::BusWrite && e.device == TVB_IF_DEMOD_ADDRESS &&
                !e.bytes.empty()) {
                demodPointer = e.bytes[0];
            }
            c.demodStatusReads += e.kind == EventKind::BusRead &&
                                          e.device == TVB_IF_DEMOD_ADDRESS &&
                                          demodPointer == ifd::kStatus
                                      ? 1
                                      : 0;
        }
        return c;
    }
};

// The first DSP access of `kind` from event `from` on, with the polls
// around it, as the bench's timeline shows them, indented as code.
Lines FirstDspAccess(const emu::Timeline& t, size_t from, EventKind kind) {
    for (size_t i = from; i < t.Size(); ++i) {
        const Event& e = *t.At(i);
        if (e.kind != kind || !dec::InDspWindow(e.reg)) {
            continue;
        }
        // The ready poll before it; for a read, on to its read-done poll.
        const size_t first = i > from ? i - 1 : i;
        const size_t last = kind == EventKind::RegRead ? i + 3 : i;
        Lines lines;
        for (size_t k = first; k <= last && k < t.Size(); ++k) {
            lines.push_back("    " + emu::Timeline::Line(*t.At(k)));
        }
        return lines;
    }
    return {};
}

void PutHandshake(Facts& facts) {
    {
        Run r;
        r.driver.SetTvStandard(TVB_STANDARD_PAL_B);
        r.board.decoder.SetBroadcastSound(emu::kStereoSound);
        const size_t from = r.host.Trace().Size();
        r.driver.SetAudioMode(TVB_AUDIO_MODE_STEREO);
        Put(facts, "dsp_read", FirstDspAccess(r.host.Trace(), from, EventKind::RegRead));
        Put(facts, "dsp_write", FirstDspAccess(r.host.Trace(), from, EventKind::RegWrite));
    }
    const struct {
        const char* what;
        void (emu::Decoder::*set)(unsigned polls);
    } limits[] = {
        {"bit 0 never comes", &emu::Decoder::SetReadyPolls},
        {"bit 1 never comes", &emu::Decoder::SetDataReadyPolls},
        {"bit 2 never comes", &emu::Decoder::SetReadDonePolls},
    };
    Lines rows;
    for (const auto& c : limits) {
        Run r;
        (r.board.decoder.*c.set)(emu::Decoder::kNever);
        const Run::Cost cost = r.Measure([&r] { r.driver.AvailableAudioModes(); });
        rows.push_back(Row(
            {c.what, std::to_string(cost.polls), std::to_string(cost.dspReads), Ms(cost.waitUs)}));
    }
    Put(facts, "dsp_limits", rows);

    const struct {
        const char* what;
        int status; // what every poll shows; -1: the DSP answers as it should
    } answers[] = {{"answers at once", -1},
                   {"0x580 always reads 00 (a register file)", 0x00},
                   {"0x580 always reads 01", 0x01},
                   {"0x580 always reads 03", 0x03},
                   {"0x580 always reads 07", 0x07}};
    // The first InitializeSensor; the others after the one-time set-up.
    const std::function<void(host_driver::HostDriver&)> calls[] = {
        [](host_driver::HostDriver& d) { d.InitializeSensor(TVB_VIDEO_INPUT_TUNER); },
        [](host_driver::HostDriver& d) {
            d.Caps()->InputOps->InputSelect(0, 0, TVB_VIDEO_INPUT_COMPOSITE);
        },
        [](host_driver::HostDriver& d) { d.AvailableAudioModes(); },
        [](host_driver::HostDriver& d) { d.SetAudioMode(TVB_AUDIO_MODE_STEREO); },
    };
    rows.clear();
    for (const auto& a : answers) {
        std::string row = std::string("| ") + a.what;
        for (const auto& call : calls) {
            Run r;
            if (&call != &calls[0]) {
                r.driver.SetTvStandard(TVB_STANDARD_PAL_B);
            }
            r.board.decoder.SetBroadcastSound(emu::kStereoSound);
            if (a.status >= 0) {
                const auto shown = static_cast<uint8_t>(a.status);
                r.board.decoder.SetStatusFilter([shown](uint8_t, unsigned) { return shown; });
            }
            row += " | " + Ms(r.Measure([&] { call(r.driver); }).waitUs);
        }
        rows.push_back(row + " |");
    }
    Put(facts, "dsp_costs", rows);
}

void PutSound(Facts& facts) {
    std::string codes;
    for (uint32_t code = 0; code < (1u << dec::kSoundStatusCode.width); ++code) {
        if (dec::ReportsInFlagRegisters(code)) {
            codes += (codes.empty() ? "" : ", ") + std::to_string(code);
        }
    }
    facts["flag_codes"] = codes;
    constexpr uint32_t kLayout = 1u << dec::kStatusBitLayout;
    constexpr uint32_t kValid = 1u << dec::kStatusBitValid;
    constexpr uint32_t kStereo = 1u << dec::kStatusBitStereo;
    constexpr uint32_t kLanguages = 1u << dec::kStatusBitLanguages;
    constexpr uint32_t kStereo11 = 1u << dec::kStatusBitStereo11;
    constexpr uint32_t kLanguages11 = 1u << dec::kStatusBitLanguages11;
    constexpr uint32_t kThird = 1u << dec::kStatusBitThirdLanguage;
    const struct {
        const char* what;
        uint32_t word;
        uint8_t stereoFlag;
        uint8_t twoLanguageFlag;
    } words[] = {
        {"code 0, bit 11 clear, bit 7 clear", 0, 0, 0},
        {"code 0, bits 7 and 9", kValid | kStereo, 0, 0},
        {"code 0, bits 7 and 8", kValid | kLanguages, 0, 0},
        {"code 0, bits 7, 8 and 9", kValid | kLanguages | kStereo, 0, 0},
        {"code 0, bit 9 without bit 7", kStereo, 0, 0},
        {"code 0, bits 11 and 5", kLayout | kStereo11, 0, 0},
        {"code 0, bits 11 and 6", kLayout | kLanguages11, 0, 0},
        {"code 0, bits 11, 5 and 6", kLayout | kStereo11 | kLanguages11, 0, 0},
        {"code 0, bit 12", kThird, 0, 0},
        {"code 9, stereo flag", 9, 1, 0},
        {"code 9, two-language flag", 9, 0, 1},
        {"code 9, both flags, bit 12", 9 | kThird, 1, 1},
        {"code 9, bits 7 and 9 but no flag", 9 | kValid | kStereo, 0, 0},
    };
    Lines rows;
    for (const auto& c : words) {
        Run r;
        r.board.decoder.SetDword(dec::kSoundStatus, c.word);
        r.board.decoder.SetField(dec::kStereoFlagBit, c.stereoFlag);
        r.board.decoder.SetField(dec::kTwoLanguageFlagBit, c.twoLanguageFlag);
        uint32_t modes = 0;
        const Run::Cost cost = r.Measure([&] { modes = r.driver.AvailableAudioModes(); });
        rows.push_back(Row(
            {c.what, Digits(c.word, 8), Digits(r.board.decoder.Dword(dec::kStereoFlag) & 0xFFu, 2),
             Digits(r.board.decoder.Dword(dec::kTwoLanguageFlag) & 0xFFu, 2),
             host_driver::AudioModeNames(modes), std::to_string(cost.dspReads / 8)}));
    }
    Put(facts, "sound_status_words", rows);

    // A status code that reports in the flag registers: the one layout
    // that carries stereo and two languages at once.
    uint8_t flagCode = 0;
    while (!dec::ReportsInFlagRegisters(flagCode)) {
        ++flagCode;
    }
    const uint32_t modes[] = {TVB_AUDIO_MODE_MONO,
                              TVB_AUDIO_MODE_STEREO,
                              TVB_AUDIO_MODE_LANG_A,
                              TVB_AUDIO_MODE_LANG_B,
                              TVB_AUDIO_MODE_LANG_C,
                              TVB_AUDIO_MODE_LANG_A | TVB_AUDIO_MODE_STEREO,
                              TVB_AUDIO_MODE_LANG_B | TVB_AUDIO_MODE_STEREO,
                              TVB_AUDIO_MODE_LANG_C | TVB_AUDIO_MODE_MONO,
                              TVB_AUDIO_MODE_LANG_A | TVB_AUDIO_MODE_LANG_B};
    rows.clear();
    for (uint32_t input : {TVB_VIDEO_INPUT_TUNER, TVB_VIDEO_INPUT_COMPOSITE}) {
        for (uint32_t mode : modes) {
            if (input != TVB_VIDEO_INPUT_TUNER && mode != TVB_AUDIO_MODE_STEREO) {
                continue;
            }
            Run r;
            r.driver.SetTvStandard(TVB_STANDARD_PAL_B); // the one-time set-up
            r.driver.Caps()->InputOps->InputSelect(0, 0, input);
            r.board.decoder.SetSoundReport(flagCode, false);
            r.board.decoder.SetBroadcastSound(emu::Sound{true, true, true});
            const bool applied = r.driver.SetAudioMode(mode);
            rows.push_back(
                Row({host_driver::AudioModeNames(mode), std::to_string(input),
                     applied ? std::to_string(r.board.decoder.Field(dec::kSoundSource)) : "refused",
                     applied ? std::to_string(r.board.decoder.Field(dec::kSoundChannel)) : ""}));
        }
    }
    Put(facts, "sound_select_modes", rows);
}

// What a status request answers for a status byte; PllOffset "not
// written" when the host's value was left alone.
constexpr int32_t kUntouched = 0x5A5A;
struct StatusAnswer {
    uint32_t busy;
    int32_t step;
    uint32_t signal;
    bool operator!=(const StatusAnswer& o) const {
        return busy != o.busy || step != o.step || signal != o.signal;
    }
    std::string Text() const {
        const std::string offset = step == kUntouched ? "not written"
                                   : step > 0         ? "+" + std::to_string(step)
                                                      : std::to_string(step);
        return std::to_string(busy) + " | " + offset + " | " + std::to_string(signal);
    }
};

StatusAnswer Ask(uint8_t status) {
    Run r;
    r.board.demod.ForceStatus(status);
    r.driver.Settings()->PllOffset = kUntouched;
    const TVTunerSettings s = r.driver.Status();
    return StatusAnswer{s.Busy, s.PllOffset, s.SignalStrength};
}

// False when a status byte without lock is answered unlike another.
bool PutLockAndSettling(Facts& facts, std::string* error) {
    const auto afc = [](uint32_t x) {
        return std::to_string(x < 64 ? static_cast<int>(x) : static_cast<int>(x) - 128);
    };
    Lines rows;
    uint32_t from = 0;
    StatusAnswer first = Ask(ifd::kLockBit);
    for (uint32_t v = 1; v <= ifd::kAfcMask + 1u; ++v) {
        const bool end = v > ifd::kAfcMask;
        const StatusAnswer a = end ? first : Ask(static_cast<uint8_t>(ifd::kLockBit | v));
        if (end || a != first) {
            rows.push_back(
                Row({Digits(ifd::kLockBit | from, 2) + ".." + Digits(ifd::kLockBit | (v - 1), 2),
                     afc(from) + ".." + afc(v - 1), first.Text()}));
            from = v;
            first = a;
        }
    }
    const StatusAnswer unlocked = Ask(0x00);
    for (uint32_t v = 1; v <= ifd::kAfcMask; ++v) {
        if (Ask(static_cast<uint8_t>(v)) != unlocked) {
            *error = "without lock, status " + Digits(v, 2) + " is answered unlike 00";
            return false;
        }
    }
    rows.push_back("| 00.." + Digits(ifd::kAfcMask, 2) + " | (no lock) | " + unlocked.Text() +
                   " |");
    Put(facts, "lock_and_afc", rows);
    {
        Run r;
        r.board.demod.LockNever();
        const Run::Cost never = r.Measure([&r] { r.driver.Status(); });
        facts["no_lock_waits"] = std::to_string(never.waits);
        facts["no_lock_wait"] = Ms(never.waitUs);
        facts["no_lock_status_reads"] = std::to_string(never.demodStatusReads);
    }

    const struct {
        const char* what;
        std::function<void(emu::Board&)> set;
    } boards[] = {
        {"a station on the frequency: settled at once",
         [](emu::Board& b) {
             b.antenna.Add({175250000, TVB_STANDARD_NTSC_M, emu::kMonoSound, 200});
         }},
        {"nothing received, counter below the limit", [](emu::Board&) {}},
        {"nothing received, counter at the limit",
         [](emu::Board& b) { b.demod.Reg(ifd::kCounter) = ifd::kCounterLimit; }},
    };
    rows.clear();
    for (const auto& c : boards) {
        Run r;
        c.set(r.board);
        rows.push_back(Row({c.what, Ms(r.Measure([&r] { r.driver.Tune(175250000); }).waitUs)}));
    }
    Put(facts, "settling", rows);
    return true;
}

} // namespace

bool PutBoardCases(Facts& facts, std::string* error) {
    PutHandshake(facts);
    PutSound(facts);
    return PutLockAndSettling(facts, error);
}

} // namespace board_doc
