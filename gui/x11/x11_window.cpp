#include "gui/x11/x11_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdlib>
#include <string>
#include <vector>

#include "gui/c_frame.h"
#include "gui/x11/xdnd_target.h"

namespace VSTGUI {

namespace {

// X errors on our own connections are counted; errors on other connections (the host's)
// go to the handler that was installed before ours.
std::atomic<int> gErrorCount{0};
std::atomic<int> gLastErrorCode{0};
XErrorHandler gPreviousHandler = nullptr;
bool gHandlerInstalled = false;
std::vector<Display*> gOurDisplays;  // one per open frame; user-interface thread only

bool isOurDisplay(Display* display) {
  return std::find(gOurDisplays.begin(), gOurDisplays.end(), display) != gOurDisplays.end();
}

int recordError(Display* display, XErrorEvent* event) {
  if (isOurDisplay(display) || !gPreviousHandler) {
    gErrorCount.fetch_add(1, std::memory_order_relaxed);
    gLastErrorCode.store(event->error_code, std::memory_order_relaxed);
    return 0;
  }
  return gPreviousHandler(display, event);
}

void registerDisplay(Display* display) {
  if (!gHandlerInstalled) {
    gPreviousHandler = XSetErrorHandler(recordError);
    gHandlerInstalled = true;
  }
  gOurDisplays.push_back(display);
}

void unregisterDisplay(Display* display) {
  gOurDisplays.erase(std::remove(gOurDisplays.begin(), gOurDisplays.end(), display),
                     gOurDisplays.end());
  // With no window of ours left, hand the process's handler back (unless someone replaced
  // ours meanwhile): the plug-in's code may be unloaded while the host keeps running.
  if (gOurDisplays.empty() && gHandlerInstalled) {
    XErrorHandler current = XSetErrorHandler(gPreviousHandler);
    if (current != recordError) XSetErrorHandler(current);
    gHandlerInstalled = false;
  }
}

int32_t modifierMask(unsigned int state) {
  int32_t mask = 0;
  if (state & Button1Mask) mask |= kLButton;
  if (state & Button2Mask) mask |= kMButton;
  if (state & Button3Mask) mask |= kRButton;
  if (state & ShiftMask) mask |= kShift;
  if (state & ControlMask) mask |= kControl;
  if (state & Mod1Mask) mask |= kAlt;
  return mask;
}

Display* dpy(void* display) { return static_cast<Display*>(display); }

}  // namespace

int32_t x11ButtonMask(unsigned int button, unsigned int state) {
  // The event's state is the one before the press, so the pressed button is added.
  int32_t mask = modifierMask(state);
  if (button == Button1) mask |= kLButton;
  if (button == Button2) mask |= kMButton;
  if (button == Button3) mask |= kRButton;
  return mask;
}

X11Window::X11Window(unsigned long parent, int32_t width, int32_t height)
    : width_(std::max(1, width)), height_(std::max(1, height)) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return;
  registerDisplay(display);
  display_ = display;
  Window parentWindow = parent ? parent : DefaultRootWindow(display);
  XWindowAttributes parentAttributes;
  int before = errorCount();
  XSync(display, False);
  if (!XGetWindowAttributes(display, parentWindow, &parentAttributes) || errorCount() != before) {
    unregisterDisplay(display);
    XCloseDisplay(display);
    display_ = nullptr;
    return;
  }
  XSetWindowAttributes attributes{};
  attributes.event_mask = ExposureMask | ButtonPressMask | StructureNotifyMask;
  window_ = XCreateWindow(display, parentWindow, 0, 0, static_cast<unsigned>(width_),
                          static_cast<unsigned>(height_), 0, CopyFromParent, InputOutput,
                          CopyFromParent, CWEventMask, &attributes);
  XWindowAttributes created;
  XGetWindowAttributes(display, window_, &created);
  visual_ = created.visual;
  depth_ = created.depth;
  gc_ = XCreateGC(display, window_, 0, nullptr);

  // The window's picture, white until the frame draws.
  auto* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
  cairo_t* cr = cairo_create(image);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_destroy(cr);
  image_ = image;
  // Cairo's 24-bit pixels are 0x00RRGGBB words: a 24/32-bit true-colour visual with those
  // masks takes them as they are; any other visual gets converted pixels.
  Visual* visual = created.visual;
  ximageSharesPixels_ = (depth_ == 24 || depth_ == 32) && visual->red_mask == 0xFF0000 &&
                        visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF;
  if (ximageSharesPixels_) {
    XImage* shared = XCreateImage(display, visual, static_cast<unsigned>(depth_), ZPixmap, 0,
                                  reinterpret_cast<char*>(cairo_image_surface_get_data(image)),
                                  static_cast<unsigned>(width_), static_cast<unsigned>(height_), 32,
                                  cairo_image_surface_get_stride(image));
    // Cairo's words are in this machine's byte order; Xlib swaps for the server if needed.
    if (shared)
      shared->byte_order = (std::endian::native == std::endian::little) ? LSBFirst : MSBFirst;
    ximage_ = shared;
  } else {
    XImage* converted =
        XCreateImage(display, visual, static_cast<unsigned>(depth_), ZPixmap, 0, nullptr,
                     static_cast<unsigned>(width_), static_cast<unsigned>(height_), 32, 0);
    if (converted) {
      converted->data =
          static_cast<char*>(calloc(static_cast<size_t>(converted->bytes_per_line) * height_, 1));
    }
    ximage_ = converted;
  }
  XStoreName(display, window_, "Window");
  dropTarget_ = std::make_unique<XdndTarget>(display, window_, width_, height_);
  XMapWindow(display, window_);
  XSync(display, False);
}

X11Window::~X11Window() {
  Display* display = dpy(display_);
  if (!display) return;
  if (!window_ && dropTarget_) dropTarget_->windowsGone();
  dropTarget_.reset();
  if (window_) {
    XDestroyWindow(display, window_);
    window_ = 0;
  }
  if (auto* ximage = static_cast<XImage*>(ximage_)) {
    if (ximageSharesPixels_) ximage->data = nullptr;  // the pixels belong to cairo
    XDestroyImage(ximage);
  }
  if (gc_) XFreeGC(display, static_cast<GC>(gc_));
  if (image_) cairo_surface_destroy(static_cast<cairo_surface_t*>(image_));
  XSync(display, False);
  unregisterDisplay(display);
  XCloseDisplay(display);
  display_ = nullptr;
}

void* X11Window::createSurface() {
  if (!window_) return nullptr;
  return cairo_surface_reference(static_cast<cairo_surface_t*>(image_));
}

void X11Window::flush() { putImage(); }

void X11Window::putImage() {
  Display* display = dpy(display_);
  auto* ximage = static_cast<XImage*>(ximage_);
  if (!display || !window_ || !ximage || !ximage->data) return;
  auto* image = static_cast<cairo_surface_t*>(image_);
  cairo_surface_flush(image);
  if (!ximageSharesPixels_) {
    const unsigned char* data = cairo_image_surface_get_data(image);
    int stride = cairo_image_surface_get_stride(image);
    Visual* visual = static_cast<Visual*>(visual_);
    auto scale = [](uint32_t value, unsigned long mask) -> unsigned long {
      if (mask == 0) return 0;
      int shift = 0;
      while (!((mask >> shift) & 1)) ++shift;
      unsigned long bits = mask >> shift;
      return ((value * bits + 127) / 255) << shift;
    };
    for (int y = 0; y < height_; ++y) {
      const auto* row =
          reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
      for (int x = 0; x < width_; ++x) {
        uint32_t p = row[x];
        XPutPixel(ximage, x, y,
                  scale((p >> 16) & 0xFF, visual->red_mask) |
                      scale((p >> 8) & 0xFF, visual->green_mask) |
                      scale(p & 0xFF, visual->blue_mask));
      }
    }
  }
  XPutImage(display, window_, static_cast<GC>(gc_), ximage, 0, 0, 0, 0,
            static_cast<unsigned>(width_), static_cast<unsigned>(height_));
  XFlush(display);
}

int32_t X11Window::getMouseButtons() {
  if (!window_) return 0;
  Window root = 0;
  Window child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned int state = 0;
  if (!XQueryPointer(dpy(display_), window_, &root, &child, &rootX, &rootY, &x, &y, &state))
    return 0;
  return modifierMask(state);
}

CPoint X11Window::getMouseLocation() {
  if (!window_) return CPoint();
  Window root = 0;
  Window child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned int state = 0;
  XQueryPointer(dpy(display_), window_, &root, &child, &rootX, &rootY, &x, &y, &state);
  return CPoint(x, y);
}

int X11Window::eventFileDescriptor() const {
  Display* display = dpy(display_);
  return display && window_ ? ConnectionNumber(display) : -1;
}

void X11Window::processEvents(CFrame& frame, bool dispatchPresses) {
  Display* display = dpy(display_);
  if (!display || !window_) return;
  XEvent event;
  // The host may have destroyed its window (and ours with it) after other events were
  // queued: look for that first, so nothing is drawn on a window that is gone.
  if (XCheckTypedWindowEvent(display, window_, DestroyNotify, &event)) {
    window_ = 0;
    return;
  }
  for (;;) {
    if (dispatchPresses) {
      if (!XPending(display)) break;
      XNextEvent(display, &event);
    } else if (!XCheckWindowEvent(display, window_, ExposureMask, &event)) {
      break;
    }
    // Drag-and-drop messages may name the host's window, which forwards drops to ours.
    std::vector<std::string> dropped;
    if (dropTarget_ && dropTarget_->handle(event, dropped)) {
      if (!dropped.empty()) frame.filesDropped(dropped);
      continue;
    }
    if (event.xany.window != window_) continue;
    switch (event.type) {
      case Expose:
        // The window's picture is kept: put it back once the last rectangle of a series
        // has arrived.
        if (event.xexpose.count == 0) putImage();
        break;
      case ButtonPress: {
        unsigned int button = event.xbutton.button;
        if (button == Button4 || button == Button5) {
          frame.onWheel(button == Button4 ? 1.0f : -1.0f);
        } else if (button >= Button1 && button <= Button3) {
          frame.dispatchPress(CPoint(event.xbutton.x, event.xbutton.y),
                              x11ButtonMask(button, event.xbutton.state));
        }
        break;
      }
      case DestroyNotify:
        // The host destroyed its window and ours with it: forget it.
        if (event.xdestroywindow.window == window_) window_ = 0;
        break;
      default:
        break;
    }
    if (!window_) break;
  }
}

bool X11Window::readPixels(std::vector<uint32_t>& argb, int& width, int& height) {
  Display* display = dpy(display_);
  if (!display || !window_) return false;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window_, &attributes) || attributes.map_state != IsViewable)
    return false;
  XImage* image = XGetImage(display, window_, 0, 0, static_cast<unsigned>(width_),
                            static_cast<unsigned>(height_), AllPlanes, ZPixmap);
  if (!image) return false;
  auto channel = [](unsigned long pixel, unsigned long mask) -> uint32_t {
    if (mask == 0) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    unsigned long bits = mask >> shift;
    return static_cast<uint32_t>(((pixel >> shift) & bits) * 255 / bits);
  };
  width = width_;
  height = height_;
  argb.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      unsigned long p = XGetPixel(image, x, y);
      argb[static_cast<size_t>(y) * width + x] = 0xFF000000u | (channel(p, image->red_mask) << 16) |
                                                 (channel(p, image->green_mask) << 8) |
                                                 channel(p, image->blue_mask);
    }
  }
  XDestroyImage(image);
  return true;
}

int X11Window::errorCount() { return gErrorCount.load(std::memory_order_relaxed); }
int X11Window::lastErrorCode() { return gLastErrorCode.load(std::memory_order_relaxed); }
void X11Window::resetErrors() {
  gErrorCount.store(0, std::memory_order_relaxed);
  gLastErrorCode.store(0, std::memory_order_relaxed);
}

std::unique_ptr<PlatformWindow> createPlatformWindow(void* parent, int32_t width, int32_t height) {
  return std::make_unique<X11Window>(
      static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parent)), width, height);
}

X11Container::X11Container(unsigned long parent, int32_t width, int32_t height) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return;
  registerDisplay(display);
  display_ = display;
  const Window parentWindow = parent ? parent : DefaultRootWindow(display);
  XWindowAttributes parentAttributes;
  const int before = X11Window::errorCount();
  XSync(display, False);
  if (!XGetWindowAttributes(display, parentWindow, &parentAttributes) ||
      X11Window::errorCount() != before) {
    unregisterDisplay(display);
    XCloseDisplay(display);
    display_ = nullptr;
    return;
  }
  XSetWindowAttributes attributes{};
  attributes.event_mask = StructureNotifyMask;
  attributes.background_pixel = WhitePixel(display, DefaultScreen(display));
  window_ = XCreateWindow(display, parentWindow, 0, 0, static_cast<unsigned>(std::max(1, width)),
                          static_cast<unsigned>(std::max(1, height)), 0, CopyFromParent,
                          InputOutput, CopyFromParent, CWEventMask | CWBackPixel, &attributes);
  setSizeHints(width, height);
  XMapWindow(display, window_);
  XSync(display, False);
}

X11Container::~X11Container() {
  Display* display = dpy(display_);
  if (!display) return;
  if (!destroyedByHost()) XDestroyWindow(display, window_);
  XSync(display, False);
  unregisterDisplay(display);
  XCloseDisplay(display);
}

bool X11Container::destroyedByHost() {
  Display* display = dpy(display_);
  if (!display || !window_) return true;
  XSync(display, False);
  XEvent event;
  while (XPending(display)) {
    XNextEvent(display, &event);
    if (event.type == DestroyNotify && event.xdestroywindow.window == window_) window_ = 0;
  }
  return window_ == 0;
}

void X11Container::setSizeHints(int32_t width, int32_t height) {
  XSizeHints hints{};
  hints.flags = PMinSize | PMaxSize | PBaseSize;
  hints.min_width = hints.max_width = hints.base_width = std::max(1, width);
  hints.min_height = hints.max_height = hints.base_height = std::max(1, height);
  XSetWMNormalHints(dpy(display_), window_, &hints);
}

void X11Container::resize(int32_t width, int32_t height) {
  if (destroyedByHost()) return;
  Display* display = dpy(display_);
  setSizeHints(width, height);
  XResizeWindow(display, window_, static_cast<unsigned>(std::max(1, width)),
                static_cast<unsigned>(std::max(1, height)));
  XSync(display, False);
}

std::unique_ptr<ContainerWindow> createContainerWindow(void* parent, int32_t width,
                                                       int32_t height) {
  return std::make_unique<X11Container>(
      static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parent)), width, height);
}

}  // namespace VSTGUI
