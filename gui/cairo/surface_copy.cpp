#include "gui/cairo/surface_copy.h"

namespace VSTGUI {

void copySurface(cairo_t* cr, cairo_surface_t* source, int32_t width, int32_t height,
                 const SurfaceGrid& sourceGrid, const SurfaceGrid& destGrid, const CRect& dest,
                 const CPoint& offset) {
  if (dest.isEmpty() || width <= 0 || height <= 0) return;
  cairo_surface_flush(source);
  const PixelCopy copy = pixelCopy(sourceGrid, destGrid, dest, offset);
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_identity_matrix(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_rectangle(cr, copy.left, copy.top, copy.right - copy.left, copy.bottom - copy.top);
  cairo_clip(cr);
  cairo_translate(cr, copy.x, copy.y);
  if (sourceGrid.scale != destGrid.scale) {
    // A picture made for another scale: resampled, the one case that is not a pixel copy.
    const double ratio = destGrid.scale / sourceGrid.scale;
    cairo_scale(cr, ratio, ratio);
  }
  cairo_set_source_surface(cr, source, 0, 0);
  if (sourceGrid.scale != destGrid.scale)
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_rectangle(cr, 0, 0, width, height);
  cairo_fill(cr);
  cairo_restore(cr);
}

}  // namespace VSTGUI
