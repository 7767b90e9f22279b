#include "perf/replay_host.h"

namespace replay {

namespace {

struct Call {
    emu::EventKind kind;
    uint32_t device;
    uint32_t reg;
    bool acknowledged;
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> pins;
    std::vector<uint32_t> values;
};

std::vector<Call> g_calls;
size_t g_next;
size_t g_mismatches;

const Call& Expect(emu::EventKind kind, uint32_t device, uint32_t reg) {
    static const Call kNone{emu::EventKind::Note, 0, 0, false, {}, {}, {}};
    if (g_next >= g_calls.size()) {
        ++g_mismatches;
        return kNone;
    }
    const Call& c = g_calls[g_next++];
    if (c.kind != kind || c.device != device || c.reg != reg) {
        ++g_mismatches;
    }
    return c;
}

uint32_t TVB_API WriteReg16(TVB_HOST_HANDLE, uint32_t device, uint32_t, uint32_t reg, uint32_t,
                            uint32_t) {
    Expect(emu::EventKind::RegWrite, device, reg);
    return 0;
}

uint32_t TVB_API ReadReg16(TVB_HOST_HANDLE, uint32_t device, uint32_t, uint32_t reg, uint8_t* value,
                           uint32_t) {
    const Call& c = Expect(emu::EventKind::RegRead, device, reg);
    if (c.acknowledged && !c.bytes.empty()) {
        *value = c.bytes[0];
    }
    return 0;
}

uint32_t TVB_API BusWrite(TVB_HOST_HANDLE, uint32_t device, uint32_t, uint32_t, uint32_t,
                          const uint8_t*, uint32_t) {
    Expect(emu::EventKind::BusWrite, device, 0);
    return 0;
}

uint32_t TVB_API BusRead(TVB_HOST_HANDLE, uint32_t device, uint32_t, uint32_t, uint32_t count,
                         uint8_t* buffer, uint32_t) {
    const Call& c = Expect(emu::EventKind::BusRead, device, 0);
    if (c.acknowledged) {
        for (uint32_t i = 0; i < count && i < c.bytes.size(); ++i) {
            buffer[i] = c.bytes[i];
        }
    }
    return 0;
}

uint32_t TVB_API Forbidden() {
    Expect(emu::EventKind::Forbidden, 0, 0);
    return 0;
}

uint32_t TVB_API WritePins(TVB_HOST_HANDLE, uint32_t, const uint32_t*, const uint32_t*, uint32_t) {
    Expect(emu::EventKind::WritePins, 0, 0);
    return 0;
}

uint32_t TVB_API ReadPins(TVB_HOST_HANDLE, uint32_t count, const uint32_t*, uint32_t* values,
                          uint32_t) {
    const Call& c = Expect(emu::EventKind::ReadPins, 0, 0);
    for (uint32_t i = 0; i < count && i < c.values.size(); ++i) {
        values[i] = c.values[i];
    }
    return 0;
}

const TVB_HOST_OPS kTable = {WriteReg16, ReadReg16, BusWrite,  BusRead,
                             Forbidden,  Forbidden, WritePins, ReadPins};

bool IsHostCall(emu::EventKind k) {
    return k != emu::EventKind::Wait && k != emu::EventKind::Print && k != emu::EventKind::Note;
}

} // namespace

void Load(const std::vector<emu::Event>& events) {
    g_calls.clear();
    for (const emu::Event& e : events) {
        if (!IsHostCall(e.kind)) {
            continue;
        }
        const bool bus = e.kind == emu::EventKind::BusWrite || e.kind == emu::EventKind::BusRead;
        const bool reg = e.kind == emu::EventKind::RegWrite || e.kind == emu::EventKind::RegRead;
        g_calls.push_back(Call{e.kind, bus || reg ? e.device : 0, reg ? e.reg : 0, e.acknowledged,
                               e.bytes, e.pins, e.values});
    }
    Rewind();
}

void Rewind() {
    g_next = 0;
    g_mismatches = 0;
}

size_t Calls() {
    return g_calls.size();
}

size_t Made() {
    return g_next;
}

size_t Mismatches() {
    return g_mismatches;
}

const TVB_HOST_OPS* Ops() {
    return &kTable;
}

} // namespace replay
