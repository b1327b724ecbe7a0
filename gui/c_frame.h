// CFrame: the root of the view tree, bound to a platform window (a 435 x 330 child of the
// host's window in the editor). It dispatches presses, keeps an optional modal view on
// top of its children, and redraws dirty views when the editor idles.
//
// Lifecycle: the editor makes the frame in its open(), adds its views (the frame owns
// them from then on), calls idle() from its own idle, and forget()s the frame in close(),
// which destroys every view, the window and the window-system connection.
//
// Headless use (tests, snapshots): give the frame an ImageWindow (gui/image/) instead of a
// parent window; draw with drawAll() or idle(), read pixels with getPixel, and script the
// mouse on the ImageWindow.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/c_view_container.h"
#include "gui/platform_window.h"

namespace VSTGUI {

class CFrameOwner;

class CFrame : public CViewContainer {
 public:
  // A child window of size.width() x size.height() at (0, 0) in the host's window (the
  // pointer of effEditOpen: an X11 Window id on Linux, where the frame opens its own
  // Display connection, or an HWND on Windows); a null parent makes a top-level window.
  // If that fails the frame has no window (hasWindow() false).
  // At `scale` (clamped to 1..3) the window has scaledLength(width, scale) x
  // scaledLength(height, scale) pixels, the views keep their sizes in panel units, and
  // every drawing is made at the window's resolution.
  CFrame(const CRect& size, void* parentWindow, CFrameOwner* editor, double scale = 1.0);
  // A frame on a given backend (an ImageWindow for headless drawing) of the scaled size.
  CFrame(const CRect& size, std::unique_ptr<PlatformWindow> window, CFrameOwner* editor,
         double scale = 1.0);
  ~CFrame() override;

  // A frame with no window that draws into an image of the scaled size.
  static CFrame* createHeadless(const CRect& size, CFrameOwner* editor, double scale = 1.0);

  // Window pixels per panel unit.
  double getScale() const { return scale_; }

  bool hasWindow() const;
  PlatformWindow* getPlatformWindow() const { return window_.get(); }
  CFrameOwner* getEditor() const { return editor_; }

  // The editor's idle work: handles pending window events (exposures; presses unless a
  // press is being handled already), then, if the frame itself is dirty, redraws
  // everything, otherwise updates the modal view and each child (dirty ones draw).
  void idle();
  // Called by controls' runIdle: the editor's idle pump, or idle() without an editor.
  void runIdle();
  // Draws the whole frame (background, children, modal view) onto its window.
  void drawAll();

  // A press at `where` in window pixels (divided by the scale into panel units): clears the focus
  // view, then offers it to the modal view if one is shown (only when its hitTest passes), else to
  // the children from the last added to the first. Ignored while another press is being handled.
  void dispatchPress(const CPoint& where, int32_t buttons);
  // Whether a press is being handled (its tracking loop may idle the editor).
  bool isHandlingPress() const { return inPress_; }
  void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
  // Wheel distance (+1 per notch up) to the view under the pointer.
  bool onWheel(float distance);
  bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
  // No view of this framework takes keys: answers -1 (not handled).
  int32_t onKeyDown(int32_t character, int32_t virtualKey, int32_t modifiers);
  int32_t onKeyUp(int32_t character, int32_t virtualKey, int32_t modifiers);

  // Marks every view overlapping rect dirty; they are drawn at the next idle.
  void invalidate(const CRect& rect);

  // The view drawn above all others and offered every press first; the caller keeps its
  // reference (the frame neither remembers nor forgets it). Null to remove it.
  void setModalView(CView* view);
  CView* getModalView() const { return modalView_; }
  void setFocusView(CView* view) { focusView_ = view; }
  CView* getFocusView() const { return focusView_; }

  // Passed to the editor (CFrameOwner).
  void beginEdit(int32_t index);
  void endEdit(int32_t index);
  // Files dropped on the window (by the window backends; tests call it directly). An
  // empty list is ignored.
  void filesDropped(const std::vector<std::string>& paths);
  // The window's screen changed its scale (by the window backends).
  void systemScaleChanged();

  // A new context on the window (the caller forgets it); null without a window.
  CDrawContext* createDrawContext();
  int32_t getMouseButtons();
  // The pointer in panel units.
  CPoint getMouseLocation();

  // A pixel of the window as last drawn, in window pixels (tests).
  bool getPixel(int32_t x, int32_t y, CColor& color);

  bool isDirty() const override { return dirty_; }
  void setDirty(bool value = true) override { dirty_ = value; }

  // The editor-wide knob mode, kept for the editor (no view of this framework reads it).
  static void setKnobMode(int32_t mode);
  static int32_t getKnobMode();

 private:
  std::unique_ptr<PlatformWindow> window_;
  CFrameOwner* editor_;
  double scale_ = 1.0;
  CView* modalView_ = nullptr;
  CView* focusView_ = nullptr;
  bool inPress_ = false;
  bool inIdle_ = false;
};

}  // namespace VSTGUI
