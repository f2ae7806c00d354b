// The four functions the compiler may call for copies, fills and string
// lengths, so that the stub links no C runtime: an import of msvcrt.dll
// costs more than these loops, and that import library makes the linker
// fail under link-time optimisation. Built without it, and without turning
// the loops back into calls to themselves.

#include <stddef.h>

extern "C" {

void* memcpy(void* to, const void* from, size_t count) {
    unsigned char* d = (unsigned char*)to;
    const unsigned char* s = (const unsigned char*)from;
    while (count--) *d++ = *s++;
    return to;
}

void* memmove(void* to, const void* from, size_t count) {
    unsigned char* d = (unsigned char*)to;
    const unsigned char* s = (const unsigned char*)from;
    if (d <= s)
        while (count--) *d++ = *s++;
    else
        while (count--) d[count] = s[count];
    return to;
}

void* memset(void* to, int value, size_t count) {
    unsigned char* d = (unsigned char*)to;
    while (count--) *d++ = (unsigned char)value;
    return to;
}

size_t strlen(const char* text) {
    size_t n = 0;
    while (text[n]) ++n;
    return n;
}
}
