#include "host_driver/virtual_time_link.h"

namespace host_driver {

namespace {

emu::WaitKind KindOf(vt::WaitKind kind) {
    switch (kind) {
    case vt::WaitKind::Sleep:
        return emu::WaitKind::Sleep;
    case vt::WaitKind::Delay:
        return emu::WaitKind::Delay;
    case vt::WaitKind::Stall:
        return emu::WaitKind::Stall;
    }
    return emu::WaitKind::Sleep;
}

// The services call these after the clock has moved on by the wait.
void OnWait(void* self, vt::WaitKind kind, uint64_t microseconds, uint64_t times) {
    static_cast<emu::HostTable*>(self)->Wait(KindOf(kind), microseconds, times);
}

// Before the host records anything, the run of equal waits the services may
// be holding back: it came first.
void FlushWaits(void* /*self*/) {
    vt::FlushWaits();
}

void OnPrint(void* self, const char* text) {
    static_cast<emu::HostTable*>(self)->Print(text);
}

} // namespace

VirtualTimeLink::VirtualTimeLink(emu::HostTable& host) : host_(host) {
    listener_ = vt::Listener{OnWait, OnPrint, &host_};
    vt::SetListener(&listener_);
    host_.SetClock(vt::NowUs, vt::PassUs);
    host_.SetBeforeEvent(FlushWaits, nullptr);
}

VirtualTimeLink::~VirtualTimeLink() {
    vt::SetListener(nullptr);
    host_.SetClock(nullptr);
    host_.SetBeforeEvent(nullptr, nullptr);
}

} // namespace host_driver
