/* Text on standard output without a C runtime: the C host has its own entry
 * point and links no library but kernel32 and the module's. */
#ifndef TVBOARD_HOST_CONSOLE_H
#define TVBOARD_HOST_CONSOLE_H

#include <stdint.h>

void Print(const char* text);
void PrintUnsigned(uint32_t value);
void PrintHex(uint32_t value); /* 0x and at least two digits */

#endif
