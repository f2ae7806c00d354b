#include "NameRule.h"

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }
static char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c; }

// A component of `length` bytes that the system would open as a device
// whatever folder precedes it: CON, PRN, AUX, NUL, COM1-9, LPT1-9, also with
// an extension or trailing blanks.
static bool IsDeviceName(const char* part, int length) {
    int base = 0;
    while (base < length && part[base] != '.') ++base;
    while (base > 0 && part[base - 1] == ' ') --base;
    char up[5];
    if (base == 3 || base == 4) {
        for (int i = 0; i < base; ++i) up[i] = UpperAscii(part[i]);
        up[base] = 0;
    } else {
        return false;
    }
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
    if (base == 3) {
        for (const char* device : kDevices)
            if (up[0] == device[0] && up[1] == device[1] && up[2] == device[2]) return true;
        return false;
    }
    bool com = up[0] == 'C' && up[1] == 'O' && up[2] == 'M';
    bool lpt = up[0] == 'L' && up[1] == 'P' && up[2] == 'T';
    return (com || lpt) && up[3] >= '1' && up[3] <= '9';
}

bool IsConfinedName(const char* name) {
    if (!name[0] || IsSeparator(name[0])) return false;
    const char* part = name;
    for (const char* p = name;; ++p) {
        if (*p == ':') return false;
        if (*p && !IsSeparator(*p)) continue;
        int length = (int)(p - part);
        if (length > 0) {
            bool dotsOnly = true;
            for (int i = 0; i < length; ++i)
                if (part[i] != '.' && part[i] != ' ') dotsOnly = false;
            if (dotsOnly || IsDeviceName(part, length)) return false;
        }
        if (!*p) return true;
        part = p + 1;
    }
}
