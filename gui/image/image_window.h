// The windowless backend: the frame draws into an in-memory image, and the mouse is
// whatever the test or tool says it is.
#pragma once

#include <deque>

#include "gui/platform_window.h"

namespace VSTGUI {

class ImageWindow : public PlatformWindow {
 public:
  struct MouseState {
    int32_t buttons = 0;
    CPoint where;
  };

  ImageWindow(int32_t width, int32_t height);
  ~ImageWindow() override;

  // Scripting the mouse. setMouse fixes the state that every query answers. queueMouse
  // appends states: each getMouseButtons call takes the next queued state (and
  // getMouseLocation answers its position); once the queue is empty the last state
  // stays. A drag is scripted as a few held states followed by one with no button.
  void setMouse(int32_t buttons, const CPoint& where);
  void queueMouse(int32_t buttons, const CPoint& where);
  int32_t getQueriesOfButtons() const { return buttonQueries_; }

  bool isValid() const override { return true; }
  void* createSurface() override;
  void flush() override;
  int32_t getMouseButtons() override;
  CPoint getMouseLocation() override;
  void processEvents(CFrame& frame, bool dispatchPresses) override;
  bool readPixels(std::vector<uint32_t>& argb, int& width, int& height) override;
  bool readPixel(int x, int y, uint32_t& argb) override;
  uintptr_t nativeHandle() const override { return 0; }

 private:
  void* surface_;  // cairo image surface
  MouseState current_;
  std::deque<MouseState> queue_;
  int32_t buttonQueries_ = 0;
};

}  // namespace VSTGUI
