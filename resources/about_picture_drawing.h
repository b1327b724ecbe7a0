// The about picture's drawing with Cairo, in its 435 x 330 units (Linux and the build
// machine only).
#pragma once

#include <cairo.h>

namespace resources {

void drawAboutPicture(cairo_t* cr);

}  // namespace resources
