#pragma once
// Arithmetic of the progress bar, apart from its drawing so it is testable.

#include <stdint.h>

// Whole percent of `done` out of `total`; 0 while there is nothing to count.
inline int ProgressPercent(uint32_t done, uint32_t total) {
    if (total == 0) return 0;
    if (done >= total) return 100;
    return (int)((uint64_t)done * 100 / total);
}

// The bar's window text as a percentage: leading decimal digits, 0 when
// there are none, at most 100.
inline int ParsePercent(const char* text) {
    int value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > 100) return 100;
    }
    return value;
}

// Filled pixels of a bar `width` wide at `percent`; never past the bar.
inline int ProgressFill(int width, int percent) {
    if (width <= 0 || percent <= 0) return 0;
    int filled = (int)((int64_t)width * percent / 100);
    return filled < width ? filled : width;
}

// The percentage as decimal digits, with a '%' when `sign`; `out` holds 5.
inline void PercentText(int percent, char* out, bool sign) {
    int at = 0;
    if (percent >= 100) out[at++] = '1';
    if (percent >= 10) out[at++] = (char)('0' + percent / 10 % 10);
    out[at++] = (char)('0' + percent % 10);
    if (sign) out[at++] = '%';
    out[at] = 0;
}
