// ARSDrawContext: the offscreen surface every custom control paints on. It adds
// anti-aliased shapes and text to the framework's offscreen context and keeps the
// framework's own state (colours, line width, font) in step, so the framework's
// letter-spaced text can still be drawn on the same surface.
//
// Use: one context per paint, exactly the control's size, drawn in local coordinates,
// copied onto the target with copyFrom, then forgotten. On a scaled frame the surface has
// the window's resolution; `origin`, the control's top-left corner in the panel, lines
// its pixels up with the window's.
//
// The name is the one the editor's documentation uses (glossary: docs/code-map.md).
#pragma once

#include <cstdint>
#include <memory>

#include "gui/c_offscreen_context.h"
#include "gui/vector_graphics.h"

namespace panner {

class ARSDrawContext : public VSTGUI::COffscreenContext {
 public:
  ARSDrawContext(VSTGUI::CFrame* frame, int32_t width, int32_t height,
                 const VSTGUI::CColor& background = VSTGUI::kBlackCColor,
                 const VSTGUI::CPoint& origin = VSTGUI::CPoint(0, 0));
  ~ARSDrawContext() override;

  // Colour setters: the packed value is kept for the anti-aliased operations, then the
  // framework setter of the same name is called.
  void setFrameColor(const VSTGUI::CColor& color);
  void setFillColor(const VSTGUI::CColor& color);
  // The text colour is packed with alpha (alpha - 1) mod 256: opaque text draws at 254,
  // alpha 0 draws opaque.
  void setFontColor(const VSTGUI::CColor& color);
  void setLineWidth(int32_t width);
  // Vector font: "Impact" for identifier 4, "Arial" otherwise; em size in pixels; style
  // bits 1, 2, 4 (bold, italic, underline). Bits 8 and 16 make drawString use the
  // framework's letter-spaced text. The framework font is set with the same values.
  void setFont(int32_t fontId, int32_t size = 0, int32_t style = 0);

  // Anti-aliased shapes. Rectangles give the box (left, top, width = right - left,
  // height = bottom - top), passed on as they are (negative sizes included).
  void moveTo(const VSTGUI::CPoint& point);
  void lineTo(const VSTGUI::CPoint& point);
  void drawRect(const VSTGUI::CRect& rect);
  void fillRect(const VSTGUI::CRect& rect);
  void drawEllipse(const VSTGUI::CRect& rect);
  void fillEllipse(const VSTGUI::CRect& rect);
  // Angles in degrees, 0 at three o'clock, growing clockwise. The sweep is end - start,
  // or end + 360 - start when start > end. Mode 0 outlines the arc with the pen, mode 1
  // fills the pie with the fill colour, other modes draw nothing.
  void drawArc(const VSTGUI::CRect& rect, float startAngle, float endAngle, int32_t mode);
  // One line of text, centred vertically in rect, horizontally by hAlign (0 left, 1
  // centre, 2 right; other values left). No clipping, no wrapping; at most the first 255
  // characters. The background is never painted on the vector path.
  void drawString(const char* text, const VSTGUI::CRect& rect, bool opaque = false,
                  int32_t hAlign = VSTGUI::kCenterText);

  uint32_t getFrameColorArgb() const { return frameColorArgb; }
  uint32_t getFillColorArgb() const { return fillColorArgb; }
  uint32_t getFontColorArgb() const { return fontColorArgb; }
  VSTGUI::CPoint getPenPosition() const { return VSTGUI::CPoint(penX, penY); }
  // Family of the vector font ("Arial" or "Impact").
  const char* getVectorFamily() const { return vectorFamily; }

  // alpha << 24 | red << 16 | green << 8 | blue.
  static uint32_t packColour(const VSTGUI::CColor& color);
  // The same with alpha replaced by (alpha - 1) mod 256.
  static uint32_t packFontColour(const VSTGUI::CColor& color);

 private:
  std::unique_ptr<VSTGUI::VectorGraphics> graphics;
  uint32_t frameColorArgb = 0xFF000000u;
  uint32_t fillColorArgb = 0xFFFFFFFFu;
  uint32_t fontColorArgb = 0xFE000000u;
  int32_t penX = 0;
  int32_t penY = 0;
  int32_t vectorStyle = 0;
  const char* vectorFamily = "Arial";
};

}  // namespace panner
