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

// Most texts fit the buffer on the stack; a longer one is formatted again
// at its length, so that no text is ever cut short.
std::string FormatV(const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    char b[256];
    const int n = std::vsnprintf(b, sizeof b, format, args);
    std::string s;
    if (n > 0 && static_cast<size_t>(n) < sizeof b) {
        s.assign(b, static_cast<size_t>(n));
    } else if (n > 0) {
        std::vector<char> longer(static_cast<size_t>(n) + 1);
        std::vsnprintf(longer.data(), longer.size(), format, again);
        s.assign(longer.data(), static_cast<size_t>(n));
    }
    va_end(again);
    return s;
}

} // namespace text
