#include "bench/get_command.h"

#include "bench/bus_access.h"
#include "text/hex.h"

namespace bench {

int GetCommand(BoardRun& run, HostCalls& /*calls*/) {
    const Options& o = run.options;
    const BoardDevice& d = *o.device;
    BusAccess bus(run.host);
    uint8_t value = 0;
    std::string why;
    const bool read = bus.Read(d, o.reg, &value, &why);
    run.Flush();
    Json members = {{"device", d.name}, {"bus_address", d.busAddress}, {"register", o.reg}};
    const std::string name = RegisterName(d, o.reg);
    if (!name.empty()) {
        members["name"] = name;
    }
    if (!read) {
        members["error"] = why;
        run.Put(members, [&](const Json&) { return why + "\n"; });
        return 1;
    }
    members["value"] = value;
    run.Put(members, [&](const Json&) { return text::Hex(value, 2) + "\n"; });
    return 0;
}

} // namespace bench
