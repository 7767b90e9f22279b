/* The kernel32 functions the C host uses, declared here because the
 * MSVC-mode build has no Windows SDK: it links against an import library
 * made from kernel32.def, the MinGW build against MinGW's libkernel32.a. */
#ifndef TVBOARD_HOST_KERNEL32_H
#define TVBOARD_HOST_KERNEL32_H

#include <stdint.h>

#define HOST_STD_OUTPUT_HANDLE ((uint32_t)-11)

__declspec(dllimport) void* __stdcall GetStdHandle(uint32_t which);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* bytes, uint32_t count,
                                              uint32_t* written, void* overlapped);
__declspec(dllimport) __declspec(noreturn) void __stdcall ExitProcess(uint32_t code);
__declspec(dllimport) int __stdcall QueryPerformanceCounter(int64_t* count);
__declspec(dllimport) int __stdcall QueryPerformanceFrequency(int64_t* frequency);

#endif
