// The kernel rules a call of the module broke, as far as the virtual-time
// kernel services let them be seen: a pool block freed that was not live
// (freed twice, or never allocated), pool used above dispatch level, and a
// wait that is not a busy-wait at dispatch level or above, where the thread
// must not wait.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

class KernelRuleWatch {
  public:
    // Becomes the virtual-time services' listener (waits and prints go
    // nowhere else: the fuzzer does not keep them).
    KernelRuleWatch();
    ~KernelRuleWatch();
    KernelRuleWatch(const KernelRuleWatch&) = delete;
    KernelRuleWatch& operator=(const KernelRuleWatch&) = delete;

    // The interrupt level of the calls that follow.
    void SetIrql(uint8_t level);
    uint8_t Irql() const { return irql_; }

    // The rules broken since the last call of Take, one line each.
    std::vector<std::string> Take();

    // From the services' listener: a wait the module made (a busy-wait or
    // not) at the current level.
    void NoteWait(bool busyWait, const char* what, uint64_t microseconds);

  private:
    uint8_t irql_ = 0;
    int badFrees_ = 0;
    int poolAboveDispatch_ = 0;
    std::vector<std::string> waits_;
};

// Where the virtual-time services' own list of kernel-rule violations is
// read once they keep one (the interrupt level each service may be called
// at, pool use): the entries since the last call, one line each. Until the
// services keep such a list this returns nothing, and the counters and the
// wait check of KernelRuleWatch stand for it.
std::vector<std::string> TakeServicesKernelRuleViolations();

} // namespace fuzz
