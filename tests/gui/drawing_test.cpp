// Plain and anti-aliased drawing on offscreen surfaces: pixel extents, raster modes,
// text measuring and alignment, colour packing, arcs and pies, fonts.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "editor/ars_draw_context.h"
#include "gui/c_offscreen_context.h"
#include "gui/font_table.h"

namespace panner {

using namespace VSTGUI;

namespace {

constexpr CColor kRed{255, 0, 0, 255};
constexpr CColor kBlue{0, 0, 255, 255};

bool isBackground(const CColor& c, const CColor& background) { return c == background; }

// Columns [first, last] that hold any pixel different from the background, or {-1, -1}.
std::pair<int, int> inkColumns(COffscreenContext& surface, const CColor& background) {
  int first = -1;
  int last = -1;
  for (int x = 0; x < surface.getWidth(); ++x) {
    for (int y = 0; y < surface.getHeight(); ++y) {
      if (!isBackground(surface.getPixel(x, y), background)) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  }
  return {first, last};
}

// A pixel on the circle of radius r around (cx, cy) at `degrees` (clockwise from 3 o'clock).
CColor pixelAt(COffscreenContext& s, double cx, double cy, double r, double degrees) {
  double a = degrees * std::numbers::pi / 180.0;
  return s.getPixel(static_cast<int>(cx + r * std::cos(a)), static_cast<int>(cy + r * std::sin(a)));
}

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

  ARSDrawContext a(nullptr, 10, 10, kWhiteCColor);
  a.setFillColor(kRed);
  a.fillEllipse(CRect(3, 3, 3, 9));
  a.drawArc(CRect(0, 0, 0, 10), 0, 90, 1);
  a.drawArc(CRect(0, 0, 10, 10), std::nanf(""), 90, 1);
  a.fillRect(CRect(0, 0, 6, 6));
  EXPECT_EQ(a.getPixel(2, 2), kRed);
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

TEST(AntiAliasedContext, ColourPackingAndTextAlphaRule) {
  EXPECT_EQ(ARSDrawContext::packColour(CColor{0x12, 0x34, 0x56, 0x78}), 0x78123456u);
  EXPECT_EQ(ARSDrawContext::packFontColour(CColor{0, 0, 0, 255}), 0xFE000000u);
  EXPECT_EQ(ARSDrawContext::packFontColour(CColor{1, 2, 3, 0}), 0xFF010203u);

  ARSDrawContext a(nullptr, 10, 10);
  const CColor c{203, 0, 40, 255};
  a.setFrameColor(c);
  a.setFillColor(kRed);
  a.setFontColor(kBlue);
  a.setLineWidth(3);
  // The framework's state follows, for its own text path.
  EXPECT_EQ(a.getFrameColor(), c);
  EXPECT_EQ(a.getFillColor(), kRed);
  EXPECT_EQ(a.getFontColor(), kBlue);
  EXPECT_EQ(a.getLineWidth(), 3);
  EXPECT_EQ(a.getFontColorArgb(), 0xFE0000FFu);
  a.setFont(4, 11, 1);
  EXPECT_STREQ(a.getVectorFamily(), "Impact");
  EXPECT_EQ(a.getFontId(), 4) << "the framework keeps the table's row 4";
  a.setFont(3, 11, 0);
  EXPECT_STREQ(a.getVectorFamily(), "Arial");
}

TEST(AntiAliasedContext, ArcsRunClockwiseFromThreeOClock) {
  const double cx = 50.5, cy = 50.5, r = 35;
  auto pie = [&](float start, float end) {
    auto* a = new ARSDrawContext(nullptr, 101, 101, kWhiteCColor);
    a->setFillColor(kRed);
    a->drawArc(CRect(0, 0, 101, 101), start, end, 1);
    return a;
  };
  ARSDrawContext* quarter = pie(0, 90);  // 3 o'clock to 6 o'clock
  EXPECT_EQ(pixelAt(*quarter, cx, cy, r, 45), kRed);
  EXPECT_EQ(pixelAt(*quarter, cx, cy, r, -45), kWhiteCColor);
  EXPECT_EQ(pixelAt(*quarter, cx, cy, r, 135), kWhiteCColor);
  quarter->forget();

  ARSDrawContext* wrap = pie(300, 60);  // 120 degrees through 3 o'clock
  EXPECT_EQ(pixelAt(*wrap, cx, cy, r, 0), kRed);
  EXPECT_EQ(pixelAt(*wrap, cx, cy, r, -50), kRed);
  EXPECT_EQ(pixelAt(*wrap, cx, cy, r, 50), kRed);
  EXPECT_EQ(pixelAt(*wrap, cx, cy, r, -90), kWhiteCColor);
  EXPECT_EQ(pixelAt(*wrap, cx, cy, r, 180), kWhiteCColor);
  wrap->forget();

  ARSDrawContext* none = pie(120, 120);
  EXPECT_EQ(inkColumns(*none, kWhiteCColor).first, -1) << "equal angles sweep nothing";
  none->forget();

  ARSDrawContext outline(nullptr, 101, 101, kWhiteCColor);
  outline.setFrameColor(kBlue);
  outline.setLineWidth(3);
  outline.drawArc(CRect(10, 10, 91, 91), 350, 10, 0);
  EXPECT_NE(outline.getPixel(90, 50), kWhiteCColor) << "arc through three o'clock";
  EXPECT_EQ(outline.getPixel(50, 50), kWhiteCColor) << "an arc is not a pie";
  outline.drawArc(CRect(10, 10, 91, 91), 0, 90, 7);
  EXPECT_EQ(outline.getPixel(50, 90), kWhiteCColor) << "unknown modes draw nothing";
}

TEST(AntiAliasedContext, VectorTextRules) {
  auto ink = [](const char* text, int size, int style, int32_t align = kLeftText) {
    ARSDrawContext a(nullptr, 600, 30, kWhiteCColor);
    a.setFontColor(kBlackCColor);
    if (size >= 0) a.setFont(3, size, style);
    a.drawString(text, CRect(0, 0, 600, 30), false, align);
    return inkColumns(a, kWhiteCColor);
  };
  EXPECT_EQ(ink("text", -1, 0).first, -1) << "no font set: nothing drawn";
  EXPECT_EQ(ink("text", 0, 0).first, -1) << "a zero size makes no font";
  EXPECT_NE(ink("text", 12, 0).first, -1);

  // Centred text sits in the middle of the box.
  auto centred = ink("middle", 12, 0, kCenterText);
  EXPECT_NEAR((centred.first + centred.second) / 2.0, 300, 3);

  // More than 255 characters: only the first 255 are drawn.
  std::string longText(300, 'i');
  std::string cut(255, 'i');
  EXPECT_EQ(ink(longText.c_str(), 6, 0), ink(cut.c_str(), 6, 0));

  // Letter-spaced styles go through the framework's text with its spacing.
  auto expanded = ink("spacing", 12, kExpandedFace);
  auto condensed = ink("spacing", 12, kCondensedFace);
  EXPECT_EQ((expanded.second - expanded.first) - (condensed.second - condensed.first), 4 * 6);
}

}  // namespace panner
