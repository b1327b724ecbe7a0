// ARSDrawContext on Cairo. The anti-aliased operations place pixel centres on integer
// coordinates (a half-pixel shift), the convention of the vector library the controls
// were drawn for: a 1-pixel line at y = 6 covers row 6 exactly, and a filled box from 0
// to W covers half of column 0, which the controls' white outline then completes.
#include "editor/ars_draw_context.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "gui/cairo/cairo_text.h"

namespace panner {

using VSTGUI::CColor;
using VSTGUI::CPoint;
using VSTGUI::CRect;

namespace {
constexpr size_t kMaxTextLength = 255;
cairo_t* cairoOf(void* cr) { return static_cast<cairo_t*>(cr); }
}  // namespace

ARSDrawContext::ARSDrawContext(VSTGUI::CFrame* frame, int32_t width, int32_t height,
                               const CColor& background)
    : COffscreenContext(frame, width, height, background) {}

ARSDrawContext::~ARSDrawContext() = default;

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
  CDrawContext::setFrameColor(color);
}

void ARSDrawContext::setFillColor(const CColor& color) {
  fillColorArgb_ = packColour(color);
  CDrawContext::setFillColor(color);
}

void ARSDrawContext::setFontColor(const CColor& color) {
  fontColorArgb_ = packFontColour(color);
  CDrawContext::setFontColor(color);
}

void ARSDrawContext::setLineWidth(int32_t width) { CDrawContext::setLineWidth(width); }

void ARSDrawContext::setFont(int32_t fontId, int32_t size, int32_t style) {
  vectorStyle_ = style;
  vectorFamily_ = (fontId == 4) ? "Impact" : "Arial";
  // A size of zero or less makes no vector font: vector text then draws nothing.
  hasFont_ = size > 0;
  vectorSize_ = size;
  CDrawContext::setFont(fontId, size, style);
}

void ARSDrawContext::prepareVector() {
  cairo_t* cr = cairoOf(cr_);
  cairo_new_path(cr);
  cairo_identity_matrix(cr);
  cairo_translate(cr, 0.5, 0.5);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  // A pen of width 0 or less still draws the thinnest visible line.
  cairo_set_line_width(cr, lineWidth_ > 0 ? lineWidth_ : 1);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

void ARSDrawContext::setSourceArgb(uint32_t argb) {
  cairo_set_source_rgba(cairoOf(cr_), ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                        (argb & 0xFF) / 255.0, (argb >> 24) / 255.0);
}

void ARSDrawContext::pathEllipse(const CRect& rect) {
  double w = rect.width();
  double h = rect.height();
  if (w == 0 || h == 0) return;  // flat: nothing to cover
  cairo_t* cr = cairoOf(cr_);
  cairo_save(cr);
  cairo_translate(cr, rect.left + w / 2.0, rect.top + h / 2.0);
  cairo_scale(cr, w / 2.0, h / 2.0);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_close_path(cr);
  cairo_restore(cr);
}

void ARSDrawContext::moveTo(const CPoint& point) {
  penX_ = point.x;
  penY_ = point.y;
}

void ARSDrawContext::lineTo(const CPoint& point) {
  prepareVector();
  cairo_t* cr = cairoOf(cr_);
  cairo_move_to(cr, penX_, penY_);
  cairo_line_to(cr, point.x, point.y);
  setSourceArgb(frameColorArgb_);
  cairo_stroke(cr);
  penX_ = point.x;
  penY_ = point.y;
}

void ARSDrawContext::drawRect(const CRect& rect) {
  prepareVector();
  cairo_t* cr = cairoOf(cr_);
  cairo_rectangle(cr, rect.left, rect.top, rect.width(), rect.height());
  setSourceArgb(frameColorArgb_);
  cairo_stroke(cr);
}

void ARSDrawContext::fillRect(const CRect& rect) {
  prepareVector();
  cairo_t* cr = cairoOf(cr_);
  cairo_rectangle(cr, rect.left, rect.top, rect.width(), rect.height());
  setSourceArgb(fillColorArgb_);
  cairo_fill(cr);
}

void ARSDrawContext::drawEllipse(const CRect& rect) {
  prepareVector();
  pathEllipse(rect);
  setSourceArgb(frameColorArgb_);
  cairo_stroke(cairoOf(cr_));
}

void ARSDrawContext::fillEllipse(const CRect& rect) {
  prepareVector();
  pathEllipse(rect);
  setSourceArgb(fillColorArgb_);
  cairo_fill(cairoOf(cr_));
}

void ARSDrawContext::drawArc(const CRect& rect, float startAngle, float endAngle, int32_t mode) {
  if (mode != 0 && mode != 1) return;
  if (!std::isfinite(startAngle) || !std::isfinite(endAngle)) return;
  float sweep = (startAngle <= endAngle) ? endAngle - startAngle : (endAngle + 360.0f) - startAngle;
  double w = rect.width();
  double h = rect.height();
  if (w == 0 || h == 0 || sweep == 0.0f) return;
  prepareVector();
  cairo_t* cr = cairoOf(cr_);
  // On a unit circle scaled to the box; y grows downward, so angles grow clockwise.
  double start = startAngle * M_PI / 180.0;
  double end = (startAngle + sweep) * M_PI / 180.0;
  cairo_save(cr);
  cairo_translate(cr, rect.left + w / 2.0, rect.top + h / 2.0);
  cairo_scale(cr, w / 2.0, h / 2.0);
  if (mode == 1) cairo_move_to(cr, 0, 0);
  cairo_arc(cr, 0, 0, 1, start, end);
  if (mode == 1) cairo_close_path(cr);
  cairo_restore(cr);
  if (mode == 1) {
    setSourceArgb(fillColorArgb_);
    cairo_fill(cr);
  } else {
    setSourceArgb(frameColorArgb_);
    cairo_stroke(cr);
  }
}

void ARSDrawContext::drawString(const char* text, const CRect& rect, bool opaque, int32_t hAlign) {
  if (!text) return;
  // Letter-spaced styles go through the framework's text, with its font and spacing.
  if (vectorStyle_ & (VSTGUI::kCondensedFace | VSTGUI::kExpandedFace)) {
    cairo_identity_matrix(cairoOf(cr_));
    CDrawContext::drawString(text, rect, opaque, hAlign);
    return;
  }
  if (!hasFont_ || !*text) return;
  std::string utf8 = VSTGUI::latin1ToUtf8(text, kMaxTextLength);

  cairo_t* cr = cairoOf(cr_);
  cairo_new_path(cr);
  cairo_identity_matrix(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_select_font_face(
      cr, vectorFamily_,
      (vectorStyle_ & VSTGUI::kItalicFace) ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
      (vectorStyle_ & VSTGUI::kBoldFace) ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, vectorSize_);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);  // no grid fitting
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);

  cairo_text_extents_t extents;
  cairo_text_extents(cr, utf8.c_str(), &extents);
  cairo_font_extents_t font;
  cairo_font_extents(cr, &font);
  double x = rect.left;
  if (hAlign == VSTGUI::kCenterText) {
    x = rect.left + (rect.width() - extents.x_advance) / 2.0;
  } else if (hAlign == VSTGUI::kRightText) {
    x = rect.right - extents.x_advance;
  }
  double baseline = rect.top + (rect.height() - (font.ascent + font.descent)) / 2.0 + font.ascent;
  setSourceArgb(fontColorArgb_);
  cairo_move_to(cr, x, baseline);
  cairo_show_text(cr, utf8.c_str());
  if (vectorStyle_ & VSTGUI::kUnderlineFace) {
    double thickness = std::max(1.0, vectorSize_ / 14.0);
    cairo_rectangle(cr, x, baseline + thickness, extents.x_advance, thickness);
    cairo_fill(cr);
  }
  cairo_new_path(cr);
}

}  // namespace panner
