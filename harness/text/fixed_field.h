// A fixed-size text field of a record (a descriptor's name, a section's
// name): the text up to its first NUL, or the whole field when it has none.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>

namespace text {

inline std::string FixedField(const char* field, size_t size) {
    return std::string(field, std::find(field, field + size, '\0'));
}
template <size_t N> std::string FixedField(const char (&field)[N]) {
    return FixedField(field, N);
}

} // namespace text
