#include "gui/c_control.h"

#include "gui/c_frame.h"

namespace VSTGUI {

CControl::CControl(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background)
    : CView(size), listener_(listener), tag_(tag) {
  if (background) setBackground(background);
}

CControl::~CControl() {
  if (frame_ && frame_->getFocusView() == this) frame_->setFocusView(nullptr);
}

void CControl::runIdle() {
  if (frame_) frame_->runIdle();
}

void CControl::beginEdit() {
  if (!frame_) return;
  frame_->setFocusView(this);
  frame_->beginEdit(tag_);
}

void CControl::endEdit() {
  if (frame_) frame_->endEdit(tag_);
}

void CControl::clampValue() {
  if (value_ > max_) {
    value_ = max_;
  } else if (!(value_ >= min_)) {  // below the minimum, or not a number
    value_ = min_;
  }
}

bool CControl::checkDefaultValue(CDrawContext* context, int32_t buttons) {
  if (buttons != (kLButton | kControl)) return false;
  beginEdit();
  setValue(getDefaultValue());
  if (isDirty() && listener_) listener_->valueChanged(context, this);
  endEdit();
  return true;
}

bool CControl::isDirty() const { return dirty_ || value_ != oldValue_; }

void CControl::setDirty(bool value) {
  dirty_ = value;
  if (value) {
    oldValue_ = (value_ != -1.0f) ? -1.0f : 0.0f;
  } else {
    oldValue_ = value_;
  }
}

}  // namespace VSTGUI
