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
void OnWait(void* self, vt::WaitKind kind, uint64_t microseconds) {
    static_cast<emu::HostTable*>(self)->Wait(KindOf(kind), microseconds);
}

void OnPrint(void* self, const char* text) {
    static_cast<emu::HostTable*>(self)->Print(text);
}

} // namespace

VirtualTimeLink::VirtualTimeLink(emu::HostTable& host) : host_(host) {
    listener_ = vt::Listener{OnWait, OnPrint, &host_};
    vt::SetListener(&listener_);
    host_.SetClock(vt::NowUs);
}

VirtualTimeLink::~VirtualTimeLink() {
    vt::SetListener(nullptr);
    host_.SetClock(nullptr);
}

} // namespace host_driver
