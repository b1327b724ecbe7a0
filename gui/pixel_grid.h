// Panel units and surface pixels. The panel is laid out in units (435 x 330); a frame
// shows it at a scale of 1 to 3 pixels per unit. Every edge of the layout falls on the
// pixel whose centre lies just past it (rounding half up), so rectangles that meet in
// units meet in pixels too, at fractional scales as well, and at scale 1 a unit is a pixel.
#pragma once

#include <cmath>
#include <cstdint>

#include "gui/gui_types.h"

namespace VSTGUI {

constexpr double kMinScale = 1.0;
constexpr double kMaxScale = 3.0;

// The scale clamped to 1..3; anything not a number counts as 1.
inline double clampScale(double scale) {
  if (!(scale >= kMinScale)) return kMinScale;
  return scale > kMaxScale ? kMaxScale : scale;
}

// The pixel edge of a unit edge on a surface whose unit (0, 0) lies at pixel `origin`.
inline int32_t pixelEdge(double origin, double scale, int32_t unit) {
  return static_cast<int32_t>(std::floor(origin + scale * unit + 0.5));
}

// Pixels that `units` units span from 0: the size of a window showing the panel.
inline int32_t scaledLength(int32_t units, double scale) { return pixelEdge(0.0, scale, units); }

// A window pixel position back to panel units (the unit whose span holds the pixel's centre).
inline int32_t unitOfPixel(int32_t pixel, double scale) {
  return static_cast<int32_t>(std::floor((pixel + 0.5) / scale));
}

// Where a surface's panel units lie on its pixels: pixels per unit, and the pixel
// position of the unit (0, 0).
struct SurfaceGrid {
  double scale = 1.0;
  double originX = 0.0;
  double originY = 0.0;
};

// A copy of a source surface's unit point `offset` onto a destination's unit rectangle
// `dest`, in pixels: the destination's pixels written (left, top, right, bottom), and
// where the source's offset point lies on it (x, y; whole pixels at equal scales).
struct PixelCopy {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
  double x;
  double y;
};

inline PixelCopy pixelCopy(const SurfaceGrid& source, const SurfaceGrid& target, const CRect& dest,
                           const CPoint& offset) {
  PixelCopy c{};
  c.left = pixelEdge(target.originX, target.scale, dest.left);
  c.top = pixelEdge(target.originY, target.scale, dest.top);
  c.right = pixelEdge(target.originX, target.scale, dest.right);
  c.bottom = pixelEdge(target.originY, target.scale, dest.bottom);
  const double ratio = target.scale / source.scale;
  c.x = target.originX + target.scale * dest.left -
        ratio * (source.originX + source.scale * offset.x);
  c.y =
      target.originY + target.scale * dest.top - ratio * (source.originY + source.scale * offset.y);
  if (ratio == 1.0) {
    c.x = std::round(c.x);
    c.y = std::round(c.y);
  }
  return c;
}

// The pixels an offscreen surface needs to draw a width x height rectangle that will be
// copied to `origin` (units) on a window at `scale`: from the window pixel the rectangle
// starts in to the one it ends in, with the rectangle's (0, 0) at pixel (fracX, fracY).
struct OffscreenPixels {
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
  double fracX;
  double fracY;
};

inline OffscreenPixels offscreenPixels(double scale, const CPoint& origin, int32_t width,
                                       int32_t height) {
  OffscreenPixels p{};
  const double x0 = scale * origin.x;
  const double y0 = scale * origin.y;
  p.left = static_cast<int32_t>(std::floor(x0));
  p.top = static_cast<int32_t>(std::floor(y0));
  const auto right = static_cast<int32_t>(std::ceil(x0 + scale * width));
  const auto bottom = static_cast<int32_t>(std::ceil(y0 + scale * height));
  p.width = right - p.left > 1 ? right - p.left : 1;
  p.height = bottom - p.top > 1 ? bottom - p.top : 1;
  p.fracX = x0 - p.left;
  p.fracY = y0 - p.top;
  return p;
}

}  // namespace VSTGUI
