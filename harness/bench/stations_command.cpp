#include "bench/stations_command.h"

#include "bench/values.h"
#include "text/format.h"

#include <vector>

namespace bench {

int StationsCommand(BoardRun& run, HostCalls& /*calls*/) {
    const Options& o = run.options;
    std::vector<AntennaStation> shown;
    Json list = Json::array();
    for (const AntennaStation& a : run.lineup) {
        const emu::Station& s = a.station;
        if (!o.standardGiven || s.standard == o.standard) {
            shown.push_back(a);
            list.push_back({{"frequency_hz", s.frequencyHz},
                            {"nominal_hz", a.NominalHz()},
                            {"offset_hz", a.offsetHz},
                            {"standard", host_driver::StandardName(s.standard)},
                            {"sound", SoundKeyword(s.sound)},
                            {"strength", s.strength}});
        }
    }
    run.Put({{"stations", list}}, [&](const Json&) {
        std::string lines;
        for (const AntennaStation& a : shown) {
            const emu::Station& s = a.station;
            lines +=
                text::Format("%12s  %-9s  strength %3u  sound %s", MHzText(s.frequencyHz).c_str(),
                             host_driver::StandardName(s.standard).c_str(), s.strength,
                             SoundName(s.sound).c_str()) +
                (a.offsetHz == 0 ? ""
                                 : text::Format("  (%s %+.1f kHz)", MHzText(a.NominalHz()).c_str(),
                                                static_cast<double>(a.offsetHz) / 1e3)) +
                "\n";
        }
        return shown.empty()
                   ? "no " + host_driver::StandardName(o.standard) + " stations on the antenna\n"
                   : lines;
    });
    return 0;
}

} // namespace bench
