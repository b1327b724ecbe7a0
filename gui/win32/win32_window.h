// The Win32 backend: a child window of the host's window, of a window class named
// "Plugin%p" after the plug-in's module. Button presses arrive through the host's message
// loop and go to the frame; drags are followed by polling (GetAsyncKeyState,
// GetCursorPos). Files dropped from the shell (WM_DROPFILES) go to the frame. Drawing goes to a
// back buffer of the window's size that is copied onto the window when a drawing context ends and
// when the window is painted.
#pragma once

#include <windows.h>

#include "gui/platform_window.h"

namespace VSTGUI {

class DibSurface;

class Win32Window : public PlatformWindow {
 public:
  // A width x height child of `parent` at (0, 0), visible, clipping children and siblings;
  // a top-level window when parent is null. On failure isValid() is false.
  Win32Window(HWND parent, int32_t width, int32_t height);
  ~Win32Window() override;  // destroys the window

  bool isValid() const override { return window_ != nullptr; }
  void setFrame(CFrame* frame) override { frame_ = frame; }
  void* createSurface() override;
  void flush() override;
  int32_t getMouseButtons() override;
  CPoint getMouseLocation() override;
  void processEvents(CFrame& frame, bool dispatchPresses) override;
  bool readPixels(std::vector<uint32_t>& argb, int& width, int& height) override;
  uintptr_t nativeHandle() const override { return reinterpret_cast<uintptr_t>(window_); }

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  void paint();

  HWND window_ = nullptr;
  CFrame* frame_ = nullptr;
  DibSurface* backBuffer_ = nullptr;
  int32_t width_;
  int32_t height_;
};

// The CButton mask of the current asynchronous key and button states (with the system's
// swapped mouse buttons, the physical left button reports kRButton).
int32_t win32ButtonMask();

}  // namespace VSTGUI
