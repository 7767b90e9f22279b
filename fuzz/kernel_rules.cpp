#include "fuzz/kernel_rules.h"

#include "frame/kernel_virtual.h"

namespace fuzz {

void KernelRuleWatch::SetIrql(uint8_t level) {
    irql_ = level;
    vt::SetIrql(level);
}

std::vector<std::string> KernelRuleWatch::Take() {
    return vt::TakeViolations();
}

} // namespace fuzz
