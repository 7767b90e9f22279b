#include "emu/host_table.h"

#include "emu/i2c_transfers.h"
#include "include/tvboard.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace emu {

namespace {

HostTable* g_host; // the host the table's slots route to

std::string Complaint(const char* what, uint64_t got, uint64_t want) {
    char b[96];
    std::snprintf(b, sizeof b, "%s is 0x%llX, expected 0x%llX", what,
                  static_cast<unsigned long long>(got), static_cast<unsigned long long>(want));
    return b;
}

void Check(std::string& out, const char* what, uint64_t got, uint64_t want) {
    if (got != want) {
        out += (out.empty() ? "" : "; ") + Complaint(what, got, want);
    }
}

void CheckAtMost(std::string& out, const char* what, uint64_t got, uint64_t most) {
    if (got > most) {
        char b[96];
        std::snprintf(b, sizeof b, "%s is %llu, at most %llu", what,
                      static_cast<unsigned long long>(got), static_cast<unsigned long long>(most));
        out += (out.empty() ? "" : "; ") + std::string(b);
    }
}

uint32_t TVB_API SlotWriteReg16(TVB_HOST_HANDLE c, uint32_t d, uint32_t w, uint32_t r, uint32_t v,
                                uint32_t z) {
    return g_host->DoWriteReg16(c, d, w, r, v, z);
}
uint32_t TVB_API SlotReadReg16(TVB_HOST_HANDLE c, uint32_t d, uint32_t w, uint32_t r, uint8_t* v,
                               uint32_t z) {
    return g_host->DoReadReg16(c, d, w, r, v, z);
}
uint32_t TVB_API SlotBusWrite(TVB_HOST_HANDLE c, uint32_t d, uint32_t a, uint32_t b, uint32_t n,
                              const uint8_t* p, uint32_t f) {
    return g_host->DoBusWrite(c, d, a, b, n, p, f);
}
uint32_t TVB_API SlotBusRead(TVB_HOST_HANDLE c, uint32_t d, uint32_t a, uint32_t b, uint32_t n,
                             uint8_t* p, uint32_t f) {
    return g_host->DoBusRead(c, d, a, b, n, p, f);
}
uint32_t TVB_API SlotForbidden() {
    return g_host->DoForbidden();
}
uint32_t TVB_API SlotWritePins(TVB_HOST_HANDLE h, uint32_t n, const uint32_t* p, const uint32_t* v,
                               uint32_t z) {
    return g_host->DoWritePins(h, n, p, v, z);
}
uint32_t TVB_API SlotReadPins(TVB_HOST_HANDLE c, uint32_t n, const uint32_t* p, uint32_t* v,
                              uint32_t o) {
    return g_host->DoReadPins(c, n, p, v, o);
}

const TVB_HOST_OPS kTable = {SlotWriteReg16, SlotReadReg16, SlotBusWrite,  SlotBusRead,
                             SlotForbidden,  SlotForbidden, SlotWritePins, SlotReadPins};

} // namespace

HostTable::HostTable() {
    if (g_host != nullptr) {
        std::fprintf(stderr, "emu::HostTable: only one substitute host at a time\n");
        std::abort();
    }
    g_host = this;
    pinOutputs_.fill(255);
}

HostTable::~HostTable() {
    g_host = nullptr;
}

const TVB_HOST_OPS* HostTable::Ops() const {
    return &kTable;
}

void HostTable::Note(std::string_view text) {
    Event e = Begin(EventKind::Note);
    e.text = text;
    timeline_.Add(std::move(e));
}

void HostTable::Print(std::string_view text) {
    Event e = Begin(EventKind::Print);
    e.text = text;
    timeline_.Add(std::move(e));
}

void HostTable::Wait(WaitKind kind, uint64_t microseconds, uint64_t times) {
    const uint64_t waited = microseconds * times;
    ownUs_ += waited;
    Event e;
    e.kind = EventKind::Wait;
    e.wait = kind;
    e.waitUs = microseconds;
    e.times = times;
    const uint64_t now = Now();
    e.timeUs = now >= waited ? now - waited : 0;
    timeline_.Add(std::move(e));
}

uint64_t HostTable::Now() const {
    return clock_ != nullptr ? clock_() : ownUs_;
}

Event HostTable::Begin(EventKind kind) {
    if (kind != EventKind::Print && beforeEvent_ != nullptr) {
        beforeEvent_(beforeSelf_);
    }
    Event e;
    e.kind = kind;
    e.timeUs = Now();
    return e;
}

size_t HostTable::ConsumeProblems(const std::function<bool(const Problem&)>& match) {
    const size_t before = problems_.size();
    std::vector<Problem> kept;
    for (Problem& p : problems_) {
        if (!match(p)) {
            kept.push_back(std::move(p));
        }
    }
    problems_ = std::move(kept);
    return before - problems_.size();
}

size_t HostTable::ConsumeProblems(const std::string& text) {
    return ConsumeProblems(
        [&text](const Problem& p) { return p.text.find(text) != std::string::npos; });
}

void HostTable::Record(Event&& e, BusDevice* device) {
    // The bus's time, in whole microseconds on the clock; what is left of
    // one goes with the next call's, so that the stamps never run ahead of
    // the bus nor fall behind it by a microsecond or more.
    uint64_t busUs = 0;
    if (busHz_ != 0) {
        const I2cTransaction t = ToTransaction(e);
        if (!t.empty()) {
            const I2cTiming timing(busHz_);
            busNs_ += timing.Duration(t) + timing.BusFreeNs();
            busUs = busNs_ / 1000;
            busNs_ %= 1000;
        }
    }
    const size_t index = timeline_.Size();
    lastAcknowledged_ = e.acknowledged;
    if (!e.text.empty()) {
        problems_.push_back(Problem{index, e.text, false, {}});
    }
    if (device != nullptr && device->HasViolations()) {
        for (Violation& v : device->TakeViolations()) {
            e.text += (e.text.empty() ? "" : "; ") + v.text;
            problems_.push_back(Problem{index, v.text, true, v});
        }
    }
    timeline_.Add(std::move(e));
    if (clock_ == nullptr) {
        ownUs_ += busUs;
    } else if (advance_ != nullptr && busUs != 0) {
        advance_(busUs);
    }
}

BusDevice* HostTable::At(uint32_t address) {
    return address < devices_.size() ? devices_[address] : nullptr;
}

uint32_t HostTable::DoWriteReg16(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t bits, uint32_t reg,
                                 uint32_t value, uint32_t zero) {
    Event e = Begin(EventKind::RegWrite);
    e.device = device;
    e.reg = reg;
    e.bytes = {static_cast<uint8_t>(value)};
    Check(e.text, "handle", ctx, expectedHandle_);
    Check(e.text, "address width", bits, TVB_REG16_ADDRESS_BITS);
    Check(e.text, "register", reg, reg & 0xFFFFu);
    Check(e.text, "last argument", zero, TVB_HOST_ZERO_ARG);
    BusDevice* dev = At(device);
    e.acknowledged =
        dev != nullptr && dev->WriteReg16(static_cast<uint16_t>(reg), static_cast<uint8_t>(value));
    Record(std::move(e), dev);
    return 0;
}

uint32_t HostTable::DoReadReg16(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t bits, uint32_t reg,
                                uint8_t* value, uint32_t zero) {
    Event e = Begin(EventKind::RegRead);
    e.device = device;
    e.reg = reg;
    Check(e.text, "handle", ctx, expectedHandle_);
    Check(e.text, "address width", bits, TVB_REG16_ADDRESS_BITS);
    Check(e.text, "register", reg, reg & 0xFFFFu);
    Check(e.text, "last argument", zero, TVB_HOST_ZERO_ARG);
    BusDevice* dev = At(device);
    uint8_t byte = 0;
    e.acknowledged = dev != nullptr && dev->ReadReg16(static_cast<uint16_t>(reg), &byte);
    if (e.acknowledged) {
        *value = byte; // a failed read leaves the caller's byte alone
        e.bytes = {byte};
    }
    Record(std::move(e), dev);
    return 0;
}

uint32_t HostTable::DoBusWrite(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t a, uint32_t b,
                               uint32_t count, const uint8_t* bytes, uint32_t flags) {
    Event e = Begin(EventKind::BusWrite);
    e.device = device;
    e.bytes.assign(bytes, bytes + count);
    Check(e.text, "handle", ctx, expectedHandle_);
    Check(e.text, "third argument", a, TVB_BUS_WRITE_MODE);
    Check(e.text, "fourth argument", b, TVB_HOST_ZERO_ARG);
    Check(e.text, "flags", flags, TVB_BUS_TRANSFER_FLAGS);
    CheckAtMost(e.text, "byte count", count, TVB_BUS_WRITE_MAX_BYTES);
    BusDevice* dev = At(device);
    e.acknowledged = dev != nullptr && dev->Write(bytes, count);
    Record(std::move(e), dev);
    return 0;
}

uint32_t HostTable::DoBusRead(TVB_HOST_HANDLE ctx, uint32_t device, uint32_t a, uint32_t b,
                              uint32_t count, uint8_t* buffer, uint32_t flags) {
    Event e = Begin(EventKind::BusRead);
    e.device = device;
    Check(e.text, "handle", ctx, expectedHandle_);
    Check(e.text, "third argument", a, TVB_BUS_READ_MODE);
    Check(e.text, "fourth argument", b, TVB_HOST_ZERO_ARG);
    Check(e.text, "flags", flags, TVB_BUS_TRANSFER_FLAGS);
    CheckAtMost(e.text, "byte count", count, TVB_BUS_READ_MAX_BYTES);
    BusDevice* dev = At(device);
    // A read of the usual length is taken on the stack (one is made for
    // every status poll); a longer one, which the checks above report, too.
    uint8_t onStack[16];
    std::vector<uint8_t> longer(count > sizeof onStack ? count : 0);
    uint8_t* got = longer.empty() ? onStack : longer.data();
    e.acknowledged = dev != nullptr && dev->Read(got, count);
    if (e.acknowledged) {
        std::copy(got, got + count, buffer);
        e.bytes.assign(got, got + count);
    }
    Record(std::move(e), dev);
    return 0;
}

bool HostTable::QuickWrite(uint32_t address) {
    Event e = Begin(EventKind::BusWrite);
    e.device = address;
    const BusDevice* dev = At(address);
    e.acknowledged = dev != nullptr && dev->AnswersAddress();
    Record(std::move(e), nullptr);
    return lastAcknowledged_;
}

uint32_t HostTable::DoForbidden() {
    ++forbidden_;
    problems_.push_back(Problem{
        timeline_.Size(), "host slot 4 or 5 called, which the module must never call", false, {}});
    timeline_.Add(Begin(EventKind::Forbidden));
    return 0;
}

uint32_t HostTable::DoWritePins(TVB_HOST_HANDLE handle, uint32_t count, const uint32_t* pins,
                                const uint32_t* values, uint32_t zero) {
    Event e = Begin(EventKind::WritePins);
    e.pins.assign(pins, pins + count);
    e.values.assign(values, values + count);
    if (handle != expectedHandle_) {
        char b[48];
        std::snprintf(b, sizeof b, "handle 0x%llX", static_cast<unsigned long long>(handle));
        e.text = b;
    }
    Check(e.text, "last argument", zero, TVB_HOST_ZERO_ARG);
    for (uint32_t i = 0; i < count; ++i) {
        if (pins[i] < pinOutputs_.size()) {
            pinOutputs_[pins[i]] = values[i];
        } else {
            Check(e.text, "pin number", pins[i], TVB_PIN_COUNT - 1);
        }
    }
    Record(std::move(e), nullptr);
    return 0;
}

uint32_t HostTable::DoReadPins(TVB_HOST_HANDLE ctx, uint32_t count, const uint32_t* pins,
                               uint32_t* values, uint32_t one) {
    Event e = Begin(EventKind::ReadPins);
    Check(e.text, "handle", ctx, expectedHandle_);
    Check(e.text, "last argument", one, TVB_READ_PINS_MODE);
    e.pins.assign(pins, pins + count);
    for (uint32_t i = 0; i < count; ++i) {
        values[i] = pins[i] < pinInputs_.size() ? pinInputs_[pins[i]] : 0;
        e.values.push_back(values[i]);
    }
    Record(std::move(e), nullptr);
    return 0;
}

} // namespace emu
