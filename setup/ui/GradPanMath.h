// The arithmetic of the gradient panel, apart from any window: the colour
// table, which rows or columns each band covers, where the caption is
// anchored, how its relief is drawn and what a moveable panel answers to the
// hit test. GradPan.cpp paints with these; tests check them natively.
#pragma once

#include <cstdint>

// 32-bit colour: red in the lowest byte, then green, then blue. A set top bit
// marks a system colour code (its low byte is the system colour index).
using TColor = uint32_t;

constexpr TColor RGBColor(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16;
}
constexpr TColor clBlack = RGBColor(0, 0, 0), clMaroon = RGBColor(128, 0, 0), clTeal = RGBColor(0, 128, 128),
                 clGray = RGBColor(128, 128, 128), clYellow = RGBColor(255, 255, 0),
                 clAqua = RGBColor(0, 255, 255), clWhite = RGBColor(255, 255, 255);
constexpr TColor clBtnFace = 0x8000000F;

// Names and order are the component's published ones, irregular capitals
// included: stored forms refer to them.
enum TDirection {
    bdFlat,
    bdStretchImage,
    bdTileImage,
    bdUp,
    bdDown,
    bdLeft,
    bdRight,
    bdHorzIn,
    bdHorzOut,
    bdVertIn,
    bdVertOut
};
enum TTextEffect { tenone, teShadow, teRaised, teLowered, teEmbossed };
enum TTextRotation { trNone, TrUp, TrDown };
enum TVertAlign { vlTop, vlCenter, VlBottom };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

enum { GradientSteps = 100 };

// a * b / c rounded to the nearest integer, halves away from zero; -1 when c
// is 0, as the platform's MulDiv answers.
int KitMulDiv(int a, int b, int c);

// Entry i is first + i * (second - first) / 100 per channel, truncated toward
// zero; the second colour itself is never reached. System colour codes are
// not translated: their raw low bytes are used.
void BuildGradient(TColor first, TColor second, TColor table[GradientSteps]);

// Band k of an extent covers [From, To); an empty span paints nothing.
struct TBandSpan {
    int From, To;
};
TBandSpan BandSpan(int k, int extent);

// Table entry of band k when the gradient runs from both edges to the middle.
int MirroredEntry(int k);

// How an effect lays its gradient: which colour the table starts from,
// whether bands run across rows or columns, and whether they are mirrored.
struct TGradientPlan {
    bool Gradient;    // false: flat fill or the image step
    bool StartFirst;  // table built ColorStart -> ColorEnd (else the reverse)
    bool Columns;     // bands are columns (left to right), else rows
    bool Mirrored;
};
TGradientPlan GradientPlan(TDirection effect);

// Tiles of a bw x bh bitmap over a W x H panel inset by a on every side.
struct TTileGrid {
    int Columns, Rows;
};
TTileGrid TileGrid(int W, int H, int a, int bw, int bh);

// Caption anchor and the SetTextAlign mode (left 0, right 2, centre 6).
struct TCaptionAnchor {
    int X, Y;
    unsigned Mode;
};
struct TPanelMetrics {
    int Width, Height, BorderWidth, BevelWidth, TextHeight;
};
TCaptionAnchor CaptionAnchor(TTextRotation rotation, TAlignment alignment, TVertAlign vertAlign,
                             const TPanelMetrics& m);

// One text output of the caption's relief: offset and which colour.
enum TDrawColour { dcShadow, dcBlack, dcFont };
struct TTextDraw {
    int DX, DY;
    TDrawColour Colour;
};
// Fills draws (room for 5) in drawing order and returns how many.
int TextEffectDraws(TTextEffect effect, TTextDraw draws[5]);

// Platform hit-test code of a moveable panel for client point (x, y).
int PanelHitTest(int x, int y, int W, int H, int marge);
