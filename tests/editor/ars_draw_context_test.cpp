// The editor's anti-aliased drawing surface, read back pixel by pixel: colours as the user
// sees them, the font colour's alpha rule, the two vector font families, arcs and pies,
// and the vector text rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "editor/ars_draw_context.h"
#include "surface_probes.h"

namespace panner {

using namespace VSTGUI;
using surface_probes::inkColumns;
using surface_probes::pixelAt;

namespace {

constexpr CColor kRed{255, 0, 0, 255};
constexpr CColor kBlue{0, 0, 255, 255};

bool near(const CColor& a, const CColor& b, int tolerance) {
  return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance &&
         std::abs(a.blue - b.blue) <= tolerance;
}

// The inside of a quarter pie filled with `colour` on `background`.
CColor filledColour(const CColor& colour, const CColor& background) {
  ARSDrawContext a(nullptr, 41, 41, background);
  a.setFillColor(colour);
  a.drawArc(CRect(0, 0, 41, 41), 0, 90, 1);
  return pixelAt(a, 20.5, 20.5, 10, 45);
}

// Columns of ink of `text` in vector font `fontId`, size 14.
std::pair<int, int> textInk(int32_t fontId, const char* text) {
  ARSDrawContext a(nullptr, 300, 30, kWhiteCColor);
  a.setFontColor(kBlackCColor);
  a.setFont(fontId, 14, 0);
  a.drawString(text, CRect(0, 0, 300, 30), false, kLeftText);
  return inkColumns(a, kWhiteCColor);
}

}  // namespace

TEST(AntiAliasedContext, ColoursAndAlphaReachThePixels) {
  // Every channel lands where it belongs, and alpha blends with what is below.
  EXPECT_EQ(filledColour(CColor{203, 17, 40, 255}, kBlackCColor), (CColor{203, 17, 40, 255}));
  EXPECT_TRUE(
      near(filledColour(CColor{255, 0, 0, 128}, kWhiteCColor), CColor{255, 127, 127, 255}, 2));

  // The framework's state follows the setters, for its own text path.
  ARSDrawContext a(nullptr, 10, 10);
  a.setFrameColor(kRed);
  a.setFillColor(kBlue);
  a.setFontColor(kRed);
  a.setLineWidth(3);
  EXPECT_EQ(a.getFrameColor(), kRed);
  EXPECT_EQ(a.getFillColor(), kBlue);
  EXPECT_EQ(a.getFontColor(), kRed);
  EXPECT_EQ(a.getLineWidth(), 3);
}

TEST(AntiAliasedContext, TextWithATransparentFontColourIsDrawnOpaque) {
  ARSDrawContext a(nullptr, 100, 30, kWhiteCColor);
  a.setFontColor(CColor{0, 0, 255, 0});  // alpha 0 counts as fully opaque for text
  a.setFont(3, 20, 0);
  a.drawString("HHH", CRect(0, 0, 100, 30), false, kLeftText);
  bool solidBlue = false;
  for (int x = 0; x < 100 && !solidBlue; ++x) {
    for (int y = 0; y < 30 && !solidBlue; ++y) solidBlue = near(a.getPixel(x, y), kBlue, 4);
  }
  EXPECT_TRUE(solidBlue);
}

TEST(AntiAliasedContext, FontFourIsTheDisplayFamilyAllOthersTheTextFamily) {
  const char* text = "quendral 123";
  EXPECT_NE(textInk(4, text), textInk(3, text));
  EXPECT_EQ(textInk(0, text), textInk(3, text));
  EXPECT_EQ(textInk(7, text), textInk(3, text));
  ARSDrawContext a(nullptr, 10, 10);
  a.setFont(4, 11, 1);
  EXPECT_EQ(a.getFontId(), 4) << "the framework keeps the table's row 4";
}

TEST(AntiAliasedContext, FlatShapesAndNaNAnglesLeaveTheSurfaceUsable) {
  ARSDrawContext a(nullptr, 10, 10, kWhiteCColor);
  a.setFillColor(kRed);
  a.fillEllipse(CRect(3, 3, 3, 9));
  a.drawArc(CRect(0, 0, 0, 10), 0, 90, 1);
  a.drawArc(CRect(0, 0, 10, 10), std::nanf(""), 90, 1);
  a.fillRect(CRect(0, 0, 6, 6));
  EXPECT_EQ(a.getPixel(2, 2), kRed);
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
