#pragma once
// Arithmetic of the progress bar, apart from its drawing so it is testable.

#include <stdint.h>

// Whole percent of `done` out of `total`; 0 while there is nothing to count.
inline int ProgressPercent(uint32_t done, uint32_t total) {
    if (total == 0) return 0;
    if (done >= total) return 100;
    // Two decimal digits of long division in 32 bits: a 64-bit division
    // would pull in the compiler's runtime, which the stub does not link.
    int percent = 0;
    uint32_t rest = done;
    for (int digit = 0; digit < 2; ++digit) {
        uint32_t next = 0;
        percent *= 10;
        for (int i = 0; i < 10; ++i) {
            uint32_t sum = next + rest;
            if (sum < rest || sum >= total) {
                sum -= total;
                ++percent;
            }
            next = sum;
        }
        rest = next;
    }
    return percent;
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
    if (percent >= 100) return width;
    return width / 100 * percent + width % 100 * percent / 100;
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
