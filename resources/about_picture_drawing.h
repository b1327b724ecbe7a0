// The about picture's drawing with Cairo, in its 435 x 330 units (Linux and the build
// machine only).
#pragma once

#include <cairo.h>

namespace resources {

void drawAboutPicture(cairo_t* cr);

// The picture drawn at `scale` pixels per unit on a new RGB24 image of round(435 * scale) x
// round(330 * scale) pixels (the caller destroys it); the surface is in an error state when
// it could not be made.
cairo_surface_t* drawAboutPictureAt(double scale);

}  // namespace resources
