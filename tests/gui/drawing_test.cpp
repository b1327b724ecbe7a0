// The drawing boundary read back pixel by pixel on windowless surfaces, for both backends:
// Cairo on Linux; GDI, msimg32 and GDI+ under wine.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>
#include <utility>

#include "colour_compare.h"
#include "editor/ars_draw_context.h"
#include "gui/c_bitmap.h"
#include "gui/c_offscreen_context.h"
#include "gui/vector_graphics.h"

namespace panner {

using namespace VSTGUI;
using quendral_test::near;

namespace {

constexpr CColor kRed{255, 0, 0, 255};
constexpr CColor kBlue{0, 0, 255, 255};
constexpr CColor kGrey{100, 100, 100, 255};

// Columns [first, last] that hold any pixel other than the background, or {-1, -1}.
std::pair<int, int> inkColumns(COffscreenContext& s, const CColor& background) {
  int first = -1, last = -1;
  for (int x = 0; x < s.getWidth(); ++x) {
    for (int y = 0; y < s.getHeight(); ++y) {
      if (!(s.getPixel(x, y) == background)) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  }
  return {first, last};
}

// The pixel on the circle of radius r around (cx, cy) at `degrees`, clockwise from 3 o'clock.
CColor pixelAt(COffscreenContext& s, double cx, double cy, double r, double degrees) {
  const double a = degrees * std::numbers::pi / 180.0;
  return s.getPixel(static_cast<int>(cx + r * std::cos(a)), static_cast<int>(cy + r * std::sin(a)));
}

// Ink columns of `text` on the anti-aliased context in font `fontId`; size < 0 sets no font.
std::pair<int, int> vectorText(const char* text, int32_t fontId, int size, int style = 0,
                               int32_t align = kLeftText) {
  ARSDrawContext a(nullptr, 600, 30, kWhiteCColor);
  a.setFontColor(kBlackCColor);
  if (size >= 0) a.setFont(fontId, size, style);
  a.drawString(text, CRect(0, 0, 600, 30), false, align);
  return inkColumns(a, kWhiteCColor);
}

class Drawing : public ::testing::Test {
  VectorGraphicsLibrary library;  // GDI+ runs while a test draws
};

}  // namespace

TEST_F(Drawing, PlainShapesCoverExactlyTheirPixels) {
  COffscreenContext s(nullptr, 20, 20, kGrey);
  s.setFillColor(kRed);
  s.fillRect(CRect(2, 3, 6, 8));
  EXPECT_EQ(s.getPixel(2, 3), kRed);
  EXPECT_EQ(s.getPixel(5, 7), kRed) << "right and bottom edges are the last pixels inside";
  EXPECT_EQ(s.getPixel(6, 7), kGrey);
  EXPECT_EQ(s.getPixel(5, 8), kGrey);
  s.setFrameColor(kBlue);
  s.drawRect(CRect(10, 10, 15, 15));
  EXPECT_EQ(s.getPixel(10, 10), kBlue);
  EXPECT_EQ(s.getPixel(14, 14), kBlue);
  EXPECT_EQ(s.getPixel(12, 12), kGrey) << "outline only";
  EXPECT_EQ(s.getPixel(15, 12), kGrey) << "the outline stays inside the rectangle";
  s.setFrameColor(kBlackCColor);
  s.moveTo(CPoint(0, 17));
  s.lineTo(CPoint(9, 17));
  EXPECT_EQ(s.getPixel(0, 17), kBlackCColor);
  EXPECT_EQ(s.getPixel(9, 17), kBlackCColor) << "the end point is drawn too";
  EXPECT_EQ(s.getPixel(10, 17), kGrey);
}

TEST_F(Drawing, AliasedShapesUseOnlyTheGivenColours) {
  COffscreenContext s(nullptr, 30, 30, kWhiteCColor);
  s.setFillColor(kRed);
  s.fillEllipse(CRect(0, 0, 30, 30));
  const CPoint triangle[] = {CPoint(0, 29), CPoint(29, 29), CPoint(15, 15)};
  s.setFillColor(kBlue);
  s.fillPolygon(triangle, 3);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 30; ++x) {
      const CColor c = s.getPixel(x, y);
      ASSERT_TRUE(c == kRed || c == kBlue || c == kWhiteCColor) << x << "," << y;
    }
  }
  EXPECT_EQ(s.getPixel(15, 5), kRed);
  EXPECT_EQ(s.getPixel(15, 25), kBlue);
  EXPECT_EQ(s.getPixel(0, 0), kWhiteCColor) << "corner outside the ellipse";
  // Shapes of no width or height leave the surface usable.
  COffscreenContext f(nullptr, 10, 10, kWhiteCColor);
  f.setFillColor(kRed);
  f.fillEllipse(CRect(2, 2, 2, 8));
  f.drawEllipse(CRect(2, 2, 8, 2));
  f.fillRect(CRect(0, 0, 3, 3));
  EXPECT_EQ(f.getPixel(1, 1), kRed);
}

TEST_F(Drawing, CopiesAndBitmapsLandWhereAskedAndNoFurther) {
  COffscreenContext source(nullptr, 4, 4, kRed);
  COffscreenContext target(nullptr, 10, 10, kGrey);
  source.copyFrom(&target, CRect(2, 2, 9, 9), CPoint(1, 1));
  EXPECT_EQ(target.getPixel(2, 2), kRed);
  EXPECT_EQ(target.getPixel(4, 4), kRed);
  EXPECT_EQ(target.getPixel(5, 5), kGrey) << "only the part the 4 x 4 source covers";
  const uint8_t rgb[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};  // 2 x 2
  auto* bitmap = new CBitmap(rgb, 2, 2);
  bitmap->draw(&target, CRect(0, 0, 2, 2));
  EXPECT_EQ(target.getPixel(0, 0), (CColor{1, 2, 3, 255}));
  EXPECT_EQ(target.getPixel(1, 1), (CColor{10, 11, 12, 255}));
  bitmap->draw(&target, CRect(6, 0, 7, 2), CPoint(1, 0));  // its right column
  EXPECT_EQ(target.getPixel(6, 0), (CColor{4, 5, 6, 255}));
  EXPECT_EQ(target.getPixel(6, 1), (CColor{10, 11, 12, 255}));
  EXPECT_EQ(target.getPixel(7, 0), kGrey) << "nothing copied outside the destination";
  bitmap->forget();
}

TEST_F(Drawing, PlainTextLetterSpacingAndAlignment) {
  COffscreenContext s(nullptr, 200, 30, kWhiteCColor);
  const char* text = "abcdef";
  s.setFont(kNormalFont, 12, 0);
  const int plain = s.getStringWidth(text);
  EXPECT_GT(plain, 20);
  s.setFont(kNormalFont, 12, kExpandedFace);  // two pixels more or less for each character
  EXPECT_EQ(s.getStringWidth(text), plain + 12);
  s.setFont(kNormalFont, 12, kCondensedFace);
  EXPECT_EQ(s.getStringWidth(text), plain - 12);

  s.setFont(kNormalFont, 12, 0);
  s.setFontColor(kBlackCColor);
  s.drawString(text, CRect(20, 0, 180, 30), false, kLeftText);
  const int first = inkColumns(s, kWhiteCColor).first;
  EXPECT_GE(first, 21) << "left alignment starts one pixel in";
  EXPECT_LE(first, 23);
}

TEST_F(Drawing, AntiAliasedColoursAndAlphaReachThePixels) {
  const auto filled = [](const CColor& colour, const CColor& background) {
    ARSDrawContext a(nullptr, 41, 41, background);
    a.setFillColor(colour);
    a.drawArc(CRect(0, 0, 41, 41), 0, 90, 1);
    return pixelAt(a, 20.5, 20.5, 10, 45);
  };
  EXPECT_EQ(filled(CColor{203, 17, 40, 255}, kBlackCColor), (CColor{203, 17, 40, 255}));
  EXPECT_TRUE(near(filled(CColor{255, 0, 0, 128}, kWhiteCColor), CColor{255, 127, 127, 255}, 2));

  // Text in a font colour of alpha 0 is drawn opaque.
  ARSDrawContext t(nullptr, 100, 30, kWhiteCColor);
  t.setFontColor(CColor{0, 0, 255, 0});
  t.setFont(3, 20, 0);
  t.drawString("HHH", CRect(0, 0, 100, 30), false, kLeftText);
  bool solidBlue = false;
  for (int x = 0; x < 100 && !solidBlue; ++x)
    for (int y = 0; y < 30 && !solidBlue; ++y) solidBlue = near(t.getPixel(x, y), kBlue, 4);
  EXPECT_TRUE(solidBlue);

  // Flat shapes and a NaN angle draw nothing and leave the surface usable.
  ARSDrawContext f(nullptr, 10, 10, kWhiteCColor);
  f.setFillColor(kRed);
  f.fillEllipse(CRect(3, 3, 3, 9));
  f.drawArc(CRect(0, 0, 0, 10), 0, 90, 1);
  f.drawArc(CRect(0, 0, 10, 10), std::nanf(""), 90, 1);
  EXPECT_EQ(inkColumns(f, kWhiteCColor).first, -1);
  f.fillRect(CRect(0, 0, 6, 6));
  EXPECT_EQ(f.getPixel(2, 2), kRed);
}

TEST_F(Drawing, ArcsRunClockwiseFromThreeOClock) {
  const double c = 50.5, r = 35;
  const struct {
    float start, end;
    std::vector<double> red, white;  // directions in degrees
  } pies[] = {
      {0, 90, {45}, {-45, 135}},            // 3 o'clock to 6 o'clock
      {300, 60, {0, -50, 50}, {-90, 180}},  // 120 degrees through 3 o'clock
      {120, 120, {}, {0, 90, 120, 180, 270}},
  };
  for (const auto& p : pies) {
    ARSDrawContext a(nullptr, 101, 101, kWhiteCColor);
    a.setFillColor(kRed);
    a.drawArc(CRect(0, 0, 101, 101), p.start, p.end, 1);
    for (double d : p.red) EXPECT_EQ(pixelAt(a, c, c, r, d), kRed) << p.start << " " << d;
    for (double d : p.white) EXPECT_EQ(pixelAt(a, c, c, r, d), kWhiteCColor) << p.start << " " << d;
  }
  ARSDrawContext outline(nullptr, 101, 101, kWhiteCColor);
  outline.setFrameColor(kBlue);
  outline.setLineWidth(3);
  outline.drawArc(CRect(10, 10, 91, 91), 350, 10, 0);
  EXPECT_NE(outline.getPixel(90, 50), kWhiteCColor) << "an arc through three o'clock";
  EXPECT_EQ(outline.getPixel(50, 50), kWhiteCColor) << "an arc is not a pie";
  outline.drawArc(CRect(10, 10, 91, 91), 0, 90, 7);
  EXPECT_EQ(outline.getPixel(50, 90), kWhiteCColor) << "unknown modes draw nothing";
}

TEST_F(Drawing, VectorTextRules) {
  EXPECT_EQ(vectorText("text", 3, -1).first, -1) << "no font set: nothing drawn";
  EXPECT_EQ(vectorText("text", 3, 0).first, -1) << "a zero size makes no font";
  EXPECT_NE(vectorText("text", 3, 12).first, -1);
  // Font 4 is the display family; every other row is the text family.
  const char* text = "quendral 123";
  EXPECT_NE(vectorText(text, 4, 14), vectorText(text, 3, 14));
  EXPECT_EQ(vectorText(text, 0, 14), vectorText(text, 3, 14));
  EXPECT_EQ(vectorText(text, 7, 14), vectorText(text, 3, 14));
  const auto centred = vectorText("middle", 3, 12, 0, kCenterText);
  EXPECT_NEAR((centred.first + centred.second) / 2.0, 300, 3);
  // More than 255 characters: only the first 255 are drawn.
  EXPECT_EQ(vectorText(std::string(300, 'i').c_str(), 3, 6),
            vectorText(std::string(255, 'i').c_str(), 3, 6));
  // Letter-spaced styles go through the framework's text with its spacing.
  const auto expanded = vectorText("spacing", 3, 12, kExpandedFace);
  const auto condensed = vectorText("spacing", 3, 12, kCondensedFace);
  EXPECT_EQ((expanded.second - expanded.first) - (condensed.second - condensed.first), 4 * 6);
}

}  // namespace panner
