#include "fuzz/kernel_rules.h"

#include "frame/ks_virtual.h"

#include <utility>

namespace fuzz {

namespace {

constexpr uint8_t kDispatchLevel = 2;

void OnWait(void* self, vt::WaitKind kind, uint64_t microseconds) {
    static_cast<KernelRuleWatch*>(self)->NoteWait(
        kind == vt::WaitKind::Stall,
        kind == vt::WaitKind::Sleep ? "an event wait (SleepMs)" : "a thread delay (DelayMs)",
        microseconds);
}

void OnPrint(void* /*self*/, const char* /*text*/) {}

vt::Listener g_listener{OnWait, OnPrint, nullptr};

} // namespace

KernelRuleWatch::KernelRuleWatch() {
    g_listener.self = this;
    vt::SetListener(&g_listener);
    badFrees_ = vt::BadFrees();
    poolAboveDispatch_ = vt::PoolCallsAboveDispatch();
}

KernelRuleWatch::~KernelRuleWatch() {
    vt::SetListener(nullptr);
}

void KernelRuleWatch::SetIrql(uint8_t level) {
    irql_ = level;
    vt::SetIrql(level);
}

void KernelRuleWatch::NoteWait(bool busyWait, const char* what, uint64_t microseconds) {
    if (!busyWait && irql_ >= kDispatchLevel) {
        waits_.push_back(std::string(what) + " of " + std::to_string(microseconds) +
                         " us at interrupt level " + std::to_string(irql_) +
                         ", where the thread must not wait");
    }
}

std::vector<std::string> KernelRuleWatch::Take() {
    std::vector<std::string> broken = std::exchange(waits_, {});
    const int badFrees = vt::BadFrees();
    if (badFrees != badFrees_) {
        broken.push_back(std::to_string(badFrees - badFrees_) +
                         " pool block(s) freed that were not live (freed twice or never "
                         "allocated)");
        badFrees_ = badFrees;
    }
    const int above = vt::PoolCallsAboveDispatch();
    if (above != poolAboveDispatch_) {
        broken.push_back(std::to_string(above - poolAboveDispatch_) +
                         " pool call(s) above dispatch level");
        poolAboveDispatch_ = above;
    }
    for (std::string& line : TakeServicesKernelRuleViolations()) {
        broken.push_back(std::move(line));
    }
    return broken;
}

std::vector<std::string> TakeServicesKernelRuleViolations() {
    return {};
}

} // namespace fuzz
