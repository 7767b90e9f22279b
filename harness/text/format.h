// printf's formatting into a string, with the compiler checking each format
// against its arguments (which a parameter pack would lose). MinGW's C++
// library formats as GNU does (%zu, %llu), not as the Windows runtime would.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

#if defined(__MINGW32__)
#define TVB_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define TVB_PRINTF_FORMAT printf
#endif

namespace text {

std::string Format(const char* format, ...) __attribute__((format(TVB_PRINTF_FORMAT, 1, 2)));
// The same for a variadic function's own arguments (a print routine's).
std::string FormatV(const char* format, va_list args)
    __attribute__((format(TVB_PRINTF_FORMAT, 1, 0)));

} // namespace text
