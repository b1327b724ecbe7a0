// COffscreenContext on a DIB section of its own (opaque 24-bit colours in 32-bit pixels).
#include <algorithm>

#include "gui/c_frame.h"
#include "gui/c_offscreen_context.h"
#include "gui/win32/dib_surface.h"

namespace VSTGUI {

COffscreenContext::COffscreenContext(CFrame* frame, int32_t width, int32_t height,
                                     const CColor& background, const CPoint& origin)
    : COffscreenContext(frame, width, height, background,
                        offscreenPixels(frame ? frame->getScale() : 1.0, origin, std::max(1, width),
                                        std::max(1, height))) {}

COffscreenContext::COffscreenContext(CFrame* frame, int32_t width, int32_t height,
                                     const CColor& background, const OffscreenPixels& pixels)
    : CDrawContext(frame, new DibSurface(pixels.width, pixels.height, background)),
      width_(std::max(1, width)),
      height_(std::max(1, height)),
      pixelWidth_(pixels.width),
      pixelHeight_(pixels.height) {
  flushWindow_ = false;
  originX_ = pixels.fracX;
  originY_ = pixels.fracY;
  applyPanelTransform();
}

COffscreenContext::~COffscreenContext() = default;

void COffscreenContext::copyFrom(CDrawContext* dest, const CRect& destRect,
                                 const CPoint& srcOffset) {
  if (!dest) return;
  GdiFlush();
  static_cast<DibSurface*>(surface_)->copyTo(
      static_cast<HDC>(dest->getSystemContext()), SurfaceGrid{scale_, originX_, originY_},
      SurfaceGrid{dest->getScale(), dest->getOriginX(), dest->getOriginY()}, destRect, srcOffset);
}

CColor COffscreenContext::getPixel(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= pixelWidth_ || y >= pixelHeight_) return kBlackCColor;
  const uint32_t p = static_cast<DibSurface*>(surface_)->pixel(x, y);
  return CColor{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
                static_cast<uint8_t>(p), 255};
}

}  // namespace VSTGUI
