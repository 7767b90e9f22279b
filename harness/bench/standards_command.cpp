#include "bench/standards_command.h"

#include "text/bit_names.h"
#include "text/fixed_field.h"
#include "text/format.h"

#include <vector>

namespace bench {

using text::FixedField;

int StandardsCommand(BoardRun& run, HostCalls& calls) {
    const Options& o = run.options;
    calls.Load();
    const std::vector<VideoStandardDescriptor> standards = run.driver.Standards();
    const VideoPropertyDefaults defaults = run.driver.PropertyDefaults();
    calls.Unload();
    calls.StandardsRead(standards);
    std::vector<VideoStandardDescriptor> shown;
    Json list = Json::array();
    for (const VideoStandardDescriptor& d : standards) {
        if (!o.standardGiven || (d.Standards & o.standard) != 0) {
            shown.push_back(d);
            list.push_back(
                {{"name", FixedField(d.Name)},
                 {"description", FixedField(d.Description)},
                 {"width", d.Width},
                 {"height", d.Height},
                 {"frame_rate", Decimal(d.FrameRate / 1001.0)},
                 {"standards", d.Standards},
                 {"standard_names", text::BitNames(d.Standards, host_driver::StandardName)}});
        }
    }
    run.Put({{"standards", list}, {"property_defaults", defaults.Value}}, [&](const Json&) {
        std::string lines;
        for (const VideoStandardDescriptor& d : shown) {
            lines +=
                text::Format("%-22s %3ux%u  %6.3f frames/s  standards 0x%05X  \"%s\"\n",
                             FixedField(d.Name).c_str(), d.Width, d.Height, d.FrameRate / 1001.0,
                             d.Standards, FixedField(d.Description).c_str());
        }
        if (shown.empty()) {
            lines += "no video standard descriptor covers " +
                     host_driver::StandardName(o.standard) + "\n";
        }
        lines += "property defaults:";
        for (uint32_t v : defaults.Value) {
            lines += " " + std::to_string(v);
        }
        return lines + "\n";
    });
    return shown.empty() ? 1 : 0;
}

} // namespace bench
