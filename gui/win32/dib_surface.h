// DibSurface: a 32-bit top-down DIB section selected into a memory device context, the
// pixels behind every Windows drawing context (offscreen contexts, the window's back
// buffer, the windowless image). GDI and GDI+ draw on its device context; the pixels are
// readable in memory as 0x00RRGGBB. Reference-counted: a drawing context holds one
// reference while it draws on a surface that its window owns.
#pragma once

#include <windows.h>

#include <cstdint>

#include "gui/pixel_grid.h"

namespace VSTGUI {

class DibSurface {
 public:
  // width x height (at least 1 x 1), filled with colour. On failure dc() is null.
  DibSurface(int32_t width, int32_t height, const CColor& colour);
  DibSurface(const DibSurface&) = delete;
  DibSurface& operator=(const DibSurface&) = delete;

  void remember() { ++references_; }
  void forget() {
    if (--references_ <= 0) delete this;
  }

  HDC dc() const { return dc_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  // The pixel at (x, y) as 0x00RRGGBB (GDI's pending drawing is flushed first); 0 outside.
  uint32_t pixel(int32_t x, int32_t y) const;
  const uint32_t* pixels() const {
    GdiFlush();
    return pixels_;
  }

  // Copy of this surface (laid out by sourceGrid) onto `target` (laid out by targetGrid) so
  // that the unit point `offset` lands on dest's top-left corner; only the part of dest
  // that the surface covers is written. Pixel for pixel at equal scales.
  void copyTo(HDC target, const SurfaceGrid& sourceGrid, const SurfaceGrid& targetGrid,
              const CRect& dest, const CPoint& offset) const;

 private:
  ~DibSurface();

  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  uint32_t* pixels_ = nullptr;
  int32_t width_;
  int32_t height_;
  int references_ = 1;
};

// The target pixels of `copy` that a width x height source covers, and the source pixels
// they show, as GDI's stretching copies take them; false when none. The target's world
// transform (the panel's scale) must be set aside while copying in pixels.
struct PixelBlit {
  int32_t left, top, width, height;
  int32_t sourceLeft, sourceTop, sourceWidth, sourceHeight;
};
bool pixelBlit(const PixelCopy& copy, double ratio, int32_t width, int32_t height, PixelBlit& out);

// Sets a device context's world transform aside (pixels) until the end of the scope.
class DevicePixels {
 public:
  explicit DevicePixels(HDC dc);
  ~DevicePixels();
  DevicePixels(const DevicePixels&) = delete;
  DevicePixels& operator=(const DevicePixels&) = delete;

 private:
  HDC dc_;
  XFORM saved_{};
  bool advanced_ = false;
};

inline COLORREF colourRef(const CColor& c) { return RGB(c.red, c.green, c.blue); }

}  // namespace VSTGUI
