// Plain pixel copy of one Cairo surface into a rectangle of a context.
#pragma once

#include <cairo.h>

#include "gui/gui_types.h"

namespace VSTGUI {

// Copies `source` (width x height) onto cr so that the pixel at `offset` lands on dest's
// top-left corner. Only the part of dest that the source covers is written.
void copySurface(cairo_t* cr, cairo_surface_t* source, int32_t width, int32_t height,
                 const CRect& dest, const CPoint& offset);

}  // namespace VSTGUI
