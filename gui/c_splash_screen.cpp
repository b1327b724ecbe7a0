#include "gui/c_splash_screen.h"

#include "gui/c_bitmap.h"
#include "gui/c_draw_context.h"
#include "gui/c_frame.h"

namespace VSTGUI {

CSplashScreenView::CSplashScreenView(const CRect& size, CSplashScreen* owner, CBitmap* bitmap,
                                     const CPoint& offset)
    : CView(size), owner_(owner), offset_(offset) {
  setBackground(bitmap);
}

void CSplashScreenView::draw(CDrawContext* context) {
  if (background_) background_->draw(context, size_, offset_);
  setDirty(false);
}

void CSplashScreenView::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
  (void)where;
  if (buttons == -1) buttons = context ? context->getMouseButtons() : 0;
  if ((buttons & kLButton) && owner_) owner_->unSplash(context);
}

CSplashScreen::CSplashScreen(const CRect& size, CControlListener* listener, int32_t tag,
                             CBitmap* background, const CRect& toDisplay, const CPoint& offset)
    : CControl(size, listener, tag, background), toDisplay_(toDisplay), offset_(offset) {}

CSplashScreen::~CSplashScreen() {
  if (splashView_) {
    if (frame_ && frame_->getModalView() == splashView_) frame_->setModalView(nullptr);
    splashView_->forget();
    splashView_ = nullptr;
  }
}

void CSplashScreen::draw(CDrawContext* context) {
  if (value_ >= 1.0f && background_) background_->draw(context, size_, offset_);
  setDirty(false);
}

void CSplashScreen::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
  (void)where;
  if (!mouseEnabled_) return;
  if (buttons == -1) buttons = context ? context->getMouseButtons() : 0;
  if (!(buttons & kLButton)) return;
  value_ = (value_ >= 1.0f) ? 0.0f : 1.0f;
  if (value_ >= 1.0f) {
    if (!splashView_ && frame_ && !frame_->getModalView()) {
      splashView_ = new CSplashScreenView(toDisplay_, this, background_, offset_);
      frame_->setModalView(splashView_);
    }
    if (listener_) listener_->valueChanged(context, this);
  } else if (splashView_) {
    unSplash(context);
    return;
  }
  setDirty();
}

void CSplashScreen::unSplash(CDrawContext* context) {
  value_ = 0.0f;
  if (listener_) listener_->valueChanged(context, this);
  if (frame_) {
    frame_->setDirty(true);
    if (frame_->getModalView() == splashView_) frame_->setModalView(nullptr);
  }
  if (splashView_) {
    // The frame holds the view through the press that closes it, so it survives this.
    splashView_->forget();
    splashView_ = nullptr;
  }
  setDirty();
}

}  // namespace VSTGUI
