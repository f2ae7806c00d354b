// TGradPan: a panel that paints its background as a colour gradient, a flat
// colour or a bitmap and draws its caption with a relief, level or turned by
// 90 or 270 degrees; optionally the user can drag and resize it like a window.
// The arithmetic lives in GradPanMath; this is the window and the drawing.
//
// A panel may exist without a window (Create not called): PaintTo then still
// draws it into any device context, which is how tests read its pixels.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "GradPanMath.h"

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };

class TGradPan {
public:
    TGradPan();
    ~TGradPan();
    TGradPan(const TGradPan&) = delete;
    TGradPan& operator=(const TGradPan&) = delete;

    // Creates the panel's child window; border adds WS_BORDER (a single line).
    bool Create(HWND parent, int left, int top, int width, int height, bool border = false);
    HWND Handle() const { return handle; }

    // Draws the whole panel, width x height, into dc.
    void PaintTo(HDC dc, int width, int height);

    // The panel's own bitmap, for bdStretchImage and bdTileImage. SetBitmap
    // copies the image; after drawing into Bitmap() call BitmapChanged.
    HBITMAP Bitmap() const { return bitmap; }
    void SetBitmap(HBITMAP image);
    void BitmapChanged();

    // Every setter repaints the panel at once.
    TDirection BackGroundEffect() const { return backGroundEffect; }
    void SetBackGroundEffect(TDirection v) { backGroundEffect = v, Changed(); }
    TColor ColorEnd() const { return colorEnd; }
    void SetColorEnd(TColor v) { colorEnd = v, Changed(); }
    TColor ColorShadow() const { return colorShadow; }
    void SetColorShadow(TColor v) { colorShadow = v, Changed(); }
    TColor ColorStart() const { return colorStart; }
    void SetColorStart(TColor v) { colorStart = v, Changed(); }
    bool Ctl3D() const { return ctl3D; }
    void SetCtl3D(bool v) { ctl3D = v, Changed(); }
    TTextEffect TextEffect() const { return textEffect; }
    void SetTextEffect(TTextEffect v) { textEffect = v, Changed(); }
    TTextRotation TextRotation() const { return textRotation; }
    void SetTextRotation(TTextRotation v) { textRotation = v, Changed(); }
    TVertAlign VertAlign() const { return vertAlign; }
    void SetVertAlign(TVertAlign v) { vertAlign = v, Changed(); }

    // Plain fields: no repaint.
    int Marge = 6;  // width of the resize border of a moveable panel
    std::function<void(TGradPan& sender)> OnPanelMove;
    bool Moveable = false;

    // The standard panel's properties that the painting reads.
    const std::string& Caption() const { return caption; }
    void SetCaption(const std::string& v) { caption = v, Changed(); }
    TColor Color() const { return color; }
    void SetColor(TColor v) { color = v, Changed(); }
    TAlignment Alignment() const { return alignment; }
    void SetAlignment(TAlignment v) { alignment = v, Changed(); }
    TPanelBevel BevelOuter() const { return bevelOuter; }
    void SetBevelOuter(TPanelBevel v) { bevelOuter = v, Changed(); }
    TPanelBevel BevelInner() const { return bevelInner; }
    void SetBevelInner(TPanelBevel v) { bevelInner = v, Changed(); }
    int BevelWidth() const { return bevelWidth; }
    void SetBevelWidth(int v) { bevelWidth = v, Changed(); }
    int BorderWidth() const { return borderWidth; }
    void SetBorderWidth(int v) { borderWidth = v, Changed(); }
    // Font face, character height in pixels (negative as in LOGFONT) and colour.
    void SetFont(const char* face, int height, TColor colour);

private:
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    void Changed();
    void PaintBackground(HDC dc, int W, int H);
    void PaintGradient(HDC dc, int W, int H);
    void PaintImage(HDC dc, int W, int H);
    void DrawCaption(HDC dc, int x, int y, HFONT font);
    void DrawBevels(HDC dc, int W, int H);

    HWND handle = nullptr;
    HBITMAP bitmap = nullptr;
    TDirection backGroundEffect = bdVertIn;
    TColor colorEnd = clWhite, colorShadow = clGray, colorStart = clTeal;
    bool ctl3D = false;
    TTextEffect textEffect = teShadow;
    TTextRotation textRotation = trNone;
    TVertAlign vertAlign = vlCenter;
    std::string caption;
    TColor color = clBtnFace;
    TAlignment alignment = taCenter;
    TPanelBevel bevelOuter = bvRaised, bevelInner = bvNone;
    int bevelWidth = 1, borderWidth = 0;
    LOGFONTA font{};
    TColor fontColour = 0x80000008;  // the window-text system colour
    TColor GradientTable[GradientSteps] = {};
};

// A colour as GDI takes it: system colour codes become the colour they stand for.
COLORREF ColorToRGB(TColor colour);
