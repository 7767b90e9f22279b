#include "bench/set_command.h"

#include "bench/bus_access.h"
#include "regmap/if_demod_map.h"
#include "text/hex.h"

namespace bench {

namespace {

namespace ifd = regmap::if_demod;
using text::Hex;

} // namespace

int SetCommand(BoardRun& run, HostCalls& /*calls*/) {
    const Options& o = run.options;
    const BoardDevice& d = *o.device;
    BusAccess bus(run.host);
    std::string why;
    Json members = {{"device", d.name}, {"bus_address", d.busAddress}, {"register", o.reg}};
    const std::string name = RegisterName(d, o.reg);
    if (!name.empty()) {
        members["name"] = name;
    }
    members["written"] = o.value;
    std::string line = std::string(d.title) + " " + RegisterLabel(d, o.reg) +
                       (name.empty() ? "" : " (" + name + ")") + ": ";
    // The synthesizer is on the bus only through the demodulator's gate.
    uint8_t gate = 0;
    bool opened = false;
    bool ok = true;
    if (&d == &Synthesizer()) {
        ok = bus.Read(Demodulator(), ifd::kGate, &gate, &why);
        opened = ok && (gate & ifd::kGateConnect) == 0;
        ok = ok && (!opened || bus.Write(Demodulator(), ifd::kGate, ifd::kGateOpen, &why));
    }
    ok = ok && bus.Write(d, o.reg, o.value, &why);
    if (opened && !bus.Write(Demodulator(), ifd::kGate, gate, &why)) {
        ok = false;
    }
    members["acknowledged"] = ok;
    if (opened) {
        members["gate"] = {{"was", gate}, {"opened", ifd::kGateOpen}};
    }
    int rc = 0;
    if (!ok) {
        members["error"] = why;
        line += "not written: " + why;
        rc = 1;
    } else if (!d.readable) {
        line += "wrote " + Hex(o.value, 2) + ", not read back (write-only)";
    } else {
        uint8_t back = 0;
        if (!bus.Read(d, o.reg, &back, &why)) {
            members["error"] = why;
            line += "wrote " + Hex(o.value, 2) + ", but the read back failed: " + why;
            rc = 1;
        } else {
            members["read_back"] = back;
            line += "wrote " + Hex(o.value, 2) + ", read back " + Hex(back, 2);
            if (back != o.value) {
                line += ": the register does not hold what was written";
                rc = 1;
            }
        }
    }
    if (opened) {
        line += "; the IF demodulator's gate (" + Hex(ifd::kGate, 2) + ") opened for it (" +
                Hex(ifd::kGateOpen, 2) + ") and set back to " + Hex(gate, 2);
    }
    run.Flush();
    run.Put(members, [&](const Json&) { return line + "\n"; });
    return rc;
}

} // namespace bench
