#include "console.h"

#include "kernel32.h"

void Print(const char* text) {
    uint32_t length = 0;
    uint32_t written = 0;
    while (text[length] != '\0') {
        ++length;
    }
    WriteFile(GetStdHandle(HOST_STD_OUTPUT_HANDLE), text, length, &written, 0);
}

static void PrintDigits(uint32_t value, uint32_t base, int minDigits) {
    char text[12];
    int at = (int)sizeof text - 1;
    text[at] = '\0';
    do {
        text[--at] = "0123456789ABCDEF"[value % base];
        value /= base;
        --minDigits;
    } while (value != 0 || minDigits > 0);
    Print(&text[at]);
}

void PrintUnsigned(uint32_t value) {
    PrintDigits(value, 10, 1);
}

void PrintHex(uint32_t value) {
    Print("0x");
    PrintDigits(value, 16, 2);
}
