// CDrawContext on Cairo: plain (aliased) shapes, raster modes, and the font table's text
// with letter spacing, drawn one character at a time as the window system's text
// output does.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "gui/c_draw_context.h"
#include "gui/c_frame.h"
#include "gui/cairo/cairo_text.h"
#include "gui/font_table.h"

namespace VSTGUI {

namespace {

cairo_t* cairoOf(void* cr) { return static_cast<cairo_t*>(cr); }

uint32_t packRgb(const CColor& c) {
  return (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | uint32_t{c.blue};
}

// Paints the current path of cr with a bitwise raster operation: the covered pixels of
// the target become (pixel | colour) for merge, ~(pixel ^ colour) for not-xor.
void rasterPath(cairo_t* cr, bool stroke, int32_t mode, const CColor& colour) {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  if (stroke) {
    cairo_stroke_extents(cr, &x0, &y0, &x1, &y1);
  } else {
    cairo_fill_extents(cr, &x0, &y0, &x1, &y1);
  }
  double cx0 = 0, cy0 = 0, cx1 = 0, cy1 = 0;
  cairo_clip_extents(cr, &cx0, &cy0, &cx1, &cy1);
  // To surface pixels: the panel transform only scales and moves, so corners stay corners.
  cairo_user_to_device(cr, &x0, &y0);
  cairo_user_to_device(cr, &x1, &y1);
  cairo_user_to_device(cr, &cx0, &cy0);
  cairo_user_to_device(cr, &cx1, &cy1);
  int left = static_cast<int>(std::floor(std::max(x0, cx0)));
  int top = static_cast<int>(std::floor(std::max(y0, cy0)));
  int right = static_cast<int>(std::ceil(std::min(x1, cx1)));
  int bottom = static_cast<int>(std::ceil(std::min(y1, cy1)));
  if (right <= left || bottom <= top) {
    cairo_new_path(cr);
    return;
  }
  int w = right - left;
  int h = bottom - top;

  // Coverage of the shape, aliased, in an 8-bit mask.
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
  cairo_t* mcr = cairo_create(mask);
  cairo_path_t* path = cairo_copy_path(cr);
  cairo_matrix_t panel;
  cairo_get_matrix(cr, &panel);
  cairo_translate(mcr, -left, -top);
  cairo_transform(mcr, &panel);
  cairo_append_path(mcr, path);
  cairo_path_destroy(path);
  cairo_set_antialias(mcr, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(mcr, cairo_get_line_width(cr));
  cairo_set_line_cap(mcr, cairo_get_line_cap(cr));
  cairo_set_fill_rule(mcr, cairo_get_fill_rule(cr));
  cairo_set_source_rgb(mcr, 0, 0, 0);
  if (stroke) {
    cairo_stroke(mcr);
  } else {
    cairo_fill(mcr);
  }
  cairo_destroy(mcr);
  cairo_surface_flush(mask);
  cairo_new_path(cr);

  cairo_surface_t* target = cairo_get_target(cr);
  cairo_surface_flush(target);
  cairo_rectangle_int_t area{left, top, w, h};
  cairo_surface_t* pixels = cairo_surface_map_to_image(target, &area);
  if (cairo_surface_status(pixels) == CAIRO_STATUS_SUCCESS &&
      (cairo_image_surface_get_format(pixels) == CAIRO_FORMAT_RGB24 ||
       cairo_image_surface_get_format(pixels) == CAIRO_FORMAT_ARGB32)) {
    cairo_surface_flush(pixels);
    const unsigned char* m = cairo_image_surface_get_data(mask);
    int mstride = cairo_image_surface_get_stride(mask);
    unsigned char* d = cairo_image_surface_get_data(pixels);
    int dstride = cairo_image_surface_get_stride(pixels);
    uint32_t c = packRgb(colour);
    for (int y = 0; y < h; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(d + static_cast<ptrdiff_t>(y) * dstride);
      for (int x = 0; x < w; ++x) {
        if (m[static_cast<ptrdiff_t>(y) * mstride + x] == 0) continue;
        uint32_t p = row[x] & 0xFFFFFFu;
        p = (mode == kMergeMode) ? (p | c) : (~(p ^ c) & 0xFFFFFFu);
        row[x] = 0xFF000000u | p;
      }
    }
    cairo_surface_mark_dirty(pixels);
  }
  cairo_surface_unmap_image(target, pixels);
  cairo_surface_destroy(mask);
}

void ellipsePath(cairo_t* cr, double x, double y, double w, double h) {
  if (w == 0 || h == 0) return;  // a flat ellipse covers nothing (and a zero scale is invalid)
  cairo_save(cr);
  cairo_translate(cr, x + w / 2.0, y + h / 2.0);
  cairo_scale(cr, w / 2.0, h / 2.0);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
  cairo_close_path(cr);
  cairo_restore(cr);
}

}  // namespace

CDrawContext::CDrawContext(CFrame* frame, void* surface) : frame_(frame), surface_(surface) {
  cr_ = cairo_create(static_cast<cairo_surface_t*>(surface));
  if (frame_) scale_ = frame_->getScale();
}

void CDrawContext::applyPanelTransform() {
  cairo_t* cr = cairoOf(cr_);
  cairo_identity_matrix(cr);
  if (scale_ == 1.0 && originX_ == 0.0 && originY_ == 0.0) return;
  cairo_translate(cr, originX_, originY_);
  cairo_scale(cr, scale_, scale_);
}

CDrawContext::~CDrawContext() {
  cairo_destroy(cairoOf(cr_));
  auto* surface = static_cast<cairo_surface_t*>(surface_);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
  if (flushWindow_ && frame_ && frame_->getPlatformWindow()) frame_->getPlatformWindow()->flush();
}

void CDrawContext::preparePlain() {
  cairo_t* cr = cairoOf(cr_);
  cairo_new_path(cr);
  applyPanelTransform();
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_set_line_width(cr, std::max(1, lineWidth_));
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
}

// Paints the path just built with the plain state: stroke with the frame colour or fill
// with the fill colour, through the raster mode.
void CDrawContext::paintPlain(bool stroke) {
  cairo_t* cr = cairoOf(cr_);
  const CColor& colour = stroke ? frameColor_ : fillColor_;
  if (drawMode_ == kMergeMode || drawMode_ == kNotXorMode) {
    rasterPath(cr, stroke, drawMode_, colour);
    return;
  }
  setOpaqueSource(cr, colour);
  if (stroke) {
    cairo_stroke(cr);
  } else {
    cairo_fill(cr);
  }
}

void CDrawContext::moveTo(const CPoint& point) { penPosition_ = point; }

void CDrawContext::lineTo(const CPoint& point) {
  preparePlain();
  cairo_t* cr = cairoOf(cr_);
  cairo_move_to(cr, penPosition_.x + 0.5, penPosition_.y + 0.5);
  cairo_line_to(cr, point.x + 0.5, point.y + 0.5);
  paintPlain(true);
  penPosition_ = point;
}

void CDrawContext::drawRect(const CRect& rect) {
  preparePlain();
  cairo_t* cr = cairoOf(cr_);
  // Through the centres of the outermost pixels, so the outline stays inside the rect.
  cairo_rectangle(cr, rect.left + 0.5, rect.top + 0.5, rect.width() - 1, rect.height() - 1);
  paintPlain(true);
}

void CDrawContext::fillRect(const CRect& rect) {
  preparePlain();
  cairo_rectangle(cairoOf(cr_), rect.left, rect.top, rect.width(), rect.height());
  paintPlain(false);
}

void CDrawContext::drawEllipse(const CRect& rect) {
  preparePlain();
  ellipsePath(cairoOf(cr_), rect.left + 0.5, rect.top + 0.5, rect.width() - 1, rect.height() - 1);
  paintPlain(true);
}

void CDrawContext::fillEllipse(const CRect& rect) {
  preparePlain();
  ellipsePath(cairoOf(cr_), rect.left, rect.top, rect.width(), rect.height());
  paintPlain(false);
}

// Starts a path through the centres of the given pixels.
void CDrawContext::pathThrough(const CPoint* points, int32_t count) {
  cairo_t* cr = cairoOf(cr_);
  cairo_move_to(cr, points[0].x + 0.5, points[0].y + 0.5);
  for (int32_t i = 1; i < count; ++i) cairo_line_to(cr, points[i].x + 0.5, points[i].y + 0.5);
}

void CDrawContext::fillPolygon(const CPoint* points, int32_t count) {
  if (!points || count < 3) return;
  preparePlain();
  pathThrough(points, count);
  cairo_close_path(cairoOf(cr_));
  paintPlain(false);
}

void CDrawContext::drawPolygon(const CPoint* points, int32_t count) {
  if (!points || count < 2) return;
  preparePlain();
  pathThrough(points, count);
  cairo_close_path(cairoOf(cr_));
  paintPlain(true);
}

// Selects the font-table font on the Cairo context, aliased.
void CDrawContext::applyPlainFont() {
  cairo_t* cr = cairoOf(cr_);
  const FontRow& row = fontRow(fontId_);
  bool bold = row.alwaysBold || (fontStyle_ & kBoldFace);
  cairo_select_font_face(
      cr, row.family,
      (fontStyle_ & kItalicFace) ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
      bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, fontSize_);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

int32_t CDrawContext::getStringWidth(const char* text) {
  if (!text || !*text) return 0;
  applyPanelTransform();  // metrics are hinted on the surface's pixels
  applyPlainFont();
  cairo_t* cr = cairoOf(cr_);
  int32_t spacing = letterSpacingForStyle(fontStyle_);
  double width = 0;
  for (const char* p = text; *p; ++p) {
    char utf8[3] = {0, 0, 0};
    byteToUtf8(static_cast<unsigned char>(*p), utf8);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, utf8, &extents);
    width += extents.x_advance + spacing;
  }
  return static_cast<int32_t>(std::lround(width));
}

void CDrawContext::drawString(const char* text, const CRect& rect, bool opaque, int32_t hAlign) {
  if (!text) return;
  cairo_t* cr = cairoOf(cr_);
  cairo_new_path(cr);
  applyPanelTransform();
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  if (opaque) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    setOpaqueSource(cr, fillColor_);
    cairo_rectangle(cr, rect.left, rect.top, rect.width(), rect.height());
    cairo_fill(cr);
  }
  if (!*text) return;
  int32_t width = getStringWidth(text);  // also selects the font
  int32_t x = rect.left + 1;
  if (hAlign == kCenterText) {
    x = rect.left + (rect.width() - width) / 2;
  } else if (hAlign == kRightText) {
    x = rect.right - width;
  }
  cairo_font_extents_t font;
  cairo_font_extents(cr, &font);
  double baseline = rect.top + (rect.height() - (font.ascent + font.descent)) / 2.0 + font.ascent;
  baseline = std::round(baseline);
  int32_t spacing = letterSpacingForStyle(fontStyle_);
  setOpaqueSource(cr, fontColor_);
  double pen = x;
  for (const char* p = text; *p; ++p) {
    char utf8[3] = {0, 0, 0};
    byteToUtf8(static_cast<unsigned char>(*p), utf8);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, utf8, &extents);
    cairo_move_to(cr, pen, baseline);
    cairo_show_text(cr, utf8);
    pen += extents.x_advance + spacing;
  }
  if (fontStyle_ & kUnderlineFace) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr, 1);
    cairo_move_to(cr, x, baseline + 1.5);
    cairo_line_to(cr, pen, baseline + 1.5);
    cairo_stroke(cr);
  }
}

}  // namespace VSTGUI
