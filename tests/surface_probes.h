// Reading drawn pixels back from an offscreen surface: where the ink is, and the colour at
// a point of a circle. Shared by the framework's and the editor's drawing tests.
#pragma once

#include <cmath>
#include <numbers>
#include <utility>

#include "gui/c_offscreen_context.h"

namespace surface_probes {

// Columns [first, last] that hold any pixel different from the background, or {-1, -1}.
inline std::pair<int, int> inkColumns(VSTGUI::COffscreenContext& surface,
                                      const VSTGUI::CColor& background) {
  int first = -1;
  int last = -1;
  for (int x = 0; x < surface.getWidth(); ++x) {
    for (int y = 0; y < surface.getHeight(); ++y) {
      if (!(surface.getPixel(x, y) == background)) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  }
  return {first, last};
}

// The pixel on the circle of radius r around (cx, cy) at `degrees` (clockwise from
// 3 o'clock, as y grows downward).
inline VSTGUI::CColor pixelAt(VSTGUI::COffscreenContext& s, double cx, double cy, double r,
                              double degrees) {
  const double a = degrees * std::numbers::pi / 180.0;
  return s.getPixel(static_cast<int>(cx + r * std::cos(a)), static_cast<int>(cy + r * std::sin(a)));
}

}  // namespace surface_probes
