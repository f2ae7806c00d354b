#include "PathText.h"

bool IsSlash(char c) { return c == '\\' || c == '/'; }

int TextLength(const char* text) {
    int n = 0;
    while (text[n]) ++n;
    return n;
}

void CopyBytes(void* to, const void* from, size_t count) {
    uint8_t* d = (uint8_t*)to;
    const uint8_t* s = (const uint8_t*)from;
    while (count--) *d++ = *s++;
}

void FillZero(void* to, size_t count) {
    uint8_t* d = (uint8_t*)to;
    while (count--) *d++ = 0;
}

static int CopyCut(char* out, int capacity, const char* text, int length) {
    if (capacity <= 0) return 0;
    if (length > capacity - 1) length = capacity - 1;
    for (int i = 0; i < length; ++i) out[i] = text[i];
    out[length] = 0;
    return length;
}

int CopyText(char* out, int capacity, const char* text) {
    return CopyCut(out, capacity, text, TextLength(text));
}

int AppendText(char* out, int capacity, const char* text) {
    int have = TextLength(out);
    if (have >= capacity) return have;
    return have + CopyCut(out + have, capacity - have, text, TextLength(text));
}

int AppendDecimal(char* out, int capacity, uint32_t value) {
    char digits[12];
    int at = sizeof digits - 1;
    digits[at] = 0;
    do {
        digits[--at] = (char)('0' + value % 10);
        value /= 10;
    } while (value);
    return AppendText(out, capacity, digits + at);
}

int LastSeparator(const char* path) {
    int last = -1;
    for (int i = 0; path[i]; ++i)
        if (IsSlash(path[i]) || path[i] == ':') last = i;
    return last;
}

int DirectoryPart(const char* path, char* out, int capacity) {
    int length = TextLength(path);
    if (length == 3 && (path[0] == ':' || path[1] == ':' || path[2] == ':'))
        return CopyCut(out, capacity, path, length);
    int i = LastSeparator(path) + 1;  // counted from 1, 0 when none
    // The separator itself goes, except the one of a drive root (C:\).
    if (i > 0 && IsSlash(path[i - 1]) && (i != 3 || path[1] != ':')) --i;
    return CopyCut(out, capacity, path, i);
}

int NamePart(const char* path, char* out, int capacity) {
    const char* name = path + LastSeparator(path) + 1;
    int length = TextLength(name);
    if (length > kPathCapacity - 1) length = kPathCapacity - 1;
    return CopyCut(out, capacity, name, length);
}

char* ToBackslashes(char* text) {
    for (char* p = text; *p; ++p)
        if (*p == '/') *p = '\\';
    return text;
}

bool AppendMissingBackslash(char* buffer, int capacity) {
    int length = TextLength(buffer);
    if (length == 0 || buffer[length - 1] == '\\') return true;
    if (length + 2 > capacity) return false;
    buffer[length] = '\\';
    buffer[length + 1] = 0;
    return true;
}

int BufferToString(const uint8_t* bytes, int length, char* out, int capacity) {
    int n = 0;
    while (n < length && bytes[n]) ++n;
    return CopyCut(out, capacity, (const char*)bytes, n);
}

bool MakeFindPattern(const char* path, char* pattern, int capacity) {
    int length = TextLength(path);
    bool folder = length > 0 && path[length - 1] == '\\';
    int need = length + (folder ? 3 : 0) + 1;
    if (need > capacity) return false;
    CopyCut(pattern, capacity, path, length);
    if (folder) AppendText(pattern, capacity, "*.*");
    ToBackslashes(pattern);
    return true;
}

int CenteredOrigin(int screen, int size) { return (screen - size) / 2; }
