#include "gui/win32/dib_surface.h"

#include <algorithm>
#include <cmath>

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

bool pixelBlit(const PixelCopy& copy, double ratio, int32_t width, int32_t height, PixelBlit& out) {
  // The source's extent on the target, clipped to the copy's pixels.
  const double right = copy.x + ratio * width;
  const double bottom = copy.y + ratio * height;
  const int32_t left = std::max(copy.left, static_cast<int32_t>(std::ceil(copy.x - 0.5)));
  const int32_t top = std::max(copy.top, static_cast<int32_t>(std::ceil(copy.y - 0.5)));
  const int32_t r = std::min(copy.right, static_cast<int32_t>(std::ceil(right - 0.5)));
  const int32_t b = std::min(copy.bottom, static_cast<int32_t>(std::ceil(bottom - 0.5)));
  if (r <= left || b <= top) return false;
  out.left = left;
  out.top = top;
  out.width = r - left;
  out.height = b - top;
  out.sourceLeft = static_cast<int32_t>(std::lround((left - copy.x) / ratio));
  out.sourceTop = static_cast<int32_t>(std::lround((top - copy.y) / ratio));
  out.sourceWidth = std::max(1, static_cast<int32_t>(std::lround(out.width / ratio)));
  out.sourceHeight = std::max(1, static_cast<int32_t>(std::lround(out.height / ratio)));
  return true;
}

DevicePixels::DevicePixels(HDC dc) : dc_(dc) {
  advanced_ = dc_ != nullptr && GetGraphicsMode(dc_) == GM_ADVANCED;
  if (advanced_) {
    GetWorldTransform(dc_, &saved_);
    ModifyWorldTransform(dc_, nullptr, MWT_IDENTITY);
  }
}

DevicePixels::~DevicePixels() {
  if (advanced_) SetWorldTransform(dc_, &saved_);
}

void DibSurface::copyTo(HDC target, const SurfaceGrid& sourceGrid, const SurfaceGrid& targetGrid,
                        const CRect& dest, const CPoint& offset) const {
  if (!dc_ || !target || dest.isEmpty()) return;
  const double ratio = targetGrid.scale / sourceGrid.scale;
  PixelBlit blit{};
  if (!pixelBlit(pixelCopy(sourceGrid, targetGrid, dest, offset), ratio, width_, height_, blit))
    return;
  // Both sides in pixels: GDI applies a source's world transform to a copy too.
  DevicePixels pixels(target);
  DevicePixels sourcePixels(dc_);
  if (ratio == 1.0) {
    BitBlt(target, blit.left, blit.top, blit.width, blit.height, dc_, blit.sourceLeft,
           blit.sourceTop, SRCCOPY);
  } else {
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, blit.left, blit.top, blit.width, blit.height, dc_, blit.sourceLeft,
               blit.sourceTop, blit.sourceWidth, blit.sourceHeight, SRCCOPY);
  }
}

}  // namespace VSTGUI
