// The X11 backend: a child window of the host's window on a Display connection of its
// own. Events are read only when the frame idles (no threads); the mouse is polled with
// XQueryPointer. Drawing goes to an image of the window's size that is put on the window
// when a drawing context ends and when the window is exposed. Files dragged onto the window
// (xdnd_target.h) go to the frame.
#pragma once

#include <memory>

#include "gui/platform_window.h"

namespace VSTGUI {

class XdndTarget;

class X11Window : public PlatformWindow {
 public:
  // Opens the default display ($DISPLAY) and makes a width x height child of `parent`
  // at (0, 0). On failure (no display, parent not a window) isValid() is false and the
  // connection is closed again.
  X11Window(unsigned long parent, int32_t width, int32_t height);
  ~X11Window() override;  // destroys the window and closes the connection

  bool isValid() const override { return window_ != 0; }
  void* createSurface() override;
  void flush() override;
  int32_t getMouseButtons() override;
  CPoint getMouseLocation() override;
  void processEvents(CFrame& frame, bool dispatchPresses) override;
  bool readPixels(std::vector<uint32_t>& argb, int& width, int& height) override;
  uintptr_t nativeHandle() const override { return window_; }
  int eventFileDescriptor() const override;

  // X protocol errors on the frames' own connections are recorded instead of ending the
  // process (Xlib's default). The handler is installed while any such connection is open
  // and passes errors of other connections to the handler it replaced.
  static int errorCount();
  static int lastErrorCode();
  static void resetErrors();

 private:
  void* display_ = nullptr;  // Display*
  unsigned long window_ = 0;
  void* visual_ = nullptr;  // Visual* of the window
  int depth_ = 0;
  void* gc_ = nullptr;      // GC used to put the image
  void* image_ = nullptr;   // cairo image surface: what the window shows
  void* ximage_ = nullptr;  // XImage over the same pixels, or with converted ones
  bool ximageSharesPixels_ = false;
  std::unique_ptr<XdndTarget> dropTarget_;

  void putImage();
  int32_t width_;
  int32_t height_;
};

// The container (platform_window.h) on an X connection of its own, registered like the
// panels' for its errors: white where the panel does not cover it, its size also given as
// its fixed size hints (minimum, maximum and base), which hosts that embed X11 windows
// read. A container the host destroyed (with its own window) is noticed and left alone.
class X11Container : public ContainerWindow {
 public:
  X11Container(unsigned long parent, int32_t width, int32_t height);
  ~X11Container() override;
  X11Container(const X11Container&) = delete;
  X11Container& operator=(const X11Container&) = delete;

  bool isValid() const override { return window_ != 0; }
  uintptr_t nativeHandle() const override { return window_; }
  void resize(int32_t width, int32_t height) override;

 private:
  // Reads the connection's events; forgets the window if the host destroyed it.
  bool destroyedByHost();
  void setSizeHints(int32_t width, int32_t height);

  void* display_ = nullptr;  // Display*
  unsigned long window_ = 0;
};

// Converts an X button number and the modifier state of the event to a CButton mask.
int32_t x11ButtonMask(unsigned int button, unsigned int state);

}  // namespace VSTGUI
