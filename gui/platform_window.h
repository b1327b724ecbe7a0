// The backend interface between the frame and the window system. One implementation per
// platform folder: x11/ (a child window of the host's window) or win32/, and a windowless
// ImageWindow (image/image_window.h: an in-memory image, for tests and snapshots).
// gui/CMakeLists.txt chooses the backend folders of the build; nothing else does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "gui/gui_types.h"

namespace VSTGUI {

class CFrame;

class PlatformWindow {
 public:
  virtual ~PlatformWindow() = default;

  // False when the window could not be made (no display, bad parent): the frame then
  // draws nothing and receives no presses, but stays usable.
  virtual bool isValid() const = 0;

  // The frame that owns this window (null when it lets go): backends whose window system
  // delivers events to the window itself hand presses and paints to it.
  virtual void setFrame(CFrame* frame) { (void)frame; }

  // The drawing target of the window, as the drawing library's surface handle (a
  // cairo_surface_t* on Linux), with one reference for the caller. Null when invalid.
  // The context that takes it calls flush() when it is done.
  virtual void* createSurface() = 0;
  virtual void flush() = 0;

  // Current button and modifier mask (kLButton ... kAlt), polled from the window system.
  virtual int32_t getMouseButtons() = 0;
  // Pointer position relative to the window's top-left corner.
  virtual CPoint getMouseLocation() = 0;

  // Handles pending window-system events for this window: exposures redraw the frame,
  // presses go to CFrame::dispatchPress (only when dispatchPresses is true; otherwise
  // they stay queued), wheel clicks go to CFrame::onWheel. Never blocks.
  virtual void processEvents(CFrame& frame, bool dispatchPresses) = 0;

  // Reads the window's pixels back as 0xAARRGGBB, row by row from the top.
  virtual bool readPixels(std::vector<uint32_t>& argb, int& width, int& height) = 0;
  // One pixel as 0xAARRGGBB; false outside the window.
  virtual bool readPixel(int x, int y, uint32_t& argb) {
    std::vector<uint32_t> all;
    int width = 0;
    int height = 0;
    if (!readPixels(all, width, height) || x < 0 || y < 0 || x >= width || y >= height)
      return false;
    argb = all[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    return true;
  }

  // The platform's handle of the window (an X11 Window id; 0 for the image backend).
  virtual uintptr_t nativeHandle() const = 0;
  // A file descriptor that becomes readable when window-system events arrive (the X
  // connection's), for hosts whose run loop watches it; -1 when there is none.
  virtual int eventFileDescriptor() const { return -1; }
};

// A width x height child window at (0, 0) of the host's window `parent` (an X11 Window id
// on Linux, an HWND on Windows; null makes a top-level window where the platform allows),
// from the window backend of this build. When that fails the result is not valid.
std::unique_ptr<PlatformWindow> createPlatformWindow(void* parent, int32_t width, int32_t height);

// A plain window of the plug-in's own between the host's window and the panel's, for a host
// that keeps the window it was handed as the plug-in's for as long as the UI lives (LV2's
// widget): the panel can reopen inside it at another size while the host holds on to it.
class ContainerWindow {
 public:
  virtual ~ContainerWindow() = default;
  // False when the window could not be made (no display, bad parent).
  virtual bool isValid() const = 0;
  // The platform's handle (an X11 Window id): the parent the panel opens in.
  virtual uintptr_t nativeHandle() const = 0;
  // Gives the window a new size in pixels and tells the window system it wants that size
  // (hosts that lay out the window read it); nothing once the host destroyed the window.
  virtual void resize(int32_t width, int32_t height) = 0;
};

// A width x height container at (0, 0) of `parent` (null: a top-level window). Only the X11
// backend makes one (the LV2 UI is Linux's); elsewhere the result is null.
std::unique_ptr<ContainerWindow> createContainerWindow(void* parent, int32_t width, int32_t height);

// The scale (1 to 3) the system asks of windows on the screen of `parent` (null: the
// default screen). X11: the Xft.dpi resource over 96, else GDK_SCALE; Windows: the
// window's DPI over 96.
double systemScale(void* parent);

}  // namespace VSTGUI
