// What the frame needs from the editor that owns it, so gui/ does not depend on host/.
#pragma once

#include <string>
#include <vector>

namespace VSTGUI {

// Implemented by the plug-in's editor (its AEffGUIEditor).
// - beginEdit / endEdit: a control starts or finishes a user edit of the parameter with
//   this index (the editor tells the plug-in and the host).
// - doIdleStuff: the editor's idle pump. Controls reach it through CControl::runIdle on
//   every pass of a mouse-tracking loop; it must run the frame's idle (redraw of dirty
//   views) and may throttle itself.
// - filesDropped: the user dropped files on the window (local paths, UTF-8, in the order
//   the window system gave them; never empty).
// - systemScaleChanged: the window moved to a screen of another scale (Windows' DPI change);
//   the editor asks the system again and follows at its next idle.
class CFrameOwner {
 public:
  virtual ~CFrameOwner() = default;
  virtual void beginEdit(int index) = 0;
  virtual void endEdit(int index) = 0;
  virtual void doIdleStuff() = 0;
  virtual void filesDropped(const std::vector<std::string>& paths) { (void)paths; }
  virtual void systemScaleChanged() {}
};

}  // namespace VSTGUI
