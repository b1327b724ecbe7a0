// CBitmap: an opaque picture held in memory, drawn by plain copy.
#pragma once

#include <cstdint>
#include <vector>

#include "gui/c_reference_counter.h"
#include "gui/gui_types.h"

namespace VSTGUI {

class CDrawContext;

class CBitmap : public CReferenceCounter {
 public:
  // From 24-bit pixels: `rgb` holds height rows of width R, G, B byte triplets, top row
  // first, rows `rowBytes` apart (0 means 3 * width).
  CBitmap(const uint8_t* rgb, int32_t width, int32_t height, int32_t rowBytes = 0);
  ~CBitmap() override;

  int32_t getWidth() const { return width_; }
  int32_t getHeight() const { return height_; }
  // The pixel at (x, y); black outside the picture.
  CColor getPixel(int32_t x, int32_t y) const;

  // Copies the picture onto the context: destRect receives the part starting at offset.
  void draw(CDrawContext* context, const CRect& destRect, const CPoint& offset = CPoint(0, 0));

 private:
  int32_t width_;
  int32_t height_;
  std::vector<uint32_t> pixels_;  // 0xFFRRGGBB, top row first
};

}  // namespace VSTGUI
