#include "text/format.h"

#include <vector>

namespace text {

std::string Format(const char* format, ...) { // NOLINT(cert-dcl50-cpp): see format.h
    va_list args;
    va_start(args, format);
    std::string s = FormatV(format, args);
    va_end(args);
    return s;
}

// Measured first, so that no text is ever cut short.
std::string FormatV(const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, format, args);
    std::string s;
    if (n > 0) {
        std::vector<char> b(static_cast<size_t>(n) + 1);
        std::vsnprintf(b.data(), b.size(), format, again);
        s.assign(b.data(), static_cast<size_t>(n));
    }
    va_end(again);
    return s;
}

} // namespace text
