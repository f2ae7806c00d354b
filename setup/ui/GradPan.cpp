#include "GradPan.h"

#include <cstring>

#include "Forms.h"

namespace {

const char kClassName[] = "TGradPan";

// The standard panel's bevel colours.
COLORREF BevelTop(TPanelBevel b) {
    return GetSysColor(b == bvLowered ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
}
COLORREF BevelBottom(TPanelBevel b) {
    return GetSysColor(b == bvLowered ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW);
}

// Draws width rings of a 3-D frame inward and shrinks r past them.
void Frame3D(HDC dc, RECT& r, COLORREF top, COLORREF bottom, int width) {
    for (int i = 0; i < width; ++i) {
        HBRUSH t = CreateSolidBrush(top), b = CreateSolidBrush(bottom);
        RECT edge = {r.left, r.top, r.right - 1, r.top + 1};
        FillRect(dc, &edge, t);
        edge = {r.left, r.top, r.left + 1, r.bottom - 1};
        FillRect(dc, &edge, t);
        edge = {r.left, r.bottom - 1, r.right, r.bottom};
        FillRect(dc, &edge, b);
        edge = {r.right - 1, r.top, r.right, r.bottom};
        FillRect(dc, &edge, b);
        DeleteObject(t);
        DeleteObject(b);
        InflateRect(&r, -1, -1);
    }
}

void FillColour(HDC dc, int l, int t, int r, int b, COLORREF c) {
    HBRUSH brush = CreateSolidBrush(c);
    RECT rc = {l, t, r, b};
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
}

// Cut to the field, always terminated.
void SetFaceName(LOGFONTA& font, const char* face) {
    const size_t n = strnlen(face, sizeof font.lfFaceName - 1);
    memcpy(font.lfFaceName, face, n);
    font.lfFaceName[n] = 0;
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

}  // namespace

COLORREF ColorToRGB(TColor colour) {
    if (colour & 0x80000000u) return GetSysColor(static_cast<int>(colour & 0xFF));
    return colour & 0xFFFFFF;
}

TGradPan::TGradPan() {
    font.lfHeight = -11;
    font.lfCharSet = DEFAULT_CHARSET;
    SetFaceName(font, "MS Sans Serif");
    // The default picture: a white square with a frame in the default pen.
    HDC screen = GetDC(nullptr);
    bitmap = CreateCompatibleBitmap(screen, 50, 50);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    FillColour(dc, 0, 0, 50, 50, RGB(255, 255, 255));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    Rectangle(dc, 0, 0, 49, 49);
    SelectObject(dc, old);
    DeleteDC(dc);
}

TGradPan::~TGradPan() {
    if (handle) {
        SetWindowLongPtrA(handle, GWLP_USERDATA, 0);
        DestroyWindow(handle);
    }
    if (bitmap) DeleteObject(bitmap);
}

bool TGradPan::Create(HWND parent, int left, int top, int width, int height, bool border) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc;
    if (!GetClassInfoA(instance, kClassName, &wc)) {
        wc = WNDCLASSA{};
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = WndProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        if (!RegisterClassA(&wc)) return false;
    }
    handle = CreateWindowExA(0, kClassName, caption.c_str(),
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | (border ? WS_BORDER : 0), left, top,
                             width, height, parent, nullptr, instance, this);
    return handle != nullptr;
}

LRESULT CALLBACK TGradPan::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = static_cast<TGradPan*>(WindowObject(wnd, msg, lp));
    if (!self) return DefWindowProcA(wnd, msg, wp, lp);
    switch (msg) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(wnd, &ps);
            // The panel's own measure is its outer size, border included.
            RECT r;
            GetWindowRect(wnd, &r);
            self->PaintTo(dc, r.right - r.left, r.bottom - r.top);
            EndPaint(wnd, &ps);
            return 0;
        }
        case WM_NCHITTEST: {
            if (!self->Moveable) return HTNOWHERE;
            POINT p = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            ScreenToClient(wnd, &p);
            RECT r;
            GetWindowRect(wnd, &r);
            return PanelHitTest(p.x, p.y, r.right - r.left, r.bottom - r.top, self->Marge);
        }
        case WM_MOVE:
            if (self->OnPanelMove) self->OnPanelMove(*self);
            break;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

void TGradPan::Changed() {
    if (!handle) return;
    InvalidateRect(handle, nullptr, FALSE);
    UpdateWindow(handle);
}

void TGradPan::SetFont(const char* face, int height, TColor colour) {
    font = LOGFONTA{};
    font.lfHeight = height;
    font.lfCharSet = DEFAULT_CHARSET;
    SetFaceName(font, face);
    fontColour = colour;
    Changed();
}

void TGradPan::SetBitmap(HBITMAP image) {
    HBITMAP copy = image ? static_cast<HBITMAP>(CopyImage(image, IMAGE_BITMAP, 0, 0, 0)) : nullptr;
    if (bitmap) DeleteObject(bitmap);
    bitmap = copy;
    Changed();
}

void TGradPan::BitmapChanged() {
    if (backGroundEffect == bdStretchImage || backGroundEffect == bdTileImage) Changed();
}

void TGradPan::PaintTo(HDC dc, int W, int H) {
    HFONT hfont = CreateFontIndirectA(&font);
    HGDIOBJ oldFont = SelectObject(dc, hfont);
    const int savedMode = SetBkMode(dc, OPAQUE);
    SetROP2(dc, R2_COPYPEN);

    // The standard panel first: bevels, its colour, its caption.
    RECT r = {0, 0, W, H};
    if (bevelOuter != bvNone) Frame3D(dc, r, BevelTop(bevelOuter), BevelBottom(bevelOuter), bevelWidth);
    Frame3D(dc, r, ColorToRGB(color), ColorToRGB(color), borderWidth);
    if (bevelInner != bvNone) Frame3D(dc, r, BevelTop(bevelInner), BevelBottom(bevelInner), bevelWidth);
    FillColour(dc, r.left, r.top, r.right, r.bottom, ColorToRGB(color));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(fontColour));
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    const UINT align = alignment == taLeftJustify    ? DT_LEFT
                       : alignment == taRightJustify ? DT_RIGHT
                                                     : DT_CENTER;
    DrawTextA(dc, caption.c_str(), -1, &r, DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE | align);

    PaintBackground(dc, W, H);

    SetBkMode(dc, TRANSPARENT);
    SIZE th = {0, 0};
    GetTextExtentPoint32A(dc, "^_", 2, &th);
    const TCaptionAnchor anchor =
        CaptionAnchor(textRotation, alignment, vertAlign, {W, H, borderWidth, bevelWidth, th.cy});
    SetTextAlign(dc, anchor.Mode);
    DrawCaption(dc, anchor.X, anchor.Y, hfont);
    SetTextAlign(dc, TA_LEFT | TA_TOP);

    DrawBevels(dc, W, H);

    SetBkMode(dc, savedMode);
    SelectObject(dc, oldFont);
    DeleteObject(hfont);
}

void TGradPan::PaintBackground(HDC dc, int W, int H) {
    switch (backGroundEffect) {
        case bdFlat: FillColour(dc, 0, 0, W, H, ColorToRGB(colorStart)); break;
        case bdStretchImage:
        case bdTileImage: PaintImage(dc, W, H); break;
        default: PaintGradient(dc, W, H); break;
    }
}

void TGradPan::PaintGradient(HDC dc, int W, int H) {
    const TGradientPlan plan = GradientPlan(backGroundEffect);
    if (plan.StartFirst)
        BuildGradient(colorStart, colorEnd, GradientTable);
    else
        BuildGradient(colorEnd, colorStart, GradientTable);
    const int extent = plan.Columns ? W : H;
    for (int k = 0; k < GradientSteps; ++k) {
        const TBandSpan s = BandSpan(k, extent);
        if (s.To <= s.From) continue;
        const TColor c = GradientTable[plan.Mirrored ? MirroredEntry(k) : k];
        if (plan.Columns)
            FillColour(dc, s.From, 0, s.To, H, c);
        else
            FillColour(dc, 0, s.From, W, s.To, c);
    }
}

void TGradPan::PaintImage(HDC dc, int W, int H) {
    BITMAP bm{};
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) {
        FillColour(dc, 0, 0, W, H, ColorToRGB(colorStart));
        return;
    }
    const int a = ctl3D ? 2 * bevelWidth + borderWidth : 0;
    HDC src = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(src, bitmap);
    if (backGroundEffect == bdStretchImage) {
        const int mode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, a, a, W - 2 * a - 1, H - 2 * a - 1, src, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        SetStretchBltMode(dc, mode);
    } else {
        const TTileGrid g = TileGrid(W, H, a, bm.bmWidth, bm.bmHeight);
        for (int c = 0; c < g.Columns; ++c)
            for (int r = 0; r < g.Rows; ++r)
                BitBlt(dc, a + bm.bmWidth * c, a + bm.bmHeight * r, bm.bmWidth, bm.bmHeight, src, 0, 0,
                       SRCCOPY);
    }
    SelectObject(src, old);
    DeleteDC(src);
}

void TGradPan::DrawCaption(HDC dc, int x, int y, HFONT hfont) {
    const COLORREF remembered = ColorToRGB(fontColour);
    TTextDraw draws[5];
    const int n = TextEffectDraws(textEffect, draws);
    // Rotated text goes through a fixed buffer; longer captions are cut to it.
    char buffer[256];
    strncpy(buffer, caption.c_str(), sizeof buffer - 1);
    buffer[sizeof buffer - 1] = 0;
    HFONT turned = nullptr;
    if (textRotation != trNone) {
        LOGFONTA lf;
        GetObjectA(hfont, sizeof lf, &lf);
        lf.lfEscapement = textRotation == TrUp ? 900 : 2700;
        turned = CreateFontIndirectA(&lf);
    }
    for (int i = 0; i < n; ++i) {
        const COLORREF c = draws[i].Colour == dcShadow  ? ColorToRGB(colorShadow)
                           : draws[i].Colour == dcBlack ? RGB(0, 0, 0)
                                                        : remembered;
        SetTextColor(dc, c);
        if (turned) {
            HGDIOBJ previous = SelectObject(dc, turned);
            TextOutA(dc, x + draws[i].DX, y + draws[i].DY, buffer, static_cast<int>(strlen(buffer)));
            SelectObject(dc, previous);
        } else {
            TextOutA(dc, x + draws[i].DX, y + draws[i].DY, caption.c_str(), static_cast<int>(caption.size()));
        }
    }
    if (turned) DeleteObject(turned);
}

void TGradPan::DrawBevels(HDC dc, int W, int H) {
    const COLORREF white = RGB(255, 255, 255), grey = RGB(128, 128, 128);
    auto withPen = [&](COLORREF c, auto&& draw) {
        HPEN pen = CreatePen(PS_SOLID, 1, c);
        HGDIOBJ old = SelectObject(dc, pen);
        draw();
        SelectObject(dc, old);
        DeleteObject(pen);
    };
    const int VW = bevelWidth;
    if (bevelOuter != bvNone) {
        const bool raised = bevelOuter == bvRaised;
        withPen(raised ? white : grey, [&] {
            for (int i = 0; i < VW; ++i) Line(dc, i, i, W, i), Line(dc, i, i, i, H);
        });
        withPen(raised ? grey : white, [&] {
            for (int j = 0; j < VW; ++j)
                Line(dc, j, H - 1 - j, W - j, H - 1 - j), Line(dc, W - 1 - j, H - 1 - j, W - 1 - j, j);
        });
    }
    const int o = (bevelOuter != bvNone ? VW : 1) + borderWidth;
    if (bevelInner != bvNone) {
        const bool raised = bevelInner == bvRaised;
        withPen(raised ? white : grey, [&] {
            for (int k = 0; k < VW; ++k)
                Line(dc, o + k, o + k, W - o - k, o + k), Line(dc, o + k, o + k, o + k, H - o - k);
        });
        withPen(raised ? grey : white, [&] {
            for (int k = 0; k < VW; ++k) {
                Line(dc, o + k, H - o - k - 1, W - o - k, H - o - k - 1);
                Line(dc, W - o - k - 1, H - o - k - 1, W - o - k - 1, o + k);
            }
        });
    }
    if (ctl3D && bevelInner != bvNone) {
        const int b = bevelOuter != bvNone ? VW - 1 : 0;
        HBRUSH brush = CreateSolidBrush(ColorToRGB(color));
        for (int i = 1; i <= borderWidth; ++i) {
            RECT r = {b + i, b + i, W - i - b, H - i - b};
            FrameRect(dc, &r, brush);
        }
        DeleteObject(brush);
    }
}
