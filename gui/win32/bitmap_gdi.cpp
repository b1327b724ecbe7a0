// Drawing a CBitmap with GDI: a plain copy of the picture's pixels onto the context.
#include <windows.h>

#include "gui/c_bitmap.h"
#include "gui/c_draw_context.h"
#include "gui/win32/dib_surface.h"

namespace VSTGUI {

void CBitmap::draw(CDrawContext* context, const CRect& destRect, const CPoint& offset) {
  if (!context || destRect.isEmpty() || width_ == 0 || height_ == 0) return;
  HDC dc = static_cast<HDC>(context->getSystemContext());
  const CRect part = coveredPart(destRect, offset, width_, height_);
  if (!dc || part.isEmpty()) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // pixels_ holds the top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;  // 0xFFRRGGBB in memory is B, G, R, X
  info.bmiHeader.biCompression = BI_RGB;
  StretchDIBits(dc, part.left, part.top, part.width(), part.height(),
                part.left - destRect.left + offset.x, part.top - destRect.top + offset.y,
                part.width(), part.height(), pixels_.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace VSTGUI
