// Pixel copy of one Cairo surface into a rectangle of a context.
#pragma once

#include <cairo.h>

#include "gui/pixel_grid.h"

namespace VSTGUI {

// Copies `source` (width x height pixels, laid out by sourceGrid) onto cr (laid out by
// destGrid) so that the source's unit point `offset` lands on dest's top-left corner. Only
// the pixels of dest (units) are written. At equal scales pixels are copied one to one;
// otherwise the source is resampled (a picture made for another scale).
void copySurface(cairo_t* cr, cairo_surface_t* source, int32_t width, int32_t height,
                 const SurfaceGrid& sourceGrid, const SurfaceGrid& destGrid, const CRect& dest,
                 const CPoint& offset);

}  // namespace VSTGUI
