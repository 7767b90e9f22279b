#include "host_driver/virtual_time_link.h"

namespace emu {

namespace {

WaitKind KindOf(vt::WaitKind kind) {
    switch (kind) {
    case vt::WaitKind::Sleep:
        return WaitKind::Sleep;
    case vt::WaitKind::Delay:
        return WaitKind::Delay;
    case vt::WaitKind::Stall:
        return WaitKind::Stall;
    }
    return WaitKind::Sleep;
}

// The services call these after the clock has moved on by the wait.
void OnWait(void* self, vt::WaitKind kind, uint64_t microseconds) {
    static_cast<Host*>(self)->Wait(KindOf(kind), microseconds);
}

void OnPrint(void* self, const char* text) {
    static_cast<Host*>(self)->Print(text);
}

} // namespace

VirtualTimeLink::VirtualTimeLink(Host& host) : host_(host) {
    listener_ = vt::Listener{OnWait, OnPrint, &host_};
    vt::SetListener(&listener_);
    host_.SetClock(vt::NowUs);
}

VirtualTimeLink::~VirtualTimeLink() {
    vt::SetListener(nullptr);
    host_.SetClock(nullptr);
}

} // namespace emu
