// CControl: a view with a value, a tag and a listener that is told of user changes; and
// CControlListener, the interface through which the editor hears of them.
#pragma once

#include <cstdint>

#include "gui/c_view.h"

namespace VSTGUI {

class CControl;

class CControlListener {
 public:
  virtual ~CControlListener() = default;
  // The user changed the control's value.
  virtual void valueChanged(CDrawContext* context, CControl* control) = 0;
  // Asked before a press is handled when any of the modifier bits 8, 16, 32 or 64 is in
  // the mask; a non-zero answer consumes the press.
  virtual int32_t modifierClick(CDrawContext* context, CControl* control, int32_t buttons) {
    (void)context;
    (void)control;
    (void)buttons;
    return 0;
  }
};

class CControl : public CView {
 public:
  CControl(const CRect& size, CControlListener* listener = nullptr, int32_t tag = 0,
           CBitmap* background = nullptr);
  ~CControl() override;

  // Asks the frame's editor to run its idle work at once (redraw of dirty views); called
  // on every pass of a mouse-tracking loop.
  virtual void runIdle();

  virtual void setValue(float value) { value_ = value; }
  virtual float getValue() const { return value_; }
  virtual void setMin(float value) { min_ = value; }
  virtual float getMin() const { return min_; }
  virtual void setMax(float value) { max_ = value; }
  virtual float getMax() const { return max_; }
  virtual void setOldValue(float value) { oldValue_ = value; }
  virtual float getOldValue() const { return oldValue_; }
  virtual void setDefaultValue(float value) { defaultValue_ = value; }
  virtual float getDefaultValue() const { return defaultValue_; }
  virtual int32_t getTag() const { return tag_; }
  virtual void setTag(int32_t tag) { tag_ = tag; }

  // The frame makes this control its focus view and tells the editor that the edit of
  // the tag begins; endEdit tells it that the edit ends.
  virtual void beginEdit();
  virtual void endEdit();

  // Above maximum -> maximum, otherwise the larger of value and minimum.
  virtual void clampValue();
  // Only for the exact mask kLButton | kControl: beginEdit, value = default, valueChanged
  // when that made the control dirty and a listener exists, endEdit. Answers whether it
  // acted.
  virtual bool checkDefaultValue(CDrawContext* context, int32_t buttons);

  // Dirty when value differs from the old value or the flag is set. setDirty(true) also
  // makes the old value differ; setDirty(false) clears the flag and syncs the old value.
  bool isDirty() const override;
  void setDirty(bool value = true) override;

  CControlListener* getListener() const { return listener_; }
  void setListener(CControlListener* listener) { listener_ = listener; }

 protected:
  CControlListener* listener_;
  int32_t tag_;
  float oldValue_ = 1.0f;
  float defaultValue_ = 0.5f;
  float value_ = 0.0f;
  float min_ = 0.0f;
  float max_ = 1.0f;
};

}  // namespace VSTGUI
