/* The compiler helper the build in MSVC mode needs beside the kernel
 * services. On 32-bit x86 the compiler turns a 64-bit unsigned division into
 * a call of _aulldiv, which a WDK build takes from the C runtime or imports
 * from the kernel; this image links no runtime and imports only the eight
 * kernel services, so it brings its own. The MinGW builds get the same from
 * libgcc (__udivdi3).
 *
 * The helper's contract is the runtime's: both operands on the stack, the
 * quotient in EDX:EAX, the callee removes the 16 argument bytes (stdcall,
 * under the undecorated name the compiler calls). The module divides only by
 * constants; a zero divisor, which the runtime's helper faults on, gives all
 * ones. */
#include <stdint.h>

uint64_t __stdcall DivideUnsigned64(uint64_t dividend, uint64_t divisor) __asm__("__aulldiv");

/* Long division one bit at a time: shifts, compares and subtractions only,
 * nothing the compiler would turn back into a call of this helper. A
 * remainder that carries out of 64 bits when shifted is above any divisor. */
uint64_t __stdcall DivideUnsigned64(uint64_t dividend, uint64_t divisor) {
    uint64_t quotient = 0;
    uint64_t remainder = 0;
    for (int bit = 63; bit >= 0; --bit) {
        const uint64_t carry = remainder >> 63;
        remainder = (remainder << 1) | ((dividend >> bit) & 1u);
        if (carry != 0 || remainder >= divisor) {
            remainder -= divisor;
            quotient |= (uint64_t)1 << bit;
        }
    }
    return quotient;
}
