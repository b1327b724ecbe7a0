// Drawing a CBitmap on a Cairo context: a plain copy of the picture's pixels.
#include <cairo.h>

#include "gui/c_bitmap.h"
#include "gui/c_draw_context.h"
#include "gui/cairo/surface_copy.h"

namespace VSTGUI {

void CBitmap::draw(CDrawContext* context, const CRect& destRect, const CPoint& offset) {
  if (!context || destRect.isEmpty() || width_ == 0 || height_ == 0) return;
  cairo_surface_t* picture =
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels_.data()),
                                          CAIRO_FORMAT_RGB24, width_, height_, width_ * 4);
  copySurface(static_cast<cairo_t*>(context->getSystemContext()), picture, width_, height_,
              SurfaceGrid{scale_, 0.0, 0.0},
              SurfaceGrid{context->getScale(), context->getOriginX(), context->getOriginY()},
              destRect, offset);
  cairo_surface_destroy(picture);
}

}  // namespace VSTGUI
