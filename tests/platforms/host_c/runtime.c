/* The three routines a C compiler may call on its own for copying and
 * clearing records, even in a program without a C runtime (GCC and MSVC
 * both expect the environment to supply them). This file is built without
 * loop-to-call rewriting, so the loops below stay loops. */
#include <stddef.h>

void* memcpy(void* to, const void* from, size_t count);
void* memmove(void* to, const void* from, size_t count);
void* memset(void* to, int value, size_t count);

void* memcpy(void* to, const void* from, size_t count) {
    return memmove(to, from, count);
}

void* memmove(void* to, const void* from, size_t count) {
    unsigned char* d = (unsigned char*)to;
    const unsigned char* s = (const unsigned char*)from;
    if (d < s) {
        while (count-- != 0) {
            *d++ = *s++;
        }
    } else {
        while (count-- != 0) {
            d[count] = s[count];
        }
    }
    return to;
}

void* memset(void* to, int value, size_t count) {
    unsigned char* d = (unsigned char*)to;
    while (count-- != 0) {
        *d++ = (unsigned char)value;
    }
    return to;
}
