#include "gui/c_bitmap.h"

#include <cmath>
#include <cstddef>

namespace VSTGUI {

CBitmap::CBitmap(const uint8_t* rgb, int32_t width, int32_t height, int32_t rowBytes)
    : width_(rgb && width > 0 ? width : 0),
      height_(rgb && height > 0 ? height : 0),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_)) {
  if (rowBytes <= 0) rowBytes = 3 * width_;
  for (int32_t y = 0; y < height_; ++y) {
    const uint8_t* row = rgb + static_cast<ptrdiff_t>(y) * rowBytes;
    for (int32_t x = 0; x < width_; ++x) {
      pixels_[static_cast<size_t>(y) * width_ + x] = 0xFF000000u | (uint32_t{row[3 * x]} << 16) |
                                                     (uint32_t{row[3 * x + 1]} << 8) |
                                                     row[3 * x + 2];
    }
  }
}

CBitmap::~CBitmap() = default;

void CBitmap::setScale(double scale) { scale_ = clampScale(scale); }

int32_t CBitmap::getWidth() const { return static_cast<int32_t>(std::lround(width_ / scale_)); }

int32_t CBitmap::getHeight() const { return static_cast<int32_t>(std::lround(height_ / scale_)); }

CColor CBitmap::getPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kBlackCColor;
  uint32_t p = pixels_[static_cast<size_t>(y) * width_ + x];
  return CColor{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
                static_cast<uint8_t>(p), 255};
}

}  // namespace VSTGUI
