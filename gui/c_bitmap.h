// CBitmap: an opaque picture held in memory, drawn by plain copy.
#pragma once

#include <cstdint>
#include <vector>

#include "gui/c_reference_counter.h"
#include "gui/gui_types.h"
#include "gui/pixel_grid.h"

namespace VSTGUI {

class CDrawContext;

class CBitmap : public CReferenceCounter {
 public:
  // From 24-bit pixels: `rgb` holds height rows of width R, G, B byte triplets, top row
  // first, rows `rowBytes` apart (0 means 3 * width).
  CBitmap(const uint8_t* rgb, int32_t width, int32_t height, int32_t rowBytes = 0);
  ~CBitmap() override;

  // A picture made for a scaled panel has `scale` pixels per panel unit (1 to 3); it is
  // copied pixel for pixel onto a context of the same scale, resampled onto others.
  void setScale(double scale);
  double getScale() const { return scale_; }
  // The size in panel units, and in pixels.
  int32_t getWidth() const;
  int32_t getHeight() const;
  int32_t getPixelWidth() const { return width_; }
  int32_t getPixelHeight() const { return height_; }
  // The pixel at (x, y), in pixels; black outside the picture.
  CColor getPixel(int32_t x, int32_t y) const;

  // Copies the picture onto the context: destRect receives the part starting at offset.
  void draw(CDrawContext* context, const CRect& destRect, const CPoint& offset = CPoint(0, 0));

 private:
  int32_t width_;
  int32_t height_;
  double scale_ = 1.0;
  std::vector<uint32_t> pixels_;  // 0xFFRRGGBB, top row first
};

}  // namespace VSTGUI
