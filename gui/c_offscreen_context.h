// COffscreenContext: a drawing context on an in-memory surface of its own, copied onto a
// window (or another context) when finished.
#pragma once

#include "gui/c_draw_context.h"
#include "gui/pixel_grid.h"

namespace VSTGUI {

class COffscreenContext : public CDrawContext {
 public:
  // A width x height surface (panel units) filled with `background`. Sizes below 1 make a
  // 1 x 1 surface so drawing stays defined. At the frame's scale the surface has the
  // pixels of the window it will be copied to: `origin`, the panel position its (0, 0)
  // will be copied to, puts its pixels on the window's pixel grid, so that neighbouring
  // surfaces meet without seams at fractional scales too.
  COffscreenContext(CFrame* frame, int32_t width, int32_t height,
                    const CColor& background = kBlackCColor, const CPoint& origin = CPoint(0, 0));
  ~COffscreenContext() override;

  int32_t getWidth() const { return width_; }
  int32_t getHeight() const { return height_; }
  // The surface's size in pixels.
  int32_t getPixelWidth() const { return pixelWidth_; }
  int32_t getPixelHeight() const { return pixelHeight_; }

  // Plain pixel copy of this surface onto `dest` at destRect, reading from srcOffset (panel
  // units; at the same scale the pixels are copied one to one).
  void copyFrom(CDrawContext* dest, const CRect& destRect, const CPoint& srcOffset = CPoint(0, 0));

  // The pixel at (x, y) of the surface, in pixels (tests and snapshots); black outside it.
  CColor getPixel(int32_t x, int32_t y);

 private:
  COffscreenContext(CFrame* frame, int32_t width, int32_t height, const CColor& background,
                    const OffscreenPixels& pixels);

  int32_t width_;
  int32_t height_;
  int32_t pixelWidth_;
  int32_t pixelHeight_;
};

}  // namespace VSTGUI
