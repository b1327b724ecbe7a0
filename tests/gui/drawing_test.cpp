// The framework's plain drawing on offscreen surfaces: pixel extents, raster modes, text
// measuring and alignment, the font table.
#include <gtest/gtest.h>

#include <string>

#include "gui/c_offscreen_context.h"
#include "gui/font_table.h"
#include "surface_probes.h"

namespace panner {

using namespace VSTGUI;

using surface_probes::inkColumns;

namespace {

constexpr CColor kRed{255, 0, 0, 255};
constexpr CColor kBlue{0, 0, 255, 255};

}  // namespace

TEST(PlainDrawing, RectanglesCoverExactlyTheirPixels) {
  COffscreenContext s(nullptr, 20, 20, kWhiteCColor);
  s.setFillColor(kRed);
  s.fillRect(CRect(2, 3, 6, 8));
  EXPECT_EQ(s.getPixel(2, 3), kRed);
  EXPECT_EQ(s.getPixel(5, 7), kRed);
  EXPECT_EQ(s.getPixel(6, 7), kWhiteCColor);
  EXPECT_EQ(s.getPixel(5, 8), kWhiteCColor);
  EXPECT_EQ(s.getPixel(1, 3), kWhiteCColor);

  s.setFrameColor(kBlue);
  s.drawRect(CRect(10, 10, 15, 15));
  EXPECT_EQ(s.getPixel(10, 10), kBlue);
  EXPECT_EQ(s.getPixel(14, 14), kBlue);
  EXPECT_EQ(s.getPixel(12, 10), kBlue);
  EXPECT_EQ(s.getPixel(12, 12), kWhiteCColor) << "outline only";
  EXPECT_EQ(s.getPixel(15, 12), kWhiteCColor) << "outline stays inside the rectangle";
}

TEST(PlainDrawing, AliasedShapesUseOnlyTheGivenColours) {
  COffscreenContext s(nullptr, 30, 30, kWhiteCColor);
  s.setFillColor(kRed);
  s.fillEllipse(CRect(0, 0, 30, 30));
  const CPoint triangle[] = {CPoint(0, 29), CPoint(29, 29), CPoint(15, 15)};
  s.setFillColor(kBlue);
  s.fillPolygon(triangle, 3);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 30; ++x) {
      CColor c = s.getPixel(x, y);
      ASSERT_TRUE(c == kRed || c == kBlue || c == kWhiteCColor) << x << "," << y;
    }
  }
  EXPECT_EQ(s.getPixel(15, 5), kRed);
  EXPECT_EQ(s.getPixel(15, 25), kBlue);
  EXPECT_EQ(s.getPixel(0, 0), kWhiteCColor) << "corner outside the ellipse";
}

TEST(PlainDrawing, RasterModesCombineBitwise) {
  const CColor dest{0x10, 0x20, 0x30, 255};
  const CColor pen{0xF0, 0x0F, 0x30, 255};
  COffscreenContext s(nullptr, 10, 10, dest);
  s.setFillColor(pen);
  s.setDrawMode(kMergeMode);
  s.fillRect(CRect(0, 0, 5, 10));
  s.setDrawMode(kNotXorMode);
  s.fillRect(CRect(5, 0, 10, 10));
  EXPECT_EQ(s.getPixel(2, 2), (CColor{0xF0, 0x2F, 0x30, 255}));
  EXPECT_EQ(s.getPixel(7, 2), (CColor{0x1F, 0xD0, 0xFF, 255}));
  s.setDrawMode(kCopyMode);
  s.fillRect(CRect(0, 0, 1, 1));
  EXPECT_EQ(s.getPixel(0, 0), pen);
}

TEST(PlainDrawing, FlatShapesLeaveTheContextUsable) {
  COffscreenContext s(nullptr, 10, 10, kWhiteCColor);
  s.setFillColor(kRed);
  s.fillEllipse(CRect(2, 2, 2, 8));
  s.drawEllipse(CRect(2, 2, 8, 2));
  s.fillRect(CRect(0, 0, 3, 3));
  EXPECT_EQ(s.getPixel(1, 1), kRed);
}

TEST(PlainText, LetterSpacingAndAlignment) {
  COffscreenContext s(nullptr, 200, 30, kWhiteCColor);
  const char* text = "abcdef";
  s.setFont(kNormalFont, 12, 0);
  int plain = s.getStringWidth(text);
  EXPECT_GT(plain, 20);
  s.setFont(kNormalFont, 12, kExpandedFace);
  EXPECT_EQ(s.getStringWidth(text), plain + 12);
  s.setFont(kNormalFont, 12, kCondensedFace);
  EXPECT_EQ(s.getStringWidth(text), plain - 12);
  s.setFont(kNormalFont, 12, kCondensedFace | kExpandedFace);
  EXPECT_EQ(s.getStringWidth(text), plain + 12) << "expanded wins";

  s.setFont(kNormalFont, 12, 0);
  s.setFontColor(kBlackCColor);
  s.drawString(text, CRect(20, 0, 180, 30), false, kLeftText);
  auto [first, last] = inkColumns(s, kWhiteCColor);
  EXPECT_GE(first, 21) << "left alignment starts one pixel in";
  EXPECT_LE(first, 23);

  COffscreenContext r(nullptr, 200, 30, kWhiteCColor);
  r.setFont(kNormalFont, 12, 0);
  r.setFontColor(kBlackCColor);
  r.drawString(text, CRect(20, 0, 180, 30), false, kRightText);
  auto [rfirst, rlast] = inkColumns(r, kWhiteCColor);
  EXPECT_LE(rlast, 179);
  EXPECT_GE(rlast, 175);
  EXPECT_GE(rfirst, 180 - plain - 1);
}

TEST(PlainText, OpaqueFillsTheRectangleWithTheFillColour) {
  COffscreenContext s(nullptr, 40, 20, kWhiteCColor);
  s.setFillColor(kBlue);
  s.setFont(kNormalFont, 10, 0);
  s.drawString("x", CRect(0, 0, 40, 20), false, kCenterText);
  EXPECT_EQ(s.getPixel(1, 1), kWhiteCColor);
  s.drawString("x", CRect(0, 0, 40, 20), true, kCenterText);
  EXPECT_EQ(s.getPixel(1, 1), kBlue);
}

TEST(FontTable, RowsAndResolution) {
  EXPECT_EQ(&fontRow(8), &fontRow(0)) << "out-of-range identifiers count as 0";
  EXPECT_EQ(&fontRow(-1), &fontRow(0));
  COffscreenContext s(nullptr, 4, 4);
  s.setFont(kNormalFontSmaller, 0, 0);
  EXPECT_EQ(s.getFontSize(), 10) << "size 0 is the row's default";

  // Arial is served by a metric-compatible family (fonts-liberation).
  EXPECT_EQ(resolveFontFamily("Arial"), "Liberation Sans");
  for (int id = 0; id < kNumStandardFonts; ++id) {
    std::string resolved = resolveFontFamily(fontRow(id).family);
    EXPECT_FALSE(resolved.empty());
    RecordProperty(std::string("font") + std::to_string(id),
                   std::string(fontRow(id).family) + " -> " + resolved);
  }
}

}  // namespace panner
