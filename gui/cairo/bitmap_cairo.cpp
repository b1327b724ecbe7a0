// Drawing a CBitmap on a Cairo context: a plain copy of the picture's pixels.
#include <cairo.h>

#include "gui/c_bitmap.h"
#include "gui/c_draw_context.h"

namespace VSTGUI {

void CBitmap::draw(CDrawContext* context, const CRect& destRect, const CPoint& offset) {
  if (!context || destRect.isEmpty() || width_ == 0 || height_ == 0) return;
  auto* cr = static_cast<cairo_t*>(context->getSystemContext());
  cairo_surface_t* picture = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(pixels_.data()), CAIRO_FORMAT_RGB24, width_, height_, width_ * 4);
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_identity_matrix(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, picture, destRect.left - offset.x, destRect.top - offset.y);
  // Outside the picture nothing is copied (the destination keeps its pixels).
  cairo_rectangle(cr, destRect.left, destRect.top, destRect.width(), destRect.height());
  cairo_clip(cr);
  cairo_rectangle(cr, destRect.left - offset.x, destRect.top - offset.y, width_, height_);
  cairo_fill(cr);
  cairo_restore(cr);
  cairo_surface_destroy(picture);
}

}  // namespace VSTGUI
