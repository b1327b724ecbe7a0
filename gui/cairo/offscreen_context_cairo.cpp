// COffscreenContext on a Cairo image surface (opaque 24-bit pixels, like a window's).
#include <cairo.h>

#include <algorithm>
#include <cstddef>

#include "gui/c_frame.h"
#include "gui/c_offscreen_context.h"
#include "gui/cairo/cairo_text.h"
#include "gui/cairo/surface_copy.h"

namespace VSTGUI {

namespace {
void* makeSurface(const OffscreenPixels& pixels) {
  return cairo_image_surface_create(CAIRO_FORMAT_RGB24, pixels.width, pixels.height);
}
double scaleOf(const CFrame* frame) { return frame ? frame->getScale() : 1.0; }
}  // namespace

COffscreenContext::COffscreenContext(CFrame* frame, int32_t width, int32_t height,
                                     const CColor& background, const CPoint& origin)
    : COffscreenContext(
          frame, width, height, background,
          offscreenPixels(scaleOf(frame), origin, std::max(1, width), std::max(1, height))) {}

COffscreenContext::COffscreenContext(CFrame* frame, int32_t width, int32_t height,
                                     const CColor& background, const OffscreenPixels& pixels)
    : CDrawContext(frame, makeSurface(pixels)),
      width_(std::max(1, width)),
      height_(std::max(1, height)),
      pixelWidth_(pixels.width),
      pixelHeight_(pixels.height) {
  flushWindow_ = false;
  originX_ = pixels.fracX;
  originY_ = pixels.fracY;
  cairo_t* cr = static_cast<cairo_t*>(cr_);
  setOpaqueSource(cr, background);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
}

COffscreenContext::~COffscreenContext() = default;

void COffscreenContext::copyFrom(CDrawContext* dest, const CRect& destRect,
                                 const CPoint& srcOffset) {
  if (!dest) return;
  copySurface(
      static_cast<cairo_t*>(dest->getSystemContext()), static_cast<cairo_surface_t*>(surface_),
      pixelWidth_, pixelHeight_, SurfaceGrid{scale_, originX_, originY_},
      SurfaceGrid{dest->getScale(), dest->getOriginX(), dest->getOriginY()}, destRect, srcOffset);
}

CColor COffscreenContext::getPixel(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= pixelWidth_ || y >= pixelHeight_) return kBlackCColor;
  auto* surface = static_cast<cairo_surface_t*>(surface_);
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  int stride = cairo_image_surface_get_stride(surface);
  uint32_t p =
      *reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride + 4 * x);
  return CColor{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
                static_cast<uint8_t>(p), 255};
}

}  // namespace VSTGUI
