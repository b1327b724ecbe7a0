#include "gui/image/image_window.h"

#include <cairo.h>

#include <cstddef>

#include <algorithm>

namespace VSTGUI {

ImageWindow::ImageWindow(int32_t width, int32_t height) {
  auto* surface =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::max(1, width), std::max(1, height));
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_destroy(cr);
  surface_ = surface;
}

ImageWindow::~ImageWindow() { cairo_surface_destroy(static_cast<cairo_surface_t*>(surface_)); }

void* ImageWindow::createSurface() {
  return cairo_surface_reference(static_cast<cairo_surface_t*>(surface_));
}

void ImageWindow::flush() { cairo_surface_flush(static_cast<cairo_surface_t*>(surface_)); }

void ImageWindow::processEvents(CFrame& frame, bool dispatchPresses) {
  // No window system: presses are handed to CFrame::dispatchPress by the caller.
  (void)frame;
  (void)dispatchPresses;
}

bool ImageWindow::readPixels(std::vector<uint32_t>& argb, int& width, int& height) {
  auto* surface = static_cast<cairo_surface_t*>(surface_);
  cairo_surface_flush(surface);
  width = cairo_image_surface_get_width(surface);
  height = cairo_image_surface_get_height(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  int stride = cairo_image_surface_get_stride(surface);
  argb.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    for (int x = 0; x < width; ++x) argb[static_cast<size_t>(y) * width + x] = 0xFF000000u | row[x];
  }
  return true;
}

bool ImageWindow::readPixel(int x, int y, uint32_t& argb) {
  auto* surface = static_cast<cairo_surface_t*>(surface_);
  cairo_surface_flush(surface);
  if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(surface) ||
      y >= cairo_image_surface_get_height(surface)) {
    return false;
  }
  const unsigned char* row = cairo_image_surface_get_data(surface) +
                             static_cast<ptrdiff_t>(y) * cairo_image_surface_get_stride(surface);
  argb = 0xFF000000u | reinterpret_cast<const uint32_t*>(row)[x];
  return true;
}

}  // namespace VSTGUI
