// CSplashScreen: an invisible control that, when clicked, shows a picture as the frame's
// modal view until the next click; CSplashScreenView is that picture.
#pragma once

#include "gui/c_control.h"

namespace VSTGUI {

class CSplashScreen;

// Shows the bitmap over its rectangle; a left press dismisses the splash screen.
class CSplashScreenView : public CView {
 public:
  CSplashScreenView(const CRect& size, CSplashScreen* owner, CBitmap* bitmap, const CPoint& offset);
  void draw(CDrawContext* context) override;
  void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;

 private:
  CSplashScreen* owner_;
  CPoint offset_;
};

class CSplashScreen : public CControl {
 public:
  // size: the clickable area; background: the picture (the splash screen keeps a
  // reference); toDisplay: where the picture is shown; offset: where in the picture to
  // start.
  CSplashScreen(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                const CRect& toDisplay, const CPoint& offset);
  ~CSplashScreen() override;

  // Nothing while the value is 0 (the views beneath show through), the picture while 1.
  void draw(CDrawContext* context) override;
  // A left press toggles the value; on becoming 1 the picture is shown as the modal view
  // and the listener is told.
  void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
  // Value back to 0, listener told, frame redrawn whole at the next idle, view removed.
  void unSplash(CDrawContext* context);

  bool isShown() const { return splashView_ != nullptr; }

 private:
  CRect toDisplay_;
  CPoint offset_;
  CSplashScreenView* splashView_ = nullptr;
};

}  // namespace VSTGUI
