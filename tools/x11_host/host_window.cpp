#include "host_window.h"

#include <X11/Xutil.h>
#include <cairo.h>

#include <cstring>

namespace x11host {

HostWindow::~HostWindow() { close(); }

bool HostWindow::open(int32_t width, int32_t height, std::string& error) {
  close();
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) {
    error = "cannot open the X display";
    return false;
  }
  const int screen = DefaultScreen(display_);
  window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 0, 0,
                                static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                                BlackPixel(display_, screen), WhitePixel(display_, screen));
  width_ = width;
  height_ = height;
  XStoreName(display_, window_, "quendral host window");
  XSelectInput(display_, window_, StructureNotifyMask);
  XMapWindow(display_, window_);
  // Wait until the server has mapped it, so the editor's child window becomes visible.
  XEvent event;
  do {
    XWindowEvent(display_, window_, StructureNotifyMask, &event);
  } while (event.type != MapNotify);
  XSync(display_, False);
  return true;
}

void HostWindow::close() {
  if (display_ == nullptr) return;
  if (window_ != 0) XDestroyWindow(display_, window_);
  XCloseDisplay(display_);
  display_ = nullptr;
  window_ = 0;
}

void* HostWindow::parentHandle() const {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(window_));
}

void HostWindow::resize(int32_t width, int32_t height) {
  if (display_ == nullptr) return;
  XResizeWindow(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
  XSync(display_, False);
  width_ = width;
  height_ = height;
}

bool HostWindow::capture(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height) {
  if (display_ == nullptr) return false;
  XSync(display_, False);
  XImage* image = XGetImage(display_, window_, 0, 0, static_cast<unsigned>(width_),
                            static_cast<unsigned>(height_), AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  width = width_;
  height = height_;
  pixels.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0u);
  // Map each channel through the visual's masks, whatever the server's byte order.
  auto channel = [](unsigned long pixel, unsigned long mask) -> uint32_t {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1ul) == 0) ++shift;
    const unsigned long bits = mask >> shift;
    const unsigned long v = (pixel & mask) >> shift;
    return static_cast<uint32_t>(v * 255ul / bits);
  };
  for (int32_t y = 0; y < height_; ++y) {
    for (int32_t x = 0; x < width_; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      pixels[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] =
          channel(p, image->red_mask) << 16 | channel(p, image->green_mask) << 8 |
          channel(p, image->blue_mask);
    }
  }
  XDestroyImage(image);
  return true;
}

bool HostWindow::writePng(const std::string& path, std::string& error) {
  std::vector<uint32_t> pixels;
  int32_t w = 0, h = 0;
  if (!capture(pixels, w, h)) {
    error = "cannot read the window's pixels";
    return false;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_surface_flush(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int32_t y = 0; y < h; ++y) {
    std::memcpy(data + y * stride, &pixels[static_cast<size_t>(y) * static_cast<size_t>(w)],
                static_cast<size_t>(w) * 4);
  }
  cairo_surface_mark_dirty(surface);
  const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    error = "cannot write " + path + ": " + cairo_status_to_string(status);
    return false;
  }
  return true;
}

}  // namespace x11host
