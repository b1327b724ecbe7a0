#include "gui/win32/dib_surface.h"

#include <algorithm>

namespace VSTGUI {

DibSurface::DibSurface(int32_t width, int32_t height, const CColor& colour)
    : width_(std::max(1, width)), height_(std::max(1, height)) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap_) return;
  dc_ = CreateCompatibleDC(nullptr);
  if (!dc_) {
    DeleteObject(bitmap_);
    bitmap_ = nullptr;
    return;
  }
  pixels_ = static_cast<uint32_t*>(bits);
  previous_ = SelectObject(dc_, bitmap_);
  std::fill(pixels_, pixels_ + static_cast<size_t>(width_) * height_,
            (uint32_t{colour.red} << 16) | (uint32_t{colour.green} << 8) | colour.blue);
}

DibSurface::~DibSurface() {
  if (dc_) {
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
  }
  if (bitmap_) DeleteObject(bitmap_);
}

uint32_t DibSurface::pixel(int32_t x, int32_t y) const {
  if (!pixels_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  GdiFlush();
  return pixels_[static_cast<size_t>(y) * width_ + x] & 0xFFFFFFu;
}

CRect coveredPart(const CRect& dest, const CPoint& offset, int32_t width, int32_t height) {
  const int32_t originX = dest.left - offset.x;
  const int32_t originY = dest.top - offset.y;
  CRect part(std::max(dest.left, originX), std::max(dest.top, originY),
             std::min(dest.right, originX + width), std::min(dest.bottom, originY + height));
  if (part.isEmpty()) return CRect();
  return part;
}

void DibSurface::copyTo(HDC target, const CRect& dest, const CPoint& offset) const {
  if (!dc_ || !target) return;
  const CRect part = coveredPart(dest, offset, width_, height_);
  if (part.isEmpty()) return;
  BitBlt(target, part.left, part.top, part.width(), part.height(), dc_,
         part.left - dest.left + offset.x, part.top - dest.top + offset.y, SRCCOPY);
}

}  // namespace VSTGUI
