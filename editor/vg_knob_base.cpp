#include "editor/vg_knob_base.h"

#include "editor/knob_geometry.h"

namespace panner {

using VSTGUI::CPoint;

VGKnobBase::VGKnobBase(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                       const ColourSet& colourSet)
    : VGControl(size, listener, tag, colourSet) {
  displayMax = 1.0f;
  displayMin = 0.0f;
}

VGKnobBase::~VGKnobBase() = default;

void VGKnobBase::mouse(VSTGUI::CDrawContext* context, CPoint& where, int32_t buttons) {
  if (!getMouseEnabled() || context == nullptr) return;
  if (buttons == -1) buttons = context->getMouseButtons();
  if ((buttons & VSTGUI::kLButton) == 0) return;

  // Ctrl+left click (and no other modifier): back to the default value, no gesture.
  if (buttons == (VSTGUI::kLButton | VSTGUI::kControl)) {
    setValue(getDefaultValue());
    if (isDirty() && listener_ != nullptr) listener_->valueChanged(context, this);
    return;
  }

  knob::Drag drag(getValue(), where.x, where.y, static_cast<float>(size_.bottom - size_.top),
                  getMin(), getMax(), fineFactor, (buttons & VSTGUI::kShift) != 0);
  beginEdit();
  CPoint last = where;
  bool first = true;
  int32_t mask = buttons;
  do {
    mask = context->getMouseButtons();
    if (first || !(where == last)) {
      setValue(drag.update(where.x, where.y, (mask & VSTGUI::kShift) != 0));
      clampValue();
      if (isDirty() && listener_ != nullptr) listener_->valueChanged(context, this);
      last = where;
      first = false;
    }
    context->getMouseLocation(where);
    runIdle();
  } while ((mask & VSTGUI::kLButton) != 0);
  endEdit();
}

}  // namespace panner
