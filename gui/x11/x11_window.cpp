#include "gui/x11/x11_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo-xlib.h>
#include <cairo.h>

#include <algorithm>
#include <atomic>

#include "gui/c_frame.h"

namespace VSTGUI {

namespace {

// X errors on our own connections are counted; errors on other connections (the host's)
// go to the handler that was installed before ours.
std::atomic<int> gErrorCount{0};
std::atomic<int> gLastErrorCode{0};
XErrorHandler gPreviousHandler = nullptr;
bool gHandlerInstalled = false;
constexpr int kMaxDisplays = 16;
Display* gOurDisplays[kMaxDisplays] = {};

bool isOurDisplay(Display* display) {
  return std::find(std::begin(gOurDisplays), std::end(gOurDisplays), display) != std::end(gOurDisplays);
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
  for (Display*& slot : gOurDisplays) {
    if (!slot) {
      slot = display;
      return;
    }
  }
}

void unregisterDisplay(Display* display) {
  for (Display*& slot : gOurDisplays) {
    if (slot == display) slot = nullptr;
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
  window_ = XCreateWindow(display, parentWindow, 0, 0, static_cast<unsigned>(width_), static_cast<unsigned>(height_), 0,
                          CopyFromParent, InputOutput, CopyFromParent, CWEventMask, &attributes);
  XWindowAttributes created;
  XGetWindowAttributes(display, window_, &created);
  visual_ = created.visual;
  XStoreName(display, window_, "Window");
  XMapWindow(display, window_);
  XSync(display, False);
}

X11Window::~X11Window() {
  Display* display = dpy(display_);
  if (!display) return;
  if (window_) {
    XDestroyWindow(display, window_);
    window_ = 0;
  }
  XSync(display, False);
  unregisterDisplay(display);
  XCloseDisplay(display);
  display_ = nullptr;
}

void* X11Window::createSurface() {
  if (!window_) return nullptr;
  return cairo_xlib_surface_create(dpy(display_), window_, static_cast<Visual*>(visual_), width_, height_);
}

void X11Window::flush() {
  if (display_) XFlush(dpy(display_));
}

int32_t X11Window::getMouseButtons() {
  if (!window_) return 0;
  Window root = 0;
  Window child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned int state = 0;
  if (!XQueryPointer(dpy(display_), window_, &root, &child, &rootX, &rootY, &x, &y, &state)) return 0;
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
    if (event.xany.window != window_) continue;
    switch (event.type) {
      case Expose:
        // One full redraw once the last rectangle of a series has arrived.
        if (event.xexpose.count == 0) frame.drawAll();
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
  if (!XGetWindowAttributes(display, window_, &attributes) || attributes.map_state != IsViewable) return false;
  XImage* image = XGetImage(display, window_, 0, 0, static_cast<unsigned>(width_), static_cast<unsigned>(height_),
                            AllPlanes, ZPixmap);
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
                                                 (channel(p, image->green_mask) << 8) | channel(p, image->blue_mask);
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

}  // namespace VSTGUI
