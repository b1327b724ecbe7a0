// ARSDrawContext: the anti-aliased operations go to the drawing backend's VectorGraphics
// on this context's own surface; the framework's state is kept in step after each setter.
#include "editor/ars_draw_context.h"

#include <cmath>
#include <cstring>

namespace panner {

using VSTGUI::CColor;
using VSTGUI::CPoint;
using VSTGUI::CRect;

namespace {
constexpr size_t kMaxTextLength = 255;
}  // namespace

ARSDrawContext::ARSDrawContext(VSTGUI::CFrame* frame, int32_t width, int32_t height,
                               const CColor& background, const VSTGUI::CPoint& origin)
    : COffscreenContext(frame, width, height, background, origin),
      graphics(VSTGUI::createVectorGraphics(*this)) {
  graphics->setPenColour(frameColorArgb);
  graphics->setFillColour(fillColorArgb);
  graphics->setTextColour(fontColorArgb);
  graphics->setPenWidth(1);
  graphics->setFont(vectorFamily, 0, 0);
}

// The graphics object goes before the surface it draws on.
ARSDrawContext::~ARSDrawContext() { graphics.reset(); }

uint32_t ARSDrawContext::packColour(const CColor& c) {
  return (uint32_t{c.alpha} << 24) | (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) |
         uint32_t{c.blue};
}

uint32_t ARSDrawContext::packFontColour(const CColor& c) {
  CColor shifted = c;
  shifted.alpha = static_cast<uint8_t>(c.alpha - 1);  // 255 -> 254, 0 -> 255
  return packColour(shifted);
}

void ARSDrawContext::setFrameColor(const CColor& color) {
  frameColorArgb = packColour(color);
  graphics->setPenColour(frameColorArgb);
  CDrawContext::setFrameColor(color);
}

void ARSDrawContext::setFillColor(const CColor& color) {
  fillColorArgb = packColour(color);
  graphics->setFillColour(fillColorArgb);
  CDrawContext::setFillColor(color);
}

void ARSDrawContext::setFontColor(const CColor& color) {
  fontColorArgb = packFontColour(color);
  graphics->setTextColour(fontColorArgb);
  CDrawContext::setFontColor(color);
}

void ARSDrawContext::setLineWidth(int32_t width) {
  graphics->setPenWidth(width);
  CDrawContext::setLineWidth(width);
}

void ARSDrawContext::setFont(int32_t fontId, int32_t size, int32_t style) {
  vectorStyle = style;
  vectorFamily = (fontId == 4) ? "Impact" : "Arial";
  // A size of zero or less makes no vector font: vector text then draws nothing.
  graphics->setFont(vectorFamily, size,
                    style & (VSTGUI::kBoldFace | VSTGUI::kItalicFace | VSTGUI::kUnderlineFace));
  CDrawContext::setFont(fontId, size, style);
}

void ARSDrawContext::moveTo(const CPoint& point) {
  penX = point.x;
  penY = point.y;
}

void ARSDrawContext::lineTo(const CPoint& point) {
  graphics->drawLine(CPoint(penX, penY), point);
  penX = point.x;
  penY = point.y;
}

void ARSDrawContext::drawRect(const CRect& rect) { graphics->drawRect(rect); }
void ARSDrawContext::fillRect(const CRect& rect) { graphics->fillRect(rect); }
void ARSDrawContext::drawEllipse(const CRect& rect) { graphics->drawEllipse(rect); }
void ARSDrawContext::fillEllipse(const CRect& rect) { graphics->fillEllipse(rect); }

void ARSDrawContext::drawArc(const CRect& rect, float startAngle, float endAngle, int32_t mode) {
  if (mode != 0 && mode != 1) return;
  if (!std::isfinite(startAngle) || !std::isfinite(endAngle)) return;
  float sweep = (startAngle <= endAngle) ? endAngle - startAngle : (endAngle + 360.0f) - startAngle;
  if (mode == 1) {
    graphics->fillPie(rect, startAngle, sweep);
  } else {
    graphics->drawArc(rect, startAngle, sweep);
  }
}

void ARSDrawContext::drawString(const char* text, const CRect& rect, bool opaque, int32_t hAlign) {
  if (!text) return;
  // Letter-spaced styles go through the framework's text, with its font and spacing.
  if (vectorStyle & (VSTGUI::kCondensedFace | VSTGUI::kExpandedFace)) {
    CDrawContext::drawString(text, rect, opaque, hAlign);
    return;
  }
  graphics->drawText(text, strnlen(text, kMaxTextLength), rect, hAlign);
}

}  // namespace panner
