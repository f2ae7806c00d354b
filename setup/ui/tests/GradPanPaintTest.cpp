// Paints panels into a memory bitmap and reads the pixels back.
#include <gtest/gtest.h>

#include <algorithm>

#include "GradPan.h"

namespace {

class Canvas {
public:
    Canvas(int w, int h) : width(w), height(h) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        old = SelectObject(dc, bitmap);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    void Paint(TGradPan& panel) {
        panel.PaintTo(dc, width, height);
        GdiFlush();
    }
    TColor At(int x, int y) const {
        const uint32_t p = bits[y * width + x];  // blue, green, red, unused
        return RGBColor((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int Count(TColor c) const {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) n += At(x, y) == c;
        return n;
    }
    HDC dc;
    int width, height;

private:
    HBITMAP bitmap;
    HGDIOBJ old;
    uint32_t* bits = nullptr;
};

// A panel without bevels, so only the background shows.
void Plain(TGradPan& p) {
    p.SetBevelOuter(bvNone);
    p.SetCaption("");
}

}  // namespace

TEST(GradPanPaint, TitleBandOfTheWizard) {
    TGradPan p;
    Plain(p);
    p.SetBackGroundEffect(bdDown);
    p.SetColorStart(clMaroon);
    p.SetColorEnd(clYellow);
    Canvas c(510, 10);
    c.Paint(p);
    TColor table[GradientSteps];
    BuildGradient(clYellow, clMaroon, table);
    for (int r = 0; r < 10; ++r) {
        EXPECT_EQ(c.At(0, r), table[10 * r + 4]) << "row " << r;
        EXPECT_EQ(c.At(509, r), table[10 * r + 4]) << "row " << r;
    }
}

TEST(GradPanPaint, MirroredAndSidewaysGradients) {
    TGradPan p;
    Plain(p);
    p.SetColorStart(RGBColor(0, 0, 200));
    p.SetColorEnd(RGBColor(200, 0, 0));
    Canvas c(100, 100);
    p.SetBackGroundEffect(bdHorzIn);
    c.Paint(p);
    EXPECT_EQ(c.At(50, 0), RGBColor(2, 0, 198));   // entry 1
    EXPECT_EQ(c.At(50, 99), RGBColor(0, 0, 200));  // entry 0
    EXPECT_EQ(c.At(50, 49), RGBColor(198, 0, 2));  // entry 99
    p.SetBackGroundEffect(bdLeft);
    c.Paint(p);
    EXPECT_EQ(c.At(0, 50), RGBColor(0, 0, 200));
    EXPECT_EQ(c.At(99, 50), RGBColor(198, 0, 2));
    p.SetBackGroundEffect(bdVertOut);
    c.Paint(p);
    EXPECT_EQ(c.At(99, 10), RGBColor(200, 0, 0));  // ColorEnd at the edges
    EXPECT_EQ(c.At(49, 10), RGBColor(2, 0, 198));
}

TEST(GradPanPaint, FlatAndImageBackgrounds) {
    TGradPan p;
    Plain(p);
    Canvas c(60, 40);
    // bdFlat translates a system colour; the gradient would not.
    p.SetColorStart(clBtnFace);
    p.SetBackGroundEffect(bdFlat);
    c.Paint(p);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(c.At(30, 20), RGBColor(GetRValue(face), GetGValue(face), GetBValue(face)));

    // The default bitmap: a 50 x 50 white square framed in black, tiled from (0, 0).
    p.SetBackGroundEffect(bdTileImage);
    c.Paint(p);
    EXPECT_EQ(c.At(0, 0), clBlack);
    EXPECT_EQ(c.At(10, 10), clWhite);
    EXPECT_EQ(c.At(48, 10), clBlack);
    EXPECT_EQ(c.At(50, 0), clBlack);  // the second tile starts at column 50

    // No bitmap: the flat start colour.
    p.SetBitmap(nullptr);
    p.SetColorStart(RGBColor(10, 20, 30));
    c.Paint(p);
    EXPECT_EQ(c.Count(RGBColor(10, 20, 30)), 60 * 40);
}

TEST(GradPanPaint, ReliefAndBevels) {
    TGradPan p;
    p.SetBackGroundEffect(bdFlat);
    p.SetColorStart(clWhite);
    p.SetColorShadow(RGBColor(0, 200, 0));
    p.SetFont("Tahoma", -20, RGBColor(0, 0, 255));
    p.SetCaption("HH");
    p.SetBevelOuter(bvNone);
    Canvas c(120, 40);
    p.SetTextEffect(tenone);
    c.Paint(p);
    EXPECT_GT(c.Count(RGBColor(0, 200, 0)), 10);  // drawn once, in the shadow colour
    EXPECT_EQ(c.Count(RGBColor(0, 0, 255)), 0);
    p.SetTextEffect(teRaised);
    c.Paint(p);
    EXPECT_GT(c.Count(RGBColor(0, 0, 255)), 10);
    EXPECT_GT(c.Count(clBlack), 0);
    EXPECT_GT(c.Count(RGBColor(0, 200, 0)), 0);

    // A raised outer bevel: white top and left, grey bottom and right.
    p.SetCaption("");
    p.SetBevelOuter(bvRaised);
    p.SetBevelWidth(2);
    p.SetColorStart(RGBColor(1, 2, 3));
    c.Paint(p);
    EXPECT_EQ(c.At(60, 0), clWhite);
    EXPECT_EQ(c.At(1, 20), clWhite);
    EXPECT_EQ(c.At(60, 39), clGray);
    EXPECT_EQ(c.At(118, 20), clGray);
    EXPECT_EQ(c.At(60, 20), RGBColor(1, 2, 3));
}

TEST(GradPanPaint, TurnedCaptionIsTallerThanWide) {
    TGradPan p;
    Plain(p);
    p.SetBackGroundEffect(bdFlat);
    p.SetColorStart(clWhite);
    p.SetTextEffect(tenone);
    p.SetColorShadow(clBlack);
    p.SetFont("Tahoma", -16, clBlack);
    p.SetCaption("WWWWWW");
    p.SetTextRotation(TrUp);
    Canvas c(120, 120);
    c.Paint(p);
    int left = 120, right = -1, top = 120, bottom = -1;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 120; ++x)
            if (c.At(x, y) != clWhite) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, 0);
    EXPECT_GT(bottom - top, 2 * (right - left));
}

TEST(GradPanPaint, MoveablePanelAnswersTheHitTest) {
    HWND parent =
        CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    TGradPan p;
    ASSERT_TRUE(p.Create(parent, 10, 10, 100, 50));
    RECT r;
    GetWindowRect(p.Handle(), &r);
    const LPARAM at = MAKELPARAM(r.left + 97, r.top + 47);
    EXPECT_EQ(SendMessageA(p.Handle(), WM_NCHITTEST, 0, at), HTNOWHERE);
    p.Moveable = true;
    EXPECT_EQ(SendMessageA(p.Handle(), WM_NCHITTEST, 0, at), HTBOTTOMRIGHT);
    int moves = 0;
    p.OnPanelMove = [&](TGradPan& sender) { moves += &sender == &p; };
    SetWindowPos(p.Handle(), nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(moves, 1);
    DestroyWindow(parent);
}
