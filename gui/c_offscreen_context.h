// COffscreenContext: a drawing context on an in-memory surface of its own, copied onto a
// window (or another context) when finished.
#pragma once

#include "gui/c_draw_context.h"

namespace VSTGUI {

class COffscreenContext : public CDrawContext {
 public:
  // A width x height surface filled with `background`. Sizes below 1 make a 1 x 1 surface
  // so drawing stays defined.
  COffscreenContext(CFrame* frame, int32_t width, int32_t height,
                    const CColor& background = kBlackCColor);
  ~COffscreenContext() override;

  int32_t getWidth() const { return width_; }
  int32_t getHeight() const { return height_; }

  // Plain pixel copy of this surface onto `dest` at destRect, reading from srcOffset.
  void copyFrom(CDrawContext* dest, const CRect& destRect, const CPoint& srcOffset = CPoint(0, 0));

  // The pixel at (x, y) (tests and snapshots); black outside the surface.
  CColor getPixel(int32_t x, int32_t y);

 private:
  int32_t width_;
  int32_t height_;
};

}  // namespace VSTGUI
