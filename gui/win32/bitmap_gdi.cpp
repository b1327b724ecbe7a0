// Drawing a CBitmap with GDI: a plain copy of the picture's pixels onto the context.
#include <windows.h>

#include "gui/c_bitmap.h"
#include "gui/c_draw_context.h"
#include "gui/win32/dib_surface.h"

namespace VSTGUI {

void CBitmap::draw(CDrawContext* context, const CRect& destRect, const CPoint& offset) {
  if (!context || destRect.isEmpty() || width_ == 0 || height_ == 0) return;
  HDC dc = static_cast<HDC>(context->getSystemContext());
  if (!dc) return;
  const SurfaceGrid target{context->getScale(), context->getOriginX(), context->getOriginY()};
  const double ratio = target.scale / scale_;
  PixelBlit blit{};
  if (!pixelBlit(pixelCopy(SurfaceGrid{scale_, 0.0, 0.0}, target, destRect, offset), ratio, width_,
                 height_, blit))
    return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // pixels_ holds the top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;  // 0xFFRRGGBB in memory is B, G, R, X
  info.bmiHeader.biCompression = BI_RGB;
  DevicePixels pixels(dc);
  if (ratio != 1.0) {
    // A picture made for another scale: resampled, the one case that is not a pixel copy.
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
  }
  StretchDIBits(dc, blit.left, blit.top, blit.width, blit.height, blit.sourceLeft, blit.sourceTop,
                blit.sourceWidth, blit.sourceHeight, pixels_.data(), &info, DIB_RGB_COLORS,
                SRCCOPY);
}

}  // namespace VSTGUI
