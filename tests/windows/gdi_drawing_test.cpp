// The Windows drawing backend on its windowless DIB surfaces: plain GDI shapes under the
// draw modes, surface copies, bitmaps, GDI+ shapes and text, and fonts that are missing.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "editor/ars_draw_context.h"
#include "gui/c_bitmap.h"
#include "gui/c_frame.h"
#include "gui/c_offscreen_context.h"
#include "gui/font_table.h"
#include "gui/vector_graphics.h"
#include "gui/win32/gdi_fonts.h"

namespace panner {

using VSTGUI::CColor;
using VSTGUI::COffscreenContext;
using VSTGUI::CPoint;
using VSTGUI::CRect;

namespace {
constexpr CColor kRed{200, 16, 40, 255};
constexpr CColor kGrey{100, 100, 100, 255};
}  // namespace

TEST(GdiDrawing, PlainShapesCoverTheirPixelsUnderEachDrawMode) {
  COffscreenContext s(nullptr, 20, 20, kGrey);
  s.setFillColor(kRed);
  s.fillRect(CRect(2, 2, 6, 6));
  EXPECT_EQ(s.getPixel(2, 2), kRed);
  EXPECT_EQ(s.getPixel(5, 5), kRed) << "right and bottom edges are the last pixels inside";
  EXPECT_EQ(s.getPixel(6, 6), kGrey);

  // Merge: source OR destination; not-xor: NOT (source XOR destination).
  s.setDrawMode(VSTGUI::kMergeMode);
  s.fillRect(CRect(10, 0, 12, 2));
  EXPECT_EQ(s.getPixel(10, 0), (CColor{100 | 200, 100 | 16, 100 | 40, 255}));
  s.setDrawMode(VSTGUI::kNotXorMode);
  s.fillRect(CRect(14, 0, 16, 2));
  EXPECT_EQ(s.getPixel(14, 0),
            (CColor{static_cast<uint8_t>(~(100 ^ 200)), static_cast<uint8_t>(~(100 ^ 16)),
                    static_cast<uint8_t>(~(100 ^ 40)), 255}));
  s.setDrawMode(VSTGUI::kCopyMode);
  s.setFrameColor(VSTGUI::kBlackCColor);
  s.moveTo(CPoint(0, 10));
  s.lineTo(CPoint(9, 10));
  EXPECT_EQ(s.getPixel(0, 10), VSTGUI::kBlackCColor);
  EXPECT_EQ(s.getPixel(9, 10), VSTGUI::kBlackCColor) << "the end point is drawn too";
  EXPECT_EQ(s.getPixel(10, 10), kGrey);
}

TEST(GdiDrawing, CopiesAndBitmapsLandWhereAskedAndNoFurther) {
  COffscreenContext source(nullptr, 4, 4, kRed);
  COffscreenContext target(nullptr, 10, 10, kGrey);
  source.copyFrom(&target, CRect(2, 2, 9, 9), CPoint(1, 1));
  EXPECT_EQ(target.getPixel(2, 2), kRed);
  EXPECT_EQ(target.getPixel(4, 4), kRed);
  EXPECT_EQ(target.getPixel(5, 5), kGrey) << "only the part the 4 x 4 source covers";

  const uint8_t rgb[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};  // 2 x 2
  auto* bitmap = new VSTGUI::CBitmap(rgb, 2, 2);
  bitmap->draw(&target, CRect(0, 0, 2, 2));
  EXPECT_EQ(target.getPixel(0, 0), (CColor{1, 2, 3, 255}));
  EXPECT_EQ(target.getPixel(1, 1), (CColor{10, 11, 12, 255}));
  bitmap->forget();
}

TEST(GdiDrawing, AntiAliasedShapesAndTextDrawThroughGdiPlus) {
  VSTGUI::VectorGraphicsLibrary library;
  ARSDrawContext a(nullptr, 60, 30, VSTGUI::kWhiteCColor);
  a.setFillColor(kRed);
  a.fillEllipse(CRect(0, 0, 20, 20));
  EXPECT_EQ(a.getPixel(10, 10), kRed);
  EXPECT_EQ(a.getPixel(0, 0), VSTGUI::kWhiteCColor) << "outside the ellipse";

  a.setFont(VSTGUI::kNormalFont, 14, 0);
  a.setFontColor(VSTGUI::kBlackCColor);
  a.drawString("HHH", CRect(20, 0, 60, 30), false, VSTGUI::kLeftText);
  int dark = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 20; x < 60; ++x) dark += a.getPixel(x, y).red < 100 ? 1 : 0;
  EXPECT_GT(dark, 20) << "the text was drawn";

  // No font (size 0): the vector text draws nothing.
  ARSDrawContext b(nullptr, 40, 20, VSTGUI::kWhiteCColor);
  b.setFont(VSTGUI::kNormalFont, 0, 0);
  b.drawString("HHH", CRect(0, 0, 40, 20), false, VSTGUI::kLeftText);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(b.getPixel(x, y), VSTGUI::kWhiteCColor);
}

TEST(GdiFonts, MissingFamiliesFallBackToInstalledOnes) {
  const std::string fallback = VSTGUI::installedFamilyFor("No Such Family At All");
  EXPECT_FALSE(fallback.empty());
  EXPECT_EQ(VSTGUI::installedFamilyFor(fallback.c_str()), fallback);
  // Every row of the font table has a family that text can be drawn with.
  for (int id = 0; id < VSTGUI::kNumStandardFonts; ++id)
    EXPECT_FALSE(VSTGUI::resolveFontFamily(VSTGUI::fontRow(id).family).empty()) << id;

  COffscreenContext s(nullptr, 80, 20, VSTGUI::kWhiteCColor);
  s.setFont(VSTGUI::kNormalFontSmall, 0, 0);  // "Futura Condensed ExtraBold": not on wine
  EXPECT_GT(s.getStringWidth("wide text"), 20);
  s.setFont(VSTGUI::kNormalFont, 12, VSTGUI::kExpandedFace);
  const int32_t expanded = s.getStringWidth("abcd");
  s.setFont(VSTGUI::kNormalFont, 12, 0);
  EXPECT_EQ(expanded, s.getStringWidth("abcd") + 8) << "2 more pixels for each character";
}

}  // namespace panner
