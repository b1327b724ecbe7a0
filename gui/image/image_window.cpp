// The platform-free part of the windowless backend: the scripted mouse. The image the frame
// draws into is the backend's (cairo/, win32/).
#include "gui/image/image_window.h"

namespace VSTGUI {

void ImageWindow::setMouse(int32_t buttons, const CPoint& where) {
  queue_.clear();
  current_ = MouseState{buttons, where};
}

void ImageWindow::queueMouse(int32_t buttons, const CPoint& where) {
  queue_.push_back(MouseState{buttons, where});
}

int32_t ImageWindow::getMouseButtons() {
  ++buttonQueries_;
  if (!queue_.empty()) {
    current_ = queue_.front();
    queue_.pop_front();
  }
  return current_.buttons;
}

CPoint ImageWindow::getMouseLocation() { return current_.where; }

}  // namespace VSTGUI
