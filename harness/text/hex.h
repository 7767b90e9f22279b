// A number in hexadecimal as the harness writes it in messages and views:
// "0x", then at least `digits` upper-case digits ("0x1B", "0x000000A5").
#pragma once

#include "text/format.h"

#include <cstdint>
#include <string>

namespace text {

inline std::string Hex(uint64_t value, int digits = 1) {
    return Format("0x%0*llX", digits, static_cast<unsigned long long>(value));
}

} // namespace text
