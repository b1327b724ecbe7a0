#include "gui/c_bitmap.h"

#include <cstring>
#include <limits>

namespace VSTGUI {

namespace {
uint32_t readLe(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}
}  // namespace

CBitmap::CBitmap(int32_t width, int32_t height)
    : width_(width > 0 ? width : 0), height_(height > 0 ? height : 0),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0xFF000000u) {}

CBitmap::CBitmap(const uint8_t* rgb, int32_t width, int32_t height, int32_t rowBytes)
    : CBitmap(rgb ? width : 0, rgb ? height : 0) {
  if (rowBytes <= 0) rowBytes = 3 * width_;
  for (int32_t y = 0; y < height_; ++y) {
    const uint8_t* row = rgb + static_cast<ptrdiff_t>(y) * rowBytes;
    for (int32_t x = 0; x < width_; ++x) {
      pixels_[static_cast<size_t>(y) * width_ + x] =
          0xFF000000u | (uint32_t{row[3 * x]} << 16) | (uint32_t{row[3 * x + 1]} << 8) | row[3 * x + 2];
    }
  }
}

CBitmap* CBitmap::createFromBmp(const void* data, size_t size) {
  if (!data) return nullptr;
  const auto* bytes = static_cast<const uint8_t*>(data);
  size_t header = 0;
  size_t pixelOffset = 0;
  if (size >= 14 && bytes[0] == 'B' && bytes[1] == 'M') {
    header = 14;
    pixelOffset = readLe(bytes + 10, 4);
  }
  if (size < header + 40) return nullptr;
  const uint8_t* info = bytes + header;
  uint32_t infoSize = readLe(info, 4);
  if (infoSize < 40 || infoSize > size - header) return nullptr;
  auto width = static_cast<int32_t>(readLe(info + 4, 4));
  auto height = static_cast<int32_t>(readLe(info + 8, 4));
  uint32_t planes = readLe(info + 12, 2);
  uint32_t bitCount = readLe(info + 14, 2);
  uint32_t compression = readLe(info + 16, 4);
  if (planes != 1 || bitCount != 24 || compression != 0) return nullptr;
  bool bottomUp = height > 0;
  if (height == std::numeric_limits<int32_t>::min()) return nullptr;
  if (height < 0) height = -height;
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
  if (header == 0) pixelOffset = infoSize;
  size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  if (pixelOffset > size || rowBytes * static_cast<size_t>(height) > size - pixelOffset) return nullptr;

  auto* bitmap = new CBitmap(width, height);
  const uint8_t* pixels = bytes + pixelOffset;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = pixels + rowBytes * static_cast<size_t>(bottomUp ? height - 1 - y : y);
    for (int32_t x = 0; x < width; ++x) {  // stored blue, green, red
      bitmap->pixels_[static_cast<size_t>(y) * width + x] =
          0xFF000000u | (uint32_t{row[3 * x + 2]} << 16) | (uint32_t{row[3 * x + 1]} << 8) | row[3 * x];
    }
  }
  return bitmap;
}

CBitmap::~CBitmap() = default;

CColor CBitmap::getPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kBlackCColor;
  uint32_t p = pixels_[static_cast<size_t>(y) * width_ + x];
  return CColor{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p), 255};
}

}  // namespace VSTGUI
