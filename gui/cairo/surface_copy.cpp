#include "gui/cairo/surface_copy.h"

namespace VSTGUI {

void copySurface(cairo_t* cr, cairo_surface_t* source, int32_t width, int32_t height,
                 const CRect& dest, const CPoint& offset) {
  if (dest.isEmpty() || width <= 0 || height <= 0) return;
  cairo_surface_flush(source);
  const int32_t x = dest.left - offset.x;
  const int32_t y = dest.top - offset.y;
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_identity_matrix(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, source, x, y);
  cairo_rectangle(cr, dest.left, dest.top, dest.width(), dest.height());
  cairo_clip(cr);
  cairo_rectangle(cr, x, y, width, height);
  cairo_fill(cr);
  cairo_restore(cr);
}

}  // namespace VSTGUI
