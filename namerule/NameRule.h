#pragma once
// The one rule for names stored in an archive, kept by everything that writes
// or stores them: the stub and the packer (narrow names) and the RAR
// component (the library's narrow and wide names). Header-only and free of
// the heap, so that the stub can use it without any library of the kit.
//
// A name is confined when it stays inside the folder it is written into:
// not empty, no leading separator, no colon (drive or stream), no component
// that Windows reads as the folder itself or its parent (only dots and
// blanks, which it trims), and no component that Windows opens as a device.

#include <stddef.h>

#include <type_traits>

namespace namerule {

template <class Ch>
inline bool IsSeparator(Ch c) {
    return c == Ch('/') || c == Ch('\\');
}

template <class Ch>
inline unsigned long CodeOf(Ch c) {
    return static_cast<unsigned long>(static_cast<std::make_unsigned_t<Ch>>(c));
}

// The device names, compared in upper case. Windows also takes COM and LPT
// with a superscript digit; those are spelt here as the plain digit.
inline bool IsDeviceBase(const char* base, size_t length) {
    // One literal, not a table of pointers (each would cost the stub a
    // relocation) nor a static array (which each caller's object would hold).
    for (const char* d = "CON PRN AUX NUL CONIN$ CONOUT$ CLOCK$ "; *d;) {
        size_t i = 0;
        while (i < length && d[i] != ' ' && d[i] == base[i]) ++i;
        if (i == length && d[i] == ' ') return true;
        while (*d++ != ' ') {
        }
    }
    const bool port = length == 4 && ((base[0] == 'C' && base[1] == 'O' && base[2] == 'M') ||
                                      (base[0] == 'L' && base[1] == 'P' && base[2] == 'T'));
    return port && base[3] >= '1' && base[3] <= '9';
}

// Whether `part[0..length)` (no separator in it) opens a device: the part up
// to its first dot, blanks before that dot ignored. Characters outside ASCII
// end the comparison, except the superscript digits: U+00B9, U+00B2, U+00B3
// in a wide name; in a narrow one their single bytes (the Western ANSI
// pages) and their pairs A9 F6..F8 (code page 949).
template <class Ch>
inline bool IsDevicePart(const Ch* part, size_t length) {
    char base[8];
    size_t n = 0;
    for (size_t i = 0; i < length && part[i] != Ch('.'); ++i) {
        if (n == sizeof base) return false;
        unsigned long c = CodeOf(part[i]);
        if (sizeof(Ch) == 1 && c == 0xA9 && i + 1 < length && CodeOf(part[i + 1]) - 0xF6 < 3) {
            c = '1' + (CodeOf(part[++i]) - 0xF6);
        } else if (c == 0xB9) {
            c = '1';
        } else if (c == 0xB2 || c == 0xB3) {
            c = c - 0xB2 + '2';
        } else if (c >= 0x80) {
            return false;
        }
        base[n++] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    while (n > 0 && base[n - 1] == ' ') --n;
    return IsDeviceBase(base, n);
}

// Windows drops the trailing dots and blanks of a component, so a part made
// only of them names the folder itself or its parent; and it opens a device
// for a device name however many of them follow.
template <class Ch>
inline bool IsConfinedPart(const Ch* part, size_t length) {
    while (length > 0 && (part[length - 1] == Ch('.') || part[length - 1] == Ch(' '))) --length;
    return length > 0 && !IsDevicePart(part, length);
}

// Out of line, so that a program with several callers (the stub counts its
// bytes) holds one copy.
template <class Ch>
__attribute__((noinline)) bool IsConfinedName(const Ch* name, size_t length) {
    if (length == 0 || IsSeparator(name[0])) return false;
    size_t start = 0;
    for (size_t i = 0; i <= length; ++i) {
        if (i < length && (name[i] == Ch(':') || name[i] == Ch(0))) return false;
        if (i < length && !IsSeparator(name[i])) continue;
        // Doubled or trailing separators make empty parts, which name nothing.
        if (i > start && !IsConfinedPart(name + start, i - start)) return false;
        start = i + 1;
    }
    return true;
}

template <class Ch>
inline bool IsConfinedName(const Ch* name) {
    size_t length = 0;
    while (name[length]) ++length;
    return IsConfinedName(name, length);
}

}  // namespace namerule

using namerule::IsConfinedName;
