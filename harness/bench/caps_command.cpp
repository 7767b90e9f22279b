#include "bench/caps_command.h"

#include "bench/caps_report.h"
#include "bench/values.h"
#include "text/format.h"

namespace bench {

using text::Format;

int CapsCommand(BoardRun& run, HostCalls& calls) {
    calls.Load();
    const CapsReport r = ReadCaps(*run.driver.Caps());
    calls.Unload();
    run.Flush();
    if (!r.unusable.empty()) {
        throw UsageError(r.unusable);
    }
    for (const TunerModeInfo& m : r.tunerModes) {
        run.claims.TunerMode(m.mode, m.limits);
    }
    run.claims.AudioFormatRead(r.audioFormat, r.audioConfig);
    Json tables = Json::array();
    for (const TableInfo& t : r.tables) {
        Json slots = Json::array();
        for (size_t i = 0; i < t.slots.size(); ++i) {
            const SlotInfo& s = t.slots[i];
            slots.push_back({{"slot", i}, {"name", s.name}, {"args", s.args}, {"stub", s.stub}});
            if (s.stub) {
                slots.back()["returns"] = s.returns;
            }
        }
        tables.push_back({{"name", t.name}, {"slots", std::move(slots)}});
    }
    Json modes = Json::array();
    for (const TunerModeInfo& m : r.tunerModes) {
        modes.push_back({{"mode", m.mode},
                         {"name", m.name},
                         {"min_hz", m.limits.MinFrequency},
                         {"max_hz", m.limits.MaxFrequency},
                         {"granularity_hz", m.limits.TuningGranularity},
                         {"inputs", m.limits.NumberOfInputs},
                         {"settling_ms", m.limits.SettlingTime}});
    }
    const Json members = {
        {"record",
         {{"size", r.size}, {"word4", r.word4}, {"word8", r.word8}, {"word12", r.word12}}},
        {"tables", tables},
        {"tuner_modes", modes},
        {"audio_format",
         {{"sample_rate", r.audioFormat.SampleRate},
          {"format_mode", r.audioFormat.FormatMode},
          {"format_word", r.audioFormat.FormatWord},
          {"interface_words", r.audioConfig.Word}}}};
    run.Put(members, [&r](const Json&) {
        std::string lines = Format("capability record: %u bytes, words 0x%X 0x%X 0x%X\n", r.size,
                                   r.word4, r.word8, r.word12);
        for (const TableInfo& t : r.tables) {
            lines += Format("%s (%zu slots)\n", t.name.c_str(), t.slots.size());
            for (size_t i = 0; i < t.slots.size(); ++i) {
                const SlotInfo& s = t.slots[i];
                lines += Format("  %2zu  %-25s %2zu args", i, s.name.c_str(), s.args) +
                         (s.stub ? Format("  returns %u (0x%X)", s.returns, s.returns) : "") + "\n";
            }
        }
        for (const TunerModeInfo& m : r.tunerModes) {
            const TunerModeCaps& l = m.limits;
            lines += Format("tuner mode %u (%s): %s .. %s in steps of %u Hz, %u input%s, settling "
                            "%u ms\n",
                            m.mode, m.name.c_str(), MHzText(l.MinFrequency).c_str(),
                            MHzText(l.MaxFrequency).c_str(), l.TuningGranularity, l.NumberOfInputs,
                            l.NumberOfInputs == 1 ? "" : "s", l.SettlingTime);
        }
        lines += Format(
            "audio format: %u Hz, mode %u, word 0x%X; interface words:", r.audioFormat.SampleRate,
            r.audioFormat.FormatMode, r.audioFormat.FormatWord);
        for (size_t i = 0; i < 33; ++i) {
            lines +=
                r.audioConfig.Word[i] != 0 ? Format(" [%zu]=0x%X", i, r.audioConfig.Word[i]) : "";
        }
        return lines + "\n";
    });
    return 0;
}

} // namespace bench
