#include "GradPanMath.h"

#include <climits>

int KitMulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const long long p = static_cast<long long>(a) * b;
    const bool negative = (p < 0) != (c < 0);
    const unsigned long long n = static_cast<unsigned long long>(p < 0 ? -p : p);
    const unsigned long long d = static_cast<unsigned long long>(c < 0 ? -static_cast<long long>(c) : c);
    const unsigned long long q = (n + d / 2) / d;
    if (q > static_cast<unsigned long long>(INT_MAX)) return -1;
    return negative ? -static_cast<int>(q) : static_cast<int>(q);
}

void BuildGradient(TColor first, TColor second, TColor table[GradientSteps]) {
    int from[3], step_to[3];
    double step[3];
    for (int ch = 0; ch < 3; ++ch) {
        from[ch] = (first >> (8 * ch)) & 0xFF;
        step_to[ch] = (second >> (8 * ch)) & 0xFF;
        step[ch] = (step_to[ch] - from[ch]) / 100.0;
    }
    for (int i = 0; i < GradientSteps; ++i) {
        int c[3];
        for (int ch = 0; ch < 3; ++ch) c[ch] = static_cast<int>(from[ch] + i * step[ch]);
        table[i] = RGBColor(c[0], c[1], c[2]);
    }
}

TBandSpan BandSpan(int k, int extent) { return {KitMulDiv(k, extent, 100), KitMulDiv(k + 1, extent, 100)}; }

int MirroredEntry(int k) { return k < 50 ? 2 * k + 1 : 198 - 2 * k; }

TGradientPlan GradientPlan(TDirection effect) {
    switch (effect) {
        case bdUp: return {true, true, false, false};
        case bdDown: return {true, false, false, false};
        case bdLeft: return {true, true, true, false};
        case bdRight: return {true, false, true, false};
        case bdHorzIn: return {true, true, false, true};
        case bdHorzOut: return {true, false, false, true};
        case bdVertIn: return {true, true, true, true};
        case bdVertOut: return {true, false, true, true};
        default: return {false, true, false, false};
    }
}

TTileGrid TileGrid(int W, int H, int a, int bw, int bh) {
    if (bw <= 0 || bh <= 0) return {0, 0};
    return {(W - 2 * a) / bw + 1, (H - 2 * a) / bh + 1};
}

TCaptionAnchor CaptionAnchor(TTextRotation rotation, TAlignment alignment, TVertAlign vertAlign,
                             const TPanelMetrics& m) {
    enum : unsigned { Left = 0, Right = 2, Centre = 6 };
    const int W = m.Width, H = m.Height, BW = m.BorderWidth, VW = m.BevelWidth, TH = m.TextHeight;
    TCaptionAnchor r{0, 0, Left};
    switch (rotation) {
        case trNone:
            switch (alignment) {
                case taLeftJustify:
                    r.X = BW + VW + 2;
                    r.Mode = Left;
                    break;
                case taRightJustify:
                    r.X = W - BW - VW - 2;
                    r.Mode = Right;
                    break;
                case taCenter:
                    r.X = W / 2;
                    r.Mode = Centre;
                    break;
            }
            switch (vertAlign) {
                case vlTop: r.Y = BW + VW + 2; break;
                case vlCenter: r.Y = H / 2 - TH / 2; break;
                case VlBottom: r.Y = H - BW - VW - TH - 1; break;
            }
            break;
        case TrUp:
            switch (alignment) {
                case taLeftJustify: r.X = BW + VW + 2; break;
                case taRightJustify: r.X = W - BW - VW - TH - 1; break;
                case taCenter: r.X = W / 2 - TH / 2; break;
            }
            switch (vertAlign) {
                case vlTop:
                    r.Y = BW + VW + 2;
                    r.Mode = Right;
                    break;
                case vlCenter:
                    r.Y = H / 2 - TH / 2;
                    r.Mode = Centre;
                    break;
                case VlBottom:
                    r.Y = H - BW - VW - 1;
                    r.Mode = Left;
                    break;
            }
            break;
        case TrDown:
            switch (alignment) {
                case taLeftJustify: r.X = TH + BW + VW + 1; break;
                case taRightJustify: r.X = W - BW - VW - 2; break;
                case taCenter: r.X = TH / 2 + W / 2; break;
            }
            switch (vertAlign) {
                case vlTop:
                    r.Y = BW + VW + 1;
                    r.Mode = Left;
                    break;
                case vlCenter:
                    r.Y = H / 2 - TH / 2;
                    r.Mode = Centre;
                    break;
                case VlBottom:
                    r.Y = H - BW - VW - 2;
                    r.Mode = Right;
                    break;
            }
            break;
    }
    return r;
}

int TextEffectDraws(TTextEffect effect, TTextDraw draws[5]) {
    int n = 0;
    auto add = [&](int dx, int dy, TDrawColour c) { draws[n++] = {dx, dy, c}; };
    switch (effect) {
        case tenone: add(0, 0, dcShadow); return n;
        case teShadow: add(1, 1, dcShadow); break;
        case teRaised:
            add(-1, 0, dcShadow), add(0, -1, dcShadow);
            add(1, 0, dcBlack), add(0, 1, dcBlack);
            break;
        case teLowered:
            add(1, 0, dcShadow), add(0, 1, dcShadow);
            add(-1, 0, dcBlack), add(0, -1, dcBlack);
            break;
        case teEmbossed:
            add(-1, 0, dcShadow), add(1, 0, dcShadow), add(0, -1, dcShadow), add(0, 1, dcShadow);
            break;
    }
    add(0, 0, dcFont);
    return n;
}

int PanelHitTest(int x, int y, int W, int H, int marge) {
    enum {
        HtCaption = 2,
        HtLeft = 10,
        HtRight = 11,
        HtTop = 12,
        HtTopLeft = 13,
        HtTopRight = 14,
        HtBottom = 15,
        HtBottomLeft = 16,
        HtBottomRight = 17
    };
    const int M = marge;
    if (x < M && y < M) return HtTopLeft;
    if (x < M && H - y < M) return HtBottomLeft;
    if (x < M) return HtLeft;
    if (W - x < M && y < M) return HtTopRight;
    if (W - x < M && H - y < M) return HtBottomRight;
    if (W - x < M) return HtRight;
    if (y < M) return HtTop;
    if (H - y < M) return HtBottom;
    return HtCaption;
}
