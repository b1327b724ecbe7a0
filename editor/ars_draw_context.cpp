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
                               const CColor& background)
    : COffscreenContext(frame, width, height, background),
      graphics_(VSTGUI::createVectorGraphics(*this)) {
  graphics_->setPenColour(frameColorArgb_);
  graphics_->setFillColour(fillColorArgb_);
  graphics_->setTextColour(fontColorArgb_);
  graphics_->setPenWidth(1);
  graphics_->setFont(vectorFamily_, 0, 0);
}

// The graphics object goes before the surface it draws on.
ARSDrawContext::~ARSDrawContext() { graphics_.reset(); }

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
  frameColorArgb_ = packColour(color);
  graphics_->setPenColour(frameColorArgb_);
  CDrawContext::setFrameColor(color);
}

void ARSDrawContext::setFillColor(const CColor& color) {
  fillColorArgb_ = packColour(color);
  graphics_->setFillColour(fillColorArgb_);
  CDrawContext::setFillColor(color);
}

void ARSDrawContext::setFontColor(const CColor& color) {
  fontColorArgb_ = packFontColour(color);
  graphics_->setTextColour(fontColorArgb_);
  CDrawContext::setFontColor(color);
}

void ARSDrawContext::setLineWidth(int32_t width) {
  graphics_->setPenWidth(width);
  CDrawContext::setLineWidth(width);
}

void ARSDrawContext::setFont(int32_t fontId, int32_t size, int32_t style) {
  vectorStyle_ = style;
  vectorFamily_ = (fontId == 4) ? "Impact" : "Arial";
  // A size of zero or less makes no vector font: vector text then draws nothing.
  graphics_->setFont(vectorFamily_, size,
                     style & (VSTGUI::kBoldFace | VSTGUI::kItalicFace | VSTGUI::kUnderlineFace));
  CDrawContext::setFont(fontId, size, style);
}

void ARSDrawContext::moveTo(const CPoint& point) {
  penX_ = point.x;
  penY_ = point.y;
}

void ARSDrawContext::lineTo(const CPoint& point) {
  graphics_->drawLine(CPoint(penX_, penY_), point);
  penX_ = point.x;
  penY_ = point.y;
}

void ARSDrawContext::drawRect(const CRect& rect) { graphics_->drawRect(rect); }
void ARSDrawContext::fillRect(const CRect& rect) { graphics_->fillRect(rect); }
void ARSDrawContext::drawEllipse(const CRect& rect) { graphics_->drawEllipse(rect); }
void ARSDrawContext::fillEllipse(const CRect& rect) { graphics_->fillEllipse(rect); }

void ARSDrawContext::drawArc(const CRect& rect, float startAngle, float endAngle, int32_t mode) {
  if (mode != 0 && mode != 1) return;
  if (!std::isfinite(startAngle) || !std::isfinite(endAngle)) return;
  float sweep = (startAngle <= endAngle) ? endAngle - startAngle : (endAngle + 360.0f) - startAngle;
  if (mode == 1) {
    graphics_->fillPie(rect, startAngle, sweep);
  } else {
    graphics_->drawArc(rect, startAngle, sweep);
  }
}

void ARSDrawContext::drawString(const char* text, const CRect& rect, bool opaque, int32_t hAlign) {
  if (!text) return;
  // Letter-spaced styles go through the framework's text, with its font and spacing.
  if (vectorStyle_ & (VSTGUI::kCondensedFace | VSTGUI::kExpandedFace)) {
    CDrawContext::drawString(text, rect, opaque, hAlign);
    return;
  }
  graphics_->drawText(text, strnlen(text, kMaxTextLength), rect, hAlign);
}

}  // namespace panner
