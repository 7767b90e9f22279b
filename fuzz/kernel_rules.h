// The kernel rules a call of the module broke, as the virtual-time kernel
// services record them (frame/kernel_virtual.h): a wait at dispatch level or
// above that is not a busy-wait, pool used above dispatch level, pool of the
// wrong type or tag, a block freed that was not live.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

class KernelRuleWatch {
  public:
    KernelRuleWatch() = default;
    KernelRuleWatch(const KernelRuleWatch&) = delete;
    KernelRuleWatch& operator=(const KernelRuleWatch&) = delete;

    // The interrupt level of the calls that follow.
    void SetIrql(uint8_t level);
    uint8_t Irql() const { return irql_; }

    // The rules broken since the last call of Take, one line each. Blocks
    // still allocated are not among them: between calls they are the host's
    // settings records, which it may keep as long as it likes.
    static std::vector<std::string> Take();

  private:
    uint8_t irql_ = 0;
};

} // namespace fuzz
