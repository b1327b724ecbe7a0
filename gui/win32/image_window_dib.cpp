// The windowless backend on Windows: the frame draws into a DIB section, and the mouse is
// whatever the test says it is.
#include "gui/image/image_window.h"

#include "gui/win32/dib_surface.h"

namespace VSTGUI {

namespace {
DibSurface* dibOf(void* surface) { return static_cast<DibSurface*>(surface); }
}  // namespace

ImageWindow::ImageWindow(int32_t width, int32_t height)
    : surface_(new DibSurface(width, height, kWhiteCColor)) {}

ImageWindow::~ImageWindow() { dibOf(surface_)->forget(); }

void* ImageWindow::createSurface() {
  dibOf(surface_)->remember();
  return surface_;
}

void ImageWindow::flush() { GdiFlush(); }

void ImageWindow::processEvents(CFrame&, bool) {}

bool ImageWindow::readPixels(std::vector<uint32_t>& argb, int& width, int& height) {
  const DibSurface* surface = dibOf(surface_);
  width = surface->width();
  height = surface->height();
  const uint32_t* pixels = surface->pixels();
  if (!pixels) return false;
  argb.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (size_t i = 0; i < argb.size(); ++i) argb[i] = 0xFF000000u | pixels[i];
  return true;
}

bool ImageWindow::readPixel(int x, int y, uint32_t& argb) {
  const DibSurface* surface = dibOf(surface_);
  if (x < 0 || y < 0 || x >= surface->width() || y >= surface->height()) return false;
  argb = 0xFF000000u | surface->pixel(x, y);
  return true;
}

}  // namespace VSTGUI
