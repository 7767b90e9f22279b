#include "bench/caps_report.h"

#include "host_driver/host_driver.h"
#include "host_driver/isolation.h"
#include "host_driver/slots.h"
#include "include/tvboard.h"

#include <utility>

namespace bench {

CapsReport ReadCaps(const TVB_BOARD_MODULE_CAPS& c) {
    CapsReport r;
    r.size = c.Size;
    r.word4 = c.Word4;
    r.word8 = c.Word8;
    r.word12 = c.Word12;

    // A stub's constant is what the module's stub returns, asked with zeros.
    const TVB_ARG zeros[host_driver::kMostArguments] = {};
    for (const host_driver::Table& t : host_driver::kTables) {
        TableInfo table{t.name, {}};
        for (size_t i = 0; i < t.count; ++i) {
            const host_driver::Slot& s = t.slots[i];
            if (s.stub) {
                host_driver::EnteringCall(std::string(t.name) + " slot " + std::to_string(i));
            }
            table.slots.push_back(
                s.stub ? SlotInfo{"stub", s.args, true, static_cast<uint32_t>(s.call(c, zeros))}
                       : SlotInfo{s.name, s.args, false, 0});
            if (s.stub) {
                host_driver::CallReturned();
            }
        }
        r.tables.push_back(std::move(table));
    }

    for (const TunerModeInfo& m : {TunerModeInfo{TVB_TUNER_MODE_TV, "tv", {}},
                                   TunerModeInfo{TVB_TUNER_MODE_FM_RADIO, "fm-radio", {}}}) {
        TunerModeInfo info = m;
        host_driver::EnteringCall("GetTunerModeCaps " + m.name);
        c.TunerOps->GetTunerModeCaps(0, 0, m.mode, &info.limits);
        host_driver::CallReturned();
        const std::string wrong = host_driver::WrongInTunerCaps(info.limits);
        if (!wrong.empty() && r.unusable.empty()) {
            r.unusable = "the module's tuner caps of mode " + m.name + " cannot be used: " + wrong;
        }
        r.tunerModes.push_back(info);
    }
    host_driver::EnteringCall("GetAudioFormat");
    c.AudioOps->GetAudioFormat(0, 0, &r.audioConfig, &r.audioFormat);
    host_driver::CallReturned();
    return r;
}

} // namespace bench
