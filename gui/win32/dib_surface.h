// DibSurface: a 32-bit top-down DIB section selected into a memory device context, the
// pixels behind every Windows drawing context (offscreen contexts, the window's back
// buffer, the windowless image). GDI and GDI+ draw on its device context; the pixels are
// readable in memory as 0x00RRGGBB. Reference-counted: a drawing context holds one
// reference while it draws on a surface that its window owns.
#pragma once

#include <windows.h>

#include <cstdint>

#include "gui/gui_types.h"

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

  // Plain copy of this surface onto `target` so that the pixel at `offset` lands on
  // dest's top-left corner; only the part of dest that the surface covers is written.
  void copyTo(HDC target, const CRect& dest, const CPoint& offset) const;

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

// The part of dest that a width x height source placed at (dest.left - offset.x,
// dest.top - offset.y) covers; empty when none.
CRect coveredPart(const CRect& dest, const CPoint& offset, int32_t width, int32_t height);

inline COLORREF colourRef(const CColor& c) { return RGB(c.red, c.green, c.blue); }

}  // namespace VSTGUI
