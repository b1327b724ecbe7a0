// VectorGraphics on Cairo. The operations place pixel centres on integer coordinates (a
// half-pixel shift), the convention the controls were drawn for: a 1-pixel line at y = 6
// covers row 6 exactly, and a filled box from 0 to W covers half of column 0, which the
// controls' white outline then completes.
#include <cairo.h>

#include <algorithm>
#include <numbers>
#include <string>

#include "gui/c_draw_context.h"
#include "gui/cairo/cairo_text.h"
#include "gui/vector_graphics.h"

namespace VSTGUI {

namespace {

class CairoVectorGraphics : public VectorGraphics {
 public:
  CairoVectorGraphics(cairo_t* cr, double scale, double originX, double originY) : cr_(cr) {
    cairo_matrix_init_translate(&panel_, originX, originY);
    cairo_matrix_scale(&panel_, scale, scale);
  }

  void setPenColour(uint32_t argb) override { penArgb_ = argb; }
  void setFillColour(uint32_t argb) override { fillArgb_ = argb; }
  void setTextColour(uint32_t argb) override { textArgb_ = argb; }
  void setPenWidth(int32_t width) override { penWidth_ = width; }
  void setFont(const char* family, int32_t size, int32_t style) override {
    family_ = family ? family : "";
    size_ = size;
    style_ = style;
  }

  void drawLine(const CPoint& from, const CPoint& to) override {
    prepare();
    cairo_move_to(cr_, from.x, from.y);
    cairo_line_to(cr_, to.x, to.y);
    stroke();
  }

  void drawRect(const CRect& box) override {
    prepare();
    cairo_rectangle(cr_, box.left, box.top, box.width(), box.height());
    stroke();
  }

  void fillRect(const CRect& box) override {
    prepare();
    cairo_rectangle(cr_, box.left, box.top, box.width(), box.height());
    fill();
  }

  void drawEllipse(const CRect& box) override {
    prepare();
    ellipsePath(box);
    stroke();
  }

  void fillEllipse(const CRect& box) override {
    prepare();
    ellipsePath(box);
    fill();
  }

  void drawArc(const CRect& box, float start, float sweep) override {
    arc(box, start, sweep, false);
  }
  void fillPie(const CRect& box, float start, float sweep) override {
    arc(box, start, sweep, true);
  }

  void drawText(const char* text, size_t length, const CRect& box, int32_t hAlign) override {
    if (size_ <= 0 || !text || length == 0) return;
    std::string utf8 = latin1ToUtf8(text, length);
    cairo_new_path(cr_);
    cairo_set_matrix(cr_, &panel_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
    cairo_select_font_face(
        cr_, family_.c_str(),
        (style_ & kItalicFace) ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
        (style_ & kBoldFace) ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, size_);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);  // no grid fitting
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr_, options);
    cairo_font_options_destroy(options);

    cairo_text_extents_t extents;
    cairo_text_extents(cr_, utf8.c_str(), &extents);
    cairo_font_extents_t font;
    cairo_font_extents(cr_, &font);
    double x = box.left;
    if (hAlign == kCenterText) {
      x = box.left + (box.width() - extents.x_advance) / 2.0;
    } else if (hAlign == kRightText) {
      x = box.right - extents.x_advance;
    }
    double baseline = box.top + (box.height() - (font.ascent + font.descent)) / 2.0 + font.ascent;
    setSource(textArgb_);
    cairo_move_to(cr_, x, baseline);
    cairo_show_text(cr_, utf8.c_str());
    if (style_ & kUnderlineFace) {
      double thickness = std::max(1.0, size_ / 14.0);
      cairo_rectangle(cr_, x, baseline + thickness, extents.x_advance, thickness);
      cairo_fill(cr_);
    }
    cairo_new_path(cr_);
  }

 private:
  void prepare() {
    cairo_new_path(cr_);
    cairo_set_matrix(cr_, &panel_);
    cairo_translate(cr_, 0.5, 0.5);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT);
    cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
    cairo_set_line_width(cr_, penWidth_ > 0 ? penWidth_ : 1);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
  }

  void setSource(uint32_t argb) {
    cairo_set_source_rgba(cr_, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                          (argb & 0xFF) / 255.0, (argb >> 24) / 255.0);
  }

  void stroke() {
    setSource(penArgb_);
    cairo_stroke(cr_);
  }

  void fill() {
    setSource(fillArgb_);
    cairo_fill(cr_);
  }

  void ellipsePath(const CRect& box) {
    double w = box.width();
    double h = box.height();
    if (w == 0 || h == 0) return;  // flat: nothing to cover
    cairo_save(cr_);
    cairo_translate(cr_, box.left + w / 2.0, box.top + h / 2.0);
    cairo_scale(cr_, w / 2.0, h / 2.0);
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, 0, 0, 1, 0, 2 * std::numbers::pi);
    cairo_close_path(cr_);
    cairo_restore(cr_);
  }

  void arc(const CRect& box, float startAngle, float sweep, bool pie) {
    double w = box.width();
    double h = box.height();
    if (w == 0 || h == 0 || sweep == 0.0f) return;
    prepare();
    // On a unit circle scaled to the box; y grows downward, so angles grow clockwise.
    double start = startAngle * std::numbers::pi / 180.0;
    double end = (startAngle + sweep) * std::numbers::pi / 180.0;
    cairo_save(cr_);
    cairo_translate(cr_, box.left + w / 2.0, box.top + h / 2.0);
    cairo_scale(cr_, w / 2.0, h / 2.0);
    if (pie) cairo_move_to(cr_, 0, 0);
    cairo_arc(cr_, 0, 0, 1, start, end);
    if (pie) cairo_close_path(cr_);
    cairo_restore(cr_);
    if (pie) {
      fill();
    } else {
      stroke();
    }
  }

  cairo_t* cr_;
  cairo_matrix_t panel_;  // panel units to the surface's pixels
  uint32_t penArgb_ = 0xFF000000u;
  uint32_t fillArgb_ = 0xFFFFFFFFu;
  uint32_t textArgb_ = 0xFE000000u;
  int32_t penWidth_ = 1;
  std::string family_ = "Arial";
  int32_t size_ = 0;
  int32_t style_ = 0;
};

}  // namespace

VectorGraphicsLibrary::VectorGraphicsLibrary() = default;
VectorGraphicsLibrary::~VectorGraphicsLibrary() = default;

std::unique_ptr<VectorGraphics> createVectorGraphics(CDrawContext& context) {
  return std::make_unique<CairoVectorGraphics>(static_cast<cairo_t*>(context.getSystemContext()),
                                               context.getScale(), context.getOriginX(),
                                               context.getOriginY());
}

}  // namespace VSTGUI
