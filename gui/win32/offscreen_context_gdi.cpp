// COffscreenContext on a DIB section of its own (opaque 24-bit colours in 32-bit pixels).
#include <algorithm>

#include "gui/c_offscreen_context.h"
#include "gui/win32/dib_surface.h"

namespace VSTGUI {

COffscreenContext::COffscreenContext(CFrame* frame, int32_t width, int32_t height,
                                     const CColor& background)
    : CDrawContext(frame, new DibSurface(width, height, background)),
      width_(std::max(1, width)),
      height_(std::max(1, height)) {
  flushWindow_ = false;
}

COffscreenContext::~COffscreenContext() = default;

void COffscreenContext::copyFrom(CDrawContext* dest, const CRect& destRect,
                                 const CPoint& srcOffset) {
  if (!dest) return;
  GdiFlush();
  static_cast<DibSurface*>(surface_)->copyTo(static_cast<HDC>(dest->getSystemContext()), destRect,
                                             srcOffset);
}

CColor COffscreenContext::getPixel(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kBlackCColor;
  const uint32_t p = static_cast<DibSurface*>(surface_)->pixel(x, y);
  return CColor{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
                static_cast<uint8_t>(p), 255};
}

}  // namespace VSTGUI
