#include <gtest/gtest.h>

#include "GradPanMath.h"

namespace {

unsigned Red(TColor c) { return c & 0xFF; }
unsigned Green(TColor c) { return (c >> 8) & 0xFF; }
unsigned Blue(TColor c) { return (c >> 16) & 0xFF; }

// The entry whose band paints row r of a panel of the given extent: the last
// non-empty band that covers it.
int EntryOfRow(int r, int extent, bool mirrored) {
    int entry = -1;
    for (int k = 0; k < GradientSteps; ++k) {
        const TBandSpan s = BandSpan(k, extent);
        if (s.From <= r && r < s.To) entry = mirrored ? MirroredEntry(k) : k;
    }
    return entry;
}

}  // namespace

TEST(GradPanMath, MulDivRoundsHalvesAwayFromZero) {
    EXPECT_EQ(KitMulDiv(5, 10, 100), 1);     // 0.5
    EXPECT_EQ(KitMulDiv(4, 10, 100), 0);     // 0.4
    EXPECT_EQ(KitMulDiv(-5, 10, 100), -1);   // -0.5
    EXPECT_EQ(KitMulDiv(15, 10, -100), -2);  // -1.5
    EXPECT_EQ(KitMulDiv(1, 2, 0), -1);
    EXPECT_EQ(KitMulDiv(100000, 100000, 100), 100000000);  // product beyond 32 bits
    EXPECT_EQ(KitMulDiv(0x7FFFFFFF, 4, 2), -1);            // result beyond 32 bits
}

TEST(GradPanMath, MaroonToYellowDownwardTable) {
    // bdDown builds the table from ColorEnd to ColorStart.
    const TGradientPlan plan = GradientPlan(bdDown);
    ASSERT_TRUE(plan.Gradient);
    ASSERT_FALSE(plan.StartFirst);
    TColor table[GradientSteps];
    BuildGradient(clYellow, clMaroon, table);
    EXPECT_EQ(table[0], RGBColor(255, 255, 0));
    EXPECT_EQ(table[50], RGBColor(191, 127, 0));
    EXPECT_EQ(table[99], RGBColor(129, 2, 0));
    // Each channel moves one way only.
    for (int i = 1; i < GradientSteps; ++i) {
        EXPECT_LE(Red(table[i]), Red(table[i - 1]));
        EXPECT_LE(Green(table[i]), Green(table[i - 1]));
        EXPECT_EQ(Blue(table[i]), 0u);
    }
}

TEST(GradPanMath, SystemColourCodesUseTheirRawBytes) {
    TColor table[GradientSteps];
    BuildGradient(clBtnFace, clBlack, table);
    EXPECT_EQ(table[0], RGBColor(0x0F, 0, 0));  // the code's low bytes, not the face colour
}

TEST(GradPanMath, TenPixelPanelShowsEveryTenthEntry) {
    for (int r = 0; r < 10; ++r) EXPECT_EQ(EntryOfRow(r, 10, false), 10 * r + 4) << "row " << r;
    // Every row of a tall panel is painted, and bands never overlap.
    for (int extent : {1, 7, 99, 100, 101, 250, 768}) {
        int painted = 0;
        for (int k = 0; k < GradientSteps; ++k) {
            const TBandSpan s = BandSpan(k, extent);
            ASSERT_LE(s.From, s.To);
            if (k > 0) {
                ASSERT_EQ(s.From, BandSpan(k - 1, extent).To);
            }
            painted += s.To - s.From;
        }
        EXPECT_EQ(painted, extent);
    }
}

TEST(GradPanMath, MirroredBandsRunFromBothEdgesToTheMiddle) {
    EXPECT_EQ(MirroredEntry(0), 1);
    EXPECT_EQ(MirroredEntry(49), 99);
    EXPECT_EQ(MirroredEntry(50), 98);
    EXPECT_EQ(MirroredEntry(99), 0);
    for (int k = 0; k < GradientSteps; ++k) {
        EXPECT_GE(MirroredEntry(k), 0);
        EXPECT_LT(MirroredEntry(k), GradientSteps);
    }
    // bdHorzIn: ColorStart at top and bottom, ColorEnd in the middle, over rows.
    const TGradientPlan in = GradientPlan(bdHorzIn);
    EXPECT_TRUE(in.StartFirst && in.Mirrored && !in.Columns);
    EXPECT_LE(EntryOfRow(0, 200, true), 1);
    EXPECT_LE(EntryOfRow(199, 200, true), 1);
    EXPECT_GE(EntryOfRow(100, 200, true), 98);
    const TGradientPlan out = GradientPlan(bdVertOut);
    EXPECT_TRUE(!out.StartFirst && out.Mirrored && out.Columns);
    for (TDirection d : {bdFlat, bdStretchImage, bdTileImage}) EXPECT_FALSE(GradientPlan(d).Gradient);
}

TEST(GradPanMath, TilesOfABitmapLargerThanThePanel) {
    const TTileGrid one = TileGrid(100, 50, 0, 200, 80);
    EXPECT_EQ(one.Columns, 1);
    EXPECT_EQ(one.Rows, 1);
    const TTileGrid many = TileGrid(100, 50, 3, 20, 10);  // inset 3 on each side
    EXPECT_EQ(many.Columns, 5);
    EXPECT_EQ(many.Rows, 5);
    EXPECT_EQ(TileGrid(100, 50, 0, 0, 10).Columns, 0);  // an empty bitmap draws no tiles
}

TEST(GradPanMath, CaptionAnchors) {
    const TPanelMetrics m{200, 100, 2, 3, 16};  // W, H, BorderWidth, BevelWidth, TH
    TCaptionAnchor a = CaptionAnchor(TrUp, taCenter, vlCenter, m);
    EXPECT_EQ(a.X, 200 / 2 - 16 / 2);
    EXPECT_EQ(a.Y, 100 / 2 - 16 / 2);
    EXPECT_EQ(a.Mode, 6u);
    a = CaptionAnchor(trNone, taRightJustify, VlBottom, m);
    EXPECT_EQ(a.X, 200 - 2 - 3 - 2);
    EXPECT_EQ(a.Y, 100 - 2 - 3 - 16 - 1);
    EXPECT_EQ(a.Mode, 2u);
    a = CaptionAnchor(trNone, taLeftJustify, vlTop, m);
    EXPECT_EQ(a.X, 7);
    EXPECT_EQ(a.Y, 7);
    EXPECT_EQ(a.Mode, 0u);
    // Turned captions take their mode from the vertical placement.
    a = CaptionAnchor(TrUp, taLeftJustify, vlTop, m);
    EXPECT_EQ(a.Mode, 2u);
    a = CaptionAnchor(TrDown, taLeftJustify, VlBottom, m);
    EXPECT_EQ(a.X, 16 + 2 + 3 + 1);
    EXPECT_EQ(a.Y, 100 - 2 - 3 - 2);
    EXPECT_EQ(a.Mode, 2u);
    a = CaptionAnchor(TrDown, taCenter, vlTop, m);
    EXPECT_EQ(a.X, 8 + 100);
    EXPECT_EQ(a.Mode, 0u);
}

TEST(GradPanMath, ReliefDrawsEndInTheFontColour) {
    TTextDraw d[5];
    ASSERT_EQ(TextEffectDraws(tenone, d), 1);
    EXPECT_EQ(d[0].Colour, dcShadow);
    ASSERT_EQ(TextEffectDraws(teRaised, d), 5);
    EXPECT_TRUE(d[0].DX == -1 && d[0].DY == 0 && d[0].Colour == dcShadow);
    EXPECT_TRUE(d[2].DX == 1 && d[2].DY == 0 && d[2].Colour == dcBlack);
    EXPECT_TRUE(d[4].DX == 0 && d[4].DY == 0 && d[4].Colour == dcFont);
    ASSERT_EQ(TextEffectDraws(teLowered, d), 5);
    EXPECT_TRUE(d[0].DX == 1 && d[0].Colour == dcShadow && d[2].DX == -1 && d[2].Colour == dcBlack);
    ASSERT_EQ(TextEffectDraws(teShadow, d), 2);
    EXPECT_TRUE(d[0].DX == 1 && d[0].DY == 1 && d[1].Colour == dcFont);
    ASSERT_EQ(TextEffectDraws(teEmbossed, d), 5);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(d[i].Colour, dcShadow);
}

TEST(GradPanMath, HitTestOfAMoveablePanel) {
    EXPECT_EQ(PanelHitTest(0, 0, 100, 50, 6), 13);
    EXPECT_EQ(PanelHitTest(50, 25, 100, 50, 6), 2);
    EXPECT_EQ(PanelHitTest(97, 47, 100, 50, 6), 17);
    EXPECT_EQ(PanelHitTest(95, 25, 100, 50, 6), 11);
    EXPECT_EQ(PanelHitTest(2, 47, 100, 50, 6), 16);
    EXPECT_EQ(PanelHitTest(2, 25, 100, 50, 6), 10);
    EXPECT_EQ(PanelHitTest(97, 1, 100, 50, 6), 14);
    EXPECT_EQ(PanelHitTest(50, 5, 100, 50, 6), 12);
    EXPECT_EQ(PanelHitTest(50, 45, 100, 50, 6), 15);
    EXPECT_EQ(PanelHitTest(50, 44, 100, 50, 6), 2);  // H - y = 6 is not inside the margin
}
